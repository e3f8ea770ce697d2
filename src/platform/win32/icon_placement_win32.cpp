// Windows opens the icon file's own path, a universal name included: nothing is placed. A
// copy the Linux build left in the folder is named no more once a new icon or the standard
// one is chosen here, and goes.
#include <windows.h>

#include "platform/icon_copy.h"
#include "platform/icon_placement.h"

namespace zendrel::platform {

namespace {

// The bytes of a plain file of at most kLargestIconCopy bytes, or empty.
std::string SmallFileBytes(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  LARGE_INTEGER size;
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0 &&
      static_cast<unsigned long long>(size.QuadPart) <= kLargestIconCopy) {
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size())
      bytes.clear();
  }
  CloseHandle(file);
  return bytes;
}

bool RemoveCopies(const std::string& folder) {
  std::string prefix = folder;
  if (!prefix.empty() && prefix.back() != '\\' && prefix.back() != '/') prefix += '\\';
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((prefix + "zendrel-icon-*.ico").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return true;
  bool removed = true;
  do {
    // A link or a folder of that name is not a copy; a read-only file is the user's doing.
    const DWORD notACopy =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY;
    if (found.dwFileAttributes & notACopy) continue;
    const std::string path = prefix + found.cFileName;
    if (IsIconCopy(found.cFileName, SmallFileBytes(path)))
      removed = DeleteFileA(path.c_str()) && removed;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return removed;
}

}  // namespace

IconLocation PlaceIcon(const std::string& targetFolder, const std::string& iconFile,
                       std::int32_t iconIndex, const SharingSetup&) {
  RemoveCopies(targetFolder);
  return {iconFile, iconIndex};
}

bool RemovePlacedIcons(const std::string& targetFolder) { return RemoveCopies(targetFolder); }

}  // namespace zendrel::platform
