#include <windows.h>

// These need windows.h first.
#include <commctrl.h>
#include <shellapi.h>

// Our ExtractIcon is not the system's; the header's macro would rename it.
#undef ExtractIcon

#include <algorithm>

#include "platform/icons.h"

namespace zendrel::platform {

struct Icon::Data {
  HICON handle;
  ~Data() { DestroyIcon(handle); }
};

struct IconFile::State {
  std::string path;
};

struct ImageList::State {
  HIMAGELIST list;
  ~State() {
    if (list) ImageList_Destroy(list);
  }
};

namespace {

// The pixels of an icon as 32 x 32 0xAARRGGBB, whatever the display's format: the colour
// image read back as 32-bit, its alpha used when it has any, the mask otherwise.
IconPixels PixelsOf(HICON icon) {
  IconPixels pixels;
  ICONINFO info = {};
  if (!icon || !GetIconInfo(icon, &info)) return pixels;
  BITMAPINFO header = {};
  header.bmiHeader.biSize = sizeof header.bmiHeader;
  header.bmiHeader.biWidth = kIconSize;
  header.bmiHeader.biHeight = -kIconSize;  // top-down
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  IconPixels colour(kIconSize * kIconSize), mask(kIconSize * kIconSize);
  HDC screen = GetDC(nullptr);
  const bool ok =
      info.hbmColor &&
      GetDIBits(screen, info.hbmColor, 0, kIconSize, colour.data(), &header, DIB_RGB_COLORS) &&
      GetDIBits(screen, info.hbmMask, 0, kIconSize, mask.data(), &header, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (!ok) return pixels;
  bool hasAlpha = false;
  for (std::uint32_t p : colour) hasAlpha = hasAlpha || (p >> 24) != 0;
  pixels.resize(colour.size());
  for (std::size_t i = 0; i < colour.size(); ++i) {
    const std::uint32_t rgb = colour[i] & 0x00FFFFFF;
    const bool transparent = (mask[i] & 0x00FFFFFF) != 0;
    const std::uint32_t alpha = hasAlpha ? colour[i] >> 24 : (transparent ? 0 : 0xFF);
    pixels[i] = alpha == 0 ? 0 : (alpha << 24) | rgb;
  }
  return pixels;
}

Icon Wrap(HICON handle) {
  // ExtractIconA gives 1 for a file that is no icon container at all: no icon either.
  if (handle == nullptr || handle == reinterpret_cast<HICON>(1)) return Icon();
  return Icon(std::unique_ptr<Icon::Data>(new Icon::Data{handle}));
}

}  // namespace

Icon::Icon() noexcept = default;
Icon::~Icon() = default;
Icon::Icon(Icon&&) noexcept = default;
Icon& Icon::operator=(Icon&&) noexcept = default;
Icon::Icon(std::unique_ptr<Data> data) noexcept : data_(std::move(data)) {}

IconPixels Icon::Pixels() const { return data_ ? PixelsOf(data_->handle) : IconPixels(); }

IconFile::IconFile(const std::string& path) : state_(new State{path}) {}
IconFile::~IconFile() = default;

Icon IconFile::Extract(int index) {
  // Index -1 asks ExtractIconA for the number of icons in the file, which is no icon.
  if (index == -1) return Icon();
  return Wrap(
      ExtractIconA(GetModuleHandleA(nullptr), state_->path.c_str(), static_cast<UINT>(index)));
}

Icon ExtractIcon(const std::string& path, int index) { return IconFile(path).Extract(index); }

// Not LR_SHARED: the handle is our own copy, which Icon destroys. 32 x 32 is the size
// LoadIcon would pick for the large icon.
Icon LoadProgramIcon(int resourceId) {
  return Wrap(static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId),
                                            IMAGE_ICON, kIconSize, kIconSize, 0)));
}

ImageList::ImageList()
    : state_(new State{ImageList_Create(kIconSize, kIconSize, ILC_COLORDDB | ILC_MASK, 0, 1)}) {}
ImageList::~ImageList() = default;
ImageList::ImageList(ImageList&&) noexcept = default;
ImageList& ImageList::operator=(ImageList&&) noexcept = default;

int ImageList::Append(const Icon& icon) {
  if (!state_ || !state_->list || !icon) return -1;
  return ImageList_ReplaceIcon(state_->list, -1, icon.data()->handle);
}

namespace {

// Wine's ImageList_Copy with ILCF_SWAP leaves the source slot black; a program run there
// would show its list as silhouettes.
bool RunningOnWine() {
  static const bool wine =
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

}  // namespace

void ImageList::Swap(int a, int b) {
  if (!state_ || !state_->list) return;
  HIMAGELIST list = state_->list;
  if (!RunningOnWine()) {
    ImageList_Copy(list, a, list, b, ILCF_SWAP);
    return;
  }
  // The same exchange through copies of the two images.
  HICON first = ImageList_GetIcon(list, a, ILD_NORMAL);
  HICON second = ImageList_GetIcon(list, b, ILD_NORMAL);
  if (first && second) {
    ImageList_ReplaceIcon(list, a, second);
    ImageList_ReplaceIcon(list, b, first);
  }
  if (first) DestroyIcon(first);
  if (second) DestroyIcon(second);
}

int ImageList::Count() const {
  return state_ && state_->list ? ImageList_GetImageCount(state_->list) : 0;
}

IconPixels ImageList::Pixels(int slot) const {
  if (!state_ || !state_->list) return {};
  HICON icon = ImageList_GetIcon(state_->list, slot, ILD_NORMAL);
  IconPixels pixels = PixelsOf(icon);
  if (icon) DestroyIcon(icon);
  // The list hands out its image as drawn, a translucent pixel's colour already weighted by
  // its alpha; the caller wants it unweighted, as the icon gave it.
  for (std::uint32_t& pixel : pixels) {
    const std::uint32_t alpha = pixel >> 24;
    if (alpha == 0 || alpha == 0xFF) continue;
    auto unweighted = [&](int shift) {
      return std::min<std::uint32_t>(0xFF, (((pixel >> shift) & 0xFF) * 0xFF + alpha / 2) / alpha)
             << shift;
    };
    pixel = alpha << 24 | unweighted(16) | unweighted(8) | unweighted(0);
  }
  return pixels;
}

std::uintptr_t ImageList::Release() {
  if (!state_) return 0;
  const HIMAGELIST list = state_->list;
  state_->list = nullptr;
  state_.reset();
  return reinterpret_cast<std::uintptr_t>(list);
}

}  // namespace zendrel::platform
