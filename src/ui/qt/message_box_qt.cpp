#include "ui/qt/message_box_qt.h"

#include <QMessageBox>
#include <QString>

namespace zendrel::ui {

Answer QtMessageBoxes::Show(const std::string& caption, int textId, MessageKind kind) {
  QMessageBox box;
  box.setWindowTitle(QString::fromStdString(caption));
  box.setText(QString::fromUtf8(MessageText(textId)));
  // The name (and on X11 the window role) tells scripts and accessibility tools which
  // message is up.
  box.setObjectName(QStringLiteral("zendrel-message-%1").arg(textId));
  box.setWindowRole(box.objectName());
  switch (kind) {
    case MessageKind::kStop:
      box.setIcon(QMessageBox::Critical);
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MessageKind::kQuestion:
      box.setIcon(QMessageBox::Question);
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::Yes);
      box.setEscapeButton(QMessageBox::No);
      break;
    case MessageKind::kInformation:
      box.setIcon(QMessageBox::Information);
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MessageKind::kWarning:
      box.setIcon(QMessageBox::Warning);
      box.setStandardButtons(QMessageBox::Ok);
      break;
  }
  const int chosen = box.exec();
  if (kind != MessageKind::kQuestion) return Answer::kOk;
  return chosen == QMessageBox::Yes ? Answer::kYes : Answer::kNo;
}

}  // namespace zendrel::ui
