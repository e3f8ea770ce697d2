#include "platform/posix/dos_attrib.h"
#include "text/text.h"

#include <cstddef>

namespace zendrel::platform::posix {

namespace {

// valid_flags bit: the attrib field holds the attributes.
constexpr std::uint32_t kAttribValid = 0x01;

// Bytes of the body that follows the header, per version, valid flags and attrib included.
std::optional<std::size_t> BodySize(std::uint16_t version) {
  switch (version) {
    case 3:  // valid_flags, attrib, ea_size, size, alloc_size, create_time, change_time
      return 4 + 4 + 4 + 8 + 8 + 8 + 8;
    case 4:  // valid_flags, attrib, itime, create_time
      return 4 + 4 + 8 + 8;
    case 5:  // valid_flags, attrib, create_time
      return 4 + 4 + 8;
    default:
      return std::nullopt;
  }
}

std::size_t AlignUp(std::size_t offset, std::size_t alignment) {
  return (offset + alignment - 1) / alignment * alignment;
}

std::uint32_t ReadLE(std::string_view bytes, std::size_t offset, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = width; i-- > 0;) {
    value = value << 8 | static_cast<unsigned char>(bytes[offset + i]);
  }
  return value;
}

void WriteLE32(std::string& bytes, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) {
    bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  }
}

// Where the parts of a stored record lie, as far as they can be made out.
struct Layout {
  std::string_view hex;     // the leading string, without its NUL
  bool terminated = false;  // the string ends in a NUL
  bool binary = false;      // bytes follow the NUL: a binary record, sound or not
  std::size_t body = 0;     // offset of valid_flags; 0 when flags and attrib are not both there
  bool whole = false;       // the body of a known version is complete
};

Layout Examine(std::string_view record) {
  Layout layout;
  const std::size_t nul = record.find('\0');
  if (nul == std::string_view::npos) {
    layout.hex = record;
    return layout;
  }
  layout.hex = record.substr(0, nul);
  layout.terminated = true;
  std::size_t offset = nul + 1;
  if (offset == record.size()) return layout;
  layout.binary = true;

  offset = AlignUp(offset, 2);
  if (offset + 4 > record.size()) return layout;
  const auto version = static_cast<std::uint16_t>(ReadLE(record, offset, 2));
  // The version is stored twice; two different numbers mean the bytes are not a record.
  if (ReadLE(record, offset + 2, 2) != version) return layout;
  const std::optional<std::size_t> body_size = BodySize(version);
  if (!body_size) return layout;

  offset = AlignUp(offset + 4, 4);
  if (offset + 8 > record.size()) return layout;
  layout.body = offset;
  layout.whole = offset + *body_size <= record.size();
  return layout;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The number at the start of a hex string such as "0x22", read up to the first character that
// is no hex digit. nullopt when there is no digit or the number does not fit 32 bits.
std::optional<std::uint32_t> ParseHex(std::string_view text) {
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
  }
  std::uint32_t value = 0;
  bool any = false;
  for (const char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) break;
    if (value > 0x0FFFFFFFu) return std::nullopt;
    value = value << 4 | static_cast<std::uint32_t>(digit);
    any = true;
  }
  if (!any) return std::nullopt;
  return value;
}

std::string NewVersion5(std::uint32_t attrib) {
  // Empty string and its NUL, one byte of padding, version 5 twice, padding to 4.
  std::string record("\0\0\x05\0\x05\0\0\0", 8);
  record.resize(24, '\0');  // valid flags, attrib, create_time
  WriteLE32(record, 8, kAttribValid);
  WriteLE32(record, 12, attrib);
  return record;
}

}  // namespace

std::optional<std::uint32_t> ParseDosAttrib(std::string_view record) {
  const Layout layout = Examine(record);
  if (layout.body != 0 && (ReadLE(record, layout.body, 4) & kAttribValid) != 0) {
    return ReadLE(record, layout.body + 4, 4);
  }
  return ParseHex(layout.hex);
}

std::string UpdateDosAttrib(std::string_view record, std::uint32_t attrib) {
  const Layout layout = Examine(record);
  if (layout.body != 0 && layout.whole) {
    std::string updated(record);
    WriteLE32(updated, layout.body, ReadLE(record, layout.body, 4) | kAttribValid);
    WriteLE32(updated, layout.body + 4, attrib);
    return updated;
  }
  if (!layout.binary && ParseHex(layout.hex)) {
    std::string legacy = text::HexNumber(attrib);
    if (layout.terminated) legacy.push_back('\0');
    return legacy;
  }
  return NewVersion5(attrib);
}

}  // namespace zendrel::platform::posix
