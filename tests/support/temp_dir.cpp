#include "support/temp_dir.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "text/text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace zendrel::test {

namespace fs = std::filesystem;

namespace {

long ProcessId() {
#ifdef _WIN32
  return static_cast<long>(GetCurrentProcessId());
#else
  return static_cast<long>(getpid());
#endif
}

}  // namespace

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const fs::path candidate =
        base / ("zendrel-test-" + std::to_string(ProcessId()) + "-" + std::to_string(counter++));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate.string();
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempDir::File(const std::string& name) const {
  return text::AddTrailingSeparator(path_) + name;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::optional<std::string> ReadBytes(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return std::nullopt;
  std::string bytes;
  char chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
  std::fclose(f);
  return bytes;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::path(path), ec);
}

bool MakeFolder(const std::string& path) {
#ifdef _WIN32
  CreateDirectoryA(path.c_str(), nullptr);
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
#else
  std::error_code ec;
  fs::create_directory(path, ec);
  return fs::is_directory(path, ec);
#endif
}

namespace {

void AppendUnit(std::string& out, std::uint32_t unit) {
  out += static_cast<char>(unit & 0xFF);
  out += static_cast<char>(unit >> 8);
}

}  // namespace

// Enough UTF-8 for the tests' own texts, which are all valid.
std::string Utf16Le(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    std::uint32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    }
    i += length;
    if (cp >= 0x10000) {
      AppendUnit(out, 0xD800 + ((cp - 0x10000) >> 10));
      AppendUnit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      AppendUnit(out, cp);
    }
  }
  return out;
}

std::string HostPath(const std::string& unixPath) {
#ifdef _WIN32
  std::string path = "Z:" + unixPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
#else
  return unixPath;
#endif
}

bool UnderWine() {
#ifdef _WIN32
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

}  // namespace zendrel::test
