// Message boxes: the only way Zendrel tells the user something outside its dialog.
#pragma once

#include <string>

#include "folder/folder_settings.h"

namespace zendrel::ui {

enum class MessageKind {
  kStop,         // an error that ends the run: OK, stop icon
  kQuestion,     // Yes and No, Yes the default, question icon
  kInformation,  // OK, information icon
  kWarning,      // OK, warning icon: the run did its work, with something the user should know
};

enum class Answer { kOk, kYes, kNo };

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // Shows the text of string `textId` with the caption, owned by no window; returns the
  // button the user chose (closing a question box counts as No).
  virtual Answer Show(const std::string& caption, int textId, MessageKind kind) = 0;
};

// The text of a string id in UTF-8, "" for an unknown id.
const char* MessageText(int textId);

// The program's texts for one customisation, in the system's code page.
folder::CustomisationTexts CustomisationTexts();

}  // namespace zendrel::ui
