// Icons as the platform extracts them, and the image list that holds them for the chooser.
//
// Both builds read icon files with our own reader of .ico files, 16-bit icon libraries (.icl,
// NE) and PE files (.dll, .exe). Windows takes the image the system chooses and draws it as
// the system draws an icon of it (or has the system make the icon, CreateIconFromResourceEx,
// for the images it draws some other way), extracts single icons with ExtractIconA, and
// keeps a common-controls image list (32 x 32, ILC_COLOR32 | ILC_MASK); Linux decodes the
// images itself and keeps them as 32 x 32 RGBA.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zendrel::platform {

inline constexpr int kIconSize = 32;

// 32 x 32 pixels, rows top to bottom, each 0xAARRGGBB with straight (not premultiplied)
// alpha; a pixel the mask makes transparent has alpha 0.
using IconPixels = std::vector<std::uint32_t>;

// One extracted icon, owned; empty when there was none.
class Icon {
 public:
  Icon() noexcept;
  ~Icon();
  Icon(Icon&& other) noexcept;
  Icon& operator=(Icon&& other) noexcept;
  Icon(const Icon&) = delete;
  Icon& operator=(const Icon&) = delete;

  explicit operator bool() const { return data_ != nullptr; }
  IconPixels Pixels() const;  // empty for an empty icon

  struct Data;  // the platform's own representation
  explicit Icon(std::unique_ptr<Data> data) noexcept;
  Data* data() const { return data_.get(); }

 private:
  std::unique_ptr<Data> data_;
};

// The icons of one file, opened once: reading index after index parses the file only once.
// The same images as ExtractIconA would give.
class IconFile {
 public:
  explicit IconFile(const std::string& path);
  ~IconFile();
  IconFile(const IconFile&) = delete;
  IconFile& operator=(const IconFile&) = delete;

  // Icon `index` of the file, as ExtractIconA gives it: index 0 of an .ico, the n-th icon
  // group of a library or DLL; an empty icon past the last one and for a file that holds no
  // icons at all.
  Icon Extract(int index);

  struct State;

 private:
  std::unique_ptr<State> state_;
};

// An icon of a file by index, the file opened for this one call (on Windows by the system).
Icon ExtractIcon(const std::string& path, int index);

// One of the program's own icons by resource id: 128 the application icon, 131 the unknown
// folder. Windows loads it from the executable's resources; Linux has the same .ico files
// built into the program. Empty for an unknown id.
Icon LoadProgramIcon(int resourceId);

// 32 x 32 images with masks, in slot order.
class ImageList {
 public:
  ImageList();  // empty
  ~ImageList();
  ImageList(ImageList&& other) noexcept;
  ImageList& operator=(ImageList&& other) noexcept;
  ImageList(const ImageList&) = delete;
  ImageList& operator=(const ImageList&) = delete;

  // Appends a copy of the icon's image as the next slot; its slot, or -1 on failure.
  int Append(const Icon& icon);
  // Swaps the images of two slots.
  void Swap(int a, int b);
  // Moves the last slot's image to slot 0, every other image one slot on.
  void MoveLastToFront();
  int Count() const;
  IconPixels Pixels(int slot) const;

  // Hands the list over to a window that will own and destroy it (the chooser's list view
  // on Windows); the object is empty afterwards. The value is the platform's handle.
  std::uintptr_t Release();

  struct State;
  State* state() const { return state_.get(); }

 private:
  std::unique_ptr<State> state_;
};

}  // namespace zendrel::platform
