#include <windows.h>

// These need windows.h first.
#include <commctrl.h>
#include <shellapi.h>

// Our ExtractIcon is not the system's; the header's macro would rename it.
#undef ExtractIcon

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
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

// One square image as the two bitmaps of an icon read back, rows top to bottom: the colour
// image at 32 bits a pixel, 0xAARRGGBB, its alpha zero unless the image has an alpha channel;
// and the mask, a bit a pixel from the highest, set where the pixel is transparent, each row
// padded to whole 32-bit words as the system reads a bitmap back.
struct IconImage {
  explicit IconImage(int pixels = kIconSize)
      : size(pixels),
        colour(static_cast<std::size_t>(pixels) * static_cast<std::size_t>(pixels)),
        mask(MaskRow(pixels) * static_cast<std::size_t>(pixels)) {}
  static std::size_t MaskRow(int pixels) {
    return (static_cast<std::size_t>(pixels) + 31) / 32 * 4;
  }
  static bool Bit(const std::uint8_t* bits, int i) {
    return (bits[i / 8] & (0x80 >> (i % 8))) != 0;
  }
  int Area() const { return size * size; }
  bool Transparent(int i) const { return Bit(mask.data() + (i / size) * MaskRow(size), i % size); }

  int size;
  std::vector<std::uint32_t> colour;
  std::vector<std::uint8_t> mask;
};

struct Icon::Data {
  HICON handle;  // the system's own icon; none for one made from its file's image
  std::shared_ptr<const IconImage> image;  // of one made from its file's image
  IconSource source;
  ~Data() {
    if (handle) DestroyIcon(handle);
  }
};

// The file is opened and its directories read once, at the first icon asked for; each icon
// then costs one group directory and one image read.
struct IconFile::State {
  std::string path;
  bool opened = false;
  std::unique_ptr<posix::FileSource> source;
  std::unique_ptr<posix::IconContainer> container;

  // The images of icon `index`, each with its place; nullopt past the last icon.
  std::optional<posix::IconImageDirectory> Images(int index) {
    if (!opened) {
      opened = true;
      source = posix::FileSource::Open(path);
      if (source) container = posix::ReadIconContainer(*source);
      // The system chooses among all of a group's images, so each needs its place.
      if (container) container->LocateEveryImage();
    }
    if (!container) return std::nullopt;
    return container->Images(*source, index);
  }
};

// The images are kept here, and the system's list is made of them only when somebody needs it
// (to read an image back, or to show the list): then all the images not yet in it go in
// with a few calls, many images to one wide bitmap, rather than two icons each.
struct ImageList::State {
  std::vector<std::shared_ptr<const IconImage>> images;  // one per slot
  std::vector<IconSource> sources;                       // one per slot
  HIMAGELIST list = nullptr;                             // the first `listed` images, in slot order
  std::size_t listed = 0;
  ~State() { Forget(); }
  void Forget() {
    if (list) ImageList_Destroy(list);
    list = nullptr;
    listed = 0;
  }
  HIMAGELIST Flush();
  // The system's list of all the images, for a caller who owns it from now on; another is
  // made of the images when one is needed again.
  HIMAGELIST TakeList() {
    const HIMAGELIST taken = Flush();
    list = nullptr;
    listed = 0;
    return taken;
  }
};

namespace {

// A bitmap header for rows top to bottom, with room for the two colours of a one-bit image.
struct DibHeader {
  BITMAPINFOHEADER header;
  RGBQUAD colours[2];
};

DibHeader TopDown(int width, int height, int bitCount) {
  DibHeader dib = {};
  dib.header.biSize = sizeof dib.header;
  dib.header.biWidth = width;
  dib.header.biHeight = -height;
  dib.header.biPlanes = 1;
  dib.header.biBitCount = static_cast<WORD>(bitCount);
  dib.header.biCompression = BI_RGB;
  return dib;
}

BITMAPINFO* Info(DibHeader& dib) { return reinterpret_cast<BITMAPINFO*>(&dib); }

// An icon's colour bitmap and mask as the image behind them reads back; false when they
// cannot be read.
bool ReadBitmaps(HDC dc, HBITMAP colour, HBITMAP mask, IconImage& image) {
  const int n = image.size;
  DibHeader dib = TopDown(n, n, 32);
  if (!GetDIBits(dc, colour, 0, n, image.colour.data(), Info(dib), DIB_RGB_COLORS)) return false;
  dib = TopDown(n, n, 1);
  return GetDIBits(dc, mask, 0, n, image.mask.data(), Info(dib), DIB_RGB_COLORS) != 0;
}

// The image of one of the system's icons of `pixels` x `pixels`. An icon of two colours has
// no colour bitmap: its mask bitmap holds the mask above the picture. Without `twoColour`, such
// an icon gives none.
std::optional<IconImage> ImageOf(HICON icon, bool twoColour, int pixels = kIconSize) {
  ICONINFO info = {};
  if (!icon || !GetIconInfo(icon, &info)) return std::nullopt;
  IconImage image(pixels);
  HDC screen = GetDC(nullptr);
  bool ok = false;
  if (info.hbmColor) {
    ok = ReadBitmaps(screen, info.hbmColor, info.hbmMask, image);
  } else if (twoColour) {
    std::vector<std::uint8_t> both(2 * image.mask.size());
    DibHeader dib = TopDown(pixels, 2 * pixels, 1);
    ok =
        GetDIBits(screen, info.hbmMask, 0, 2 * pixels, both.data(), Info(dib), DIB_RGB_COLORS) != 0;
    std::copy(both.begin(), both.begin() + image.mask.size(), image.mask.begin());
    const std::size_t row = IconImage::MaskRow(pixels);
    for (int i = 0; i < image.Area(); ++i) {
      const std::uint8_t* picture = both.data() + image.mask.size() + (i / pixels) * row;
      image.colour[i] = IconImage::Bit(picture, i % pixels) ? 0xFFFFFF : 0;
    }
  }
  ReleaseDC(nullptr, screen);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (!ok) return std::nullopt;
  return image;
}

// The pixels of an image: its alpha used when it has any, the mask otherwise.
IconPixels PixelsOf(const IconImage& image) {
  const bool hasAlpha = std::any_of(image.colour.begin(), image.colour.end(),
                                    [](std::uint32_t p) { return p >> 24; });
  IconPixels pixels(static_cast<std::size_t>(image.Area()));
  for (int i = 0; i < image.Area(); ++i) {
    const std::uint32_t rgb = image.colour[i] & 0x00FFFFFF;
    const std::uint32_t alpha =
        hasAlpha ? image.colour[i] >> 24 : (image.Transparent(i) ? 0 : 0xFF);
    pixels[i] = alpha == 0 ? 0 : (alpha << 24) | rgb;
  }
  return pixels;
}

Icon Wrap(HICON handle, IconSource source) {
  // ExtractIconA gives 1 for a file that is no icon container at all: no icon either.
  if (handle == nullptr || handle == reinterpret_cast<HICON>(1)) return Icon();
  return Icon(std::unique_ptr<Icon::Data>(new Icon::Data{handle, {}, std::move(source)}));
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

// A memory device context with a colour bitmap in the display's format and a one-bit mask
// bitmap, both of one icon size, made once and drawn over for every icon.
class Canvas {
 public:
  explicit Canvas(int pixels = kIconSize) : size_(pixels) {
    HDC screen = GetDC(nullptr);
    colour_ = CreateCompatibleBitmap(screen, size_, size_);
    ReleaseDC(nullptr, screen);
    mask_ = CreateBitmap(size_, size_, 1, 1, nullptr);
    dc_ = CreateCompatibleDC(nullptr);
    if (dc_) original_ = SelectObject(dc_, colour_);
    BITMAP format = {};
    thirtyTwoBits_ =
        colour_ && GetObjectA(colour_, sizeof format, &format) && format.bmBitsPixel == 32;
  }
  ~Canvas() {
    if (dc_) {
      SelectObject(dc_, original_);
      DeleteDC(dc_);
    }
    if (colour_) DeleteObject(colour_);
    if (mask_) DeleteObject(mask_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  int size() const { return size_; }

  // The image an icon resource makes at the canvas's size, drawn as the system draws it when it
  // makes the icon: the colour image onto a bitmap in the display's format, then the mask through a
  // black-and-white palette onto a one-bit bitmap, each stretched to the size. Only for the
  // plain images (a header of 40 bytes, no compression, 4 to 32 bits a pixel, a mask behind
  // the colours); nullopt for the others, which the system makes itself.
  std::optional<IconImage> Draw(std::span<const std::uint8_t> bytes) const {
    if (!dc_ || !colour_ || !mask_ || bytes.size() < sizeof(BITMAPINFOHEADER)) {
      return std::nullopt;
    }
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes.data(), sizeof header);
    const int bitCount = header.biBitCount;
    if (header.biSize != sizeof header || header.biCompression != BI_RGB || header.biWidth <= 0 ||
        header.biWidth > 1024 || header.biHeight < 2 || header.biHeight > 2048 ||
        (bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)) {
      return std::nullopt;
    }
    const std::size_t width = static_cast<std::size_t>(header.biWidth);
    const std::size_t height = static_cast<std::size_t>(header.biHeight) / 2;
    std::size_t colours = std::min<std::size_t>(header.biClrUsed, 256);
    if (colours == 0 && bitCount <= 8) colours = std::size_t{1} << bitCount;
    const std::size_t head = sizeof header + colours * sizeof(RGBQUAD);
    const auto rowBytes = [&](std::size_t bits) { return (width * bits + 31) / 32 * 4; };
    const std::size_t colourBytes = rowBytes(static_cast<std::size_t>(bitCount)) * height;
    if (bytes.size() < head + colourBytes + rowBytes(1) * height) return std::nullopt;
    // At the size itself, onto 32 bits a pixel, the drawing is a plain conversion: done here.
    const auto n = static_cast<std::size_t>(size_);
    if (width == n && height == n && bitCount != 16 && thirtyTwoBits_) {
      if (std::optional<IconImage> image = Convert(bytes, head, colours, bitCount, colourBytes)) {
        return image;
      }
    }

    // The header of the upper half, room for at least two colours.
    std::vector<std::uint8_t> info(sizeof header +
                                   std::max<std::size_t>(colours, 2) * sizeof(RGBQUAD));
    std::memcpy(info.data(), bytes.data(), head);
    auto* copy = reinterpret_cast<BITMAPINFO*>(info.data());
    copy->bmiHeader.biHeight = static_cast<LONG>(height);
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    SelectObject(dc_, colour_);
    bool ok = StretchDIBits(dc_, 0, 0, size_, size_, 0, 0, w, h, bytes.data() + head, copy,
                            DIB_RGB_COLORS, SRCCOPY) != 0;
    copy->bmiHeader.biBitCount = 1;
    copy->bmiHeader.biClrUsed = copy->bmiHeader.biClrImportant = 2;
    copy->bmiColors[0] = RGBQUAD{0, 0, 0, 0};
    copy->bmiColors[1] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
    SelectObject(dc_, mask_);
    ok = ok && StretchDIBits(dc_, 0, 0, size_, size_, 0, 0, w, h, bytes.data() + head + colourBytes,
                             copy, DIB_RGB_COLORS, SRCCOPY) != 0;
    // Read back with neither bitmap selected.
    SelectObject(dc_, original_);
    IconImage image(size_);
    ok = ok && ReadBitmaps(dc_, colour_, mask_, image);
    SelectObject(dc_, colour_);
    if (!ok) return std::nullopt;
    return image;
  }

 private:
  // The image of a DIB of 4, 8, 24 or 32 bits of the canvas's size as it lands on a bitmap of
  // 32 bits: a pixel's or a palette entry's colour, the alpha byte only of 32-bit pixels, the
  // rows turned top to bottom, the mask copied. nullopt for an index past the palette or a
  // palette entry whose fourth byte is set, which the system's drawing decides.
  std::optional<IconImage> Convert(std::span<const std::uint8_t> bytes, std::size_t head,
                                   std::size_t colours, int bitCount,
                                   std::size_t colourBytes) const {
    const int n = size_;
    IconImage image(n);
    const std::size_t stride =
        (static_cast<std::size_t>(n) * static_cast<std::size_t>(bitCount) + 31) / 32 * 4;
    const std::size_t maskRow = IconImage::MaskRow(n);
    const std::uint8_t* palette = bytes.data() + sizeof(BITMAPINFOHEADER);
    const std::uint8_t* mask = bytes.data() + head + colourBytes;
    for (int y = 0; y < n; ++y) {
      const std::size_t from = static_cast<std::size_t>(n - 1 - y);
      const std::uint8_t* row = bytes.data() + head + from * stride;
      for (int x = 0; x < n; ++x) {
        std::uint32_t pixel = 0;
        if (bitCount >= 24) {
          const std::uint8_t* p = row + x * (bitCount / 8);
          pixel = p[0] | p[1] << 8 | p[2] << 16 | (bitCount == 32 ? std::uint32_t{p[3]} << 24 : 0);
        } else {
          const unsigned index = bitCount == 8 ? row[x] : (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
          if (index >= colours) return std::nullopt;
          const std::uint8_t* entry = palette + 4 * index;
          if (entry[3] != 0) return std::nullopt;
          pixel = entry[0] | entry[1] << 8 | entry[2] << 16;
        }
        image.colour[static_cast<std::size_t>(y * n + x)] = pixel;
      }
      std::memcpy(image.mask.data() + static_cast<std::size_t>(y) * maskRow, mask + from * maskRow,
                  maskRow);
    }
    return image;
  }

  int size_;
  bool thirtyTwoBits_ = false;
  HDC dc_ = nullptr;
  HBITMAP colour_ = nullptr, mask_ = nullptr;
  HGDIOBJ original_ = nullptr;
};

// The bytes of the image the system chooses among `images` for an icon of `pixels`; nullopt
// when it chooses none.
std::optional<posix::Bytes> ChosenImage(const posix::IconImageDirectory& images,
                                        const posix::ByteSource& source, int pixels) {
  if (images.empty()) return std::nullopt;
  std::vector<BYTE> directory = GroupDirectory(images);
  // The system chooses by the images' sizes and depths, not by where they are or how many
  // bytes they take, and the icons of a folder share a few sets of sizes and depths: it is
  // asked once for each set and size.
  std::string shape(directory.begin(), directory.end());
  for (std::size_t k = 0; k < images.size(); ++k) shape.replace(6 + 14 * k + 8, 4, 4, '\0');
  shape += std::to_string(pixels);
  static thread_local std::unordered_map<std::string, int> chosen;
  if (chosen.size() > 4096) chosen.clear();
  const auto [at, fresh] = chosen.try_emplace(std::move(shape), 0);
  if (fresh) {
    at->second =
        LookupIconIdFromDirectoryEx(directory.data(), TRUE, pixels, pixels, LR_DEFAULTCOLOR);
  }
  const int id = at->second;
  if (id < 1 || static_cast<std::size_t>(id) > images.size()) return std::nullopt;
  const std::optional<posix::ImagePlace>& place = images[static_cast<std::size_t>(id) - 1].place;
  if (!place) return std::nullopt;
  std::optional<posix::Bytes> bytes = source.Read(place->offset, place->size);
  if (!bytes || bytes->empty()) return std::nullopt;
  return bytes;
}

HICON SystemIconOf(const posix::Bytes& bytes, int pixels) {
  return CreateIconFromResourceEx(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()),
                                  TRUE, 0x00030000, pixels, pixels, LR_DEFAULTCOLOR);
}

// The icon ExtractIconA would make of these images: the one the system chooses for the large
// icon size, made at that size. A plain image is drawn here and keeps no icon of the system's;
// any other is made into one by the system.
Icon LargeIconOf(const posix::IconImageDirectory& images, const posix::ByteSource& source,
                 IconSource from) {
  const std::optional<posix::Bytes> bytes = ChosenImage(images, source, kIconSize);
  if (!bytes) return Icon();
  static thread_local const Canvas canvas;
  if (std::optional<IconImage> image = canvas.Draw(*bytes)) {
    return Icon(std::unique_ptr<Icon::Data>(new Icon::Data{
        nullptr, std::make_shared<const IconImage>(std::move(*image)), std::move(from)}));
  }
  return Wrap(SystemIconOf(*bytes, kIconSize), std::move(from));
}

// The image of icon `index` of `file` as the system extracts it at the canvas's size, read
// with the file's directories read before; nullopt when the file gives none.
std::optional<IconImage> ImageAtSize(IconFile::State& file, int index, const Canvas& canvas) {
  const std::optional<posix::IconImageDirectory> images = file.Images(index);
  if (!images || !file.source) return std::nullopt;
  const std::optional<posix::Bytes> bytes = ChosenImage(*images, *file.source, canvas.size());
  if (!bytes) return std::nullopt;
  if (std::optional<IconImage> image = canvas.Draw(*bytes)) return image;
  HICON icon = SystemIconOf(*bytes, canvas.size());
  std::optional<IconImage> image = ImageOf(icon, true, canvas.size());
  if (icon) DestroyIcon(icon);
  return image;
}

}  // namespace

Icon::Icon() noexcept = default;
Icon::~Icon() = default;
Icon::Icon(Icon&&) noexcept = default;
Icon& Icon::operator=(Icon&&) noexcept = default;
Icon::Icon(std::unique_ptr<Data> data) noexcept : data_(std::move(data)) {}

IconPixels Icon::Pixels() const {
  if (!data_) return {};
  if (!data_->handle) return PixelsOf(*data_->image);
  // An icon of two colours has no colour image to give.
  const std::optional<IconImage> image = ImageOf(data_->handle, false);
  return image ? PixelsOf(*image) : IconPixels();
}

IconFile::IconFile(const std::string& path) : state_(new State) { state_->path = path; }
IconFile::~IconFile() = default;

// Read with the same readers as the Linux build, rather than through ExtractIconA, which
// opens and parses the file again for every icon (a DLL of 500 icons 500 times). The image is
// still the system's choice, made by the system from the same directory.
Icon IconFile::Extract(int index) {
  // Index -1 asks ExtractIconA for the number of icons in the file, which is no icon.
  if (index == -1) return Icon();
  const std::optional<posix::IconImageDirectory> images = state_->Images(index);
  if (!images) return Icon();
  return LargeIconOf(*images, *state_->source, {state_->path, index});
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

// The system's list grows by many slots at a time: one grown a slot at a time copies all its
// images on every append. It holds 32-bit images with their alpha, and a mask for each.
constexpr int kGrowth = 256;
// Images that go into the list with one call, side by side in one bitmap.
constexpr std::size_t kBatch = 256;

namespace {

// Puts `images`, all of `pixels` x `pixels`, into `list` after its last image, many to one
// call. A batch the system refuses leaves its slots empty, so that slot k is still image k.
void AddImages(HIMAGELIST list, std::span<const std::shared_ptr<const IconImage>> images,
               int pixels) {
  const auto n = static_cast<std::size_t>(pixels);
  const std::size_t imageMaskRow = IconImage::MaskRow(pixels);
  std::size_t done = 0;
  while (done < images.size()) {
    const std::size_t count = std::min(kBatch, images.size() - done);
    const int width = static_cast<int>(count * n);
    DibHeader dib = TopDown(width, pixels, 32);
    void* bits = nullptr;
    HBITMAP colour = CreateDIBSection(nullptr, Info(dib), DIB_RGB_COLORS, &bits, nullptr, 0);
    // A bitmap made from bits takes its rows in whole 16-bit words.
    const std::size_t maskRow = (static_cast<std::size_t>(width) + 15) / 16 * 2;
    std::vector<std::uint8_t> maskBits(maskRow * n);
    if (colour && bits) {
      auto* out = static_cast<std::uint32_t*>(bits);
      for (std::size_t k = 0; k < count; ++k) {
        const IconImage& image = *images[done + k];
        for (std::size_t y = 0; y < n; ++y) {
          std::memcpy(out + y * static_cast<std::size_t>(width) + k * n,
                      image.colour.data() + y * n, n * sizeof(std::uint32_t));
          const std::uint8_t* from = image.mask.data() + y * imageMaskRow;
          std::uint8_t* to = maskBits.data() + y * maskRow;
          if (n % 8 == 0) {
            std::memcpy(to + k * n / 8, from, n / 8);
            continue;
          }
          for (std::size_t x = 0; x < n; ++x) {
            const std::size_t at = k * n + x;
            if (IconImage::Bit(from, static_cast<int>(x))) to[at / 8] |= 0x80 >> (at % 8);
          }
        }
      }
    }
    HBITMAP mask = CreateBitmap(width, pixels, 1, 1, maskBits.data());
    const int before = ImageList_GetImageCount(list);
    const bool added = colour && bits && mask && ImageList_Add(list, colour, mask) >= 0;
    if (colour) DeleteObject(colour);
    if (mask) DeleteObject(mask);
    done += count;
    if (!added) ImageList_SetImageCount(list, static_cast<UINT>(before) + count);
  }
}

}  // namespace

HIMAGELIST ImageList::State::Flush() {
  if (!list) {
    list = ImageList_Create(kIconSize, kIconSize, ILC_COLOR32 | ILC_MASK,
                            static_cast<int>(images.size()), kGrowth);
    if (!list) return nullptr;
  }
  if (listed < images.size()) {
    AddImages(list, std::span(images).subspan(listed), kIconSize);
    listed = images.size();
  }
  return list;
}

ImageList::ImageList() : state_(new State) {}
ImageList::~ImageList() = default;
ImageList::ImageList(ImageList&&) noexcept = default;
ImageList& ImageList::operator=(ImageList&&) noexcept = default;

int ImageList::Append(const Icon& icon) {
  if (!state_ || !icon) return -1;
  const Icon::Data& data = *icon.data();
  if (data.handle) {
    std::optional<IconImage> image = ImageOf(data.handle, true);
    if (!image) return -1;
    state_->images.push_back(std::make_shared<const IconImage>(std::move(*image)));
  } else {
    state_->images.push_back(data.image);
  }
  state_->sources.push_back(data.source);
  return static_cast<int>(state_->images.size()) - 1;
}

void ImageList::Swap(int a, int b) {
  const int count = Count();
  if (a < 0 || b < 0 || a >= count || b >= count || a == b) return;
  std::swap(state_->images[static_cast<std::size_t>(a)],
            state_->images[static_cast<std::size_t>(b)]);
  std::swap(state_->sources[static_cast<std::size_t>(a)],
            state_->sources[static_cast<std::size_t>(b)]);
  // The system's list is made again, whole, when next needed.
  state_->Forget();
}

void ImageList::MoveLastToFront() {
  if (Count() < 2) return;
  std::rotate(state_->images.begin(), state_->images.end() - 1, state_->images.end());
  std::rotate(state_->sources.begin(), state_->sources.end() - 1, state_->sources.end());
  state_->Forget();
}

int ImageList::Count() const { return state_ ? static_cast<int>(state_->images.size()) : 0; }

IconPixels ImageList::Pixels(int slot) const {
  if (slot < 0 || slot >= Count()) return {};
  // Read back from the system's list, as it shows the image.
  HIMAGELIST list = state_->Flush();
  HICON icon = list ? ImageList_GetIcon(list, slot, ILD_NORMAL) : nullptr;
  const std::optional<IconImage> image = ImageOf(icon, false);
  if (icon) DestroyIcon(icon);
  return image ? PixelsOf(*image) : IconPixels();
}

HIMAGELIST ImageListAtSize(const ImageList& images, int pixels) {
  ImageList::State* state = images.state();
  if (!state || state->images.empty() || pixels <= 0) return nullptr;
  // The catalogue's own size: the list made of the images itself, handed over rather than
  // copied (a copy of thousands of images costs as much as making them).
  if (pixels == kIconSize) return state->TakeList();
  const std::size_t count = state->images.size();
  HIMAGELIST sized =
      ImageList_Create(pixels, pixels, ILC_COLOR32 | ILC_MASK, static_cast<int>(count), kGrowth);
  if (!sized) return nullptr;
  // Each icon file is read with our readers, as the catalogue was, and the image the system
  // chooses for this size is drawn the way it draws it; the icons of one library follow each
  // other, and its file is read once for all of them. The program's own icons, and an image
  // that cannot be read so, come from the system's extraction at this size.
  const Canvas canvas(pixels);
  std::vector<std::shared_ptr<const IconImage>> drawn;
  drawn.reserve(count);
  std::vector<int> unread;
  std::optional<IconFile::State> file;
  for (std::size_t slot = 0; slot < count; ++slot) {
    const IconSource& source = state->sources[slot];
    std::optional<IconImage> image;
    if (!source.file.empty()) {
      if (!file || file->path != source.file) {
        file.emplace();
        file->path = source.file;
      }
      image = ImageAtSize(*file, source.index, canvas);
    }
    if (!image) {
      HICON icon = Reload(source, pixels);
      image = ImageOf(icon, true, pixels);
      if (icon) DestroyIcon(icon);
    }
    if (!image) {
      // Clear for now; the slot gets the list's own image below.
      image.emplace(pixels);
      std::fill(image->mask.begin(), image->mask.end(), 0xFF);
      unread.push_back(static_cast<int>(slot));
    }
    drawn.push_back(std::make_shared<const IconImage>(std::move(*image)));
  }
  AddImages(sized, drawn, pixels);
  // A slot whose file cannot be read again keeps the image it had, scaled by the system.
  HIMAGELIST own = unread.empty() ? nullptr : state->Flush();
  for (const int slot : unread) {
    HICON icon = own ? ImageList_GetIcon(own, slot, ILD_NORMAL) : nullptr;
    if (icon) {
      ImageList_ReplaceIcon(sized, slot, icon);
      DestroyIcon(icon);
    }
  }
  return sized;
}

std::uintptr_t ImageList::Release() {
  if (!state_) return 0;
  const HIMAGELIST list = state_->TakeList();
  state_.reset();
  return reinterpret_cast<std::uintptr_t>(list);
}

}  // namespace zendrel::platform
