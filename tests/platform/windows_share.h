// The share of the cross-build test of Japanese text (code_page_peers.py): where its files lie,
// and its texts in UTF-8 and as a Japanese Windows writes them, in code page 932. Each text has
// characters whose second byte there is '\' (ソ 表 能) or an ASCII letter (ア), the ones that
// trip byte-wise handling.
#pragma once

namespace zendrel::test::windows_share {

struct Text {
  const char* utf8;
  const char* cp932;
};

inline constexpr Text kFolderName{"資料ソ表", "\x8E\x91\x97\xBF\x83\x5C\x95\x5C"};
inline constexpr Text kInfoTip{"ソフト表示", "\x83\x5C\x83\x74\x83\x67\x95\x5C\x8E\xA6"};
inline constexpr Text kLabel{"能面ソ", "\x94\x5C\x96\xCA\x83\x5C"};
inline constexpr Text kIconTip{"表ーア", "\x95\x5C\x81\x5B\x83\x41"};

// Below the share's folder: the program, the icon folder with one icon, the customised folder
// (named kFolderName) below "work".
inline constexpr char kProgram[] = "app";
inline constexpr char kIcons[] = "icons";
inline constexpr char kIconFile[] = "a.ico";
inline constexpr char kWork[] = "work";

}  // namespace zendrel::test::windows_share
