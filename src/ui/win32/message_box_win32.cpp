#include "ui/win32/message_box_win32.h"

#include <windows.h>

namespace zendrel::ui {

std::string LoadResourceString(int textId) {
  char buffer[1024] = {};
  const int n =
      LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(textId), buffer, sizeof buffer);
  return std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
}

Answer Win32MessageBoxes::Show(const std::string& caption, int textId, MessageKind kind) {
  UINT style = MB_OK | MB_ICONHAND;
  if (kind == MessageKind::kQuestion) style = MB_YESNO | MB_ICONQUESTION;
  if (kind == MessageKind::kInformation) style = MB_OK | MB_ICONINFORMATION;
  if (kind == MessageKind::kWarning) style = MB_OK | MB_ICONWARNING;
  const int answer =
      MessageBoxA(nullptr, LoadResourceString(textId).c_str(), caption.c_str(), style);
  if (kind != MessageKind::kQuestion) return Answer::kOk;
  return answer == IDYES ? Answer::kYes : Answer::kNo;
}

}  // namespace zendrel::ui
