// The registry of the Linux build: a REGEDIT4 store in the user's configuration folder, the
// keys Windows provides built in beneath it, and the folder verb mirrored into the file
// managers' menus.
//
// The store is read afresh by every call, since another process may have changed it, and
// written through locked, atomic rewrites. An open key is a path remembered in a small table;
// the key itself may vanish meanwhile, and a later call through the handle then finds nothing.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <optional>

#include "platform/posix/atomic_file.h"
#include "platform/posix/regedit_store.h"
#include "platform/posix/shell_menus.h"
#include "platform/registry.h"
#include "text/text.h"

namespace zendrel::platform {

namespace {

// The values Windows gives its predefined keys.
constexpr RegHandle kClassesRoot = 0x80000000u;
constexpr RegHandle kCurrentUser = 0x80000001u;
constexpr RegHandle kLocalMachine = 0x80000002u;

constexpr long kInvalidHandle = 6;      // ERROR_INVALID_HANDLE
constexpr long kInvalidParameter = 87;  // ERROR_INVALID_PARAMETER: no place for the result

constexpr std::string_view kClassesRootName = "HKEY_CLASSES_ROOT";
constexpr std::string_view kLocalMachineName = "HKEY_LOCAL_MACHINE";
constexpr std::string_view kCurrentUserName = "HKEY_CURRENT_USER";
constexpr std::string_view kFolderVerbs = "HKEY_CLASSES_ROOT\\Directory\\shell";
constexpr std::string_view kFolderIconKey = "HKEY_CLASSES_ROOT\\Directory\\DefaultIcon";

// What a Windows machine has before any program registers itself. The list holds every
// parent of each key, so the keys the system provides always form the top of a path.
constexpr std::string_view kSystemKeys[] = {
    kClassesRootName,
    "HKEY_CLASSES_ROOT\\Directory",
    kFolderVerbs,
    kFolderIconKey,
    kLocalMachineName,
    "HKEY_LOCAL_MACHINE\\SOFTWARE",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    kCurrentUserName,
    "HKEY_CURRENT_USER\\Software",
    "HKEY_CURRENT_USER\\Software\\Classes",
    "HKEY_CURRENT_USER\\Software\\Microsoft",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion",
};

bool IsSystemKey(std::string_view path) {
  for (std::string_view key : kSystemKeys) {
    if (text::SameAsciiName(path, key)) return true;
  }
  return false;
}

// How many leading levels of the path the system provides.
std::size_t SystemLevels(std::string_view path) {
  std::size_t levels = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '\\') {
      if (!IsSystemKey(path.substr(0, i))) break;
      ++levels;
    }
  }
  return levels;
}

// The folder icon that ships beside the program.
std::string FolderIconLocation() {
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
  if (n <= 0 || static_cast<std::size_t>(n) == sizeof buffer) return {};
  std::string exe(buffer, static_cast<std::size_t>(n));
  exe.erase(exe.rfind('/') + 1);
  return exe + "zendrel-folder.ico,0";
}

// The values of the system's keys that the store does not override.
std::optional<std::string> SystemValue(std::string_view path, std::string_view name) {
  if (name.empty() && text::SameAsciiName(path, kFolderIconKey)) return FolderIconLocation();
  return std::nullopt;
}

struct OpenKey {
  std::string path;
  bool writable = false;
};

class HandleTable {
 public:
  RegHandle Add(OpenKey key) {
    std::lock_guard lock(mutex_);
    // Never reused, so a handle kept after its close cannot reach another key.
    const RegHandle handle = next_;
    next_ += 4;
    keys_.emplace(handle, std::move(key));
    return handle;
  }

  std::optional<OpenKey> Find(RegHandle handle) {
    if (handle == kClassesRoot) return OpenKey{std::string(kClassesRootName), true};
    if (handle == kLocalMachine) return OpenKey{std::string(kLocalMachineName), true};
    if (handle == kCurrentUser) return OpenKey{std::string(kCurrentUserName), true};
    std::lock_guard lock(mutex_);
    const auto it = keys_.find(handle);
    if (it == keys_.end()) return std::nullopt;
    return it->second;
  }

  bool Remove(RegHandle handle) {
    std::lock_guard lock(mutex_);
    return keys_.erase(handle) == 1;
  }

 private:
  std::mutex mutex_;
  std::map<RegHandle, OpenKey> keys_;
  RegHandle next_ = 0x1000;
};

HandleTable& Handles() {
  static HandleTable table;
  return table;
}

std::string StoreFolder() {
  const std::string base = posix::UserBaseFolder("XDG_CONFIG_HOME", ".config");
  return base.empty() ? base : base + "/zendrel";
}

std::string StorePath() {
  const std::string folder = StoreFolder();
  return folder.empty() ? folder : folder + "/registry.reg";
}

class Store {
 public:
  Store() {
    const std::string path = StorePath();
    if (!path.empty()) bytes_ = posix::ReadWholeFile(path);
  }
  std::string_view view() const { return bytes_ ? bytes_->view() : std::string_view(); }

 private:
  std::optional<posix::FileBytes> bytes_;
};

bool KeyExists(std::string_view store, std::string_view path) {
  return IsSystemKey(path) || regedit::KeyExists(store, path);
}

// Runs an edit of the store; false when the store cannot be written. Its folder is made
// when the first write needs it.
bool EditStore(const posix::FileEdit& edit) {
  const std::string path = StorePath();
  if (path.empty()) return false;
  if (posix::RewriteFile(path, edit)) return true;
  const std::string folder = StoreFolder();
  struct stat st;
  if (stat(folder.c_str(), &st) == 0 || errno != ENOENT) return false;
  for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    mkdir(folder.substr(0, slash).c_str(), 0700);
  }
  if (mkdir(folder.c_str(), 0700) != 0) return false;
  return posix::RewriteFile(path, edit);
}

std::string Child(const std::string& parent, const std::string& subkey) {
  return regedit::NormalKey(parent + "\\" + subkey);
}

// A change to a folder verb or its command shows in the file managers' menus too.
void MirrorFolderVerb(std::string_view path) {
  if (path.size() <= kFolderVerbs.size() || path[kFolderVerbs.size()] != '\\' ||
      !text::SameAsciiName(path.substr(0, kFolderVerbs.size()), kFolderVerbs)) {
    return;
  }
  std::string_view verb = path.substr(kFolderVerbs.size() + 1);
  const std::size_t slash = verb.find('\\');
  if (slash != std::string_view::npos) {
    if (!text::SameAsciiName(verb.substr(slash + 1), "command")) return;
    verb = verb.substr(0, slash);
  }
  const Store store;
  const std::string verbKey = std::string(kFolderVerbs) + "\\" + std::string(verb);
  const auto text = [&](const std::string& key) {
    std::optional<regedit::Value> value = regedit::FindValue(store.view(), key, "");
    if (!value) return std::string();
    return value->data.substr(0, value->data.find('\0'));
  };
  std::string menuText = text(verbKey);
  if (menuText.empty()) menuText = verb;
  posix::UpdateFolderVerbMenus(verb, menuText, text(verbKey + "\\command"));
}

}  // namespace

RegHandle ClassesRoot() { return kClassesRoot; }
RegHandle LocalMachine() { return kLocalMachine; }
RegHandle CurrentUser() { return kCurrentUser; }

long RegOpen(RegHandle parent, const std::string& subkey, RegAccess access, RegHandle* key) {
  if (!key) return kInvalidParameter;
  const std::optional<OpenKey> from = Handles().Find(parent);
  if (!from) return kInvalidHandle;
  std::string path = Child(from->path, subkey);
  if (!KeyExists(Store().view(), path)) return kRegNotFound;
  *key = Handles().Add({std::move(path), access == RegAccess::kWrite});
  return kRegSuccess;
}

long RegCreate(RegHandle parent, const std::string& subkey, RegHandle* key) {
  if (!key) return kInvalidParameter;
  const std::optional<OpenKey> from = Handles().Find(parent);
  if (!from) return kInvalidHandle;
  std::string path = Child(from->path, subkey);
  // An existing key is opened whatever the parent's handle allows, as on Windows; making
  // one is a change to the parent.
  if (!KeyExists(Store().view(), path)) {
    if (!from->writable || !regedit::IsStorableKey(path)) return kRegAccessDenied;
    const std::size_t fixed = SystemLevels(path);
    long result = kRegAccessDenied;
    const bool written = EditStore([&](std::optional<std::string_view> bytes) {
      // A parent deleted since it was opened is not brought back by a key made below it.
      if (!KeyExists(bytes.value_or(""), from->path)) {
        result = kRegNotFound;
        return std::optional<std::string>();
      }
      result = kRegSuccess;
      return regedit::CreateKey(bytes, path, fixed);
    });
    if (!written) return kRegAccessDenied;
    if (result != kRegSuccess) return result;
    MirrorFolderVerb(path);
  }
  *key = Handles().Add({std::move(path), true});
  return kRegSuccess;
}

long RegClose(RegHandle key) {
  if (key == kClassesRoot || key == kLocalMachine || key == kCurrentUser) return kRegSuccess;
  return Handles().Remove(key) ? kRegSuccess : kInvalidHandle;
}

long RegSetString(RegHandle key, const std::string& valueName, const std::string& text) {
  const std::optional<OpenKey> open = Handles().Find(key);
  if (!open) return kInvalidHandle;
  if (!open->writable) return kRegAccessDenied;
  const std::size_t fixed = SystemLevels(open->path);
  long result = kRegAccessDenied;
  const bool written = EditStore([&](std::optional<std::string_view> bytes) {
    // The key may have gone since it was opened; a value is not set on a key that is gone.
    if (!KeyExists(bytes.value_or(""), open->path)) {
      result = kRegNotFound;
      return std::optional<std::string>();
    }
    result = kRegSuccess;
    return regedit::SetString(bytes, open->path, valueName, text, fixed);
  });
  if (!written) return kRegAccessDenied;
  if (result == kRegSuccess) MirrorFolderVerb(open->path);
  return result;
}

long RegQueryString(RegHandle key, const std::string& valueName, std::string* text,
                    std::size_t bufferSize) {
  const std::optional<OpenKey> open = Handles().Find(key);
  if (!open) return kInvalidHandle;
  const Store store;
  if (!KeyExists(store.view(), open->path)) return kRegNotFound;
  regedit::Value value;
  if (std::optional<regedit::Value> stored =
          regedit::FindValue(store.view(), open->path, valueName)) {
    value = std::move(*stored);
  } else if (std::optional<std::string> builtIn = SystemValue(open->path, valueName)) {
    value.data = std::move(*builtIn);
  } else {
    return kRegNotFound;
  }
  // The bytes the value holds, a string's terminating NUL among them, must fit the buffer;
  // the caller's C string then ends at the first NUL.
  const std::size_t size = value.data.size() + (value.type == regedit::kString ? 1 : 0);
  if (size > bufferSize) return kRegMoreData;
  if (text) *text = value.data.substr(0, value.data.find('\0'));
  return kRegSuccess;
}

long RegDeleteSubkey(RegHandle parent, const std::string& subkey) {
  const std::optional<OpenKey> from = Handles().Find(parent);
  if (!from) return kInvalidHandle;
  if (!from->writable) return kRegAccessDenied;
  const std::string path = Child(from->path, subkey);
  if (IsSystemKey(path)) return kRegAccessDenied;
  const std::size_t fixed = SystemLevels(path);
  long result = kRegAccessDenied;
  const bool written = EditStore([&](std::optional<std::string_view> bytes) {
    const std::string_view store = bytes.value_or("");
    if (!regedit::KeyExists(store, path)) {
      result = kRegNotFound;
      return std::optional<std::string>();
    }
    if (regedit::HasSubkeys(store, path)) {
      result = kRegAccessDenied;
      return std::optional<std::string>();
    }
    result = kRegSuccess;
    return regedit::DeleteKey(bytes, path, fixed);
  });
  if (!written) return kRegAccessDenied;
  if (result == kRegSuccess) MirrorFolderVerb(path);
  return result;
}

}  // namespace zendrel::platform
