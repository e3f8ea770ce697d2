// Icon files on Windows, for the same readers the Linux build uses: a handle read at given
// offsets.
#include <windows.h>

#include <algorithm>

#include "platform/posix/icon_file_reader.h"

namespace zendrel::platform::posix {

// Every read is a round trip to the system (under Wine, through its server as well), which
// costs as much as copying tens of kilobytes: a small icon file, a few images of up to 48
// pixels and one of 256 in PNG, is read whole with one call.
const std::uint64_t FileSource::kHeadSize = 65536;

bool FileSource::OpenFile(const std::string& localPath, std::intptr_t& file, std::uint64_t& size) {
  // Others may go on reading, writing or renaming the file meanwhile, as ExtractIcon lets them.
  const HANDLE handle = CreateFileA(localPath.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  // A folder is never opened without backup semantics; a device or a pipe is refused here.
  LARGE_INTEGER length = {};
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &length) ||
      length.QuadPart < 0) {
    CloseHandle(handle);
    return false;
  }
  file = reinterpret_cast<std::intptr_t>(handle);
  size = static_cast<std::uint64_t>(length.QuadPart);
  return true;
}

FileSource::~FileSource() { CloseHandle(reinterpret_cast<HANDLE>(file_)); }

bool FileSource::ReadFromFile(std::uint64_t offset, std::uint8_t* out, std::size_t count) const {
  std::size_t done = 0;
  while (done < count) {
    OVERLAPPED at = {};
    const std::uint64_t position = offset + done;
    at.Offset = static_cast<DWORD>(position);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
    DWORD got = 0;
    // A file cut short since it was opened yields nothing rather than half an image.
    if (!ReadFile(reinterpret_cast<HANDLE>(file_), out + done, want, &got, &at) || got == 0)
      return false;
    done += got;
  }
  return true;
}

}  // namespace zendrel::platform::posix
