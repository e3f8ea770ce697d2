// Any bytes as an .ico file, and as a lone DIB or PNG image.
#include <cstddef>
#include <cstdint>

#include "icon_fuzz_common.h"
#include "platform/posix/ico_reader.h"
#include "platform/posix/png_image.h"

namespace posix = zendrel::platform::posix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const posix::MemorySource source({data, size});
  if (const auto container = posix::ReadIcoContainer(source))
    zendrel::fuzz::ExtractEveryIcon(*container, source);
  const std::span<const std::uint8_t> bytes(data, size);
  for (const auto& image : {posix::DecodeDib(bytes), posix::DecodePng(bytes)}) {
    if (!image) continue;
    if (image->width < 1 || image->width > posix::kMaxImageSide || image->height < 1 ||
        image->height > posix::kMaxImageSide ||
        image->pixels.size() != static_cast<std::size_t>(image->width) * image->height)
      std::abort();
    if (posix::ScaleToIconSize(*image).size() != 32u * 32u) std::abort();
  }
  return 0;
}
