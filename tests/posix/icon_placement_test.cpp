// Where desktop.ini names its icon so that Windows opens it: the shares of this machine's Samba
// as its configuration says, the .ico files made from a library's or DLL's icon, and the
// choice between a universal name, a copy inside the folder and the local path, down to what
// ApplyChoice writes and what reading the folder then shows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "catalogue/icon_catalogue.h"
#include "folder/apply_choice.h"
#include "folder/folder_settings.h"
#include "platform/file_attributes.h"
#include "platform/icon_placement.h"
#include "platform/icons.h"
#include "platform/posix/ico_writer.h"
#include "platform/posix/icon_container.h"
#include "platform/posix/icon_image.h"
#include "platform/posix/mount_table.h"
#include "platform/posix/samba_shares.h"
#include "platform/profile.h"
#include "support/icon_fixtures.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace zendrel::platform {
namespace {

namespace fs = std::filesystem;
namespace fx = test::icons;
using posix::SambaShare;
using posix::SambaShares;

TEST(SambaConfig, SharesAsSambaReadsThem) {
  const SambaShares config = posix::ParseSambaConfig(
      "# comment\n"
      "[global]\n"
      "   NetBIOS_Name = FILER\r\n"
      "   path = /not/a/share\n"
      "[Public]\n"
      "  comment = joined \\\n"
      "  path = /srv/public/\n"
      "; [Hidden]\n"
      "[homes]\n  path = /home\n"
      "[printers]\n  path = /var/spool\n"
      "[Queue]\n  path = /var/spool/q\n  printable = yes\n"
      "[Off]\n  path = /srv/off\n  available = no\n"
      "[PerUser]\n  path = /srv/%U\n"
      "[Relative]\n  path = srv/rel\n"
      "[Dir]\n  directory = /srv/dir\n"
      "[broken\n  path = /srv/broken\n"
      "[public]\n  read only = no\n  path = /srv/pub\n"
      "[Root]\npath=/\n"
      "[Tail]\n  path = /srv/tail\\");
  EXPECT_EQ(config.netbiosName, "FILER");
  std::vector<std::pair<std::string, std::string>> shares;
  for (const SambaShare& share : config.shares) shares.emplace_back(share.name, share.path);
  // A second [public] section adds to [Public]; "[broken" opens no section, so its path is
  // nobody's; a line's trailing backslash joins the next, even the comment's.
  EXPECT_EQ(
      shares,
      (std::vector<std::pair<std::string, std::string>>{
          {"Public", "/srv/pub"}, {"Dir", "/srv/dir"}, {"Root", "/"}, {"Tail", "/srv/tail"}}));
  EXPECT_EQ(posix::SambaServerName(config), "FILER");
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  EXPECT_EQ(posix::SambaServerName({}), std::string(host).substr(0, std::string(host).find('.')));
}

// Included files are read where they stand, nested, and a file that includes itself ends;
// a share a user made with "net usershare" has its path and its share name.
TEST(SambaConfig, IncludedFilesAndUsersShares) {
  const std::map<std::string, std::string> files = {
      {"/etc/a.conf", "[Inc]\npath = /srv/inc\ninclude = /etc/b.conf\n"},
      {"/etc/b.conf", "path = /srv/inc2\n[global]\nnetbios name = B\ninclude = /etc/b.conf\n"}};
  std::vector<std::string> asked;
  const posix::ReadInclude read = [&](const std::string& path) -> std::optional<std::string> {
    asked.push_back(path);
    const auto found = files.find(path);
    return found == files.end() ? std::nullopt : std::optional<std::string>(found->second);
  };
  const SambaShares config = posix::ParseSambaConfig(
      "[global]\ninclude = /etc/a.conf\nusershare max shares = 0\n[After]\npath=/srv/after\n"
      "include = relative.conf\ninclude = /etc/%m.conf\ninclude = /etc/none.conf\n",
      read);
  std::vector<std::pair<std::string, std::string>> shares;
  for (const SambaShare& share : config.shares) shares.emplace_back(share.name, share.path);
  EXPECT_EQ(shares, (std::vector<std::pair<std::string, std::string>>{{"Inc", "/srv/inc2"},
                                                                      {"After", "/srv/after"}}));
  EXPECT_EQ(config.netbiosName, "B");
  EXPECT_FALSE(config.usershares);
  EXPECT_EQ(asked.size(), 9u);  // a.conf, b.conf down to the eighth level, none.conf
  EXPECT_EQ(asked.back(), "/etc/none.conf");
  EXPECT_TRUE(posix::ParseSambaConfig("").usershares);
  // A file that includes itself twice is not read 2^8 times over.
  std::size_t reads = 0;
  posix::ParseSambaConfig("include = /a\ninclude = /a\n", [&](const std::string&) {
    ++reads;
    return std::optional<std::string>("include = /a\ninclude = /a\n");
  });
  EXPECT_EQ(reads, 100u);

  const auto share = posix::ParseUsershare(
      "#VERSION 2\npath=/home/ann/Public/\ncomment=\nusershare_acl=S-1-1-0:F,\nguest_ok=y\n"
      "sharename=Public\n",
      "public");
  ASSERT_TRUE(share);
  EXPECT_EQ(share->name, "Public");
  EXPECT_EQ(share->path, "/home/ann/Public");
  EXPECT_EQ(posix::ParseUsershare("path=/srv/x\n", "x").value_or(SambaShare{}).name, "x");
  EXPECT_FALSE(posix::ParseUsershare("path=srv/x\nsharename=x\n", "x"));
}

TEST(SambaConfig, UniversalNamesInsideShares) {
  const SambaShares config{
      "S",
      {{"pub", "/srv/pub"}, {"Deep", "/srv/pub/a/deep"}, {"all", "/"}, {"p2", "/srv/pub2"}},
      "",
      false};
  const std::pair<std::string, std::string> cases[] = {
      {"/srv/pub", R"(\\S\pub)"},
      {"/srv/pub/x.ico", R"(\\S\pub\x.ico)"},
      {"/srv/pub/a/deep/b/y.ico", R"(\\S\Deep\b\y.ico)"},  // the longer share path wins
      {"/srv/pub2/z", R"(\\S\p2\z)"},                      // not inside /srv/pub
      {"/srv/pubx/z", R"(\\S\all\srv\pubx\z)"},
      {"/etc", R"(\\S\all\etc)"},
      {"/srv/pub/what?.ico", ""},  // Windows cannot name it
      {"/srv/pub/a:b", ""},
      {"/srv/pub/back\\slash", ""},
  };
  for (const auto& [path, expected] : cases) {
    EXPECT_EQ(posix::SambaUniversalName(config, "S", path).value_or(""), expected) << path;
  }
  EXPECT_FALSE(
      posix::SambaUniversalName({"S", {{"pub", "/srv/pub"}}, "", false}, "S", "/srv/other"));
  EXPECT_FALSE(posix::SambaUniversalName(config, "", "/srv/pub"));
  EXPECT_FALSE(posix::SambaUniversalName(config, "S:1", "/srv/pub"));
  EXPECT_FALSE(posix::SambaUniversalName({"S", {{"a/b", "/srv"}}, "", false}, "S", "/srv/x"));
}

// A 32 x 32 picture per icon, each different, with smaller and larger images beside it.
fx::Picture Face(std::uint32_t n) { return fx::Pattern(32, 32, fx::Colours(12), 500 + n); }
std::vector<fx::Image> Images(std::uint32_t n) {
  return {fx::DibImage(fx::Pattern(16, 16, fx::Colours(3), 600 + n), 4),
          fx::DibImage(fx::Pattern(16, 16, fx::Colours(20), 650 + n), 8), fx::DibImage(Face(n), 32),
          fx::DibImage(fx::Pattern(48, 48, fx::Colours(40), 700 + n), 24),
          fx::PngImage(fx::Pattern(256, 256, fx::Colours(9), 800 + n))};
}
std::vector<fx::Resource> Groups(std::uint32_t count) {
  std::vector<fx::Resource> all;
  for (std::uint32_t n = 0; n < count; ++n) {
    const auto more = fx::IconResources("", static_cast<std::uint16_t>(10 + n), Images(n),
                                        static_cast<std::uint16_t>(1 + 5 * n));
    all.insert(all.end(), more.begin(), more.end());
  }
  return all;
}

struct Decoded {
  int width, height;
  std::vector<std::uint32_t> pixels;
  bool operator==(const Decoded&) const = default;
};
// Every image of icon `index` decoded, in directory order; empty when there is no icon.
std::vector<Decoded> DecodedImages(std::string_view bytes, int index) {
  const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                           bytes.size());
  const posix::MemorySource source(data);
  std::vector<Decoded> images;
  const std::unique_ptr<posix::IconContainer> container = posix::ReadIconContainer(source);
  if (!container) return images;
  container->LocateEveryImage();
  for (const posix::IconImageEntry& entry :
       container->Images(source, index).value_or(posix::IconImageDirectory{})) {
    const auto image = entry.place ? posix::ReadIconImage(source, *entry.place) : std::nullopt;
    if (image) images.push_back({image->width, image->height, image->pixels});
  }
  return images;
}

std::optional<std::string> AsIco(std::string_view bytes, int index) {
  const posix::MemorySource source(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  return posix::IconAsIcoFile(source, index);
}

// Every icon of libraries and DLLs (by position and by negative id, NE data at two
// alignments, PE32 and PE32+) comes out as an .ico whose images decode exactly as the
// original's, every size and depth kept; an .ico file comes out byte for byte.
TEST(IcoWriter, EveryIconKeepsEveryImage) {
  const std::string containers[] = {fx::Ne(Groups(3), 4), fx::Ne(Groups(3), 9),
                                    fx::Pe(Groups(3), false), fx::Pe(Groups(3), true)};
  for (std::size_t c = 0; c < std::size(containers); ++c) {
    for (const int index : {0, 1, 2, -10, -11, -12}) {
      const std::vector<Decoded> original = DecodedImages(containers[c], index);
      ASSERT_EQ(original.size(), 5u) << c << " " << index;
      const std::optional<std::string> ico = AsIco(containers[c], index);
      ASSERT_TRUE(ico) << c << " " << index;
      EXPECT_EQ(ico->substr(0, 6), std::string("\0\0\1\0\5\0", 6));
      EXPECT_EQ(DecodedImages(*ico, 0), original) << c << " " << index;
      // The copy is an icon file Windows takes: index 0 is its icon, there is no other.
      EXPECT_TRUE(DecodedImages(*ico, 1).empty());
    }
    EXPECT_FALSE(AsIco(containers[c], 3));
    EXPECT_FALSE(AsIco(containers[c], -13));
  }
  const std::string ico = fx::Ico(Images(4));
  EXPECT_EQ(AsIco(ico, 0), ico);
  EXPECT_FALSE(AsIco(ico, 1));
  EXPECT_FALSE(AsIco("not an icon", 0));
}

constexpr std::uint32_t kHidden = 0x02, kSystem = 0x04;

// A machine with a Samba share, an NTFS volume, an SMB mount and a plain local folder, all
// under one temp folder: the Samba configuration is a file of the test's, the mounts are
// entries of a mount table of the test's.
class Placement : public testing::Test {
 protected:
  void SetUp() override {
    base_ = fs::canonical(dir_.path());
    for (const char* sub :
         {"share/icons", "share/Docs", "ntfs/Photos", "smb/icons", "local/icons", "local/Plain"})
      fs::create_directories(base_ + "/" + sub);
    test::WriteBytes(base_ + "/mountinfo",
                     "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                     "2 1 8:2 / " +
                         base_ +
                         "/ntfs rw - ntfs3 /dev/sdb1 rw\n"
                         "3 1 0:50 /pub " +
                         base_ + "/smb rw - cifs //nas/data rw\n");
    test::UseMountTable(base_ + "/mountinfo");
    sharing_.sambaConfig = base_ + "/smb.conf";
    test::WriteBytes(sharing_.sambaConfig,
                     "[global]\nnetbios name = ZHOST\n[files]\npath = " + base_ + "/share\n");
    blue_ = fx::Ico(Images(0));
    red_ = fx::Ico(Images(1));
    for (const char* folder : {"share/icons", "smb/icons", "local/icons"}) {
      test::WriteBytes(base_ + "/" + folder + "/blue.ico", blue_);
      test::WriteBytes(base_ + "/" + folder + "/red.ico", red_);
      test::WriteBytes(base_ + "/" + folder + "/lib.icl", fx::Ne(Groups(3), 4));
    }
  }
  void TearDown() override { test::UseMountTable(""); }

  IconLocation Place(const std::string& folder, const std::string& icon, int index = 0) {
    return PlaceIcon(base_ + "/" + folder, base_ + "/" + icon, index, sharing_);
  }
  // The files of the folder, by name.
  std::vector<std::string> Files(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(base_ + "/" + folder))
      names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  test::TempDir dir_;
  std::string base_;
  SharingSetup sharing_;
  std::string blue_, red_;
};

TEST_F(Placement, UniversalNameCopyOrLocalPath) {
  // Icons Windows clients reach keep their place, named as the clients name it.
  for (const char* folder : {"share/Docs", "ntfs/Photos", "local/Plain"}) {
    EXPECT_EQ(Place(folder, "share/icons/lib.icl", 2).iconFile, R"(\\ZHOST\files\icons\lib.icl)");
    EXPECT_EQ(Place(folder, "share/icons/lib.icl", 2).iconIndex, 2);
    EXPECT_EQ(Place(folder, "smb/icons/blue.ico").iconFile, R"(\\nas\data\pub\icons\blue.ico)");
  }
  EXPECT_EQ(PlaceIcon(base_ + "/local/Plain", R"(\\nas\data\x.ico)", 4, sharing_).iconIndex, 4);
  EXPECT_EQ(Files("local/Plain"), std::vector<std::string>{});
  // A local icon travels with a folder that Windows reads.
  for (const char* folder : {"share/Docs", "ntfs/Photos"}) {
    const IconLocation copy = Place(folder, "local/icons/blue.ico", 0);
    EXPECT_EQ(copy.iconIndex, 0);
    ASSERT_EQ(Files(folder), std::vector<std::string>{copy.iconFile}) << folder;
    EXPECT_TRUE(copy.iconFile.starts_with("zendrel-icon-")) << copy.iconFile;
    EXPECT_EQ(test::ReadBytes(base_ + "/" + folder + "/" + copy.iconFile), blue_);
  }
  // Hidden and system where the folder keeps Windows' bits (here, Samba's record).
  const IconLocation copy = Place("share/Docs", "local/icons/blue.ico");
  EXPECT_EQ(
      ReadAttributes(base_ + "/share/Docs/" + copy.iconFile).value_or(0) & (kHidden | kSystem),
      kHidden | kSystem);
  // A folder no Windows machine reads keeps the icon's own path; so does an icon that cannot
  // be read, wherever the folder is.
  EXPECT_EQ(Place("local/Plain", "local/icons/lib.icl", 1).iconFile,
            base_ + "/local/icons/lib.icl");
  EXPECT_EQ(Place("local/Plain", "local/icons/lib.icl", 1).iconIndex, 1);
  EXPECT_EQ(Place("ntfs/Photos", "local/icons/missing.ico", 3).iconFile,
            base_ + "/local/icons/missing.ico");
  EXPECT_EQ(Place("ntfs/Photos", "local/icons/lib.icl", 3).iconIndex, 3);
  // Without the Samba configuration, the share is a plain local folder.
  EXPECT_EQ(PlaceIcon(base_ + "/local/Plain", base_ + "/share/icons/blue.ico", 0,
                      {base_ + "/missing.conf"})
                .iconFile,
            base_ + "/share/icons/blue.ico");
}

// Shares users made with "net usershare" are shares too, unless the server serves none.
TEST_F(Placement, UsersSharesCount) {
  fs::create_directories(base_ + "/usershares");
  fs::create_directories(base_ + "/home/Pics");
  test::WriteBytes(base_ + "/usershares/pics", "path=" + base_ + "/home/Pics\nsharename=Pics\n");
  test::WriteBytes(base_ + "/usershares/files", "path=" + base_ + "/home\nsharename=Files\n");
  test::WriteBytes(base_ + "/home/Pics/dog.ico", blue_);
  const std::string global = "[global]\nnetbios name = ZHOST\nusershare path = " + base_ +
                             "/usershares\n[files]\npath = " + base_ + "/share\n";
  test::WriteBytes(sharing_.sambaConfig, global);
  // The configuration's [files] keeps its name and path.
  EXPECT_EQ(Place("local/Plain", "home/Pics/dog.ico").iconFile, R"(\\ZHOST\Pics\dog.ico)");
  EXPECT_EQ(Place("local/Plain", "share/icons/blue.ico").iconFile,
            R"(\\ZHOST\files\icons\blue.ico)");
  EXPECT_TRUE(Place("home/Pics", "local/icons/red.ico").iconFile.starts_with("zendrel-icon-"));
  test::WriteBytes(sharing_.sambaConfig, global + "[global]\nusershare max shares = 0\n");
  EXPECT_EQ(Place("local/Plain", "home/Pics/dog.ico").iconFile, base_ + "/home/Pics/dog.ico");
  EXPECT_EQ(Place("home/Pics", "local/icons/red.ico").iconFile, base_ + "/local/icons/red.ico");
}

TEST_F(Placement, OneCopyPerFolderAndOnlyOursRemoved) {
  // An icon named by its universal name, or by its local path, leaves no copy behind.
  // (Plain holds a copy too, as a folder moved off a Windows volume would.)
  test::WriteBytes(base_ + "/local/Plain/" + Place("ntfs/Photos", "local/icons/red.ico").iconFile,
                   red_);
  EXPECT_EQ(Files("ntfs/Photos").size(), 1u);
  EXPECT_TRUE(Place("ntfs/Photos", "share/icons/red.ico").iconFile.starts_with("\\\\"));
  EXPECT_EQ(Place("local/Plain", "local/icons/red.ico").iconFile, base_ + "/local/icons/red.ico");
  EXPECT_EQ(Files("ntfs/Photos"), std::vector<std::string>{});
  EXPECT_EQ(Files("local/Plain"), std::vector<std::string>{});
  const IconLocation fromLibrary = Place("ntfs/Photos", "local/icons/lib.icl", 1);
  EXPECT_EQ(ExtractIcon(base_ + "/ntfs/Photos/" + fromLibrary.iconFile, 0).Pixels(),
            ExtractIcon(base_ + "/local/icons/lib.icl", 1).Pixels());
  // Another icon replaces the copy; the same icon again leaves one copy.
  const IconLocation blue = Place("ntfs/Photos", "local/icons/blue.ico");
  EXPECT_EQ(Place("ntfs/Photos", "local/icons/blue.ico").iconFile, blue.iconFile);
  EXPECT_EQ(Files("ntfs/Photos"), std::vector<std::string>{blue.iconFile});
  // Files that only look like ours: another icon's bytes under a copy's name, a link named
  // as its target's copy, a copy's name cut short, and the user's own icon.
  const std::string photos = base_ + "/ntfs/Photos/";
  const std::string redName = Place("share/Docs", "local/icons/red.ico").iconFile;
  const std::string libName = Place("smb/icons", "local/icons/lib.icl", 2).iconFile;
  fs::create_symlink(base_ + "/share/Docs/" + redName, photos + redName);
  test::WriteBytes(photos + libName, blue_);
  test::WriteBytes(photos + "zendrel-icon-0123.ico", blue_);
  test::WriteBytes(photos + "mine.ico", blue_);
  std::vector<std::string> kept = Files("ntfs/Photos");
  kept.erase(std::find(kept.begin(), kept.end(), blue.iconFile));
  ASSERT_EQ(kept.size(), 4u);
  EXPECT_TRUE(RemovePlacedIcons(base_ + "/ntfs/Photos"));
  EXPECT_EQ(Files("ntfs/Photos"), kept);
  EXPECT_TRUE(RemovePlacedIcons(base_ + "/missing"));
}

// What ApplyChoice writes with the machine's own Samba configuration, and what reading the
// folder afterwards shows: the copy's icon, found from its relative name.
TEST_F(Placement, ApplyChoiceWritesTheCopyAndTheStandardIconRemovesIt) {
  const test::ScopedVariable config("ZENDREL_SMB_CONF", sharing_.sambaConfig.c_str());
  const std::string folder = base_ + "/share/Docs";
  const std::string settingsFile = folder + "/desktop.ini";
  folder::FolderSettings settings;
  settings.settingsFilePath = settingsFile;
  folder::ApplyContext context{folder, folder + "/", base_ + "/local/icons/", 2, "m", "h", {}};
  const folder::Choice icon{1, "lib.icl", 2, false, ""};
  ASSERT_TRUE(folder::ApplyChoice(icon, settings, context).Succeeded());
  const std::string iconFile = ReadIniString(settingsFile, ".ShellClassInfo", "IconFile", "", {});
  EXPECT_TRUE(iconFile.starts_with("zendrel-icon-")) << iconFile;
  EXPECT_EQ(ReadIniString(settingsFile, ".ShellClassInfo", "IconIndex", "", {}), "0");

  catalogue::IconCatalogue catalogue;
  bool thumbnails = false;
  const folder::FolderSettings read = folder::ReadFolderSettings(
      catalogue, thumbnails, folder, folder + "/", Icon(), "current", {});
  ASSERT_TRUE(read.settingsFileExisted);
  EXPECT_EQ(catalogue.Count(), 1);
  EXPECT_EQ(catalogue.imageList.Pixels(0), ExtractIcon(base_ + "/local/icons/lib.icl", 2).Pixels());

  test::WriteBytes(folder + "/mine.ico", blue_);
  const folder::Choice standard{1, "*", 0, false, ""};
  ASSERT_TRUE(folder::ApplyChoice(standard, read, context).Succeeded());
  EXPECT_EQ(Files("share/Docs"), std::vector<std::string>{"mine.ico"});
}

}  // namespace
}  // namespace zendrel::platform
