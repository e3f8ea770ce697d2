// An icon of an icon file as PNG files, one per size the icon has, kept where the desktop's
// file managers can read them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/icon_image.h"

namespace zendrel::platform::posix {

// Every image of icon `index` of the file (an .ico, an icon library or a DLL) that can be
// decoded, one per size (the one with the most colours where a size comes twice), largest
// first.
std::vector<DecodedImage> IconImages(const std::string& localPath, int index);

// The image as a PNG file (8-bit RGBA, straight alpha); the same pixels give the same bytes.
std::optional<std::string> EncodePng(const DecodedImage& image);

// Writes the images as PNG files into `folder` (made when missing) under names taken from
// their content, "<digest>-<width>x<height>.png", the digest covering every image of the
// icon; a file already there with those bytes is left alone. Returns the path of the
// largest one, or nullopt when there is no image or nothing could be written.
std::optional<std::string> StoreIconPngs(const std::vector<DecodedImage>& images,
                                         const std::string& folder);

}  // namespace zendrel::platform::posix
