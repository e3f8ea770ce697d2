// .ico files: one icon, its images listed in the file's own directory.
#pragma once

#include <memory>

#include "platform/posix/icon_container.h"

namespace zendrel::platform::posix {

// The .ico file in `source`, or nullptr when its directory is damaged.
std::unique_ptr<IconContainer> ReadIcoContainer(const ByteSource& source);

}  // namespace zendrel::platform::posix
