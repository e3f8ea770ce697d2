#include <windows.h>

#include <cstdio>

#include "ctl/console.h"

namespace zendrel::ctl {

namespace {

std::wstring Widen(std::string_view text, UINT codePage) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
  return wide;
}

HANDLE Handle(Stream stream) {
  return GetStdHandle(stream == Stream::kOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

}  // namespace

void Write(Stream stream, std::string_view utf8) {
  HANDLE handle = Handle(stream);
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    // A console shows UTF-16 as it is, whatever code page it was given.
    const std::wstring wide = Widen(utf8, CP_UTF8);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::FILE* file = stream == Stream::kOut ? stdout : stderr;
  std::fwrite(utf8.data(), 1, utf8.size(), file);
  std::fflush(file);
}

bool IsTerminal(Stream stream) {
  DWORD mode = 0;
  return GetConsoleMode(Handle(stream), &mode) != 0;
}

std::string ToUtf8(const std::string& systemText) {
  const std::wstring wide = Widen(systemText, CP_ACP);
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

}  // namespace zendrel::ctl
