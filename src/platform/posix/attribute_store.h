// Where a Linux file system keeps Windows' attribute bits (read-only, hidden, system,
// archive), so that what Zendrel sets is what Windows shows when it opens the same files:
//
//   local file systems (this machine as a Samba server)  user.DOSATTRIB, Samba's record
//   CIFS/SMB3 mounts (the kernel's client)              user.cifs.dosattrib, 4 bytes, host order
//   NTFS through ntfs-3g                                 system.ntfs_attrib_be, 4 bytes, big-endian
//   NTFS through the kernel's ntfs3                      system.dos_attrib, 1 byte
//   FAT (vfat)                                           FAT_IOCTL_GET/SET_ATTRIBUTES on the file
//   exFAT, sshfs, NFS ...                                nowhere: a write is refused, never dropped
//
// The store is chosen from the mount the path lies on (the mount table), and for a FUSE mount
// by asking ntfs-3g's attribute. The system calls go through AttributeCalls, so that tests can
// play the kernel's drivers that cannot be mounted on a test machine.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zendrel::platform::posix {

enum class AttributeStore { kSambaRecord, kCifs, kNtfs3g, kNtfs3, kFat, kNone };

// The system calls the stores make; each answers as the system call does (-1 and errno on
// failure).
class AttributeCalls {
 public:
  virtual ~AttributeCalls() = default;
  virtual ssize_t GetXattr(const std::string& path, const char* name, void* value,
                           std::size_t size) = 0;
  virtual int SetXattr(const std::string& path, const char* name, const void* value,
                       std::size_t size) = 0;
  virtual int GetFatAttributes(const std::string& path, std::uint32_t* attributes) = 0;
  virtual int SetFatAttributes(const std::string& path, std::uint32_t attributes) = 0;
};

// The real system calls.
AttributeCalls& SystemAttributeCalls();

// The store for a file system of this type (as the mount table names it) holding `local`;
// for FUSE, ntfs-3g is recognised by its attribute.
AttributeStore StoreForMount(std::string_view type, const std::string& local,
                             AttributeCalls& calls);

// The store for a local path, from the mount that holds it.
AttributeStore StoreOf(const std::string& local, AttributeCalls& calls);

// Windows' attribute bits as the store keeps them for the path; nullopt when it keeps none
// for it (or cannot be read).
std::optional<std::uint32_t> ReadStored(AttributeStore store, const std::string& local,
                                        AttributeCalls& calls);

// Stores `attributes` (the directory bit included for a folder) for the path. False when the
// store refuses or the file system has no place for the bits.
bool WriteStored(AttributeStore store, const std::string& local, std::uint32_t attributes,
                 AttributeCalls& calls);

}  // namespace zendrel::platform::posix
