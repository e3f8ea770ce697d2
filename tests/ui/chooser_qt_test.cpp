// The Linux chooser's real widgets, driven as a user drives them: clicks, keys, the About
// command. Runs on the offscreen platform.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "folder/folder_settings.h"
#include "platform/windows_share.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "ui/icon_chooser_dialog.h"
#include "ui/qt/about_box_qt.h"
#include "ui/qt/chooser_dialog_qt.h"
#include "ui/strings.h"

namespace zendrel::ui {
namespace {

// One application for the whole program, made before the first test and gone after the last.
class QtEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "chooser_qt_test";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
    // The offscreen platform says so each time a window asks to be raised; nothing to see.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& message) {
      if (!message.startsWith("This plugin does not support")) {
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
      }
    });
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};
[[maybe_unused]] ::testing::Environment* const kQt =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

const test::IconImage kRed{32, 0xFFC02020, 32};
const test::IconImage kGreen{32, 0xFF20C020, 32};
const test::IconImage kBlue{32, 0xFF2020C0, 32};

// A chooser that also writes down what the handlers enable and disable.
class RecordingChooser : public ChooserDialogQt {
 public:
  using ChooserDialogQt::ChooserDialogQt;
  std::vector<std::string> enables;
  void EnableControl(int id, bool enable) override {
    enables.push_back((enable ? "+" : "-") + std::to_string(id));
    ChooserDialogQt::EnableControl(id, enable);
  }
};

// Runs `check` on the next turn of whatever event loop is running then, typically the one of a
// modal box that the test is about to open.
void Later(std::function<void()> check) { QTimer::singleShot(0, std::move(check)); }

class ChooserQtTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Entry("blue.ico", kBlue, "Blue", "Blue tip");
    Entry("green.ico", kGreen, "Green", "Green tip");
    Entry("red.ico", kRed, "Red", "Red tip");
    test::WriteBytes(dir_.File("standard.ico"), test::MakeIco({test::IconImage{}}));
    dialog_.catalogue.InsertFront("*", 0, ZENDREL_TEXT_112, "",
                                  platform::ExtractIcon(dir_.File("standard.ico"), 0));
    dialog_.targetFolder = "/home/user/Pictures";
  }

  // A fresh dialog with the same entries, for another run.
  void Refill() {
    dialog_ = IconChooserDialog();
    SetUp();
  }

  void Entry(const std::string& file, const test::IconImage& image, const std::string& label,
             const std::string& tip) {
    test::WriteBytes(dir_.File(file), test::MakeIco({image}));
    dialog_.catalogue.InsertFront(file, 0, label, tip, platform::ExtractIcon(dir_.File(file), 0));
  }

  // The chooser as DoModal makes it, shown without a modal loop of its own.
  template <typename Window = RecordingChooser>
  std::unique_ptr<Window> Open() {
    auto window = std::make_unique<Window>(dialog_);
    window->Initialise();
    window->show();
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    return window;
  }

  static void ClickItem(ChooserDialogQt& w, int row, bool twice = false) {
    QListWidget* list = w.IconList();
    const QPoint at = list->visualItemRect(list->item(row)).center();
    if (twice) {
      QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    } else {
      QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    }
  }
  // A point of the list where no item lies: below the last row of items.
  static void ClickEmptySpace(ChooserDialogQt& w) {
    QListWidget* list = w.IconList();
    const QRect last = list->visualItemRect(list->item(list->count() - 1));
    const QPoint at(list->viewport()->width() - 4, last.bottom() + 6);
    ASSERT_FALSE(list->indexAt(at).isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
  }
  // A click that goes through the window system's queue, where a modal box blocks it, rather
  // than straight to the widget.
  static void ClickThroughWindow(ChooserDialogQt& w, QWidget* target, QPoint at) {
    QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, target->mapTo(&w, at));
  }
  static bool AllThreeEnabled(ChooserDialogQt& w) {
    return w.ThumbnailCheck()->isEnabled() && w.InfoTipEdit()->isEnabled() &&
           w.OkButton()->isEnabled();
  }
  static bool NoneOfThreeEnabled(ChooserDialogQt& w) {
    return !w.ThumbnailCheck()->isEnabled() && !w.InfoTipEdit()->isEnabled() &&
           !w.OkButton()->isEnabled();
  }
  static void Retype(ChooserDialogQt& w, const QString& typed) {
    w.InfoTipEdit()->clear();
    QTest::keyClicks(w.InfoTipEdit(), typed);
  }
  static void Press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(target, key, modifiers);
  }

  test::TempDir dir_;
  IconChooserDialog dialog_;
};

TEST_F(ChooserQtTest, OpensOnTheFirstItemWithTheFocusInTheList) {
  dialog_.thumbnailView = true;
  auto w = Open();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Zendrel"));
  EXPECT_FALSE(w->windowIcon().isNull());
  QListWidget* list = w->IconList();
  ASSERT_EQ(list->count(), 4);
  const QStringList labels{QString::fromUtf8(ZENDREL_TEXT_112), "Red", "Green", "Blue"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(list->item(i)->text(), labels[i]);
  EXPECT_EQ(list->selectedItems(), QList<QListWidgetItem*>{list->item(0)});
  EXPECT_EQ(dialog_.selectedIndex, 0);
  EXPECT_TRUE(AllThreeEnabled(*w));
  EXPECT_TRUE(w->ThumbnailCheck()->isChecked());  // the folder's choice, even on "*"
  EXPECT_EQ(w->InfoTipEdit()->toPlainText(), "");
  EXPECT_EQ(w->focusWidget(), list);
  EXPECT_TRUE(w->OkButton()->isDefault());

  // Large icons in catalogue order, each the image of its entry, one selectable at a time.
  EXPECT_EQ(list->viewMode(), QListView::IconMode);
  EXPECT_EQ(list->iconSize(), QSize(32, 32));
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(list->movement(), QListView::Static);
  EXPECT_FALSE(list->isSortingEnabled());
  EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
  const QImage red = list->item(1)->icon().pixmap(32, 32).toImage();
  EXPECT_EQ(red.pixel(31, 31), kRed.colour);
  EXPECT_EQ(qAlpha(red.pixel(0, 0)), 0);  // the masked corner
  EXPECT_EQ(list->item(3)->icon().pixmap(32, 32).toImage().pixel(20, 20), kBlue.colour);
  // The list owns the images now.
  EXPECT_EQ(w->ImageCount(), 4);
  EXPECT_EQ(dialog_.catalogue.imageList.Count(), 0);
}

TEST_F(ChooserQtTest, ClickOnAnotherItemTakesTheSelectionFromTheOldOneFirst) {
  auto w = Open();
  w->enables.clear();
  ClickItem(*w, 2);
  EXPECT_EQ(w->enables, (std::vector<std::string>{"-1008", "-1005", "-1", "+1008", "+1005", "+1"}));
  EXPECT_EQ(dialog_.selectedIndex, 2);
  EXPECT_EQ(w->InfoTipEdit()->toPlainText(), "Green tip");
  EXPECT_TRUE(AllThreeEnabled(*w));
}

TEST_F(ChooserQtTest, EmptySpaceDisablesButKeepsTheTypedText) {
  auto w = Open();
  ClickItem(*w, 1);
  Retype(*w, "typed");
  ClickEmptySpace(*w);
  EXPECT_TRUE(w->IconList()->selectedItems().isEmpty());
  EXPECT_TRUE(NoneOfThreeEnabled(*w));
  EXPECT_EQ(w->InfoTipEdit()->toPlainText(), "typed");
  EXPECT_EQ(dialog_.selectedIndex, 1);
  // Enter has no enabled default button to press.
  Press(w->IconList(), Qt::Key_Return);
  EXPECT_FALSE(w->Ended());
  EXPECT_TRUE(w->isVisible());

  ClickItem(*w, 1);
  EXPECT_TRUE(AllThreeEnabled(*w));
  EXPECT_EQ(w->InfoTipEdit()->toPlainText(), "Red tip");
}

TEST_F(ChooserQtTest, ArrowKeysMoveTheSelectionAndDoubleClickOnlySelects) {
  auto w = Open();
  Press(w->IconList(), Qt::Key_Right);
  EXPECT_EQ(dialog_.selectedIndex, 1);
  EXPECT_EQ(w->InfoTipEdit()->toPlainText(), "Red tip");
  ClickItem(*w, 3, true);
  EXPECT_EQ(dialog_.selectedIndex, 3);
  EXPECT_EQ(w->InfoTipEdit()->toPlainText(), "Blue tip");
  EXPECT_FALSE(w->Ended());
  EXPECT_TRUE(w->isVisible());
}

TEST_F(ChooserQtTest, CheckBoxIsARememberedPreference) {
  auto w = Open();
  QCheckBox* check = w->ThumbnailCheck();
  QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
  EXPECT_TRUE(check->isChecked());
  EXPECT_TRUE(dialog_.thumbnailView);
  ClickItem(*w, 2);
  EXPECT_TRUE(check->isChecked());
  ClickItem(*w, 0);  // the standard entry shows it clear without forgetting it
  EXPECT_FALSE(check->isChecked());
  EXPECT_TRUE(dialog_.thumbnailView);
  ClickItem(*w, 1);
  EXPECT_TRUE(check->isChecked());
  // The space bar clicks it too.
  check->setFocus();
  Press(check, Qt::Key_Space);
  EXPECT_FALSE(check->isChecked());
  EXPECT_FALSE(dialog_.thumbnailView);
}

TEST_F(ChooserQtTest, EnterInTheInfoTipBoxIsOkAndCtrlEnterTypesALineBreak) {
  auto w = Open();
  ClickItem(*w, 2);
  QPlainTextEdit* edit = w->InfoTipEdit();
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, "one");
  Press(edit, Qt::Key_Return, Qt::ControlModifier);
  QTest::keyClicks(edit, "two  ");
  Press(edit, Qt::Key_Enter, Qt::ControlModifier);  // the keypad's Enter as well
  EXPECT_EQ(edit->toPlainText(), "one\ntwo  \n");
  EXPECT_FALSE(w->Ended());

  Press(edit, Qt::Key_Return);
  EXPECT_TRUE(w->Ended());
  EXPECT_EQ(w->EndCode(), kIdOk);
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(dialog_.selectedIndex, 2);
  EXPECT_EQ(dialog_.infoTipText, "one\ntwo");
  EXPECT_FALSE(dialog_.thumbnailView);
}

TEST_F(ChooserQtTest, EnterInTheListConfirms) {
  auto w = Open();
  ClickItem(*w, 3);
  Press(w->IconList(), Qt::Key_Return);
  EXPECT_EQ(w->EndCode(), kIdOk);
  EXPECT_EQ(dialog_.selectedIndex, 3);
  EXPECT_EQ(dialog_.infoTipText, "Blue tip");
}

TEST_F(ChooserQtTest, EscapeCloseBoxAndCancelButtonCancel) {
  const std::vector<std::function<void(ChooserDialogQt&)>> ways{
      [](ChooserDialogQt& w) { Press(w.IconList(), Qt::Key_Escape); },
      [](ChooserDialogQt& w) { Press(w.InfoTipEdit(), Qt::Key_Escape); },
      [](ChooserDialogQt& w) { w.close(); },
      [](ChooserDialogQt& w) { QTest::mouseClick(w.CancelButton(), Qt::LeftButton); },
  };
  for (std::size_t k = 0; k < ways.size(); ++k) {
    Refill();
    auto w = Open();
    ClickItem(*w, 2);
    w->InfoTipEdit()->setFocus();
    Retype(*w, "typed");
    ways[k](*w);
    EXPECT_TRUE(w->Ended()) << k;
    EXPECT_EQ(w->EndCode(), kIdCancel) << k;
    EXPECT_FALSE(w->isVisible()) << k;
    EXPECT_EQ(dialog_.selectedIndex, -1) << k;
    EXPECT_EQ(dialog_.infoTipText, "") << k;
  }
}

TEST_F(ChooserQtTest, TabVisitsTheControlsInTemplateOrder) {
  auto w = Open();
  const std::vector<QWidget*> order{w->ThumbnailCheck(), w->InfoTipEdit(), w->OkButton(),
                                    w->CancelButton(), w->IconList()};
  for (QWidget* expected : order) {
    Press(w->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(w->focusWidget(), expected) << expected->objectName().toStdString();
  }
}

TEST_F(ChooserQtTest, AccessKeyOpensTheAboutBoxWhichBlocksTheChooser) {
  auto w = Open();
  QListWidget* list = w->IconList();
  ClickThroughWindow(*w, list->viewport(), list->visualItemRect(list->item(1)).center());
  ASSERT_EQ(dialog_.selectedIndex, 1);  // such a click does reach an unblocked chooser
  Retype(*w, "kept");
  ASSERT_NE(w->AboutAction(), nullptr);
  EXPECT_EQ(w->AboutAction()->text(), QString::fromUtf8(ZENDREL_TEXT_101));

  for (int round = 0; round < 3; ++round) {
    // The access key works in the active window, which the box of the round before has left.
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    bool seen = false;
    Later([&] {
      auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      auto* about = dynamic_cast<AboutDialog*>(box);
      ASSERT_NE(about, nullptr);
      seen = true;
      EXPECT_EQ(about->windowTitle(), QString::fromUtf8("Zendrel のバージョン情報"));
      EXPECT_EQ(about->VersionLabel()->text(), "Zendrel Version 1.02");
      EXPECT_EQ(about->CopyrightLabel()->text(), QString::fromUtf8(ZENDREL_ABOUT_COPYRIGHT));
      EXPECT_FALSE(about->IconLabel()->pixmap().isNull());
      EXPECT_TRUE(about->OkButton()->isDefault());
      EXPECT_EQ(about->parentWidget(), w.get());
      // The chooser takes no input while the box is open.
      ClickThroughWindow(*w, w->CancelButton(), w->CancelButton()->rect().center());
      ClickThroughWindow(*w, list->viewport(), list->visualItemRect(list->item(3)).center());
      EXPECT_FALSE(w->Ended());
      EXPECT_EQ(dialog_.selectedIndex, 1);
      // Escape, the close box, Enter.
      if (round == 0) {
        Press(about, Qt::Key_Escape);
      } else if (round == 1) {
        about->close();
      } else {
        Press(about, Qt::Key_Return);
      }
    });
    Press(w->IconList(), Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(seen) << round;
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  }
  EXPECT_FALSE(w->Ended());
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(dialog_.selectedIndex, 1);
  EXPECT_TRUE(AllThreeEnabled(*w));
  EXPECT_EQ(w->InfoTipEdit()->toPlainText(), "kept");
  EXPECT_EQ(w->IconList()->selectedItems(), QList<QListWidgetItem*>{w->IconList()->item(1)});
}

TEST_F(ChooserQtTest, ContextMenuCarriesTheAboutCommand) {
  auto w = Open();
  QStringList menuTexts;
  bool aboutSeen = false;
  Later([&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    for (QAction* action : menu->actions()) menuTexts << action->text();
    Later([&] {
      auto* about = dynamic_cast<AboutDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(about, nullptr);
      aboutSeen = true;
      QTest::mouseClick(about->OkButton(), Qt::LeftButton);
    });
    QTest::mouseClick(menu, Qt::LeftButton, {},
                      menu->actionGeometry(menu->actions().first()).center());
  });
  const QPoint at = w->OkButton()->geometry().topLeft() - QPoint(4, 4);  // the dialog's face
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, w->mapToGlobal(at));
  QApplication::sendEvent(w.get(), &event);
  EXPECT_EQ(menuTexts, QStringList{QString::fromUtf8(ZENDREL_TEXT_101)});
  EXPECT_TRUE(aboutSeen);
  EXPECT_FALSE(w->Ended());
}

// A string table without the About text.
class ChooserWithoutAboutText final : public ChooserDialogQt {
 public:
  using ChooserDialogQt::ChooserDialogQt;
  std::string LoadText(int) const override { return ""; }
};

TEST_F(ChooserQtTest, WithoutTheAboutTextThereIsNoAboutCommand) {
  auto w = Open<ChooserWithoutAboutText>();
  EXPECT_EQ(w->AboutAction(), nullptr);
  EXPECT_TRUE(w->actions().isEmpty());
  bool opened = false;
  QTimer guard;  // closes a box that should not be there rather than waiting for ever
  QObject::connect(&guard, &QTimer::timeout, [&] {
    if (QWidget* box = QApplication::activeModalWidget()) {
      opened = true;
      box->close();
    }
  });
  guard.start(0);
  Press(w->IconList(), Qt::Key_A, Qt::AltModifier);
  QTest::qWait(20);
  EXPECT_FALSE(opened);
}

TEST_F(ChooserQtTest, LongFolderPathIsShortenedInTheMiddle) {
  std::string path = "/home/user";
  for (int i = 0; i < 30; ++i) path += "/folder-number-" + std::to_string(i);
  path += "/the-last-one";
  dialog_.targetFolder = path;
  auto w = Open();
  const QLabel* label = w->FolderLabel();
  const QString shown = label->text();
  EXPECT_TRUE(shown.startsWith("/home/")) << shown.toStdString();
  EXPECT_TRUE(shown.contains("/.../")) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith("/the-last-one")) << shown.toStdString();
  EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width());
  EXPECT_EQ(label->toolTip().toStdString(), path);
  EXPECT_EQ(dialog_.targetFolder, path);
  EXPECT_EQ(label->frameShadow(), QFrame::Sunken);
  EXPECT_TRUE(label->alignment() & Qt::AlignVCenter);
}

TEST_F(ChooserQtTest, ShortFolderPathIsShownWhole) {
  dialog_.targetFolder = "/srv/フォルダ";
  auto w = Open();
  EXPECT_EQ(w->FolderLabel()->text(), QString::fromUtf8("/srv/フォルダ"));
}

// Every text shows whole, every control lies inside the dialog, controls do not overlap, and
// each group box frames its controls.
void ExpectUnclipped(const QWidget& dialog) {
  const QRect face = dialog.rect();
  std::vector<const QWidget*> controls;
  for (const QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const std::string name = child->metaObject()->className();
    EXPECT_TRUE(face.contains(child->geometry())) << name;
    if (const auto* label = qobject_cast<const QLabel*>(child); label && label->pixmap().isNull()) {
      EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()),
                label->contentsRect().width())
          << label->text().toStdString();
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(child)) {
      EXPECT_LE(button->sizeHint().width(), button->width()) << button->text().toStdString();
      EXPECT_LE(button->fontMetrics().height(), button->height()) << button->text().toStdString();
    }
    if (!qobject_cast<const QGroupBox*>(child)) controls.push_back(child);
  }
  for (std::size_t a = 0; a < controls.size(); ++a) {
    for (std::size_t b = a + 1; b < controls.size(); ++b) {
      EXPECT_FALSE(controls[a]->geometry().intersects(controls[b]->geometry()))
          << controls[a]->metaObject()->className() << " and "
          << controls[b]->metaObject()->className();
    }
  }
}

TEST_F(ChooserQtTest, LayoutShowsEveryTextWhole) {
  const QFont applicationFont = QApplication::font();
  auto w = Open();
  ExpectUnclipped(*w);
  // The dialog's font, the info tip's text included; the application's own, which the message
  // boxes show, stays as it was.
  EXPECT_EQ(w->InfoTipEdit()->font(), w->font());
  EXPECT_EQ(w->InfoTipEdit()->document()->defaultFont(), w->font());
  EXPECT_EQ(QApplication::font(), applicationFont);
  EXPECT_NE(QApplication::font(), w->font());
  const auto* iconGroup = w->findChild<QGroupBox*>("iconGroup");
  const auto* infoGroup = w->findChild<QGroupBox*>("infoGroup");
  ASSERT_TRUE(iconGroup && infoGroup);
  EXPECT_TRUE(iconGroup->geometry().contains(w->IconList()->geometry()));
  EXPECT_TRUE(iconGroup->geometry().contains(w->findChild<QLabel*>("prompt")->geometry()));
  EXPECT_TRUE(infoGroup->geometry().contains(w->InfoTipEdit()->geometry()));
  // The template's proportions: the list and the edit box span the same width, the dialog is
  // taller than wide, the buttons sit side by side at the bottom right.
  EXPECT_EQ(w->IconList()->width(), w->InfoTipEdit()->width());
  EXPECT_GT(w->height(), w->width());
  EXPECT_EQ(w->OkButton()->y(), w->CancelButton()->y());
  EXPECT_GT(w->CancelButton()->x(), w->OkButton()->x());

  AboutDialog about;
  about.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
  ExpectUnclipped(about);
  EXPECT_GT(about.width(), 3 * about.height());
}

TEST_F(ChooserQtTest, DoModalReturnsWhatTheUserChose) {
  Later([] {
    auto* w = dynamic_cast<ChooserDialogQt*>(QApplication::activeModalWidget());
    ASSERT_NE(w, nullptr);
    ClickItem(*w, 2);
    QTest::mouseClick(w->OkButton(), Qt::LeftButton);
  });
  EXPECT_EQ(DoModal(dialog_), kIdOk);
  EXPECT_EQ(dialog_.selectedIndex, 2);
  EXPECT_EQ(dialog_.infoTipText, "Green tip");

  Refill();
  Later([] {
    QWidget* w = QApplication::activeModalWidget();
    ASSERT_NE(w, nullptr);
    Press(w, Qt::Key_Escape);
  });
  EXPECT_EQ(DoModal(dialog_), kIdCancel);
  EXPECT_EQ(dialog_.selectedIndex, -1);
}

// Japanese text that a Windows machine wrote in its code page shows as its text: the folder's
// info tip, the catalogue's label and info tip. The files are the Windows build's own when the
// cross-build test names its share (ZENDREL_WINDOWS_SHARE), else Shift-JIS files made here as
// Windows writes them.
TEST_F(ChooserQtTest, ShowsTheJapaneseTextAWindowsMachineWrote) {
  namespace fixture = test::windows_share;
  const char* given = std::getenv("ZENDREL_WINDOWS_SHARE");
  const std::string share = given ? given : dir_.File("share");
  const std::string icons = share + "/" + fixture::kIcons + "/";
  const std::string work = share + "/" + fixture::kWork;
  const std::string folder = work + "/" + fixture::kFolderName.utf8;
  if (!given) {
    for (const std::string& made : {share, icons, work, folder})
      ASSERT_TRUE(test::MakeFolder(made));
    test::WriteBytes(icons + fixture::kIconFile, test::MakeIco({kRed}));
    test::WriteBytes(icons + "Zendrel.ini",
                     std::string("[FolderIconLabels]\r\na.ico=") + fixture::kLabel.cp932 +
                         "\r\n[FolderIconInfoTip]\r\na.ico=" + fixture::kIconTip.cp932 + "\r\n");
    test::WriteBytes(folder + "/desktop.ini",
                     "[.ShellClassInfo]\r\nIconFile=" + icons +
                         "a.ico\r\nIconIndex=0\r\nInfoTip=" + fixture::kInfoTip.cp932 + "\r\n");
  }
  dialog_ = IconChooserDialog();
  ASSERT_TRUE(dialog_.catalogue.Load(icons));
  folder::ReadFolderSettings(dialog_.catalogue, dialog_.thumbnailView, folder, folder + "/", {},
                             ZENDREL_TEXT_108);
  auto w = Open();
  QListWidget* list = w->IconList();
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text(), QString::fromUtf8(ZENDREL_TEXT_108));
  EXPECT_EQ(list->item(1)->text(), QString::fromUtf8(fixture::kLabel.utf8));
  EXPECT_EQ(w->InfoTipEdit()->toPlainText(), QString::fromUtf8(fixture::kInfoTip.utf8));
  ClickItem(*w, 1);
  EXPECT_EQ(w->InfoTipEdit()->toPlainText(), QString::fromUtf8(fixture::kIconTip.utf8));
}

// The label's shortening, with a width of one unit a byte.
TEST(CompactPath, KeepsBothEndsAndTheLastComponentWhole) {
  const auto within = [](std::size_t n) {
    return [n](const std::string& s) { return s.size() <= n; };
  };
  const std::string path = "/home/user/a/b/deep/folder";
  EXPECT_EQ(CompactPath(path, within(path.size())), path);
  EXPECT_EQ(CompactPath("/home/user/a/b/c/deep/folder", within(26)), "/home/user/.../deep/folder");
  // The end grows first, then the start, while there is room.
  EXPECT_EQ(CompactPath(path, within(25)), "/home/.../a/b/deep/folder");
  EXPECT_EQ(CompactPath(path, within(22)), "/home/.../deep/folder");
  EXPECT_EQ(CompactPath(path, within(16)), "/home/.../folder");
  // Narrower: the root alone, then not even that.
  EXPECT_EQ(CompactPath(path, within(15)), "/.../folder");
  EXPECT_EQ(CompactPath(path, within(10)), ".../folder");
  EXPECT_EQ(CompactPath(path, within(7)), "fold...");
  EXPECT_EQ(CompactPath(path, within(2)), "...");
  // A trailing separator stays with the last component.
  EXPECT_EQ(CompactPath("/aaaa/bbbb/cccc/", within(12)), "/.../cccc/");
  // A relative path keeps its first component while it can.
  EXPECT_EQ(CompactPath("aaaa/bbbb/cccc", within(13)), "aaaa/.../cccc");
  EXPECT_EQ(CompactPath("aaaa/bbbb/cccc", within(11)), ".../cccc");
  // A doubled separator is no component of its own.
  EXPECT_EQ(CompactPath("//srv/aaaa/bbbb/cccc", within(16)), "//srv/.../cccc");
  // Multibyte characters are never cut.
  const std::string japanese = "/フォルダ/とても長い名前";
  EXPECT_EQ(CompactPath(japanese, within(11)), "とて...");
  EXPECT_EQ(CompactPath(japanese, within(12)), "とても...");
  EXPECT_EQ(CompactPath(japanese, within(27)), "/.../とても長い名前");
}

}  // namespace
}  // namespace zendrel::ui
