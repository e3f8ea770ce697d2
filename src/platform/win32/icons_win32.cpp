#include <windows.h>

// These need windows.h first.
#include <commctrl.h>
#include <shellapi.h>

// Our ExtractIcon is not the system's; the header's macro would rename it.
#undef ExtractIcon

#include <algorithm>

#include <string>
#include <vector>

#include "platform/icons.h"
#include "platform/win32/icons_win32.h"

namespace zendrel::platform {

// Where an icon came from, so that it can be read again at another size: icon `index` of a
// file as ExtractIconA counts them, or (no file) the program's own icon resource `index`.
struct IconSource {
  std::string file;
  int index = 0;
};

struct Icon::Data {
  HICON handle;
  IconSource source;
  ~Data() { DestroyIcon(handle); }
};

struct IconFile::State {
  std::string path;
};

struct ImageList::State {
  HIMAGELIST list;
  std::vector<IconSource> sources;  // one per slot
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

Icon Wrap(HICON handle, IconSource source) {
  // ExtractIconA gives 1 for a file that is no icon container at all: no icon either.
  if (handle == nullptr || handle == reinterpret_cast<HICON>(1)) return Icon();
  return Icon(std::unique_ptr<Icon::Data>(new Icon::Data{handle, std::move(source)}));
}

HICON LoadResourceIcon(int resourceId, int pixels) {
  return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId),
                                       IMAGE_ICON, pixels, pixels, 0));
}

// The icon again at `pixels`, from the file's image that suits that size best (scaled when
// none has it exactly); nullptr when it cannot be read.
HICON Reload(const IconSource& source, int pixels) {
  if (source.file.empty()) return LoadResourceIcon(source.index, pixels);
  HICON icon = nullptr;
  UINT id = 0;
  // The index counts as ExtractIconA counts it: from 0, or a resource id when negative.
  const UINT found =
      PrivateExtractIconsA(source.file.c_str(), source.index, pixels, pixels, &icon, &id, 1, 0);
  if (found == 0 || found == 0xFFFFFFFF) return nullptr;
  return icon;
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
      ExtractIconA(GetModuleHandleA(nullptr), state_->path.c_str(), static_cast<UINT>(index)),
      {state_->path, index});
}

Icon ExtractIcon(const std::string& path, int index) { return IconFile(path).Extract(index); }

// Not LR_SHARED: the handle is our own copy, which Icon destroys. 32 x 32 is the size
// LoadIcon would pick for the large icon.
Icon LoadProgramIcon(int resourceId) {
  return Wrap(LoadResourceIcon(resourceId, kIconSize), {"", resourceId});
}

ImageList::ImageList()
    : state_(new State{ImageList_Create(kIconSize, kIconSize, ILC_COLORDDB | ILC_MASK, 0, 1), {}}) {
}
ImageList::~ImageList() = default;
ImageList::ImageList(ImageList&&) noexcept = default;
ImageList& ImageList::operator=(ImageList&&) noexcept = default;

int ImageList::Append(const Icon& icon) {
  if (!state_ || !state_->list || !icon) return -1;
  const int slot = ImageList_ReplaceIcon(state_->list, -1, icon.data()->handle);
  if (slot >= 0) {
    state_->sources.resize(static_cast<std::size_t>(slot) + 1);
    state_->sources[static_cast<std::size_t>(slot)] = icon.data()->source;
  }
  return slot;
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
  const auto count = static_cast<int>(state_->sources.size());
  if (a >= 0 && b >= 0 && a < count && b < count) {
    std::swap(state_->sources[static_cast<std::size_t>(a)],
              state_->sources[static_cast<std::size_t>(b)]);
  }
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

HIMAGELIST ImageListAtSize(const ImageList& images, int pixels) {
  const ImageList::State* state = images.state();
  if (!state || !state->list) return nullptr;
  // The catalogue's own size: the same images.
  if (pixels == kIconSize) return ImageList_Duplicate(state->list);
  const int count = ImageList_GetImageCount(state->list);
  HIMAGELIST sized = ImageList_Create(pixels, pixels, ILC_COLOR32 | ILC_MASK, count, 1);
  if (!sized) return nullptr;
  for (int slot = 0; slot < count; ++slot) {
    HICON icon = nullptr;
    if (static_cast<std::size_t>(slot) < state->sources.size()) {
      icon = Reload(state->sources[static_cast<std::size_t>(slot)], pixels);
    }
    if (!icon) icon = ImageList_GetIcon(state->list, slot, ILD_NORMAL);
    // A slot that fails keeps its place, so that item k still shows image k.
    if (ImageList_ReplaceIcon(sized, -1, icon) < 0) ImageList_SetImageCount(sized, slot + 1);
    if (icon) DestroyIcon(icon);
  }
  return sized;
}

std::uintptr_t ImageList::Release() {
  if (!state_) return 0;
  const HIMAGELIST list = state_->list;
  state_->list = nullptr;
  state_.reset();
  return reinterpret_cast<std::uintptr_t>(list);
}

}  // namespace zendrel::platform
