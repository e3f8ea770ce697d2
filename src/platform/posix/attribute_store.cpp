#include "platform/posix/attribute_store.h"

#include <fcntl.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/posix/dos_attrib.h"
#include "platform/posix/mount_table.h"

namespace zendrel::platform::posix {

namespace {

constexpr char kCifsName[] = "user.cifs.dosattrib";
constexpr char kNtfs3gName[] = "system.ntfs_attrib_be";
constexpr char kNtfs3Name[] = "system.dos_attrib";

class RealCalls final : public AttributeCalls {
 public:
  ssize_t GetXattr(const std::string& path, const char* name, void* value,
                   std::size_t size) override {
    return getxattr(path.c_str(), name, value, size);
  }
  int SetXattr(const std::string& path, const char* name, const void* value,
               std::size_t size) override {
    return setxattr(path.c_str(), name, value, size, 0);
  }
  int GetFatAttributes(const std::string& path, std::uint32_t* attributes) override {
    return WithFile(path, [&](int fd) { return ioctl(fd, FAT_IOCTL_GET_ATTRIBUTES, attributes); });
  }
  int SetFatAttributes(const std::string& path, std::uint32_t attributes) override {
    return WithFile(path, [&](int fd) { return ioctl(fd, FAT_IOCTL_SET_ATTRIBUTES, &attributes); });
  }

 private:
  // The attribute ioctls work on a descriptor of the file or folder itself; non-blocking, so
  // that a FIFO is not waited on.
  template <typename Call>
  static int WithFile(const std::string& path, Call call) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    const int result = call(fd);
    const int error = errno;
    close(fd);
    errno = error;
    return result;
  }
};

// Samba's record as it stands: empty when the entry has none, nullopt when it cannot be read.
std::optional<std::string> ReadSambaRecord(const std::string& local, AttributeCalls& calls) {
  std::string buffer(64, '\0');
  // The record may grow between asking its size and reading it; a few rounds settle that.
  for (int round = 0; round < 4; ++round) {
    const ssize_t got = calls.GetXattr(local, kDosAttribName, buffer.data(), buffer.size());
    if (got >= 0) {
      buffer.resize(static_cast<std::size_t>(got));
      return buffer;
    }
    if (errno == ENODATA) return std::string();
    if (errno != ERANGE) return std::nullopt;
    const ssize_t size = calls.GetXattr(local, kDosAttribName, nullptr, 0);
    if (size < 0)
      return errno == ENODATA ? std::optional<std::string>(std::string()) : std::nullopt;
    buffer.assign(static_cast<std::size_t>(size) + 1, '\0');
  }
  return std::nullopt;
}

// A value of exactly `size` bytes, or nullopt.
std::optional<std::uint32_t> ReadFixed(const std::string& local, const char* name, std::size_t size,
                                       bool bigEndian, AttributeCalls& calls) {
  unsigned char bytes[4] = {};
  if (calls.GetXattr(local, name, bytes, size) != static_cast<ssize_t>(size)) return std::nullopt;
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i) {
    const std::size_t shift = bigEndian ? 8 * (size - 1 - i) : 8 * i;
    value |= static_cast<std::uint32_t>(bytes[i]) << shift;
  }
  return value;
}

bool WriteFixed(const std::string& local, const char* name, std::size_t size, bool bigEndian,
                std::uint32_t value, AttributeCalls& calls) {
  unsigned char bytes[4] = {};
  for (std::size_t i = 0; i < size; ++i) {
    const std::size_t shift = bigEndian ? 8 * (size - 1 - i) : 8 * i;
    bytes[i] = static_cast<unsigned char>((value >> shift) & 0xFF);
  }
  return calls.SetXattr(local, name, bytes, size) == 0;
}

// The folder a path lies in, resolved: the mount that holds the entry is the one that holds
// its folder (a mount point itself aside, which Zendrel never customises).
std::string ResolvedFolderOf(const std::string& local) {
  std::string folder = local;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const std::size_t slash = folder.rfind('/');
  folder = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
  char resolved[PATH_MAX];
  if (!realpath(folder.c_str(), resolved)) return {};
  return resolved;
}

}  // namespace

AttributeCalls& SystemAttributeCalls() {
  static RealCalls calls;
  return calls;
}

AttributeStore StoreForMount(std::string_view type, const std::string& local,
                             AttributeCalls& calls) {
  if (type == "cifs" || type == "smb3") return AttributeStore::kCifs;
  if (type == "vfat" || type == "msdos") return AttributeStore::kFat;
  if (type == "ntfs3") return AttributeStore::kNtfs3;
  if (type == "exfat" || type == "nfs" || type == "nfs4" || type == "9p") {
    return AttributeStore::kNone;
  }
  // ntfs-3g shows as fuse or fuseblk; other FUSE file systems (sshfs ...) keep no bits.
  if (type == "ntfs" || type.substr(0, 4) == "fuse") {
    unsigned char probe[4];
    return calls.GetXattr(local, kNtfs3gName, probe, sizeof probe) == 4 ? AttributeStore::kNtfs3g
                                                                        : AttributeStore::kNone;
  }
  return AttributeStore::kSambaRecord;
}

AttributeStore StoreOf(const std::string& local, AttributeCalls& calls) {
  const std::string folder = ResolvedFolderOf(local);
  if (folder.empty()) return AttributeStore::kSambaRecord;
  const std::vector<MountEntry> table = ReadMountTable();
  const MountEntry* holder = HolderOf(table, folder);
  return holder ? StoreForMount(holder->type, local, calls) : AttributeStore::kSambaRecord;
}

std::optional<std::uint32_t> ReadStored(AttributeStore store, const std::string& local,
                                        AttributeCalls& calls) {
  switch (store) {
    case AttributeStore::kSambaRecord: {
      const std::optional<std::string> record = ReadSambaRecord(local, calls);
      if (!record || record->empty()) return std::nullopt;
      return ParseDosAttrib(*record);
    }
    case AttributeStore::kCifs:
      return ReadFixed(local, kCifsName, 4, false, calls);
    case AttributeStore::kNtfs3g:
      return ReadFixed(local, kNtfs3gName, 4, true, calls);
    case AttributeStore::kNtfs3:
      return ReadFixed(local, kNtfs3Name, 1, false, calls);
    case AttributeStore::kFat: {
      std::uint32_t attributes = 0;
      if (calls.GetFatAttributes(local, &attributes) != 0) return std::nullopt;
      return attributes;
    }
    case AttributeStore::kNone:
      break;
  }
  return std::nullopt;
}

bool WriteStored(AttributeStore store, const std::string& local, std::uint32_t attributes,
                 AttributeCalls& calls) {
  switch (store) {
    case AttributeStore::kSambaRecord: {
      // A record that cannot be read is not overwritten blindly; on a file system without
      // user extended attributes the write would be refused all the same.
      const std::optional<std::string> record = ReadSambaRecord(local, calls);
      if (!record) return false;
      const std::string updated = UpdateDosAttrib(*record, attributes);
      if (updated == *record) return true;
      // Setting an extended attribute moves only the change time, never atime or mtime.
      return calls.SetXattr(local, kDosAttribName, updated.data(), updated.size()) == 0;
    }
    case AttributeStore::kCifs:
      return WriteFixed(local, kCifsName, 4, false, attributes, calls);
    case AttributeStore::kNtfs3g:
      return WriteFixed(local, kNtfs3gName, 4, true, attributes, calls);
    case AttributeStore::kNtfs3:
      return WriteFixed(local, kNtfs3Name, 1, false, attributes, calls);
    case AttributeStore::kFat:
      return calls.SetFatAttributes(local, attributes) == 0;
    case AttributeStore::kNone:
      break;
  }
  return false;
}

}  // namespace zendrel::platform::posix
