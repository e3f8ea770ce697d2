#include "text/text.h"
#include "ui/message_box.h"
#include "ui/strings.h"

namespace zendrel::ui {

const char* MessageText(int textId) {
  switch (textId) {
    case IDS_ABOUT_MENU:
      return ZENDREL_TEXT_101;
    case IDS_ASK_REGISTER:
      return ZENDREL_TEXT_102;
    case IDS_ASK_UNREGISTER:
      return ZENDREL_TEXT_103;
    case IDS_REGISTERED:
      return ZENDREL_TEXT_104;
    case IDS_UNREGISTERED:
      return ZENDREL_TEXT_105;
    case IDS_ICONS_NOT_LOADED:
      return ZENDREL_TEXT_106;
    case IDS_NOT_A_FOLDER:
      return ZENDREL_TEXT_107;
    case IDS_CURRENT_ICON:
      return ZENDREL_TEXT_108;
    case IDS_THUMBNAIL_MENU:
      return ZENDREL_TEXT_109;
    case IDS_THUMBNAIL_HELP:
      return ZENDREL_TEXT_110;
    case IDS_OLD_SHELL:
      return ZENDREL_TEXT_111;
    case IDS_STANDARD_ICON:
      return ZENDREL_TEXT_112;
    case IDS_PATH_TOO_LONG:
      return ZENDREL_TEXT_113;
    case IDS_SETTINGS_NOT_WRITTEN:
      return ZENDREL_TEXT_114;
    case IDS_ATTRIBUTES_NOT_SET:
      return ZENDREL_TEXT_115;
    case IDS_SETTINGS_NOT_A_FILE:
      return ZENDREL_TEXT_116;
    case IDS_LOG_NOT_WRITTEN:
      return ZENDREL_TEXT_117;
    case IDS_REGISTERED_FOR_USER:
      return ZENDREL_TEXT_120;
    case IDS_REGISTER_REFUSED:
      return ZENDREL_TEXT_121;
    case IDS_UNREGISTER_REFUSED:
      return ZENDREL_TEXT_122;
    default:
      return "";
  }
}

folder::CustomisationTexts CustomisationTexts() {
  return {text::SystemText(MessageText(IDS_STANDARD_ICON)),
          text::SystemText(MessageText(IDS_CURRENT_ICON)),
          text::SystemText(MessageText(IDS_THUMBNAIL_MENU)),
          text::SystemText(MessageText(IDS_THUMBNAIL_HELP))};
}

}  // namespace zendrel::ui
