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
#include "platform/posix/icon_container.h"
#include "platform/posix/icon_file_reader.h"
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

// The file is opened and its directories read once, at the first icon asked for; each icon
// then costs one group directory and one image read.
struct IconFile::State {
  std::string path;
  bool opened = false;
  std::unique_ptr<posix::FileSource> source;
  std::unique_ptr<posix::IconContainer> container;
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

// The directory as an icon group resource gives it, each entry's id its place in `images`
// plus one: what LookupIconIdFromDirectoryEx chooses from.
std::vector<BYTE> GroupDirectory(const posix::IconImageDirectory& images) {
  constexpr std::size_t kHead = 6, kEntry = 14;
  std::vector<BYTE> bytes(kHead + kEntry * images.size());
  const auto put16 = [&](std::size_t at, unsigned value) {
    bytes[at] = static_cast<BYTE>(value);
    bytes[at + 1] = static_cast<BYTE>(value >> 8);
  };
  put16(2, 1);
  put16(4, static_cast<unsigned>(images.size()));
  for (std::size_t k = 0; k < images.size(); ++k) {
    const posix::IconImageEntry& image = images[k];
    const std::size_t at = kHead + kEntry * k;
    bytes[at] = static_cast<BYTE>(image.width == 256 ? 0 : image.width);
    bytes[at + 1] = static_cast<BYTE>(image.height == 256 ? 0 : image.height);
    bytes[at + 2] = static_cast<BYTE>(image.colourCount);
    put16(at + 4, static_cast<unsigned>(image.planes));
    put16(at + 6, static_cast<unsigned>(image.bitCount));
    const std::uint64_t size = image.place ? image.place->size : 0;
    for (int b = 0; b < 4; ++b) bytes[at + 8 + b] = static_cast<BYTE>(size >> (8 * b));
    put16(at + 12, static_cast<unsigned>(k + 1));
  }
  return bytes;
}

// The icon ExtractIconA would make of these images: the one the system chooses for the large
// icon size, made at that size.
HICON LargeIconOf(const posix::IconImageDirectory& images, const posix::ByteSource& source) {
  if (images.empty()) return nullptr;
  std::vector<BYTE> directory = GroupDirectory(images);
  const int id =
      LookupIconIdFromDirectoryEx(directory.data(), TRUE, kIconSize, kIconSize, LR_DEFAULTCOLOR);
  if (id < 1 || static_cast<std::size_t>(id) > images.size()) return nullptr;
  const std::optional<posix::ImagePlace>& place = images[static_cast<std::size_t>(id) - 1].place;
  if (!place) return nullptr;
  std::optional<posix::Bytes> bytes = source.Read(place->offset, place->size);
  if (!bytes || bytes->empty()) return nullptr;
  return CreateIconFromResourceEx(bytes->data(), static_cast<DWORD>(bytes->size()), TRUE,
                                  0x00030000, kIconSize, kIconSize, LR_DEFAULTCOLOR);
}

}  // namespace

Icon::Icon() noexcept = default;
Icon::~Icon() = default;
Icon::Icon(Icon&&) noexcept = default;
Icon& Icon::operator=(Icon&&) noexcept = default;
Icon::Icon(std::unique_ptr<Data> data) noexcept : data_(std::move(data)) {}

IconPixels Icon::Pixels() const { return data_ ? PixelsOf(data_->handle) : IconPixels(); }

IconFile::IconFile(const std::string& path) : state_(new State) { state_->path = path; }
IconFile::~IconFile() = default;

// Read with the same readers as the Linux build, rather than through ExtractIconA, which
// opens and parses the file again for every icon (a DLL of 500 icons 500 times). The image is
// still the system's choice, made by the system from the same directory.
Icon IconFile::Extract(int index) {
  // Index -1 asks ExtractIconA for the number of icons in the file, which is no icon.
  if (index == -1) return Icon();
  State& state = *state_;
  if (!state.opened) {
    state.opened = true;
    state.source = posix::FileSource::Open(state.path);
    if (state.source) state.container = posix::ReadIconContainer(*state.source);
    // The system chooses among all of a group's images, so each needs its place.
    if (state.container) state.container->LocateEveryImage();
  }
  if (!state.container) return Icon();
  const std::optional<posix::IconImageDirectory> images =
      state.container->Images(*state.source, index);
  if (!images) return Icon();
  return Wrap(LargeIconOf(*images, *state.source), {state.path, index});
}

// A single icon, such as the standard folder icon or a folder's current one, which may name any
// file of the system: the system's own extraction.
Icon ExtractIcon(const std::string& path, int index) {
  if (index == -1) return Icon();
  return Wrap(ExtractIconA(GetModuleHandleA(nullptr), path.c_str(), static_cast<UINT>(index)),
              {path, index});
}

// Not LR_SHARED: the handle is our own copy, which Icon destroys. 32 x 32 is the size
// LoadIcon would pick for the large icon.
Icon LoadProgramIcon(int resourceId) {
  return Wrap(LoadResourceIcon(resourceId, kIconSize), {"", resourceId});
}

// Grown by many slots at a time: a list grown one slot at a time copies all its images on every
// append, which a catalogue of thousands of icons pays for quadratically. The spare slots are
// no images; the count is the images appended.
constexpr int kGrowth = 256;

ImageList::ImageList()
    : state_(new State{ImageList_Create(kIconSize, kIconSize, ILC_COLORDDB | ILC_MASK, 0, kGrowth),
                       {}}) {}
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

// Each image but the last is copied one slot on, from the end down (plain copies of the
// list's own bitmaps, cheap everywhere); the last goes into slot 0 through an icon, one icon
// for the whole move rather than two for each slot as swaps would take.
void ImageList::MoveLastToFront() {
  if (!state_ || !state_->list) return;
  const int count = Count();
  if (count < 2) return;
  HIMAGELIST list = state_->list;
  HICON last = ImageList_GetIcon(list, count - 1, ILD_NORMAL);
  if (!last) {
    // Without a copy of the last image, the slower way of swaps, which needs none.
    for (int s = 0; s <= count - 2; ++s) Swap(s, count - 1);
    return;
  }
  for (int s = count - 1; s > 0; --s) ImageList_Copy(list, s, list, s - 1, ILCF_MOVE);
  ImageList_ReplaceIcon(list, 0, last);
  DestroyIcon(last);
  std::vector<IconSource>& sources = state_->sources;
  if (static_cast<int>(sources.size()) == count) {
    std::rotate(sources.begin(), sources.end() - 1, sources.end());
  }
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
