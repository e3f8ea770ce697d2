// Both builds name a local icon in a folder no Windows machine needs a copy for by its own
// path, and both take away the icon copies the Linux build keeps in folders once the folder no
// longer names them, never a file that only looks like one.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/icon_copy.h"
#include "platform/icon_placement.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"

namespace zendrel::platform {
namespace {

namespace fs = std::filesystem;

class IconCopies : public testing::Test {
 protected:
  IconCopies() {
    test::MakeFolder(folder_);
    test::WriteBytes(dir_.File("blue.ico"), blue_);
  }
  // Ours, and three that are not: a copy's name over other bytes, bytes that are no icon
  // under the name they give, and the user's own icon.
  void Populate() {
    test::WriteBytes(In(IconCopyName(blue_)), blue_);
    test::WriteBytes(In(IconCopyName(red_)), blue_);
    test::WriteBytes(In(IconCopyName("no icon")), "no icon");
    test::WriteBytes(In("mine.ico"), blue_);
  }
  std::string In(const std::string& name) const { return folder_ + "/" + name; }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::u8path(folder_)))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempDir dir_;
  const std::string folder_ = dir_.File("Target");
  const std::string blue_ = test::MakeIco({{32, 0xFF2060C0, 32}});
  const std::string red_ = test::MakeIco({{32, 0xFFC02020, 32}});
};

TEST_F(IconCopies, OnlyOursGoWhenANewIconOrTheStandardOneIsChosen) {
  ASSERT_TRUE(IsIconCopy(IconCopyName(blue_), blue_));
  Populate();
  std::vector<std::string> others = Files();
  others.erase(std::find(others.begin(), others.end(), IconCopyName(blue_)));
  ASSERT_EQ(others.size(), 3u);

  const IconLocation location =
      PlaceIcon(folder_, dir_.File("blue.ico"), 3, {dir_.File("no-samba.conf")});
  EXPECT_EQ(location.iconFile, dir_.File("blue.ico"));
  EXPECT_EQ(location.iconIndex, 3);
  EXPECT_EQ(Files(), others);

  Populate();
  EXPECT_TRUE(RemovePlacedIcons(folder_));
  EXPECT_EQ(Files(), others);
  EXPECT_TRUE(RemovePlacedIcons(dir_.File("missing")));
}

}  // namespace
}  // namespace zendrel::platform
