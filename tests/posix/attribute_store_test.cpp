// Windows' attribute bits on every kind of Linux file system: each store's format through the
// seam (the CIFS client and FAT cannot be mounted on a test machine), and a real NTFS volume
// through ntfs-3g, where a confirmed choice must leave what Windows reads.
#include "platform/posix/attribute_store.h"

#include <sys/mount.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "folder/apply_choice.h"
#include "platform/file_attributes.h"
#include "platform/profile.h"
#include "support/temp_dir.h"

namespace zendrel::platform::posix {
namespace {

namespace fs = std::filesystem;

// The kernel drivers as far as their attributes go: each keeps one value per path in its own
// form and refuses what the real driver refuses.
class FakeDriver final : public AttributeCalls {
 public:
  explicit FakeDriver(AttributeStore store) : store_(store) {}

  ssize_t GetXattr(const std::string& path, const char* name, void* value,
                   std::size_t size) override {
    const auto found = xattrs_.find(path + "\n" + name);
    if (found == xattrs_.end()) return Fail(ENODATA);
    if (size == 0) return static_cast<ssize_t>(found->second.size());
    if (size < found->second.size()) return Fail(ERANGE);
    std::memcpy(value, found->second.data(), found->second.size());
    return static_cast<ssize_t>(found->second.size());
  }
  int SetXattr(const std::string& path, const char* name, const void* value,
               std::size_t size) override {
    const std::string key(name);
    // The CIFS client turns only a 4-byte value into the server's attributes; ntfs-3g takes
    // 4 bytes, ntfs3 one; none of them stores Samba's private name.
    if (store_ == AttributeStore::kCifs && key == "user.cifs.dosattrib" && size != 4) {
      return static_cast<int>(Fail(ERANGE));
    }
    if (store_ != AttributeStore::kSambaRecord && key == "user.DOSATTRIB") {
      return static_cast<int>(Fail(EPERM));
    }
    if (store_ == AttributeStore::kFat || store_ == AttributeStore::kNone) {
      return static_cast<int>(Fail(EOPNOTSUPP));
    }
    xattrs_[path + "\n" + key].assign(static_cast<const char*>(value), size);
    return 0;
  }
  int GetFatAttributes(const std::string& path, std::uint32_t* attributes) override {
    if (store_ != AttributeStore::kFat) return static_cast<int>(Fail(ENOTTY));
    *attributes = fat_[path];
    return 0;
  }
  int SetFatAttributes(const std::string& path, std::uint32_t attributes) override {
    if (store_ != AttributeStore::kFat) return static_cast<int>(Fail(ENOTTY));
    fat_[path] = attributes & 0xFF;
    return 0;
  }

  std::string Raw(const std::string& path, const char* name) const {
    const auto found = xattrs_.find(path + "\n" + name);
    return found == xattrs_.end() ? std::string() : found->second;
  }
  std::uint32_t Fat(const std::string& path) { return fat_[path]; }

 private:
  static ssize_t Fail(int error) {
    errno = error;
    return -1;
  }
  AttributeStore store_;
  std::map<std::string, std::string> xattrs_;
  std::map<std::string, std::uint32_t> fat_;
};

TEST(AttributeStores, EachFileSystemTypeKeepsTheBitsInItsOwnForm) {
  const std::string path = "/mnt/x/desktop.ini";
  std::mt19937 random(13);
  for (const AttributeStore store :
       {AttributeStore::kSambaRecord, AttributeStore::kCifs, AttributeStore::kNtfs3g,
        AttributeStore::kNtfs3, AttributeStore::kFat}) {
    FakeDriver driver(store);
    // FAT always has the bits of an entry; the others may have nothing stored yet.
    if (store != AttributeStore::kFat) {
      EXPECT_FALSE(ReadStored(store, path, driver)) << "nothing stored yet";
    }
    for (int round = 0; round < 50; ++round) {
      // Read-only, hidden, system, directory and archive in every combination.
      const std::uint32_t bits = random() & 0x37;
      SCOPED_TRACE(testing::Message() << "store " << static_cast<int>(store) << " bits " << bits);
      ASSERT_TRUE(WriteStored(store, path, bits, driver));
      EXPECT_EQ(ReadStored(store, path, driver), bits);
      const auto byte = [&](const char* name, std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(driver.Raw(path, name)[i]));
      };
      switch (store) {
        case AttributeStore::kCifs:  // 4 bytes, little-endian on this machine
          ASSERT_EQ(driver.Raw(path, "user.cifs.dosattrib").size(), 4u);
          EXPECT_EQ(byte("user.cifs.dosattrib", 0), bits);
          break;
        case AttributeStore::kNtfs3g:  // 4 bytes, big-endian
          ASSERT_EQ(driver.Raw(path, "system.ntfs_attrib_be").size(), 4u);
          EXPECT_EQ(byte("system.ntfs_attrib_be", 3), bits);
          break;
        case AttributeStore::kNtfs3:
          ASSERT_EQ(driver.Raw(path, "system.dos_attrib").size(), 1u);
          EXPECT_EQ(byte("system.dos_attrib", 0), bits);
          break;
        case AttributeStore::kFat:
          EXPECT_EQ(driver.Fat(path), bits);
          break;
        default:
          EXPECT_FALSE(driver.Raw(path, "user.DOSATTRIB").empty());
      }
    }
  }
  // A file system with no place for the bits refuses the write rather than drop it.
  FakeDriver none(AttributeStore::kNone);
  EXPECT_FALSE(WriteStored(AttributeStore::kNone, path, 0x22, none));
  EXPECT_FALSE(ReadStored(AttributeStore::kNone, path, none));
}

TEST(AttributeStores, TheMountsTypeChoosesTheStore) {
  FakeDriver ntfs(AttributeStore::kNtfs3g);
  ASSERT_TRUE(WriteStored(AttributeStore::kNtfs3g, "/n/a", 0x20, ntfs));
  FakeDriver sshfs(AttributeStore::kNone);
  const std::map<std::string, AttributeStore> expected = {
      {"ext4", AttributeStore::kSambaRecord}, {"btrfs", AttributeStore::kSambaRecord},
      {"cifs", AttributeStore::kCifs},        {"smb3", AttributeStore::kCifs},
      {"vfat", AttributeStore::kFat},         {"ntfs3", AttributeStore::kNtfs3},
      {"exfat", AttributeStore::kNone},       {"nfs4", AttributeStore::kNone}};
  for (const auto& [type, store] : expected) {
    EXPECT_EQ(StoreForMount(type, "/n/a", sshfs), store) << type;
  }
  // ntfs-3g is a FUSE file system like any other, told apart by its attribute.
  EXPECT_EQ(StoreForMount("fuseblk", "/n/a", ntfs), AttributeStore::kNtfs3g);
  EXPECT_EQ(StoreForMount("fuse", "/n/a", ntfs), AttributeStore::kNtfs3g);
  EXPECT_EQ(StoreForMount("fuse.sshfs", "/n/a", sshfs), AttributeStore::kNone);
}

// A real NTFS volume: a 16 MB image made with mkntfs and mounted with ntfs-3g (FUSE).
class NtfsVolume : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "mounting needs root";
    image_ = dir_.File("ntfs.img");
    mount_ = dir_.File("mnt");
    fs::create_directory(mount_);
    ASSERT_EQ(
        Run("truncate -s 16M '" + image_ + "' && mkntfs -F -Q -q '" + image_ + "' >/dev/null 2>&1"),
        0)
        << "mkntfs (package ntfs-3g) failed";
    ASSERT_EQ(Mount(""), 0) << "ntfs-3g could not mount the image (FUSE)";
  }
  void TearDown() override {
    if (mounted_) umount2(mount_.c_str(), MNT_DETACH);
  }

  static int Run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int Mount(const std::string& options) {
    if (mounted_) umount(mount_.c_str());
    mounted_ = false;
    const int status = Run("ntfs-3g " + options + " '" + image_ + "' '" + mount_ + "'");
    mounted_ = status == 0;
    return status;
  }
  // The bits as ntfs-3g reports them, read without our layer.
  std::uint32_t NtfsBits(const std::string& path) const {
    unsigned char bytes[4] = {};
    if (getxattr(path.c_str(), "system.ntfs_attrib_be", bytes, 4) != 4) return 0xFFFFFFFF;
    return (bytes[0] << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3];
  }

  test::TempDir dir_;
  std::string image_, mount_;
  bool mounted_ = false;
};

TEST_F(NtfsVolume, AConfirmedChoiceLeavesWhatWindowsReads) {
  const std::string folder = mount_ + "/Photos";
  fs::create_directory(folder);
  const std::string ini = folder + "/desktop.ini";
  folder::ApplyContext context;
  context.targetFolder = folder;
  context.folderPrefix = folder + "/";
  context.iconDirectory = "Icons\\";
  folder::Choice choice{1, "cloud.ico", 0, false, "holiday"};
  folder::FolderSettings none;
  none.settingsFilePath = ini;
  const folder::ApplyResult first = folder::ApplyChoice(choice, none, context);
  EXPECT_TRUE(first.Succeeded());
  EXPECT_EQ(NtfsBits(folder) & 0x17, 0x15u) << "read-only and system on the folder";
  EXPECT_EQ(NtfsBits(ini) & 0x07, 0x02u) << "hidden on desktop.ini";

  // Windows' own hidden and system bits on the file survive the next rewrite.
  ASSERT_TRUE(WriteAttributes(ini, 0x26));
  folder::FolderSettings existing = none;
  existing.settingsFileExisted = true;
  choice.selectedIndex = 2;
  choice.infoTipText = "holiday 2026";
  EXPECT_TRUE(folder::ApplyChoice(choice, existing, context).Succeeded());
  EXPECT_EQ(ReadIniString(ini, ".ShellClassInfo", "InfoTip", ""), "holiday 2026");
  EXPECT_EQ(NtfsBits(ini) & 0x07, 0x06u);

  // The same volume read-only: the failure is reported and nothing is recorded.
  ASSERT_EQ(Mount("-o ro"), 0);
  bool logged = false;
  context.recordChange = [&] {
    logged = true;
    return true;
  };
  choice.infoTipText = "never written";
  const folder::ApplyResult refused = folder::ApplyChoice(choice, existing, context);
  EXPECT_TRUE(refused.settingsFileFailed);
  EXPECT_FALSE(logged);
  EXPECT_EQ(ReadIniString(ini, ".ShellClassInfo", "InfoTip", ""), "holiday 2026");
}

}  // namespace
}  // namespace zendrel::platform::posix
