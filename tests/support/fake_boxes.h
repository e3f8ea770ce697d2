// Message boxes that remember what they showed and answer as the test says.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "ui/message_box.h"

namespace zendrel::test {

class FakeBoxes final : public ui::MessageBoxes {
 public:
  struct Shown {
    std::string caption;
    int textId;
    ui::MessageKind kind;
  };
  std::vector<Shown> shown;
  // Answers to questions, in order; No once they run out.
  std::deque<ui::Answer> answers;

  ui::Answer Show(const std::string& caption, int textId, ui::MessageKind kind) override {
    shown.push_back({caption, textId, kind});
    if (kind != ui::MessageKind::kQuestion) return ui::Answer::kOk;
    if (answers.empty()) return ui::Answer::kNo;
    const ui::Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::vector<int> Ids() const {
    std::vector<int> ids;
    for (const Shown& s : shown) ids.push_back(s.textId);
    return ids;
  }
};

}  // namespace zendrel::test
