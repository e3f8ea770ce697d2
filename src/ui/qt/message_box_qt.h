// Message boxes of the Linux build.
#pragma once

#include "ui/message_box.h"

namespace zendrel::ui {

class QtMessageBoxes final : public MessageBoxes {
 public:
  Answer Show(const std::string& caption, int textId, MessageKind kind) override;
};

}  // namespace zendrel::ui
