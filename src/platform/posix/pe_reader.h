// PE files (.dll, .exe; 32 and 64 bit): icon groups and icons in the resource directory.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/posix/icon_container.h"

namespace zendrel::platform::posix {

// The PE file in `source` whose "PE\0\0" signature starts at `peHeader`, or nullptr when it
// has no readable resource directory with icon groups.
std::unique_ptr<IconContainer> ReadPeContainer(const ByteSource& source, std::uint64_t peHeader);

}  // namespace zendrel::platform::posix
