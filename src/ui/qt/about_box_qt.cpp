#include "ui/qt/about_box_qt.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ui/strings.h"

namespace zendrel::ui {

namespace {

const char kAboutCaption[] = ZENDREL_ABOUT_CAPTION;
const char kVersionText[] = ZENDREL_ABOUT_VERSION;
const char kCopyrightText[] = ZENDREL_ABOUT_COPYRIGHT;

// The box, in dialog units.
constexpr int kWidth = 235;
constexpr int kHeight = 55;
constexpr int kTextX = 40;
constexpr int kOkX = 178;
// A text may run on to this edge; the OK button starts a little further on.
constexpr int kTextRoomEnd = kOkX - 4;

}  // namespace

QFont DialogFont() {
  QFont font = QApplication::font();
  font.setFamilies({QStringLiteral("MS UI Gothic"), QStringLiteral("Noto Sans CJK JP"),
                    QStringLiteral("IPAPGothic"), QApplication::font().family()});
  font.setPointSize(9);
  return font;
}

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  // The average of the 52 letters, rounded to whole pixels as the platform's dialog manager
  // rounds it.
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  perFourX_ = std::max(1, (letters / 26 + 1) / 2);
  perEightY_ = std::max(1, metrics.height());
}

void DialogUnits::MakeRoom(int pixels, int units) {
  if (units > 0) perFourX_ = std::max(perFourX_, pixels * 4.0 / units);
}

int DialogUnits::X(int units) const { return static_cast<int>(std::lround(units * perFourX_ / 4)); }

int DialogUnits::Y(int units) const {
  return static_cast<int>(std::lround(units * perEightY_ / 8));
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
  // Both edges are mapped, so that neighbours that touch in units touch in pixels.
  return QRect(QPoint(X(x), Y(y)), QPoint(X(x + width) - 1, Y(y + height) - 1));
}

QRect DialogUnits::TextRect(int x, int y, int width, int height, int needed, int roomEnd) const {
  QRect rect = Rect(x, y, width, height);
  rect.setWidth(std::min(std::max(rect.width(), needed), X(roomEnd) - rect.left()));
  return rect;
}

QPixmap IconPixmap(const platform::IconPixels& pixels) {
  constexpr int kSize = platform::kIconSize;
  if (pixels.size() != static_cast<std::size_t>(kSize) * kSize) return QPixmap();
  // Straight alpha in 0xAARRGGBB words is exactly this image format.
  QImage image(kSize, kSize, QImage::Format_ARGB32);
  for (int y = 0; y < kSize; ++y) {
    std::memcpy(image.scanLine(y), pixels.data() + static_cast<std::size_t>(y) * kSize,
                kSize * sizeof(std::uint32_t));
  }
  return QPixmap::fromImage(image);
}

QPixmap ProgramIconPixmap() { return IconPixmap(platform::LoadProgramIcon(128).Pixels()); }

AboutDialog::AboutDialog(QWidget* owner) : QDialog(owner, kDialogFlags) {
  setObjectName(QStringLiteral("zendrel-about"));
  setWindowTitle(QString::fromUtf8(kAboutCaption));
  const QFont font = DialogFont();
  setFont(font);

  ok_ = new QPushButton(QStringLiteral("OK"), this);
  icon_ = new QLabel(this);
  version_ = new QLabel(QString::fromUtf8(kVersionText), this);
  copyright_ = new QLabel(QString::fromUtf8(kCopyrightText), this);
  // The texts are shown as they are: an ampersand is a character, not an access key.
  for (QLabel* label : {version_, copyright_}) {
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  }

  const QFontMetrics metrics(font);
  DialogUnits du(font);
  du.MakeRoom(metrics.horizontalAdvance(version_->text()), kTextRoomEnd - kTextX);
  du.MakeRoom(metrics.horizontalAdvance(copyright_->text()), kTextRoomEnd - kTextX);
  du.MakeRoom(ok_->sizeHint().width(), 50);

  // The icon keeps its own size at the template's position.
  const QPixmap pixmap = ProgramIconPixmap();
  icon_->setPixmap(pixmap);
  icon_->setGeometry(
      QRect(du.Rect(11, 17, 20, 20).topLeft(), QSize(platform::kIconSize, platform::kIconSize)));
  const auto place = [&](QLabel* label, int y, int width) {
    label->setGeometry(du.TextRect(kTextX, y, width, 8,
                                   metrics.horizontalAdvance(label->text()) + 1, kTextRoomEnd));
  };
  place(version_, 10, 119);
  place(copyright_, 25, 124);
  ok_->setGeometry(du.Rect(kOkX, 7, 50, 14));
  ok_->setDefault(true);
  setFixedSize(du.X(kWidth), du.Y(kHeight));

  if (!pixmap.isNull()) setWindowIcon(QIcon(pixmap));
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  ok_->setFocus();
}

}  // namespace zendrel::ui
