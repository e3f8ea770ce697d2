// Opens the Linux chooser or the About box with real content, for a look at them (screenshots
// under a virtual X server). Not a test: it waits for the user like the program does.
//
//   ui_look chooser ICON_DIRECTORY STANDARD_ICON [FOLDER]
//   ui_look about
#include <QApplication>

#include <cstdio>
#include <string>

#include "ui/icon_chooser_dialog.h"
#include "ui/qt/about_box_qt.h"
#include "ui/strings.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "about" && argc == 2) {
    zendrel::ui::AboutDialog box;
    return box.exec() == QDialog::Accepted ? 0 : 1;
  }
  if (mode != "chooser" || argc < 4) {
    std::fprintf(stderr, "usage: ui_look chooser ICON_DIRECTORY STANDARD_ICON [FOLDER] | about\n");
    return 2;
  }
  zendrel::ui::IconChooserDialog dialog;
  if (!dialog.catalogue.Load(argv[2])) {
    std::fprintf(stderr, "ui_look: no icons in %s\n", argv[2]);
    return 1;
  }
  dialog.catalogue.InsertFront("*", 0, ZENDREL_TEXT_112, "",
                               zendrel::platform::ExtractIcon(argv[3], 0));
  dialog.targetFolder = argc > 4 ? argv[4] : "/home/user/Pictures";
  const int code = zendrel::ui::DoModal(dialog);
  std::printf("%d %d %d %s\n", code, dialog.selectedIndex, dialog.thumbnailView ? 1 : 0,
              dialog.infoTipText.c_str());
  return 0;
}
