#include "ui/icon_chooser_dialog.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "ui/strings.h"

namespace zendrel::ui {
namespace {

#ifdef _WIN32
const std::string kIdeographicSpace = "\x81\x40";
const std::string kJapanese = "\x95\x5C\x8E\xA6";  // two characters, the first ending in '\'
#else
const std::string kIdeographicSpace = "\xE3\x80\x80";
const std::string kJapanese = "\xE8\xA1\xA8\xE7\xA4\xBA";
#endif

// A window that does what the handlers ask and writes down every request, in order. Like
// the list view, selecting the first item reports the change before SelectFirstItem returns.
class FakeView final : public ChooserView {
 public:
  explicit FakeView(IconChooserDialog& dialog) : dialog_(dialog) {}

  std::vector<std::string> calls;
  std::optional<std::string> stringTable;  // what LoadText gives; the real table when unset
  platform::ImageList images;
  std::map<int, bool> enabled;
  bool checked = false;
  std::string edit;
  int selected = -1;
  int endCode = 0;
  int aboutRuns = 0;
  int repaints = 0;

  std::string LoadText(int id) const override {
    return stringTable ? *stringTable : ChooserView::LoadText(id);
  }
  void AddAboutCommand(const std::string& text) override { calls.push_back("about:" + text); }
  void SetWindowIcon() override { calls.push_back("icon"); }
  void SetFolderLabel(const std::string& path) override { calls.push_back("label:" + path); }
  void AttachImageList(platform::ImageList& list) override {
    images = std::move(list);
    calls.push_back("images:" + std::to_string(images.Count()));
  }
  int ImageCount() const override { return images.Count(); }
  void InsertItem(int index, const std::string& label) override {
    calls.push_back("insert:" + std::to_string(index) + ":" + label);
  }
  void BeginListFill() override { calls.push_back("fill"); }
  void EndListFill() override { calls.push_back("filled"); }
  void SelectFirstItem() override {
    calls.push_back("select-first");
    selected = 0;
    dialog_.OnItemChangedIconList(*this, 0, 0x3);  // selected and focused
  }
  void EnableControl(int id, bool enable) override {
    calls.push_back((enable ? "enable:" : "disable:") + std::to_string(id));
    enabled[id] = enable;
  }
  bool IsThumbnailChecked() const override { return checked; }
  void SetThumbnailChecked(bool value) override {
    calls.push_back(value ? "check" : "uncheck");
    checked = value;
  }
  std::string InfoTipText() const override { return edit; }
  void SetInfoTipText(const std::string& text) override {
    calls.push_back("text:" + text);
    edit = text;
  }
  void BringToForeground() override { calls.push_back("foreground"); }
  void RepaintAll() override { ++repaints; }
  void RunAboutBox() override { ++aboutRuns; }
  void EndDialog(int code) override { endCode = code; }

  // What the user does, with the notifications a single-selection list sends for it.
  void Click(int item) {
    if (selected == item) return;
    if (selected >= 0) dialog_.OnItemChangedIconList(*this, selected, 0);
    selected = item;
    dialog_.OnItemChangedIconList(*this, item, kListItemSelected);
  }
  void ClickEmptySpace() {
    if (selected >= 0) dialog_.OnItemChangedIconList(*this, selected, 0);
    selected = -1;
  }
  void ClickCheckBox() {
    if (!enabled[kIdThumbnailCheck]) return;
    checked = !checked;
    dialog_.OnThumbnailCheckClicked(*this);
  }
  void Type(const std::string& text) {
    if (enabled[kIdInfoTipEdit]) edit = text;
  }
  // The OK button, or Enter on it as the default button: nothing while it is disabled.
  void PressOk() {
    if (enabled[kIdOk]) dialog_.OnOK(*this);
  }
  bool Enabled(int id) { return enabled[id]; }
  bool AllThreeEnabled() {
    return Enabled(kIdThumbnailCheck) && Enabled(kIdInfoTipEdit) && Enabled(kIdOk);
  }
  bool NoneOfThreeEnabled() {
    return !Enabled(kIdThumbnailCheck) && !Enabled(kIdInfoTipEdit) && !Enabled(kIdOk);
  }

 private:
  IconChooserDialog& dialog_;
};

// One catalogue entry: its file name, label and default info tip.
struct Entry {
  std::string fileName;
  std::string label;
  std::string infoTip;
};

class ChooserTest : public ::testing::Test {
 protected:
  // Fills the catalogue as the run sequence does: entries put in front one by one, so the
  // last one given comes first.
  void Fill(IconChooserDialog& dialog, const std::vector<Entry>& entries) {
    test::WriteBytes(dir_.File("icon.ico"), test::MakeIco({test::IconImage{}}));
    const platform::Icon icon = platform::ExtractIcon(dir_.File("icon.ico"), 0);
    ASSERT_TRUE(icon);
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
      dialog.catalogue.InsertFront(it->fileName, 0, it->label, it->infoTip, icon);
    }
    ASSERT_EQ(dialog.catalogue.Count(), static_cast<int>(entries.size()));
  }

  // The standard entry first, as for a folder without a settings file, then two icons.
  void FillStandardFirst(IconChooserDialog& dialog) {
    Fill(dialog, {{"*", "standard", ""},
                  {"cloud.ico", "Cloud", "Things in the cloud"},
                  {"gear.ico", "Gear", "Settings"}});
  }

  test::TempDir dir_;
};

TEST_F(ChooserTest, StartsEmptyWithNothingChosen) {
  const IconChooserDialog dialog;
  EXPECT_EQ(dialog.targetFolder, "");
  EXPECT_EQ(dialog.catalogue.Count(), 0);
  EXPECT_TRUE(dialog.catalogue.fileNames.empty());
  EXPECT_EQ(dialog.selectedIndex, -1);
  EXPECT_FALSE(dialog.thumbnailView);
  EXPECT_EQ(dialog.infoTipText, "");
}

TEST_F(ChooserTest, InitialisesInOrderAndHandsTheImagesToTheList) {
  IconChooserDialog dialog;
  dialog.targetFolder = "/home/user/Pictures";
  Fill(dialog, {{"current.ico", "Current", "Mine"}, {"*", "standard", ""}, {"a.ico", "A", "x"}});
  dialog.thumbnailView = true;
  FakeView view(dialog);
  view.stringTable = "About...";
  dialog.OnInitDialog(view);

  EXPECT_EQ(view.calls,
            (std::vector<std::string>{
                "about:About...", "icon", "label:/home/user/Pictures", "images:3", "fill",
                "insert:0:Current", "insert:1:standard", "insert:2:A", "filled", "select-first",
                // the item change of item 0, inside the selection
                "enable:1008", "enable:1005", "enable:1", "check", "text:Mine",
                // then the folder's own thumbnail choice, then the foreground
                "check", "foreground"}));
  // The list owns the images now; the catalogue's entries stay for the run sequence.
  EXPECT_EQ(view.images.Count(), 3);
  EXPECT_EQ(dialog.catalogue.imageList.Count(), 0);
  EXPECT_EQ(dialog.catalogue.fileNames.size(), 3u);
  EXPECT_EQ(dialog.selectedIndex, 0);
  EXPECT_EQ(dialog.targetFolder, "/home/user/Pictures");
}

TEST_F(ChooserTest, AboutCommandCarriesStringAboutMenuAndIsLeftOutWhenEmpty) {
  {
    IconChooserDialog dialog;
    FillStandardFirst(dialog);
    FakeView view(dialog);
    dialog.OnInitDialog(view);
    ASSERT_FALSE(view.calls.empty());
    // The text of the build's own string table, in its own code page.
#ifdef _WIN32
    EXPECT_EQ(view.calls[0],
              "about:Zendrel \x82\xCC\xCA\xDE\xB0\xBC\xDE\xAE\xDD\x8F\xEE\x95\xF1(&A)...");
#else
    EXPECT_EQ(view.calls[0], std::string("about:") + ZENDREL_TEXT_101);
#endif
  }
  IconChooserDialog dialog;
  FillStandardFirst(dialog);
  FakeView view(dialog);
  view.stringTable = "";
  dialog.OnInitDialog(view);
  EXPECT_EQ(view.calls[0], "icon");
}

TEST_F(ChooserTest, WithoutSettingsFileOpensOnTheStandardEntryReadyForOk) {
  IconChooserDialog dialog;
  FillStandardFirst(dialog);
  FakeView view(dialog);
  dialog.OnInitDialog(view);
  EXPECT_EQ(dialog.selectedIndex, 0);
  EXPECT_TRUE(view.AllThreeEnabled());
  EXPECT_FALSE(view.checked);
  EXPECT_EQ(view.edit, "");

  view.PressOk();
  EXPECT_EQ(view.endCode, kIdOk);
  EXPECT_EQ(dialog.selectedIndex, 0);
  EXPECT_FALSE(dialog.thumbnailView);
  EXPECT_EQ(dialog.infoTipText, "");
}

TEST_F(ChooserTest, OpensWithTheFolderThumbnailChoiceEvenOnTheStandardEntry) {
  IconChooserDialog dialog;
  FillStandardFirst(dialog);
  dialog.thumbnailView = true;
  FakeView view(dialog);
  dialog.OnInitDialog(view);
  EXPECT_TRUE(view.checked);
  EXPECT_TRUE(dialog.thumbnailView);
}

TEST_F(ChooserTest, StandardEntryHidesTheThumbnailPreferenceWithoutForgettingIt) {
  IconChooserDialog dialog;
  Fill(dialog, {{"cloud.ico", "Cloud", ""}, {"*", "standard", ""}, {"gear.ico", "Gear", ""}});
  dialog.thumbnailView = true;
  FakeView view(dialog);
  dialog.OnInitDialog(view);
  ASSERT_TRUE(view.checked);

  view.Click(1);
  EXPECT_FALSE(view.checked);
  EXPECT_TRUE(dialog.thumbnailView);
  view.Click(2);
  EXPECT_TRUE(view.checked);
  view.Click(1);
  // OK reads the box as it is shown: the standard entry left untouched means no thumbnails.
  view.PressOk();
  EXPECT_EQ(dialog.selectedIndex, 1);
  EXPECT_FALSE(dialog.thumbnailView);
}

TEST_F(ChooserTest, CheckBoxClicksAreRememberedOnEveryEntry) {
  IconChooserDialog dialog;
  FillStandardFirst(dialog);
  FakeView view(dialog);
  dialog.OnInitDialog(view);
  view.ClickCheckBox();  // on the standard entry
  EXPECT_TRUE(dialog.thumbnailView);
  view.Click(1);  // another entry shows the new preference
  EXPECT_TRUE(view.checked);
  view.ClickCheckBox();  // cleared there, and remembered so
  EXPECT_FALSE(dialog.thumbnailView);
  view.Click(2);
  EXPECT_FALSE(view.checked);

  view.Click(0);
  view.ClickCheckBox();
  EXPECT_TRUE(view.checked);
  view.PressOk();
  EXPECT_EQ(view.endCode, kIdOk);
  EXPECT_EQ(dialog.selectedIndex, 0);
  EXPECT_TRUE(dialog.thumbnailView);
}

TEST_F(ChooserTest, ClickOnAnotherItemDisablesThenRefillsFromTheNewEntry) {
  IconChooserDialog dialog;
  FillStandardFirst(dialog);
  FakeView view(dialog);
  dialog.OnInitDialog(view);
  view.calls.clear();
  view.Click(2);
  EXPECT_EQ(view.calls,
            (std::vector<std::string>{"disable:1008", "disable:1005", "disable:1", "enable:1008",
                                      "enable:1005", "enable:1", "text:Settings"}));
  EXPECT_EQ(dialog.selectedIndex, 2);
}

TEST_F(ChooserTest, TypedInfoTipIsReplacedBySelectionButKeptByEmptySpace) {
  IconChooserDialog dialog;
  FillStandardFirst(dialog);
  FakeView view(dialog);
  dialog.OnInitDialog(view);
  view.Type("my own words");
  view.Click(1);
  EXPECT_EQ(view.edit, "Things in the cloud");

  view.Type("typed again");
  view.ClickEmptySpace();
  EXPECT_TRUE(view.NoneOfThreeEnabled());
  EXPECT_EQ(view.edit, "typed again");
  EXPECT_EQ(dialog.selectedIndex, 1);  // not reset: OK is disabled instead
  view.PressOk();
  EXPECT_EQ(view.endCode, 0);

  view.Click(1);  // the same entry again
  EXPECT_TRUE(view.AllThreeEnabled());
  EXPECT_EQ(view.edit, "Things in the cloud");
}

TEST_F(ChooserTest, EverySelectedStateRefillsEvenForAnItemThatStaysSelected) {
  IconChooserDialog dialog;
  FillStandardFirst(dialog);
  FakeView view(dialog);
  dialog.OnInitDialog(view);
  view.Click(2);
  view.Type("changed");
  // A repeated notification (say, the focus bit changing) with the selected bit still set.
  dialog.OnItemChangedIconList(view, 2, kListItemSelected | 0x1);
  EXPECT_EQ(view.edit, "Settings");
  // Other state bits without the selected one count as no selection.
  dialog.OnItemChangedIconList(view, 2, 0x1 | 0x1000);
  EXPECT_TRUE(view.NoneOfThreeEnabled());
  dialog.OnItemChangedIconList(view, 1, 0x2000 | kListItemSelected);
  EXPECT_TRUE(view.AllThreeEnabled());
  EXPECT_EQ(dialog.selectedIndex, 1);
}

TEST_F(ChooserTest, SelectionThatNamesNoEntryIsNoSelection) {
  IconChooserDialog dialog;
  FillStandardFirst(dialog);
  FakeView view(dialog);
  dialog.OnInitDialog(view);
  view.Click(1);
  for (const int item : {-1, 3, 1000}) {
    dialog.OnItemChangedIconList(view, item, kListItemSelected);
    EXPECT_EQ(dialog.selectedIndex, 1) << item;
    EXPECT_TRUE(view.NoneOfThreeEnabled()) << item;
    // Even a window that sends OK regardless ends nothing.
    dialog.OnOK(view);
    EXPECT_EQ(view.endCode, 0) << item;
  }
}

TEST_F(ChooserTest, OkRemovesOnlyTrailingSingleByteBlanks) {
  const struct {
    std::string typed;
    std::string kept;
  } cases[] = {
      {"abc  \r\n", "abc"},
      {"  abc", "  abc"},
      {"abc" + kIdeographicSpace, "abc" + kIdeographicSpace},
      {"abc" + kIdeographicSpace + " \t", "abc" + kIdeographicSpace},
      {"    ", ""},
      {"", ""},
      {" \t\n\v\f\r", ""},
      {"a b\r\nc\r\n\r\n", "a b\r\nc"},
      {kJapanese + " ", kJapanese},
      {" " + kJapanese + "\t" + kJapanese + " \n", " " + kJapanese + "\t" + kJapanese},
  };
  for (const auto& c : cases) {
    IconChooserDialog dialog;
    FillStandardFirst(dialog);
    FakeView view(dialog);
    dialog.OnInitDialog(view);
    view.Click(2);
    view.Type(c.typed);
    view.PressOk();
    EXPECT_EQ(view.endCode, kIdOk);
    EXPECT_EQ(dialog.infoTipText, c.kept) << "typed: " << c.typed;
    EXPECT_EQ(dialog.selectedIndex, 2);
  }
}

TEST_F(ChooserTest, CancelForgetsTheChoiceButKeepsTheLastClick) {
  IconChooserDialog dialog;
  FillStandardFirst(dialog);
  FakeView view(dialog);
  dialog.OnInitDialog(view);
  view.Click(2);
  view.Type("some text");
  view.ClickCheckBox();
  dialog.OnCancel(view);
  EXPECT_EQ(view.endCode, kIdCancel);
  EXPECT_EQ(dialog.selectedIndex, -1);
  EXPECT_EQ(dialog.infoTipText, "");
  EXPECT_TRUE(dialog.thumbnailView);

  // A cancel after an OK of an earlier run leaves no text behind either.
  IconChooserDialog again;
  FillStandardFirst(again);
  again.infoTipText = "left over";
  FakeView other(again);
  again.OnInitDialog(other);
  again.OnCancel(other);
  EXPECT_EQ(again.infoTipText, "");
  EXPECT_EQ(again.selectedIndex, -1);
}

TEST_F(ChooserTest, SystemCommandsSixteenToThirtyOneOpenTheAboutBox) {
  IconChooserDialog dialog;
  FillStandardFirst(dialog);
  FakeView view(dialog);
  dialog.OnInitDialog(view);
  for (unsigned id = 0x0010; id <= 0x001F; ++id) {
    EXPECT_TRUE(dialog.OnSysCommand(view, id)) << id;
  }
  EXPECT_EQ(view.aboutRuns, 16);
  // Move, close, the system's own About item and neighbours go to the default processing.
  for (const unsigned id : {0x0000u, 0x000Fu, 0x0020u, 0x1010u, 0xF010u, 0xF060u, 0xF141u}) {
    EXPECT_FALSE(dialog.OnSysCommand(view, id)) << id;
  }
  EXPECT_EQ(view.aboutRuns, 16);
}

TEST_F(ChooserTest, AboutBoxLeavesTheChooserAsItWas) {
  IconChooserDialog dialog;
  FillStandardFirst(dialog);
  FakeView view(dialog);
  dialog.OnInitDialog(view);
  view.Click(1);
  view.ClickCheckBox();
  view.Type("typed");
  const std::size_t callsBefore = view.calls.size();
  dialog.OnSysCommand(view, kAboutCommand);
  dialog.OnSysCommand(view, kAboutCommand);
  EXPECT_EQ(view.aboutRuns, 2);
  EXPECT_EQ(view.calls.size(), callsBefore);
  EXPECT_EQ(view.edit, "typed");
  EXPECT_TRUE(view.checked);
  EXPECT_TRUE(view.AllThreeEnabled());
  EXPECT_EQ(dialog.selectedIndex, 1);
  EXPECT_TRUE(dialog.thumbnailView);
  EXPECT_EQ(dialog.infoTipText, "");
  EXPECT_EQ(view.endCode, 0);
}

TEST_F(ChooserTest, ActivationRepaintsOnlyOnThe9xFamily) {
  const struct {
    std::uint32_t platformId;
    int repaints;
  } cases[] = {{2, 0}, {1, 1}, {0, 1}, {3, 1}};
  for (const auto& c : cases) {
    IconChooserDialog dialog(c.platformId);
    FillStandardFirst(dialog);
    FakeView view(dialog);
    dialog.OnInitDialog(view);
    dialog.OnActivate(view, true);
    dialog.OnActivate(view, false);
    EXPECT_EQ(view.repaints, c.repaints) << c.platformId;
  }
}

}  // namespace
}  // namespace zendrel::ui
