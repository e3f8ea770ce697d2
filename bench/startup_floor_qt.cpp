// The floor of the start-up benchmark: a bare Qt dialog of the chooser's size, frame and font,
// shown and painted once, with nothing read, listed or laid out. Like the program, it writes
// the moment of its first paint (nanoseconds since the epoch) where ZENDREL_FIRST_PAINT says,
// then closes.
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "ui/qt/about_box_qt.h"

namespace {

// The chooser's template size in dialog units.
constexpr int kChooserWidth = 206;
constexpr int kChooserHeight = 235;

class BareDialog final : public QDialog {
 public:
  BareDialog() : QDialog(nullptr, zendrel::ui::kDialogFlags) {}

 protected:
  void paintEvent(QPaintEvent* event) override {
    QDialog::paintEvent(event);
    if (painted_) return;
    painted_ = true;
    QTimer::singleShot(0, this, [this] {
      const char* file = std::getenv("ZENDREL_FIRST_PAINT");
      const auto now = std::chrono::system_clock::now().time_since_epoch();
      if (FILE* out = file ? std::fopen(file, "w") : nullptr) {
        std::fprintf(out, "%lld\n",
                     static_cast<long long>(
                         std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
        std::fclose(out);
      }
      reject();
    });
  }

 private:
  bool painted_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication toolkit(argc, argv);
  BareDialog dialog;
  dialog.setWindowTitle(QStringLiteral("Zendrel"));
  dialog.setFont(zendrel::ui::DialogFont());
  const zendrel::ui::DialogUnits du(dialog.font());
  dialog.setFixedSize(du.X(kChooserWidth), du.Y(kChooserHeight));
  dialog.exec();
  return 0;
}
