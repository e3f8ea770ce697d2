#include "platform/posix/ico_reader.h"

namespace zendrel::platform::posix {

namespace {

constexpr std::size_t kHeadSize = 6;
constexpr std::size_t kEntrySize = 16;

class IcoContainer final : public IconContainer {
 public:
  explicit IcoContainer(IconImageDirectory images) : images_(std::move(images)) {}

  // The file holds one icon, which a negative index names too, as on Windows.
  std::optional<IconImageDirectory> Images(const ByteSource&, int index) const override {
    if (index > 0) return std::nullopt;
    return images_;
  }

 private:
  IconImageDirectory images_;
};

}  // namespace

std::unique_ptr<IconContainer> ReadIcoContainer(const ByteSource& source) {
  const std::optional<Bytes> head = source.Read(0, kHeadSize);
  if (!head) return nullptr;
  const std::optional<std::uint16_t> count = IconDirectoryCount(*head);
  if (!count) return nullptr;
  const std::optional<Bytes> directory = source.Read(0, kHeadSize + kEntrySize * *count);
  if (!directory) return nullptr;
  const std::optional<IconImageDirectory> images =
      ParseIconDirectory(*directory, kEntrySize, [](std::span<const std::uint8_t> entry) {
        return std::optional<ImagePlace>(ImagePlace{Le32(entry, 12), Le32(entry, 8)});
      });
  if (!images) return nullptr;
  return std::make_unique<IcoContainer>(*images);
}

}  // namespace zendrel::platform::posix
