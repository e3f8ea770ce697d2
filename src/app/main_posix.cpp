// Linux entry point: the composition root of the Linux build.
#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QtGlobal>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/first_paint_probe.h"
#include "app/folder_icon_app.h"
#include "platform/host.h"
#include "platform/posix/data_folder.h"
#include "platform/posix/display.h"
#include "ui/qt/message_box_qt.h"

namespace {

constexpr const char* kNoDisplay =
    "zendrel: no display could be opened (set DISPLAY or WAYLAND_DISPLAY to a running "
    "graphical session)\n";
constexpr const char* kDisplayLost = "zendrel: the connection to the display was lost\n";

QtMessageHandler toolkitHandler = nullptr;
std::atomic<bool> toolkitStarted{false};

// The display can still fail between the check and the toolkit's own connection (an X server
// that reached its client limit while several instances started), or go away later. The
// toolkit then ends the process with an abort or its own words; it ends with ours and exit 1.
void ToolkitMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  const bool connectionBroke = message.contains(QLatin1String("X11 connection broke"));
  if (type == QtFatalMsg && !toolkitStarted) {
    std::fputs(kNoDisplay, stderr);
    std::_Exit(1);
  }
  if (connectionBroke || (type == QtFatalMsg && (message.contains(QLatin1String("xcb")) ||
                                                 message.contains(QLatin1String("X11"))))) {
    std::fputs(kDisplayLost, stderr);
    std::_Exit(1);
  }
  if (toolkitHandler) toolkitHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
  zendrel::platform::Host& host = zendrel::platform::SystemHost();
  // Without a display the toolkit would end the process on its own terms; say why instead.
  if (!host.ShellIsUsable()) {
    std::fputs(kNoDisplay, stderr);
    return 1;
  }
  // The change log and the registry live in the user's own data folders; without a home there
  // is no such folder, and one under /tmp could be planted by another user.
  if (!zendrel::platform::posix::UserDataFolder()) {
    std::fprintf(stderr,
                 "zendrel: no folder for the user's data (set HOME, or XDG_DATA_HOME, to an "
                 "absolute path)\n");
    return 1;
  }
  // The folder is everything after the program's name, as one path, the way Windows hands
  // a program its command line; the toolkit sees none of it, so that a folder named like one
  // of its options stays a folder. An empty argument was a pair of quotes on that line.
  std::string tail;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) tail += ' ';
    tail += *argv[i] ? argv[i] : "\"\"";
  }
  int toolkitArgc = 1;
  toolkitHandler = qInstallMessageHandler(ToolkitMessage);
  QApplication toolkit(toolkitArgc, argv);
  toolkitStarted = true;
  zendrel::platform::posix::ToolkitConnected();
  // The program speaks Japanese whatever the locale; so do the toolkit's own buttons.
  QTranslator toolkitTexts;
  if (toolkitTexts.load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    toolkit.installTranslator(&toolkitTexts);
  }
  zendrel::app::InstallFirstPaintProbe();
  zendrel::ui::QtMessageBoxes boxes;
  zendrel::app::FolderIconApp app(host, boxes);
  app.StartUp(tail);
  return app.ExitStatus();
}
