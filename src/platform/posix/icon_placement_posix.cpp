// Icon placement on Linux: a universal name where Windows clients reach the icon file, else a
// copy inside a folder that Windows reads, else the local path.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>

#include "platform/file_attributes.h"
#include "platform/folder_ops.h"
#include "platform/icon_copy.h"
#include "platform/icon_placement.h"
#include "platform/posix/atomic_file.h"
#include "platform/posix/attribute_store.h"
#include "platform/posix/ico_writer.h"
#include "platform/posix/mount_table.h"
#include "platform/posix/samba_shares.h"
#include "text/text.h"

namespace zendrel::platform {

namespace {

constexpr std::uint32_t kCopyAttributes = 0x02 | 0x04 | 0x20;  // hidden, system, archive
// Windows reads IconFile through a 260-byte buffer.
constexpr std::size_t kLongestWindowsPath = 259;

// A regular file (not a link) that is a copy of ours.
bool IsOurCopy(const std::string& folder, const std::string& name) {
  const std::string path = folder + "/" + name;
  struct stat status;
  if (!HasIconCopyName(name) || lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
      static_cast<std::uint64_t>(status.st_size) > kLargestIconCopy)
    return false;
  const std::optional<posix::FileBytes> bytes = posix::ReadWholeFile(path);
  return bytes && IsIconCopy(name, bytes->view());
}

// Removes every copy of ours in the folder but `keep`.
bool RemoveCopies(const std::string& folder, const std::string& keep) {
  struct Closer {
    void operator()(DIR* d) const { closedir(d); }
  };
  const std::unique_ptr<DIR, Closer> directory(opendir(folder.c_str()));
  if (!directory) return true;  // no folder, no copies
  std::vector<std::string> ours;
  while (const dirent* entry = readdir(directory.get())) {
    const std::string name = entry->d_name;
    if (name != keep && IsOurCopy(folder, name)) ours.push_back(name);
  }
  bool removed = true;
  for (const std::string& name : ours) removed = RemoveFile(folder + "/" + name) && removed;
  return removed;
}

std::optional<std::string> Resolved(const std::string& path) {
  const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr),
                                                             &std::free);
  if (!resolved) return std::nullopt;
  return std::string(resolved.get());
}

// The universal name under which Windows clients open the icon file: the share of the SMB
// mount it lies on, or the share of this machine's Samba that holds it.
std::optional<std::string> UniversalName(const std::string& iconFile,
                                         const posix::SambaShares& shares) {
  if (text::IsUNC(iconFile)) return iconFile;
  const std::optional<std::string> resolved = Resolved(iconFile);
  if (!resolved) return std::nullopt;
  std::optional<std::string> name = posix::UniversalNameOf(posix::ReadMountTable(), *resolved);
  if (!name) name = posix::SambaUniversalName(shares, posix::SambaServerName(shares), *resolved);
  if (name && name->size() > kLongestWindowsPath) return std::nullopt;
  return name;
}

// Whether Windows machines open this folder: a volume Windows mounts itself (NTFS, FAT), a
// Windows or NAS share mounted here, or a share this machine serves.
bool WindowsReads(const std::string& resolvedFolder, const posix::SambaShares& shares) {
  switch (posix::StoreOf(resolvedFolder, posix::SystemAttributeCalls())) {
    case posix::AttributeStore::kCifs:
    case posix::AttributeStore::kNtfs3g:
    case posix::AttributeStore::kNtfs3:
    case posix::AttributeStore::kFat:
      return true;
    default:
      return posix::ShareHolding(shares, resolvedFolder) != nullptr;
  }
}

// A copy of the icon in the folder, hidden and system as Windows keeps such files; its name,
// or nullopt when the icon cannot be read or the folder takes no file.
std::optional<std::string> CopyInto(const std::string& folder, const std::string& iconFile,
                                    std::int32_t iconIndex) {
  const std::unique_ptr<posix::FileSource> source =
      posix::FileSource::Open(posix::ToLocalPath(iconFile));
  if (!source) return std::nullopt;
  const std::optional<std::string> ico = posix::IconAsIcoFile(*source, iconIndex);
  if (!ico) return std::nullopt;
  const std::string name = IconCopyName(*ico);
  const std::string path = folder + "/" + name;
  if (path.size() > LongestPath()) return std::nullopt;
  const bool written = posix::RewriteFile(path, [&](std::optional<std::string_view> present) {
    return present == std::string_view(*ico) ? std::nullopt : std::optional<std::string>(*ico);
  });
  if (!written) return std::nullopt;
  // Without the bits the copy is still the folder's icon, only shown in listings.
  WriteAttributes(path, kCopyAttributes);
  return name;
}

}  // namespace

IconLocation PlaceIcon(const std::string& targetFolder, const std::string& iconFile,
                       std::int32_t iconIndex, const SharingSetup& sharing) {
  const posix::SambaShares shares = posix::ReadSambaShares(sharing.sambaConfig);
  const std::optional<std::string> folder = Resolved(posix::ToLocalPath(targetFolder));
  IconLocation location{iconFile, iconIndex};
  if (const std::optional<std::string> universal = UniversalName(iconFile, shares)) {
    location.iconFile = *universal;
  } else if (folder && WindowsReads(*folder, shares)) {
    if (const std::optional<std::string> copy = CopyInto(*folder, iconFile, iconIndex)) {
      location = {*copy, 0};
    }
  }
  // A copy that desktop.ini no longer names would only lie in the folder, hidden.
  if (folder) RemoveCopies(*folder, location.iconFile);
  return location;
}

bool RemovePlacedIcons(const std::string& targetFolder) {
  const std::optional<std::string> folder = Resolved(posix::ToLocalPath(targetFolder));
  return !folder || RemoveCopies(*folder, "");
}

}  // namespace zendrel::platform
