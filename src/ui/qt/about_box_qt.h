// The About box of the Linux build, and what both Qt dialogs share: the dialog font, the
// dialog units that place their controls, the program's icons as pixmaps.
#pragma once

#include <QDialog>
#include <QFont>
#include <QPixmap>
#include <QRect>

#include "platform/icons.h"

class QLabel;
class QPushButton;

namespace zendrel::ui {

// A fixed-size dialog with a caption and a close box, as the templates' modal frame gives.
inline constexpr Qt::WindowFlags kDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

// The dialogs are laid out for a 9-point Japanese UI Gothic; the desktop's own font stands in
// where none is installed.
QFont DialogFont();

// Dialog units in pixels for a dialog font: horizontally a quarter of the average width of the
// Latin letters, vertically an eighth of the font's height.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  // Widens the horizontal unit, if need be, so that `pixels` fit into `units` dialog units:
  // text that the template's font would show whole is not cut by a wider font.
  void MakeRoom(int pixels, int units);

  int X(int units) const;
  int Y(int units) const;
  // A rectangle given as x, y, width and height in dialog units.
  QRect Rect(int x, int y, int width, int height) const;
  // The rectangle of a text control: as given, but wide enough for `needed` pixels where
  // there is room before `roomEnd` (in units).
  QRect TextRect(int x, int y, int width, int height, int needed, int roomEnd) const;

 private:
  double perFourX_;   // pixels per four horizontal units
  double perEightY_;  // pixels per eight vertical units
};

// 32 x 32 straight-alpha pixels as a pixmap; a null pixmap for anything else.
QPixmap IconPixmap(const platform::IconPixels& pixels);
// The application icon (resource 128); a null pixmap when it cannot be had.
QPixmap ProgramIconPixmap();

// Version information: the application icon, the program's name and version, the copyright
// notice and OK. Enter and OK accept it, Escape and the close box reject it; either way it
// only closes.
class AboutDialog final : public QDialog {
 public:
  explicit AboutDialog(QWidget* owner = nullptr);

  QLabel* IconLabel() const { return icon_; }
  QLabel* VersionLabel() const { return version_; }
  QLabel* CopyrightLabel() const { return copyright_; }
  QPushButton* OkButton() const { return ok_; }

 private:
  QLabel* icon_;
  QLabel* version_;
  QLabel* copyright_;
  QPushButton* ok_;
};

}  // namespace zendrel::ui
