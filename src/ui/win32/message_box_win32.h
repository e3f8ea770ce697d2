// Message boxes of the Windows build, their texts from the string table.
#pragma once

#include "ui/message_box.h"

namespace zendrel::ui {

class Win32MessageBoxes final : public MessageBoxes {
 public:
  Answer Show(const std::string& caption, int textId, MessageKind kind) override;
};

// A string of the program's string table in the ANSI code page; "" when there is none.
std::string LoadResourceString(int textId);

}  // namespace zendrel::ui
