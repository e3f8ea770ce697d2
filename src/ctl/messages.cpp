#include "ctl/messages.h"

#include <cstring>

namespace zendrel::ctl {

namespace {

struct Entry {
  Text id;
  const char* english;
  const char* japanese;
};

constexpr Entry kTexts[] = {
    {Text::kUsage,
     "usage:\n"
     "  zendrelctl show FOLDER... [--json]\n"
     "  zendrelctl set FOLDER... (--icon NAME[,INDEX] | --standard | --current)\n"
     "                 [--tip TEXT | --no-tip] [--thumbnail on|off] [--dry-run]\n"
     "  zendrelctl restore FOLDER... [--dry-run]\n"
     "  zendrelctl icons [--json]\n"
     "  zendrelctl check PATH... [--recursive] [--fix] [--json]\n"
     "  zendrelctl register | unregister\n",
     "使い方:\n"
     "  zendrelctl show フォルダ... [--json]\n"
     "  zendrelctl set フォルダ... (--icon 名前[,番号] | --standard | --current)\n"
     "                 [--tip 文字列 | --no-tip] [--thumbnail on|off] [--dry-run]\n"
     "  zendrelctl restore フォルダ... [--dry-run]\n"
     "  zendrelctl icons [--json]\n"
     "  zendrelctl check パス... [--recursive] [--fix] [--json]\n"
     "  zendrelctl register | unregister\n"},
    {Text::kUnknownCommand, "unknown command: %1", "不明なコマンドです: %1"},
    {Text::kUnknownOption, "unknown option for %1: %2", "%1 には使えないオプションです: %2"},
    {Text::kMissingValue, "option %1 needs a value", "オプション %1 には値が必要です"},
    {Text::kBadValue, "bad value for %1: %2", "%1 の値が正しくありません: %2"},
    {Text::kNoFolders, "no folder given", "フォルダが指定されていません"},
    {Text::kOneIconChoice, "give exactly one of --icon, --standard and --current",
     "--icon、--standard、--current のどれか一つを指定してください"},
    {Text::kTipAndNoTip, "--tip and --no-tip exclude each other",
     "--tip と --no-tip は同時に指定できません"},
    {Text::kNotAFolder, "%1: not an existing folder", "%1: 存在するフォルダではありません"},
    {Text::kPathTooLong, "%1: the folder's path is too long", "%1: フォルダのパスが長すぎます"},
    {Text::kIconsNotLoaded, "%1: no icon could be loaded from the icon folder %2",
     "%1: アイコンフォルダ %2 からアイコンを読み込めませんでした"},
    {Text::kIconNotInCatalogue, "%1: the icon folder has no icon %2",
     "%1: アイコンフォルダにアイコン %2 がありません"},
    {Text::kSettingsNotWritten,
     "%1: desktop.ini could not be written; Windows may not show the change",
     "%1: desktop.ini を書き込めませんでした。Windows では変更が表示されないことがあります"},
    {Text::kSettingsNotAFile,
     "%1: what stands at desktop.ini's name is no file that can be rewritten (a folder, a link, "
     "a pipe, or unreadable); nothing was changed",
     "%1: desktop.ini "
     "の名前で通常のファイルではないもの(フォルダ、リンクなど)があるか、読み込めないため、"
     "フォルダを変更できませんでした"},
    {Text::kLogNotWritten,
     "%1: warning: the folder was changed, but the change log could not record it",
     "%1: 警告: フォルダは変更されましたが、変更ログに記録できませんでした"},
    {Text::kAttributesNotSet,
     "%1: the attributes could not be set; Windows may not show the change",
     "%1: 属性を設定できませんでした。Windows では変更が表示されないことがあります"},
    {Text::kNoDataFolder,
     "no folder for the user's data (set HOME, or XDG_DATA_HOME, to an absolute path)",
     "ユーザーのデータ用フォルダがありません (HOME または XDG_DATA_HOME "
     "を絶対パスで設定してください)"},
    {Text::kLogOff, "%1: the change log is switched off; there is nothing to restore from",
     "%1: 変更ログが無効になっているため、元に戻せません"},
    {Text::kNoOrigin, "%1: the change log holds no original state of this folder (%2)",
     "%1: 変更ログにこのフォルダの元の状態がありません (%2)"},
    {Text::kDamagedOrigin, "%1: the change log's record of the original state is damaged (%2)",
     "%1: 変更ログの元の状態の記録が壊れています (%2)"},
    {Text::kSet, "%1: set", "%1: 設定しました"},
    {Text::kRestored, "%1: restored", "%1: 元に戻しました"},
    {Text::kWouldWrite, "%1: would write", "%1: 次の内容を書き込みます (実行しません)"},
    {Text::kWouldRemoveIcon, "  icon: standard (IconFile and IconIndex removed)",
     "  アイコン: 標準 (IconFile と IconIndex を削除)"},
    {Text::kWouldKeepIcon, "  icon: kept (%1)", "  アイコン: 変更なし (%1)"},
    {Text::kIconLine, "  icon: %1", "  アイコン: %1"},
    {Text::kStandardIconValue, "standard", "標準"},
    {Text::kTipLine, "  info tip: %1", "  情報ヒント: %1"},
    {Text::kThumbnailLine, "  thumbnail view: %1", "  縮小表示: %1"},
    {Text::kFolderAttributesLine, "  folder attributes: %1", "  フォルダの属性: %1"},
    {Text::kSettingsAttributesLine, "  desktop.ini attributes: %1", "  desktop.ini の属性: %1"},
    {Text::kNoSettingsFile, "  desktop.ini: none", "  desktop.ini: なし"},
    {Text::kOn, "on", "オン"},
    {Text::kOff, "off", "オフ"},
    {Text::kProgress, "checking: %1 folders", "検査中: %1 フォルダ"},
    {Text::kProblemIconNotOpening, "%1: the icon file %2 does not open",
     "%1: アイコンファイル %2 を開けません"},
    {Text::kProblemNotHidden, "%1: desktop.ini is not hidden",
     "%1: desktop.ini が隠しファイルになっていません"},
    {Text::kProblemFolderNotReadOnly,
     "%1: the folder is neither read-only nor system, so Windows ignores desktop.ini",
     "%1: フォルダが読み取り専用でもシステムでもないため、Windows は desktop.ini を読みません"},
    {Text::kProblemLogMismatch, "%1: desktop.ini no longer matches the change log",
     "%1: desktop.ini が変更ログと一致しません"},
    {Text::kProblemDamagedLog, "%1: the change log's record of this folder is damaged",
     "%1: 変更ログのこのフォルダの記録が壊れています"},
    {Text::kFixed, "  fixed", "  修正しました"},
    {Text::kNotFixed, "  could not be fixed", "  修正できませんでした"},
    {Text::kCheckSummary, "%1 folders checked, %2 customised, %3 problems, %4 fixed",
     "%1 フォルダを検査、カスタマイズ済み %2、問題 %3、修正 %4"},
    {Text::kRegistered, "registered for every user", "すべてのユーザーに登録しました"},
    {Text::kRegisteredForUser, "registered for the current user only",
     "現在のユーザーにだけ登録しました"},
    {Text::kRegisterRefused, "the registration was refused", "登録できませんでした"},
    {Text::kUnregistered, "registration removed", "登録を解除しました"},
    {Text::kUnregisterRefused, "the registration could not be removed completely",
     "登録を完全には解除できませんでした"},
};

}  // namespace

Messages::Messages(const char* language)
    : japanese_(language != nullptr && std::strncmp(language, "ja", 2) == 0) {}

std::string Messages::operator()(Text id, const std::vector<std::string>& values) const {
  const char* pattern = "";
  for (const Entry& entry : kTexts) {
    if (entry.id == id) pattern = japanese_ ? entry.japanese : entry.english;
  }
  std::string out;
  for (const char* p = pattern; *p; ++p) {
    if (p[0] == '%' && p[1] >= '1' && p[1] <= '9') {
      const auto k = static_cast<std::size_t>(p[1] - '1');
      if (k < values.size()) out += values[k];
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

}  // namespace zendrel::ctl
