// 16-bit NE files (icon libraries, .icl): icon groups and icons in the resource table.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/posix/icon_container.h"

namespace zendrel::platform::posix {

// The NE file in `source` whose NE header starts at `neHeader`, or nullptr when its
// resource table is damaged.
std::unique_ptr<IconContainer> ReadNeContainer(const ByteSource& source, std::uint64_t neHeader);

}  // namespace zendrel::platform::posix
