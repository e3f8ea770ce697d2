// What every icon fuzz target checks once its reader has taken the input: each icon it
// names decodes to a full 32 x 32 image or to none, and nothing else happens.
#pragma once

#include <cstdlib>

#include "platform/icons.h"
#include "platform/posix/icon_container.h"
#include "platform/posix/icon_image.h"

namespace zendrel::fuzz {

inline void ExtractEveryIcon(const platform::posix::IconContainer& container,
                             const platform::posix::ByteSource& source) {
  for (const int index : {0, 1, 2, 3, 4, 5, 6, 7, -1, -2, -3, -32767, -32768, -65535}) {
    const std::optional<platform::IconPixels> pixels =
        platform::posix::ExtractLargeIcon(container, source, index);
    if (pixels && pixels->size() != platform::kIconSize * platform::kIconSize) std::abort();
  }
}

// The offset of the new header an "MZ" file names, or 0 when the input is too short.
inline std::uint64_t NewHeaderOffset(const platform::posix::ByteSource& source) {
  const std::optional<platform::posix::Bytes> head = source.Read(0, 0x40);
  return head ? platform::posix::Le32(*head, 0x3C) : 0;
}

}  // namespace zendrel::fuzz
