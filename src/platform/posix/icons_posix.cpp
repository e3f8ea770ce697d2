// Icons on Linux: our own reader of .ico, NE and PE files, and an image list of 32 x 32
// RGBA images.
#include <algorithm>
#include <utility>

#include "platform/icons.h"
#include "platform/posix/icon_container.h"
#include "platform/posix/icon_file_reader.h"
#include "platform/posix/icon_image.h"
#include "platform/posix/icon_resources.h"
#include "platform/posix/mount_table.h"

namespace zendrel::platform {

struct Icon::Data {
  IconPixels pixels;  // kIconSize x kIconSize
};

Icon::Icon() noexcept = default;
Icon::~Icon() = default;
Icon::Icon(Icon&& other) noexcept = default;
Icon& Icon::operator=(Icon&& other) noexcept = default;
Icon::Icon(std::unique_ptr<Data> data) noexcept : data_(std::move(data)) {}

IconPixels Icon::Pixels() const { return data_ ? data_->pixels : IconPixels(); }

namespace {

Icon IconOf(std::optional<IconPixels> pixels) {
  if (!pixels) return Icon();
  return Icon(std::make_unique<Icon::Data>(Icon::Data{std::move(*pixels)}));
}

}  // namespace

// The container's directories are read once, when the file is opened; each Extract then
// reads only the one group and the one image it needs.
struct IconFile::State {
  std::unique_ptr<posix::ByteSource> source;
  std::unique_ptr<posix::IconContainer> container;
};

IconFile::IconFile(const std::string& path) : state_(std::make_unique<State>()) {
  state_->source = posix::FileSource::Open(posix::ToLocalPath(path));
  if (state_->source) state_->container = posix::ReadIconContainer(*state_->source);
}

IconFile::~IconFile() = default;

Icon IconFile::Extract(int index) {
  // -1 is Windows' question for the number of icons, never an icon of its own.
  if (!state_->container || index == -1) return Icon();
  return IconOf(posix::ExtractLargeIcon(*state_->container, *state_->source, index));
}

Icon ExtractIcon(const std::string& path, int index) { return IconFile(path).Extract(index); }

// The same reader as for an .ico file on disk, so that the program's icons look as they would
// if the user picked the file itself.
Icon LoadProgramIcon(int resourceId) {
  const std::span<const std::uint8_t> bytes = posix::ProgramIconBytes(resourceId);
  if (bytes.empty()) return Icon();
  const posix::MemorySource source(bytes);
  const std::unique_ptr<posix::IconContainer> container = posix::ReadIconContainer(source);
  if (!container) return Icon();
  return IconOf(posix::ExtractLargeIcon(*container, source, 0));
}

struct ImageList::State {
  std::vector<IconPixels> images;
};

ImageList::ImageList() : state_(std::make_unique<State>()) {}
ImageList::~ImageList() = default;
ImageList::ImageList(ImageList&& other) noexcept = default;
ImageList& ImageList::operator=(ImageList&& other) noexcept = default;

int ImageList::Append(const Icon& icon) {
  if (!state_ || !icon) return -1;
  state_->images.push_back(icon.Pixels());
  return static_cast<int>(state_->images.size()) - 1;
}

void ImageList::Swap(int a, int b) {
  if (!state_ || a < 0 || b < 0 || a >= Count() || b >= Count()) return;
  std::swap(state_->images[a], state_->images[b]);
}

void ImageList::MoveLastToFront() {
  if (!state_ || state_->images.size() < 2) return;
  std::rotate(state_->images.begin(), state_->images.end() - 1, state_->images.end());
}

int ImageList::Count() const { return state_ ? static_cast<int>(state_->images.size()) : 0; }

IconPixels ImageList::Pixels(int slot) const {
  if (slot < 0 || slot >= Count()) return IconPixels();
  return state_->images[slot];
}

// The view has copied the pixels by now; there is no handle to hand over on Linux.
std::uintptr_t ImageList::Release() {
  if (state_) state_->images.clear();
  return 0;
}

}  // namespace zendrel::platform
