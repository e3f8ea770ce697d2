// PNG images inside icons, decoded with libpng.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "platform/posix/icon_image.h"

namespace zendrel::platform::posix {

inline constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool IsPng(std::span<const std::uint8_t> bytes);

// The PNG in `bytes`. Its size is read from the header before anything is decoded, and an
// image larger than 256 x 256 is refused unread.
std::optional<DecodedImage> DecodePng(std::span<const std::uint8_t> bytes);

}  // namespace zendrel::platform::posix
