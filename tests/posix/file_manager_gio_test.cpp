// The folder's icon in GIO's metadata, checked with GIO's own tool against the real metadata
// service (GVfs). The test program runs inside a session bus of its own (dbus-run-session),
// which starts the service on demand.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/file_attributes.h"
#include "platform/file_manager_icon.h"
#include "platform/posix/png_image.h"
#include "platform/profile.h"
#include "support/icon_fixtures.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace zendrel::platform {
namespace {

namespace icons = test::icons;

// What `gio info -a metadata::custom-icon` says of the path: the value, or "" when unset.
std::string CustomIconOf(const std::string& path) {
  gchar* quoted = g_shell_quote(path.c_str());
  FILE* pipe = popen(("gio info -a metadata::custom-icon " + std::string(quoted)).c_str(), "r");
  g_free(quoted);
  std::string output;
  char buffer[512];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  pclose(pipe);
  const std::string key = "metadata::custom-icon: ";
  const std::size_t at = output.find(key);
  if (at == std::string::npos) return {};
  const std::size_t begin = at + key.size();
  return output.substr(begin, output.find('\n', begin) - begin);
}

// Why the metadata service cannot run here, or "" when it can.
std::string MissingService() {
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (!bus) {
    std::string why = "no session bus (run the test under dbus-run-session): ";
    why += error ? error->message : "";
    if (error) g_error_free(error);
    return why;
  }
  GVariant* names = g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
      "ListActivatableNames", nullptr, G_VARIANT_TYPE("(as)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
      nullptr);
  bool found = false;
  if (names) {
    GVariantIter* iter = nullptr;
    g_variant_get(names, "(as)", &iter);
    const gchar* name = nullptr;
    while (g_variant_iter_next(iter, "&s", &name))
      found = found || g_str_equal(name, "org.gtk.vfs.Metadata");
    g_variant_iter_free(iter);
    g_variant_unref(names);
  }
  g_object_unref(bus);
  return found ? "" : "the GVfs metadata service is not installed (gvfs-daemons)";
}

TEST(FileManagerIconGio, MetadataNamesThePngOfTheChosenIconAndTheStandardIconClearsIt) {
  if (const std::string why = MissingService(); !why.empty()) GTEST_SKIP() << why;
  test::TempDir dir;
  test::ScopedVariable data("XDG_DATA_HOME", dir.File("data").c_str());
  const std::string folder = dir.File("Photos 100% 'ours'");
  ASSERT_TRUE(test::MakeFolder(folder));
  const icons::Picture picture = icons::Pattern(48, 48, icons::Colours(30), 7);
  test::WriteBytes(folder + "/red.ico", icons::Ico({icons::DibImage(picture, 32)}));
  WriteIniString(folder + "/desktop.ini", ".ShellClassInfo", "IconFile", "red.ico");
  WriteAttributes(folder, 0x10 | 0x01 | 0x04);

  ShowFolderIconInFileManagers(folder);
  const std::string uri = CustomIconOf(folder);
  ASSERT_EQ(uri.rfind("file://", 0), 0u) << "gio info shows no custom icon";
  gchar* path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
  ASSERT_TRUE(path) << uri;
  const std::string png = path;
  g_free(path);
  const std::string bytes = test::ReadBytes(png).value_or("");
  const std::optional<posix::DecodedImage> image =
      posix::DecodePng({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
  ASSERT_TRUE(image) << png;
  EXPECT_EQ(image->pixels, icons::Expected(picture));
  EXPECT_NE(test::ReadBytes(folder + "/.directory").value_or("").find("Icon=" + png + "\n"),
            std::string::npos);

  DeleteIniKey(folder + "/desktop.ini", ".ShellClassInfo", "IconFile");
  ShowFolderIconInFileManagers(folder);
  EXPECT_EQ(CustomIconOf(folder), "");
  EXPECT_FALSE(test::Exists(folder + "/.directory"));
}

}  // namespace
}  // namespace zendrel::platform
