// The folder's icon for Linux file managers: every image of the icon rendered to PNG with its
// own pixels, the Icon key of .directory edited without touching anything else, and the
// whole step on real folders: the chosen icon, the standard icon, a desktop.ini from Windows.
#include <sys/xattr.h>

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/file_attributes.h"
#include "platform/file_manager_icon.h"
#include "platform/posix/directory_file.h"
#include "platform/posix/folder_icon_png.h"
#include "platform/posix/png_image.h"
#include "platform/profile.h"
#include "support/icon_fixtures.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace zendrel::platform {
namespace {

namespace icons = test::icons;
using test::Exists;
using test::ReadBytes;
using test::WriteBytes;

std::vector<std::uint32_t> PngPixels(const std::string& bytes) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  const std::optional<posix::DecodedImage> image = posix::DecodePng({data, bytes.size()});
  return image ? image->pixels : std::vector<std::uint32_t>{};
}

// An icon of four sizes, each drawn differently, one size twice at a poorer depth.
struct FourSizes {
  icons::Picture p16 = icons::Pattern(16, 16, icons::Colours(12), 1);
  icons::Picture p32 = icons::Pattern(32, 32, icons::Colours(40), 2);
  icons::Picture p48 = icons::Pattern(48, 48, icons::Colours(60), 3);
  icons::Picture p256 = icons::Pattern(256, 256, icons::Colours(90), 4);
  std::vector<icons::Image> Images() const {
    return {icons::DibImage(p16, 8),
            icons::DibImage(icons::Pattern(32, 32, icons::Colours(3), 9), 4),
            icons::DibImage(p32, 32), icons::DibImage(p48, 24), icons::PngImage(p256)};
  }
};

TEST(FolderIconPng, EveryImageOfTheIconBecomesAPngOfItsOwnPixels) {
  test::TempDir dir;
  const FourSizes icon;
  WriteBytes(dir.File("four.ico"), icons::Ico(icon.Images()));
  const std::vector<posix::DecodedImage> images = posix::IconImages(dir.File("four.ico"), 0);
  ASSERT_EQ(images.size(), 4u);
  const icons::Picture* expected[] = {&icon.p256, &icon.p48, &icon.p32, &icon.p16};
  for (std::size_t k = 0; k < 4; ++k) {
    SCOPED_TRACE(expected[k]->width);
    ASSERT_EQ(images[k].width, expected[k]->width);
    const std::optional<std::string> png = posix::EncodePng(images[k]);
    ASSERT_TRUE(png);
    EXPECT_EQ(PngPixels(*png), icons::Expected(*expected[k]));
  }

  // Content-addressed: the same icon gives the same files, another icon other ones.
  const std::optional<std::string> largest = posix::StoreIconPngs(images, dir.File("store"));
  ASSERT_TRUE(largest);
  EXPECT_EQ(PngPixels(ReadBytes(*largest).value_or("")), icons::Expected(icon.p256));
  EXPECT_EQ(posix::StoreIconPngs(posix::IconImages(dir.File("four.ico"), 0), dir.File("store")),
            largest);
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.File("store"))) {
    ++files;
    EXPECT_EQ(entry.path().filename().string().substr(0, 33),
              largest->substr(largest->rfind('/') + 1, 33));
  }
  EXPECT_EQ(files, 4u);
  const std::vector<posix::DecodedImage> other = {images[1]};
  const std::optional<std::string> second = posix::StoreIconPngs(other, dir.File("store"));
  ASSERT_TRUE(second);
  EXPECT_NE(second->substr(0, second->rfind('-')), largest->substr(0, largest->rfind('-')));

  // A library's or DLL's icon by its index, every size of its group too.
  std::vector<icons::Resource> resources =
      icons::IconResources("", 1, {icons::DibImage(icon.p16, 8)}, 1);
  for (const icons::Resource& r : icons::IconResources(
           "", 2, {icons::DibImage(icon.p16, 8), icons::DibImage(icon.p48, 24)}, 2)) {
    resources.push_back(r);
  }
  WriteBytes(dir.File("lib.icl"), icons::Ne(resources));
  WriteBytes(dir.File("lib.dll"), icons::Pe(resources));
  for (const char* library : {"lib.icl", "lib.dll"}) {
    SCOPED_TRACE(library);
    const std::vector<posix::DecodedImage> fromLibrary = posix::IconImages(dir.File(library), 1);
    ASSERT_EQ(fromLibrary.size(), 2u);
    EXPECT_EQ(fromLibrary[0].pixels, icons::Expected(icon.p48));
    EXPECT_EQ(fromLibrary[1].pixels, icons::Expected(icon.p16));
    EXPECT_TRUE(posix::IconImages(dir.File(library), 2).empty());
  }
  EXPECT_TRUE(posix::IconImages(dir.File("missing.ico"), 0).empty());
  EXPECT_EQ(posix::StoreIconPngs({}, dir.File("store")), std::nullopt);
}

// --- .directory ---

// The [Desktop Entry] Icon value as GLib's key-file reader (and KDE's) reads it back.
std::optional<std::string> IconKey(const std::string& text) {
  GKeyFile* file = g_key_file_new();
  std::optional<std::string> icon;
  if (g_key_file_load_from_data(file, text.data(), text.size(), G_KEY_FILE_KEEP_COMMENTS,
                                nullptr)) {
    if (gchar* value = g_key_file_get_string(file, "Desktop Entry", "Icon", nullptr)) {
      icon = value;
      g_free(value);
    }
  }
  g_key_file_free(file);
  return icon;
}

// .directory files as Dolphin and people leave them: other groups before and after, other
// keys, localised icons, comments, blank lines, CRLF, no final line break.
std::string RandomDirectoryFile(std::mt19937& random, bool withIcon) {
  const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const std::string nl = pick(4) == 0 ? "\r\n" : "\n";
  std::string text;
  if (pick(3) == 0) text += "# made by hand" + nl;
  if (pick(3) == 0)
    text += "[Dolphin]" + nl + "Timestamp=2024,1,1" + nl + "Icon=not-this" + nl + nl;
  text += "[Desktop Entry]" + nl;
  const int keys = pick(4);
  const int iconAt = withIcon ? pick(keys + 1) : -1;
  for (int k = 0; k <= keys; ++k) {
    if (k == iconAt) text += std::string(pick(2) ? "Icon" : "Icon ") + "=old-icon" + nl;
    if (k == keys) break;
    text += pick(2) ? "Icon[de]=deutsch" + nl : "Comment=k" + std::to_string(k) + nl;
  }
  if (pick(3) == 0) text += nl + "[Other]" + nl + "Icon=nor-this" + nl;
  if (pick(4) == 0 && text.back() == '\n') text.resize(text.size() - nl.size());
  return text;
}

TEST(DirectoryFile, TheIconKeyComesAndGoesAndEveryOtherLineStays) {
  const std::string values[] = {"/home/u/.local/share/zendrel/icons/ab-256x256.png",
                                " lead and trail ", "back\\slash\\", "ゼンドレル/アイコン.png"};
  std::mt19937 random(18);
  for (int round = 0; round < 400; ++round) {
    const bool hadIcon = round % 2 == 1;
    const std::string file = RandomDirectoryFile(random, hadIcon);
    const std::string& value = values[round % std::size(values)];
    SCOPED_TRACE(file);
    const posix::DirectoryFileEdit set = posix::EditDirectoryFile(file, value);
    ASSERT_EQ(set.action, posix::DirectoryFileEdit::Action::kWrite);
    EXPECT_EQ(IconKey(set.text), value);
    // Cleared again, the file is the original without its icon line: nothing else moved.
    const posix::DirectoryFileEdit cleared = posix::EditDirectoryFile(set.text, std::nullopt);
    std::string withoutIcon = file;
    for (const char* line : {"Icon=old-icon\r\n", "Icon =old-icon\r\n", "Icon=old-icon\n",
                             "Icon =old-icon\n", "Icon=old-icon", "Icon =old-icon"}) {
      if (const std::size_t at = withoutIcon.find(line); at != std::string::npos) {
        withoutIcon.erase(at, std::string_view(line).size());
      }
    }
    if (cleared.action == posix::DirectoryFileEdit::Action::kRemove) {
      EXPECT_EQ(withoutIcon.find_first_not_of("\r\n", withoutIcon.find("[Desktop Entry]") + 15),
                std::string::npos);
      EXPECT_EQ(withoutIcon.find('#'), std::string::npos);
    } else {
      ASSERT_EQ(cleared.action, posix::DirectoryFileEdit::Action::kWrite);
      // A last line without its break gets one, when the key went after it.
      EXPECT_TRUE(cleared.text == withoutIcon ||
                  (file.back() != '\n' && cleared.text == withoutIcon + "\n"))
          << cleared.text;
    }
    // Setting what is there already changes nothing.
    EXPECT_EQ(posix::EditDirectoryFile(set.text, value).action,
              posix::DirectoryFileEdit::Action::kKeep);
  }
  // A new file holds the group and the key; clearing where there is nothing changes nothing.
  const posix::DirectoryFileEdit created = posix::EditDirectoryFile(std::nullopt, "/i.png");
  EXPECT_EQ(created.text, "[Desktop Entry]\nIcon=/i.png\n");
  EXPECT_EQ(posix::EditDirectoryFile(std::nullopt, std::nullopt).action,
            posix::DirectoryFileEdit::Action::kKeep);
  EXPECT_EQ(posix::EditDirectoryFile("[Desktop Entry]\n", std::nullopt).action,
            posix::DirectoryFileEdit::Action::kKeep);
}

// --- the whole step on real folders ---

class FolderIconTest : public ::testing::Test {
 protected:
  FolderIconTest() {
    test::MakeFolder(folder_);
    WriteBytes(dir_.File("folder/blue.ico"), icons::Ico(FourSizes().Images()));
  }

  std::optional<std::string> DirectoryIcon() const {
    const std::optional<std::string> text = ReadBytes(folder_ + "/.directory");
    return text ? IconKey(*text) : std::nullopt;
  }
  std::vector<std::uint32_t> PixelsOf(const std::optional<std::string>& png) const {
    return png ? PngPixels(ReadBytes(*png).value_or("")) : std::vector<std::uint32_t>{};
  }
  void Customise(const std::string& key, const std::string& value) const {
    WriteIniString(folder_ + "/desktop.ini", ".ShellClassInfo", key, value);
    WriteAttributes(folder_, 0x10 | 0x01 | 0x04);
  }

  test::TempDir dir_;
  const std::string folder_ = dir_.File("folder");
  test::ScopedVariable data_{"XDG_DATA_HOME", dir_.File("data").c_str()};
  test::ScopedVariable bus_{"DBUS_SESSION_BUS_ADDRESS", nullptr};
};

TEST_F(FolderIconTest, TheChosenIconShowsAndTheStandardIconClearsIt) {
  const FourSizes icon;
  Customise("IconFile", "blue.ico");  // as Windows users name a file beside desktop.ini
  Customise("IconIndex", "0");
  ShowFolderIconInFileManagers(folder_);
  const std::optional<std::string> png = DirectoryIcon();
  ASSERT_TRUE(png);
  EXPECT_EQ(png->rfind(dir_.File("data/zendrel/icons/"), 0), 0u) << *png;
  EXPECT_EQ(PixelsOf(png), icons::Expected(icon.p256));
  // The new .directory is hidden from Windows users of the share in so many words.
  char attribute[64];
  EXPECT_GT(
      getxattr((folder_ + "/.directory").c_str(), "user.DOSATTRIB", attribute, sizeof attribute),
      0);
  EXPECT_NE(ReadAttributes(folder_ + "/.directory").value_or(0) & 0x02, 0u);

  // A Dolphin user's keys stay; IconResource, which newer Windows writes, comes first.
  WriteBytes(folder_ + "/.directory", "[Dolphin]\nViewMode=1\n\n[Desktop Entry]\nIcon=x\n");
  WriteBytes(dir_.File("lib.icl"),
             icons::Ne(icons::IconResources("", 1, {icons::DibImage(icon.p48, 24)}, 1)));
  Customise("IconResource", dir_.File("lib.icl") + ",0");
  ShowFolderIconInFileManagers(folder_ + "/");
  EXPECT_EQ(PixelsOf(DirectoryIcon()), icons::Expected(icon.p48));
  EXPECT_NE(ReadBytes(folder_ + "/.directory").value_or("").find("[Dolphin]\nViewMode=1\n"),
            std::string::npos);

  // Without read-only or system the shell ignores desktop.ini, and so do we.
  WriteAttributes(folder_, 0x10);
  ShowFolderIconInFileManagers(folder_);
  EXPECT_EQ(DirectoryIcon(), std::nullopt);
  EXPECT_EQ(ReadBytes(folder_ + "/.directory"),
            std::string("[Dolphin]\nViewMode=1\n\n[Desktop Entry]\n"));

  // The standard icon: desktop.ini without an icon clears; a .directory only we wrote goes.
  std::remove((folder_ + "/.directory").c_str());
  Customise("IconResource", "C:\\Windows\\System32\\shell32.dll,3");  // not here
  ShowFolderIconInFileManagers(folder_);
  EXPECT_FALSE(Exists(folder_ + "/.directory"));
  DeleteIniKey(folder_ + "/desktop.ini", ".ShellClassInfo", "IconResource");
  ShowFolderIconInFileManagers(folder_);
  EXPECT_EQ(PixelsOf(DirectoryIcon()), icons::Expected(icon.p256));
  DeleteIniKey(folder_ + "/desktop.ini", ".ShellClassInfo", "IconFile");
  ShowFolderIconInFileManagers(folder_);
  EXPECT_FALSE(Exists(folder_ + "/.directory"));
}

}  // namespace
}  // namespace zendrel::platform
