/* The program's user-interface texts, one place for both builds: the Windows build's string
   table (resources, read by the resource compiler as UTF-8) and the Linux build's message
   boxes take them from here. Plain macros, so that the resource compiler can read them. */
#ifndef ZENDREL_UI_STRINGS_H
#define ZENDREL_UI_STRINGS_H

#define IDS_ABOUT_MENU 101
#define IDS_ASK_REGISTER 102
#define IDS_ASK_UNREGISTER 103
#define IDS_REGISTERED 104
#define IDS_UNREGISTERED 105
#define IDS_ICONS_NOT_LOADED 106
#define IDS_NOT_A_FOLDER 107
#define IDS_CURRENT_ICON 108
#define IDS_THUMBNAIL_MENU 109
#define IDS_THUMBNAIL_HELP 110
#define IDS_OLD_SHELL 111
#define IDS_STANDARD_ICON 112
#define IDS_PATH_TOO_LONG 113
#define IDS_SETTINGS_NOT_WRITTEN 114
#define IDS_ATTRIBUTES_NOT_SET 115
#define IDS_SETTINGS_NOT_A_FILE 116
#define IDS_LOG_NOT_WRITTEN 117
#define IDS_REGISTERED_FOR_USER 120
#define IDS_REGISTER_REFUSED 121
#define IDS_UNREGISTER_REFUSED 122

#define ZENDREL_TEXT_101 "Zendrel のﾊﾞｰｼﾞｮﾝ情報(&A)..."
#define ZENDREL_TEXT_102 "Zendrelをシステムに登録しますか？"
#define ZENDREL_TEXT_103 "Zendrelの登録をシステムから削除しますか？"
#define ZENDREL_TEXT_104 "Zendrelがシステムに登録されました。"
#define ZENDREL_TEXT_105 "Zendrelの登録がシステムから削除されました。"
#define ZENDREL_TEXT_106 "アイコンファイルを正常に読み込むことができませんでした。"
#define ZENDREL_TEXT_107 "指定された対象がフォルダではありません。"
#define ZENDREL_TEXT_108 "現在のアイコン"
#define ZENDREL_TEXT_109 "サムネール(&H)"
#define ZENDREL_TEXT_110 "サムネールで項目を表示します。"
#define ZENDREL_TEXT_111 \
  "現在のWindowsでは、Zendrelは正常に動作しません。\nWindowsのアップデートをお勧めします。"
#define ZENDREL_TEXT_112 "（標準）"
#define ZENDREL_TEXT_113                                                                              \
  "対象フォルダのパスが長すぎるため、フォルダの設定ファイル(desktop.ini)" \
  "を書き込むことができません。"

#define ZENDREL_TEXT_114                                                                                \
  "フォルダの設定ファイル(desktop.ini)を書き込むことができませんでした。\n" \
  "Windowsではフォルダの変更が表示されない場合があります。"
#define ZENDREL_TEXT_115                                                                                \
  "フォルダまたは設定ファイル(desktop.ini)の属性を設定できませんでした。\n" \
  "Windowsではフォルダの変更が表示されない場合があります。"
#define ZENDREL_TEXT_116                                                                                 \
  "フォルダの設定ファイル(desktop.ini)の名前で、通常のファイルではないもの" \
  "(フォルダ、リンクなど)があるか、ファイルを読み込めないため、フォルダを変更できませんでした。"
#define ZENDREL_TEXT_117                                                                                        \
  "フォルダは変更されましたが、変更ログに記録することができませんでした。\n" \
  "この変更は後から元に戻せない場合があります。"
#define ZENDREL_TEXT_120                                                                                                                    \
  "Zendrelを現在のユーザーに登録しました。\n管理者の権限がないため、ほかのユーザーには登録されて" \
  "いません。"
#define ZENDREL_TEXT_121 \
  "Zendrelをシステムに登録できませんでした。\nレジストリへの書き込みが拒否されました。"
#define ZENDREL_TEXT_122 \
  "Zendrelの登録をシステムから削除できませんでした。\n管理者として実行してください。"

/* The chooser's own texts (its dialog template on Windows, its widgets on Linux). */
#define ZENDREL_CHOOSER_THUMBNAIL "フォルダにサムネール表示機能を追加する。"
#define ZENDREL_CHOOSER_CANCEL "ｷｬﾝｾﾙ"
#define ZENDREL_CHOOSER_FOLDER "対象フォルダ"
#define ZENDREL_CHOOSER_ICON_GROUP "フォルダ アイコン"
#define ZENDREL_CHOOSER_PROMPT "フォルダとして使用するアイコンを選択してください。"
#define ZENDREL_CHOOSER_INFO_GROUP "フォルダ 情報"

/* The About box's own texts, the same on both builds. */
#define ZENDREL_ABOUT_CAPTION "Zendrel のバージョン情報"
#define ZENDREL_ABOUT_VERSION "Zendrel Version 1.02"
#define ZENDREL_ABOUT_COPYRIGHT "(C) 2026 Zendrel Project"

#endif
