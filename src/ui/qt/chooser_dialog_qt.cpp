#include "ui/qt/chooser_dialog_qt.h"

#include <qdrawutil.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleOption>
#include <QTextOption>

#include <algorithm>
#include <cstddef>
#include <vector>

#include "text/text.h"
#include "ui/qt/about_box_qt.h"
#include "ui/strings.h"

namespace zendrel::ui {

namespace {

const char kCaption[] = "Zendrel";
const char kEllipsis[] = "...";

// The dialog, in dialog units.
constexpr int kWidth = 206;
constexpr int kHeight = 235;
// Texts may run on to the inner edge of their group box.
constexpr int kPromptX = 11;
constexpr int kCheckX = 7;
constexpr int kTextRoomEnd = 199;

QString FromBytes(const std::string& s) { return QString::fromUtf8(s.data(), s.size()); }

// A large-icon list as the chooser wants it: a click on empty space takes the selection away.
// Said here rather than left to the toolkit's default for single-selection views.
class IconListWidget final : public QListWidget {
 public:
  using QListWidget::QListWidget;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (!indexAt(event->position().toPoint()).isValid()) clearSelection();
    QListWidget::mousePressEvent(event);
  }
};

// The info-tip box leaves Enter to the dialog, where it presses the default button; Ctrl+Enter
// types the line break instead.
class InfoTipEditWidget final : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!enter) {
      QPlainTextEdit::keyPressEvent(event);
      return;
    }
    if (event->modifiers() & Qt::ControlModifier) {
      textCursor().insertText(QStringLiteral("\n"));
      ensureCursorVisible();
      return;
    }
    event->ignore();
  }
};

// A group box framed by an etched line, as Windows frames one. The style's own frame is an
// image, and reading the first image makes the toolkit load every image plugin it has, which
// would cost the dialog's first paint more than all its text.
class EtchedGroupStyle final : public QProxyStyle {
 public:
  explicit EtchedGroupStyle(QObject* owner) { setParent(owner); }

  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
    if (element != PE_FrameGroupBox) {
      QProxyStyle::drawPrimitive(element, option, painter, widget);
      return;
    }
    qDrawShadeRect(painter, option->rect, option->palette, /*sunken=*/true, 1, 0);
  }
};

}  // namespace

std::string CompactPath(const std::string& path,
                        const std::function<bool(const std::string&)>& fits) {
  if (fits(path)) return path;

  // The separators before the last component. A shortened path keeps the text up to just after
  // one of them (the head), then "...", then the text from a later one on (the tail).
  const std::size_t lastStart = path.size() - text::FileNamePart(path).size();
  std::vector<std::size_t> separators;
  for (std::size_t i = 0; i < lastStart; i = text::NextChar(path, i)) {
    if (path[i] == text::kSeparator && text::CharLength(path, i) == 1) separators.push_back(i);
  }
  const auto join = [&](std::size_t headEnd, std::size_t tailStart) {
    return path.substr(0, headEnd) + kEllipsis + path.substr(tailStart);
  };

  if (!separators.empty()) {
    // Start from the first named component and the last one; then the two ends grow in turn,
    // a whole component at a time, the end first, for as long as the result fits.
    std::size_t head = 0;
    while (head < separators.size() &&
           separators[head] == (head == 0 ? 0 : separators[head - 1] + 1)) {
      ++head;
    }
    std::size_t tail = separators.size() - 1;
    const auto cuts = [&](std::size_t h, std::size_t t) {
      return h < separators.size() && separators[h] + 1 < separators[t];
    };
    if (cuts(head, tail) && fits(join(separators[head] + 1, separators[tail]))) {
      for (bool grown = true; grown;) {
        grown = false;
        if (tail > 0 && cuts(head, tail - 1) &&
            fits(join(separators[head] + 1, separators[tail - 1]))) {
          --tail;
          grown = true;
        }
        if (cuts(head + 1, tail) && fits(join(separators[head + 1] + 1, separators[tail]))) {
          ++head;
          grown = true;
        }
      }
      return join(separators[head] + 1, separators[tail]);
    }
    // Too narrow for any named component before the last: the root, then nothing before it.
    const std::size_t lastSeparator = separators.back();
    if (path[0] == text::kSeparator && lastSeparator > 0 && fits(join(1, lastSeparator))) {
      return join(1, lastSeparator);
    }
    if (fits(join(0, lastSeparator))) return join(0, lastSeparator);
  }

  // Not even the last component fits after an ellipsis: as much of its start as fits.
  const std::string last = path.substr(lastStart);
  std::vector<std::size_t> ends;
  for (std::size_t i = 0; i < last.size(); i = text::NextChar(last, i)) ends.push_back(i);
  for (auto it = ends.rbegin(); it != ends.rend(); ++it) {
    const std::string candidate = last.substr(0, *it) + kEllipsis;
    if (fits(candidate)) return candidate;
  }
  return kEllipsis;
}

ChooserDialogQt::ChooserDialogQt(IconChooserDialog& dialog, QWidget* owner)
    : QDialog(owner, kDialogFlags), dialog_(dialog) {
  setObjectName(QStringLiteral("zendrel-chooser"));
  setWindowTitle(QString::fromUtf8(kCaption));
  setFont(DialogFont());

  // Made in tab order: the list first, so that it has the focus when the dialog opens.
  list_ = new IconListWidget(this);
  check_ = new QCheckBox(QString::fromUtf8(ZENDREL_CHOOSER_THUMBNAIL), this);
  {
    // The text box lays out its empty document as it is made, in the application's font, which
    // no control here shows: loading that font would delay the first paint. The dialog's font
    // stands in for it meanwhile.
    const QFont applicationFont = QApplication::font();
    QApplication::setFont(font());
    edit_ = new InfoTipEditWidget(this);
    QApplication::setFont(applicationFont);
  }
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  cancel_ = new QPushButton(QString::fromUtf8(ZENDREL_CHOOSER_CANCEL), this);
  folder_ = new QLabel(QString::fromUtf8(ZENDREL_CHOOSER_FOLDER), this);
  iconGroup_ = new QGroupBox(QString::fromUtf8(ZENDREL_CHOOSER_ICON_GROUP), this);
  prompt_ = new QLabel(QString::fromUtf8(ZENDREL_CHOOSER_PROMPT), this);
  infoGroup_ = new QGroupBox(QString::fromUtf8(ZENDREL_CHOOSER_INFO_GROUP), this);
  setTabOrder(list_, check_);
  setTabOrder(check_, edit_);
  setTabOrder(edit_, ok_);
  setTabOrder(ok_, cancel_);

  list_->setObjectName(QStringLiteral("iconList"));
  list_->setViewMode(QListView::IconMode);
  list_->setIconSize(QSize(platform::kIconSize, platform::kIconSize));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setSortingEnabled(false);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setMovement(QListView::Static);
  list_->setDragEnabled(false);
  list_->setDragDropMode(QAbstractItemView::NoDragDrop);
  list_->setResizeMode(QListView::Adjust);
  list_->setWrapping(true);
  list_->setWordWrap(true);
  list_->setUniformItemSizes(true);
  list_->setTextElideMode(Qt::ElideRight);

  check_->setObjectName(QStringLiteral("thumbnailCheck"));
  edit_->setObjectName(QStringLiteral("infoTipEdit"));
  edit_->setTabChangesFocus(true);
  edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  edit_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  ok_->setObjectName(QStringLiteral("okButton"));
  ok_->setDefault(true);
  cancel_->setObjectName(QStringLiteral("cancelButton"));
  folder_->setObjectName(QStringLiteral("folderLabel"));
  folder_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  folder_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  folder_->setTextFormat(Qt::PlainText);
  folder_->setContentsMargins(2, 0, 2, 0);
  prompt_->setObjectName(QStringLiteral("prompt"));
  prompt_->setTextFormat(Qt::PlainText);
  iconGroup_->setObjectName(QStringLiteral("iconGroup"));
  infoGroup_->setObjectName(QStringLiteral("infoGroup"));
  for (QGroupBox* group : {iconGroup_, infoGroup_}) group->setStyle(new EtchedGroupStyle(group));
  // The group boxes only frame their controls: beneath them, so that clicks reach them.
  iconGroup_->lower();
  infoGroup_->lower();
  Layout();

  connect(ok_, &QPushButton::clicked, this, &ChooserDialogQt::accept);
  connect(cancel_, &QPushButton::clicked, this, &ChooserDialogQt::reject);
  connect(check_, &QCheckBox::clicked, this, [this] { dialog_.OnThumbnailCheckClicked(*this); });
  // The list's selection as the handler knows it: first the item that lost it, then the one
  // that gained it.
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected, const QItemSelection& deselected) {
            for (const QModelIndex& index : deselected.indexes()) {
              ReportSelection(index.row(), false);
            }
            for (const QModelIndex& index : selected.indexes()) ReportSelection(index.row(), true);
          });
}

ChooserDialogQt::~ChooserDialogQt() = default;

void ChooserDialogQt::Layout() {
  const QFont font = this->font();
  const QFontMetrics metrics(font);
  DialogUnits du(font);
  // Where a text is too wide for this font even up to the group box's edge, the whole dialog
  // grows wider rather than cut it.
  du.MakeRoom(metrics.horizontalAdvance(prompt_->text()) + 1, kTextRoomEnd - kPromptX);
  du.MakeRoom(check_->sizeHint().width(), kTextRoomEnd - kCheckX);
  du.MakeRoom(cancel_->sizeHint().width(), 50);

  list_->setGeometry(du.Rect(7, 46, 192, 96));
  check_->setGeometry(du.TextRect(kCheckX, 152, 131, 10, check_->sizeHint().width(), kTextRoomEnd));
  edit_->setGeometry(du.Rect(7, 179, 192, 28));
  ok_->setGeometry(du.Rect(98, 216, 50, 14));
  cancel_->setGeometry(du.Rect(152, 216, 50, 14));
  folder_->setGeometry(du.Rect(4, 4, 198, 12));
  iconGroup_->setGeometry(du.Rect(4, 22, 198, 124));
  prompt_->setGeometry(du.TextRect(kPromptX, 34, 133, 8,
                                   metrics.horizontalAdvance(prompt_->text()) + 1, kTextRoomEnd));
  infoGroup_->setGeometry(du.Rect(4, 167, 198, 44));
  setFixedSize(du.X(kWidth), du.Y(kHeight));

  // Large-icon cells: the image over two lines of label, a little wider than the image.
  const int cellWidth = std::max(du.X(44), platform::kIconSize + 16);
  list_->setGridSize(QSize(cellWidth, platform::kIconSize + 2 * metrics.lineSpacing() + 12));
}

void ChooserDialogQt::Initialise() {
  dialog_.OnInitDialog(*this);
  list_->setFocus(Qt::OtherFocusReason);
}

void ChooserDialogQt::accept() { dialog_.OnOK(*this); }

void ChooserDialogQt::reject() { dialog_.OnCancel(*this); }

void ChooserDialogQt::ReportSelection(int row, bool selected) {
  dialog_.OnItemChangedIconList(*this, row, selected ? kListItemSelected : 0);
}

void ChooserDialogQt::AddAboutCommand(const std::string& text) {
  // A window manager's menu is not ours to extend: the command lives in the dialog's context
  // menu and on its access key.
  about_ = new QAction(FromBytes(text), this);
  about_->setObjectName(QStringLiteral("aboutCommand"));
  about_->setShortcut(QKeySequence(Qt::ALT | Qt::Key_A));
  about_->setShortcutContext(Qt::WindowShortcut);
  addAction(about_);
  connect(about_, &QAction::triggered, this,
          [this] { dialog_.OnSysCommand(*this, kAboutCommand); });
}

void ChooserDialogQt::SetWindowIcon() {
  const QPixmap pixmap = ProgramIconPixmap();
  if (!pixmap.isNull()) setWindowIcon(QIcon(pixmap));
}

void ChooserDialogQt::SetFolderLabel(const std::string& path) {
  const QFontMetrics metrics(folder_->font());
  const int room = folder_->contentsRect().width();
  folder_->setText(FromBytes(CompactPath(path, [&](const std::string& candidate) {
    return metrics.horizontalAdvance(FromBytes(candidate)) <= room;
  })));
  folder_->setToolTip(FromBytes(path));
}

void ChooserDialogQt::AttachImageList(platform::ImageList& images) { images_ = std::move(images); }

int ChooserDialogQt::ImageCount() const { return images_.Count(); }

void ChooserDialogQt::InsertItem(int index, const std::string& label) {
  auto* item = new QListWidgetItem(QIcon(IconPixmap(images_.Pixels(index))), FromBytes(label));
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  item->setToolTip(item->text());
  list_->insertItem(index, item);
}

void ChooserDialogQt::SelectFirstItem() {
  if (list_->count() == 0) return;
  list_->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
}

void ChooserDialogQt::EnableControl(int id, bool enable) {
  switch (id) {
    case kIdThumbnailCheck:
      check_->setEnabled(enable);
      break;
    case kIdInfoTipEdit:
      edit_->setEnabled(enable);
      break;
    case kIdOk:
      ok_->setEnabled(enable);
      break;
    default:
      break;
  }
}

bool ChooserDialogQt::IsThumbnailChecked() const { return check_->isChecked(); }

void ChooserDialogQt::SetThumbnailChecked(bool checked) { check_->setChecked(checked); }

std::string ChooserDialogQt::InfoTipText() const { return edit_->toPlainText().toStdString(); }

void ChooserDialogQt::SetInfoTipText(const std::string& text) {
  edit_->setPlainText(FromBytes(text));
}

void ChooserDialogQt::BringToForeground() {
  if (isVisible()) {
    raise();
    activateWindow();
  } else {
    foregroundOnShow_ = true;
  }
}

void ChooserDialogQt::RepaintAll() { update(); }

void ChooserDialogQt::RunAboutBox() {
  AboutDialog box(this);
  box.exec();
}

void ChooserDialogQt::EndDialog(int code) {
  ended_ = true;
  endCode_ = code;
  done(code == kIdOk ? QDialog::Accepted : QDialog::Rejected);
}

void ChooserDialogQt::contextMenuEvent(QContextMenuEvent* event) {
  if (about_ == nullptr) {
    QDialog::contextMenuEvent(event);
    return;
  }
  QMenu menu(this);
  menu.addAction(about_);
  menu.exec(event->globalPos());
}

void ChooserDialogQt::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange) dialog_.OnActivate(*this, isActiveWindow());
}

void ChooserDialogQt::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (foregroundOnShow_) {
    foregroundOnShow_ = false;
    raise();
    activateWindow();
  }
}

int DoModal(IconChooserDialog& dialog) {
  ChooserDialogQt window(dialog);
  window.Initialise();
  window.exec();
  // A run that ended some other way (the application quitting) confirmed nothing.
  if (!window.Ended()) dialog.OnCancel(window);
  return window.EndCode();
}

}  // namespace zendrel::ui
