// The compiled dialog templates, read back from the test program's own resources (which are
// the application's): every style word, the font, the sizes and each control in order.
#include <windows.h>

// These need windows.h first.
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "text/text.h"
#include "ui/icon_chooser_dialog.h"
#include "ui/win32/resource_ids.h"

namespace {

using zendrel::ui::kIdCancel;
using zendrel::ui::kIdFolderLabel;
using zendrel::ui::kIdIconList;
using zendrel::ui::kIdInfoTipEdit;
using zendrel::ui::kIdOk;
using zendrel::ui::kIdThumbnailCheck;

struct Control {
  std::uint32_t id;
  std::string className;  // the predefined classes by name, whatever the template stored
  std::u16string text;    // u"#128" for a resource ordinal
  std::int16_t x, y, cx, cy;
  std::uint32_t style;
  std::uint32_t exStyle;
};

struct Template {
  bool extended = false;
  std::uint32_t style = 0, exStyle = 0;
  std::int16_t cx = 0, cy = 0;
  std::u16string caption;
  std::uint16_t pointSize = 0;
  std::u16string typeface;
  std::vector<Control> controls;
};

// Reads a template's fields in the order the formats lay them out. Bounds are checked on
// every read, so a damaged resource fails the test instead of reading past it.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool ok() const { return ok_; }
  template <typename T>
  T Read() {
    T value{};
    if (pos_ + sizeof value > size_) {
      ok_ = false;
      return value;
    }
    std::memcpy(&value, data_ + pos_, sizeof value);
    pos_ += sizeof value;
    return value;
  }
  std::u16string String() {
    std::u16string s;
    while (ok_) {
      const char16_t c = Read<char16_t>();
      if (c == 0) break;
      s += c;
    }
    return s;
  }
  // A name or an ordinal (0xFFFF then the number), as menus, classes and titles are stored.
  std::u16string NameOrOrdinal() {
    const std::size_t start = pos_;
    if (Read<std::uint16_t>() == 0xFFFF) {
      std::u16string number = u"#";
      for (const char digit : std::to_string(Read<std::uint16_t>())) number += digit;
      return number;
    }
    pos_ = start;
    return String();
  }
  void AlignToDword() { pos_ = (pos_ + 3) & ~std::size_t{3}; }
  void Skip(std::size_t bytes) { pos_ += bytes; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

std::string ClassName(const std::u16string& stored) {
  static const char* const kPredefined[] = {"Button",  "Edit",      "Static",
                                            "ListBox", "ScrollBar", "ComboBox"};
  if (stored.size() > 1 && stored[0] == u'#') {
    const int atom = std::stoi(std::string(stored.begin() + 1, stored.end()));
    if (atom >= 0x80 && atom <= 0x85) return kPredefined[atom - 0x80];
  }
  std::string name(stored.begin(), stored.end());
  for (const char* predefined : kPredefined)
    if (lstrcmpiA(name.c_str(), predefined) == 0) return predefined;
  return name;
}

Template Load(int id) {
  Template result;
  HRSRC found = FindResourceExA(nullptr, MAKEINTRESOURCEA(5) /* RT_DIALOG */, MAKEINTRESOURCEA(id),
                                MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
  if (!found) {
    ADD_FAILURE() << "no Japanese dialog template " << id;
    return result;
  }
  const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, found)));
  Reader in(data, SizeofResource(nullptr, found));
  const bool extended = in.Read<std::uint16_t>() == 1 && in.Read<std::uint16_t>() == 0xFFFF;
  result.extended = extended;
  if (extended) {
    in.Read<std::uint32_t>();  // help id
    result.exStyle = in.Read<std::uint32_t>();
    result.style = in.Read<std::uint32_t>();
  } else {
    in = Reader(data, SizeofResource(nullptr, found));
    result.style = in.Read<std::uint32_t>();
    result.exStyle = in.Read<std::uint32_t>();
  }
  const int count = in.Read<std::uint16_t>();
  in.Read<std::int16_t>();
  in.Read<std::int16_t>();
  result.cx = in.Read<std::int16_t>();
  result.cy = in.Read<std::int16_t>();
  EXPECT_EQ(in.NameOrOrdinal(), u"") << "menu";
  EXPECT_EQ(in.NameOrOrdinal(), u"") << "window class";
  result.caption = in.String();
  if (result.style & DS_SETFONT) {
    result.pointSize = in.Read<std::uint16_t>();
    if (extended) {
      in.Read<std::uint16_t>();  // weight
      in.Read<std::uint8_t>();   // italic
      in.Read<std::uint8_t>();   // character set
    }
    result.typeface = in.String();
  }
  for (int i = 0; i < count && in.ok(); ++i) {
    in.AlignToDword();
    Control control = {};
    if (extended) {
      in.Read<std::uint32_t>();  // help id
      control.exStyle = in.Read<std::uint32_t>();
      control.style = in.Read<std::uint32_t>();
    } else {
      control.style = in.Read<std::uint32_t>();
      control.exStyle = in.Read<std::uint32_t>();
    }
    control.x = in.Read<std::int16_t>();
    control.y = in.Read<std::int16_t>();
    control.cx = in.Read<std::int16_t>();
    control.cy = in.Read<std::int16_t>();
    control.id = extended ? in.Read<std::uint32_t>() : in.Read<std::uint16_t>();
    control.className = ClassName(in.NameOrOrdinal());
    control.text = in.NameOrOrdinal();
    in.Skip(in.Read<std::uint16_t>());  // creation data
    result.controls.push_back(control);
  }
  EXPECT_TRUE(in.ok()) << "template " << id << " ends early";
  return result;
}

std::u16string Utf16(const char* utf8) {
  wchar_t wide[256] = {};
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 256);
  return std::u16string(reinterpret_cast<const char16_t*>(wide));
}

void ExpectControls(const Template& actual, const std::vector<Control>& expected) {
  ASSERT_EQ(actual.controls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Control& a = actual.controls[i];
    const Control& e = expected[i];
    SCOPED_TRACE("control " + std::to_string(i) + ", id " + std::to_string(e.id));
    EXPECT_EQ(a.id, e.id);
    // Window classes are named without regard to case (the compiler writes them upper case).
    EXPECT_EQ(lstrcmpiA(a.className.c_str(), e.className.c_str()), 0)
        << a.className << " is not " << e.className;
    EXPECT_TRUE(a.text == e.text);
    EXPECT_EQ(a.x, e.x);
    EXPECT_EQ(a.y, e.y);
    EXPECT_EQ(a.cx, e.cx);
    EXPECT_EQ(a.cy, e.cy);
    EXPECT_EQ(a.style, e.style) << std::hex << a.style;
    EXPECT_EQ(a.exStyle, e.exStyle) << std::hex << a.exStyle;
  }
}

constexpr std::uint32_t kNoId16 = 0xFFFF;      // -1 in a classic template
constexpr std::uint32_t kNoId32 = 0xFFFFFFFF;  // -1 in an extended one

TEST(DialogTemplates, ChooserIsTheExtendedTemplateWithItsControlsInTabOrder) {
  const Template chooser = Load(IDD_CHOOSER);
  EXPECT_TRUE(chooser.extended);
  EXPECT_EQ(chooser.style, 0x90C800C0u) << std::hex << chooser.style;
  EXPECT_EQ(chooser.exStyle, 0x40000u) << std::hex << chooser.exStyle;
  EXPECT_EQ(chooser.cx, 206);
  EXPECT_EQ(chooser.cy, 235);
  EXPECT_TRUE(chooser.caption == u"Zendrel");
  EXPECT_EQ(chooser.pointSize, 9);
  EXPECT_TRUE(chooser.typeface == u"MS UI Gothic");
  ExpectControls(
      chooser, {
                   {kIdIconList, "SysListView32", u"List1", 7, 46, 192, 96, 0x5001000C, 0x200},
                   {kIdThumbnailCheck, "Button", Utf16("フォルダにサムネール表示機能を追加する。"),
                    7, 152, 131, 10, 0x50010003, 0},
                   {kIdInfoTipEdit, "Edit", u"", 7, 179, 192, 28, 0x50210004, 0x200},
                   {kIdOk, "Button", u"OK", 98, 216, 50, 14, 0x50010001, 0},
                   {kIdCancel, "Button", Utf16("ｷｬﾝｾﾙ"), 152, 216, 50, 14, 0x50010000, 0},
                   {kIdFolderLabel, "Static", Utf16("対象フォルダ"), 4, 4, 198, 12, 0x50021200, 0},
                   {kNoId32, "Button", Utf16("フォルダ アイコン"), 4, 22, 198, 124, 0x50000007, 0},
                   {kNoId32, "Static", Utf16("フォルダとして使用するアイコンを選択してください。"),
                    11, 34, 133, 8, 0x50020000, 0},
                   {kNoId32, "Button", Utf16("フォルダ 情報"), 4, 167, 198, 44, 0x50000007, 0},
               });
}

TEST(DialogTemplates, AboutBoxIsTheClassicTemplateWithIconNameNoticeAndOk) {
  const Template about = Load(IDD_ABOUTBOX);
  EXPECT_FALSE(about.extended);
  EXPECT_EQ(about.style, 0x80C800C0u) << std::hex << about.style;
  EXPECT_EQ(about.exStyle, 0u);
  EXPECT_EQ(about.cx, 235);
  EXPECT_EQ(about.cy, 55);
  EXPECT_TRUE(about.caption == Utf16("Zendrel のバージョン情報"));
  EXPECT_EQ(about.pointSize, 9);
  EXPECT_TRUE(about.typeface == u"MS UI Gothic");
  ASSERT_EQ(about.controls.size(), 4u);
  // The notice's wording is ours to choose: one line, not empty.
  const std::u16string notice = about.controls[2].text;
  EXPECT_FALSE(notice.empty());
  EXPECT_EQ(notice.find(u'\n'), std::u16string::npos);
  ExpectControls(about,
                 {
                     {kNoId16, "Static", u"#128", 11, 17, 20, 20, 0x50000003, 0},
                     {kNoId16, "Static", u"Zendrel Version 1.02", 40, 10, 119, 8, 0x50020080, 0},
                     {kNoId16, "Static", notice, 40, 25, 124, 8, 0x50020000, 0},
                     {kIdOk, "Button", u"OK", 178, 7, 50, 14, 0x50030001, 0},
                 });
}

INT_PTR CALLBACK NothingHandled(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The dialog manager builds real windows from both templates: the controls exist with the
// template's classes and styles, and the texts arrive in the ANSI code page.
TEST(DialogTemplates, BothTemplatesMakeWindowsWithJapaneseTexts) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  for (const int id : {IDD_CHOOSER, IDD_ABOUTBOX}) {
    SCOPED_TRACE(id);
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr,
                                     NothingHandled, 0);
    ASSERT_NE(dialog, nullptr) << GetLastError();
    char text[256] = {};
    if (id == IDD_CHOOSER) {
      HWND list = GetDlgItem(dialog, kIdIconList);
      ASSERT_NE(list, nullptr);
      GetClassNameA(list, text, sizeof text);
      EXPECT_STREQ(text, "SysListView32");
      EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_SHAREIMAGELISTS, 0);
      GetDlgItemTextA(dialog, kIdCancel, text, sizeof text);
      EXPECT_EQ(std::string(text), zendrel::text::SystemText("ｷｬﾝｾﾙ"));
    } else {
      GetWindowTextA(dialog, text, sizeof text);
      EXPECT_EQ(std::string(text), zendrel::text::SystemText("Zendrel のバージョン情報"));
    }
    DestroyWindow(dialog);
  }
}

}  // namespace
