#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/first_paint_probe.h"

namespace zendrel::app {

namespace {

class FirstPaintProbe final : public QObject {
 public:
  explicit FirstPaintProbe(std::string file) : file_(std::move(file)) {}

  bool eventFilter(QObject* object, QEvent* event) override {
    auto* dialog = qobject_cast<QDialog*>(object);
    if (!done_ && event->type() == QEvent::Paint && dialog && dialog->isWindow() &&
        dialog->windowTitle() == QStringLiteral("Zendrel")) {
      done_ = true;
      // Queued behind the rest of this paint pass, the children's included.
      QTimer::singleShot(0, dialog, [this, dialog] {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        if (FILE* out = std::fopen(file_.c_str(), "w")) {
          std::fprintf(out, "%lld\n",
                       static_cast<long long>(
                           std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
          std::fclose(out);
        }
        dialog->reject();
      });
    }
    return false;
  }

 private:
  std::string file_;
  bool done_ = false;
};

}  // namespace

void InstallFirstPaintProbe() {
  const char* file = std::getenv("ZENDREL_FIRST_PAINT");
  if (!file || !*file) return;
  QCoreApplication::instance()->installEventFilter(new FirstPaintProbe(file));
}

}  // namespace zendrel::app
