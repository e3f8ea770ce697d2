#include "platform/icon_copy.h"

#include <cstdint>

namespace zendrel::platform {

namespace {

constexpr std::string_view kPrefix = "zendrel-icon-";
constexpr std::string_view kSuffix = ".ico";
constexpr std::size_t kDigits = 16;

std::uint64_t Digest(std::string_view bytes) {
  std::uint64_t hash = 0xcbf29ce484222325u;  // FNV-1a, 64 bits
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3u;
  }
  return hash;
}

}  // namespace

std::string IconCopyName(std::string_view icoBytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string name(kPrefix);
  const std::uint64_t digest = Digest(icoBytes);
  for (int shift = 60; shift >= 0; shift -= 4) name += kHex[digest >> shift & 0xF];
  name += kSuffix;
  return name;
}

bool HasIconCopyName(std::string_view name) {
  if (name.size() != kPrefix.size() + kDigits + kSuffix.size() || !name.starts_with(kPrefix) ||
      !name.ends_with(kSuffix))
    return false;
  for (const char c : name.substr(kPrefix.size(), kDigits)) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

bool IsIconCopy(std::string_view name, std::string_view bytes) {
  const bool icoHead = bytes.size() >= 6 && bytes[0] == 0 && bytes[1] == 0 && bytes[2] == 1 &&
                       bytes[3] == 0 && (bytes[4] != 0 || bytes[5] != 0);
  return icoHead && HasIconCopyName(name) && IconCopyName(bytes) == name;
}

}  // namespace zendrel::platform
