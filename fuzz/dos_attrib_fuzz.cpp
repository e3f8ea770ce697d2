// Any bytes as a stored DOS attribute record: read it, write an attribute value over it and
// read that back. The first four bytes are the value, the rest is the record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/posix/dos_attrib.h"

using zendrel::fuzz::Check;

namespace posix = zendrel::platform::posix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::uint32_t attrib =
      static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
      static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
  const std::string_view record(reinterpret_cast<const char*>(data) + 4, size - 4);

  posix::ParseDosAttrib(record);
  const std::string updated = posix::UpdateDosAttrib(record, attrib);
  // What was written is what is read.
  Check(posix::ParseDosAttrib(updated) == attrib);
  // A record is updated in place (same size), kept as a legacy string (at most "0x" and eight
  // digits and a NUL) or replaced by a fresh 24-byte record; it never grows beyond those.
  Check(updated.size() == record.size() || updated.size() <= 11 || updated.size() == 24);
  // Writing the same value again changes nothing.
  Check(posix::UpdateDosAttrib(updated, attrib) == updated);
  return 0;
}
