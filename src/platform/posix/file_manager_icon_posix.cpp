// The folder's icon for Linux file managers: rendered to PNG under the user's data folder,
// named in GIO's metadata of the folder (GNOME Files, Nemo, Caja) and in the folder's
// .directory file (Dolphin).
#include <dlfcn.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <type_traits>

#include "platform/file_attributes.h"
#include "platform/file_manager_icon.h"
#include "platform/posix/atomic_file.h"
#include "platform/posix/directory_file.h"
#include "platform/posix/folder_icon_png.h"
#include "platform/posix/mount_table.h"
#include "platform/posix/shell_menus.h"
#include "platform/profile.h"
#include "text/text.h"

namespace zendrel::platform {

namespace {

constexpr std::uint32_t kReadOnly = 0x01;
constexpr std::uint32_t kHidden = 0x02;
constexpr std::uint32_t kSystem = 0x04;
constexpr char kShellClassInfo[] = ".ShellClassInfo";
constexpr char kCustomIcon[] = "metadata::custom-icon";

struct IconLocation {
  std::string file;  // as desktop.ini names it
  int index = 0;
};

// The icon desktop.ini names: IconResource ("file,index"), which newer Windows writes and
// prefers, else IconFile with IconIndex.
std::optional<IconLocation> IconOfSettings(const std::string& settingsFile) {
  const std::string resource =
      text::TrimBoth(ReadIniString(settingsFile, kShellClassInfo, "IconResource", ""));
  if (!resource.empty()) {
    const std::size_t comma = resource.rfind(',');
    if (comma == std::string::npos) return IconLocation{resource, 0};
    return IconLocation{text::TrimBoth(resource.substr(0, comma)),
                        static_cast<int>(std::strtol(resource.c_str() + comma + 1, nullptr, 10))};
  }
  const std::string file =
      text::TrimBoth(ReadIniString(settingsFile, kShellClassInfo, "IconFile", ""));
  if (file.empty()) return std::nullopt;
  return IconLocation{file, ReadIniInt(settingsFile, kShellClassInfo, "IconIndex", 0)};
}

// The local path of an icon file named in a folder's desktop.ini: a universal name through
// the mounts, a full Linux path as it is, a relative name from the folder. A Windows drive
// path, or one from a drive's root, names nothing here.
std::optional<std::string> LocalIconPath(const std::string& folder, std::string name) {
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
    name = name.substr(1, name.size() - 2);
  }
  if (name.empty()) return std::nullopt;
  if (name.rfind("\\\\", 0) == 0) {
    const std::string local = posix::ToLocalPath(name);
    if (local.rfind(posix::kNoSuchShare, 0) == 0) return std::nullopt;
    return local;
  }
  if (name.front() == '/') return name;
  if (name.front() == '\\' || (name.size() >= 2 && name[1] == ':')) return std::nullopt;
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  return folder + "/" + name;
}

// The PNG of the folder's icon as desktop.ini gives it, if the shell would show one.
std::optional<std::string> RenderedIcon(const std::string& folder) {
  const std::optional<std::uint32_t> attributes = ReadAttributes(folder);
  if (!attributes || (*attributes & (kReadOnly | kSystem)) == 0) return std::nullopt;
  const std::optional<IconLocation> location = IconOfSettings(folder + "/desktop.ini");
  if (!location) return std::nullopt;
  const std::optional<std::string> path = LocalIconPath(folder, location->file);
  if (!path) return std::nullopt;
  const std::string data = posix::UserBaseFolder("XDG_DATA_HOME", ".local/share");
  if (data.empty()) return std::nullopt;
  return posix::StoreIconPngs(posix::IconImages(*path, location->index), data + "/zendrel/icons");
}

// Whether a session bus can be reached without starting one: GIO would otherwise launch a
// bus of its own for this process, which outlives it.
bool HasSessionBus() {
  if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address) {
    return true;
  }
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st;
  return runtime && *runtime && stat((std::string(runtime) + "/bus").c_str(), &st) == 0 &&
         S_ISSOCK(st.st_mode);
}

// GIO's functions, from the library loaded when a folder's icon is first shown rather than
// with the program: linked in, GIO and the libraries it brings cost every start some
// milliseconds before the chooser can paint. The library stays loaded (its types stay
// registered). Null when it cannot be loaded.
struct Gio {
  decltype(&g_file_new_for_path) newForPath;
  decltype(&g_file_set_attribute_string) setString;
  decltype(&g_file_set_attribute) set;
  decltype(&g_object_unref) unref;
};

const Gio* LoadGio() {
  static const std::optional<Gio> gio = []() -> std::optional<Gio> {
    void* library = dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!library) return std::nullopt;
    const auto find = [library](auto& function, const char* name) {
      function =
          reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(library, name));
      return function != nullptr;
    };
    Gio g{};
    if (!find(g.newForPath, "g_file_new_for_path") ||
        !find(g.setString, "g_file_set_attribute_string") || !find(g.set, "g_file_set_attribute") ||
        !find(g.unref, "g_object_unref")) {
      return std::nullopt;
    }
    return g;
  }();
  return gio ? &*gio : nullptr;
}

// GIO's metadata goes to the user's metadata service (GVfs); without it the call fails and
// nothing else is affected.
void SetCustomIconMetadata(const std::string& folder, const std::optional<std::string>& png) {
  if (!HasSessionBus()) return;
  const Gio* gio = LoadGio();
  if (!gio) return;
  GFile* file = gio->newForPath(folder.c_str());
  GError* error = nullptr;
  if (png) {
    if (gchar* uri = g_filename_to_uri(png->c_str(), nullptr, nullptr)) {
      gio->setString(file, kCustomIcon, uri, G_FILE_QUERY_INFO_NONE, nullptr, &error);
      g_free(uri);
    }
  } else {
    gio->set(file, kCustomIcon, G_FILE_ATTRIBUTE_TYPE_INVALID, nullptr, G_FILE_QUERY_INFO_NONE,
             nullptr, &error);
  }
  if (error) g_error_free(error);
  gio->unref(file);
}

// A new .directory is hidden for Windows users of the share, as desktop.ini is.
void SetDirectoryFile(const std::string& folder, const std::optional<std::string>& png) {
  const std::string path = folder + "/.directory";
  bool created = false;
  posix::DirectoryFileEdit edit;
  const bool written = posix::RewriteFile(path, [&](std::optional<std::string_view> current) {
    edit = posix::EditDirectoryFile(current, png);
    created = !current;
    return edit.action == posix::DirectoryFileEdit::Action::kWrite
               ? std::optional<std::string>(edit.text)
               : std::nullopt;
  });
  if (edit.action == posix::DirectoryFileEdit::Action::kRemove) {
    unlink(path.c_str());
  } else if (written && created && edit.action == posix::DirectoryFileEdit::Action::kWrite) {
    if (const std::optional<std::uint32_t> attributes = ReadAttributes(path)) {
      WriteAttributes(path, *attributes | kHidden);
    }
  }
}

}  // namespace

void ShowFolderIconInFileManagers(const std::string& targetFolder) {
  std::string folder = posix::ToLocalPath(targetFolder);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  struct stat st;
  if (folder.empty() || stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
  const std::optional<std::string> png = RenderedIcon(folder);
  SetCustomIconMetadata(folder, png);
  SetDirectoryFile(folder, png);
}

}  // namespace zendrel::platform
