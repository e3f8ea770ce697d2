// Icon placement on Linux: a universal name where Windows clients reach the icon file, else a
// copy inside a folder that Windows reads, else the local path.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <span>

#include "platform/file_attributes.h"
#include "platform/folder_ops.h"
#include "platform/icon_placement.h"
#include "platform/posix/atomic_file.h"
#include "platform/posix/attribute_store.h"
#include "platform/posix/ico_writer.h"
#include "platform/posix/icon_container.h"
#include "platform/posix/mount_table.h"
#include "platform/posix/samba_shares.h"
#include "text/text.h"

namespace zendrel::platform {

namespace {

// A copy is named after its own bytes: the name tells it from the user's files, and a copy
// whose bytes no longer give its name is not ours to remove.
constexpr std::string_view kCopyPrefix = "zendrel-icon-";
constexpr std::string_view kCopySuffix = ".ico";
constexpr std::size_t kDigestDigits = 16;
constexpr std::uint32_t kCopyAttributes = 0x02 | 0x04 | 0x20;  // hidden, system, archive
// Windows reads IconFile through a 260-byte buffer.
constexpr std::size_t kLongestWindowsPath = 259;

std::uint64_t Digest(std::string_view bytes) {
  std::uint64_t hash = 0xcbf29ce484222325u;  // FNV-1a
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3u;
  }
  return hash;
}

std::string CopyName(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string name(kCopyPrefix);
  const std::uint64_t digest = Digest(bytes);
  for (int shift = 60; shift >= 0; shift -= 4) name += kHex[digest >> shift & 0xF];
  name += kCopySuffix;
  return name;
}

bool HasCopyName(std::string_view name) {
  if (name.size() != kCopyPrefix.size() + kDigestDigits + kCopySuffix.size() ||
      !name.starts_with(kCopyPrefix) || !name.ends_with(kCopySuffix))
    return false;
  for (const char c : name.substr(kCopyPrefix.size(), kDigestDigits)) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

// A regular file (not a link) of our name whose bytes are an icon file that gives that name.
bool IsOurCopy(const std::string& folder, const std::string& name) {
  const std::string path = folder + "/" + name;
  struct stat status;
  if (!HasCopyName(name) || lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
      static_cast<std::uint64_t>(status.st_size) > posix::kLargestIcoFile)
    return false;
  const std::optional<posix::FileBytes> bytes = posix::ReadWholeFile(path);
  if (!bytes || CopyName(bytes->view()) != name) return false;
  const std::span<const std::uint8_t> data(
      reinterpret_cast<const std::uint8_t*>(bytes->view().data()), bytes->view().size());
  return posix::ReadIconContainer(posix::MemorySource(data)) != nullptr;
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
  const std::string name = CopyName(*ico);
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
