#include "platform/posix/directory_file.h"

#include <vector>

#include "platform/posix/shell_menus.h"

namespace zendrel::platform::posix {

namespace {

constexpr std::string_view kGroup = "[Desktop Entry]";

// The line without its ending and without the blanks around it.
std::string_view Trimmed(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return line.substr(first, line.find_last_not_of(" \t\r\n") + 1 - first);
}

bool IsIconKey(std::string_view line) {
  const std::size_t equals = line.find('=');
  return equals != std::string_view::npos && Trimmed(line.substr(0, equals)) == "Icon";
}

}  // namespace

DirectoryFileEdit EditDirectoryFile(std::optional<std::string_view> file,
                                    const std::optional<std::string>& icon) {
  DirectoryFileEdit edit;
  const std::string_view text = file.value_or("");
  std::vector<std::string_view> lines;  // each with its line ending
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    const std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    lines.push_back(text.substr(at, next - at));
    at = next;
  }
  // The first [Desktop Entry] group: its header and the end of its last non-blank line.
  std::optional<std::size_t> header;
  std::size_t lastInGroup = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = Trimmed(lines[i]);
    if (!line.empty() && line.front() == '[') {
      if (header) break;
      if (line == kGroup) header = lastInGroup = i;
    } else if (header && !line.empty()) {
      lastInGroup = i;
    }
  }

  std::string out;
  const std::string iconLine = icon ? "Icon=" + EscapeDesktopValue(*icon) + "\n" : "";
  bool placed = false;
  bool removed = false;
  bool otherContent = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const bool inGroup = header && i > *header && i <= lastInGroup;
    if (inGroup && IsIconKey(lines[i])) {
      removed = true;
      if (icon && !placed) {
        out += iconLine;
        placed = true;
      }
      continue;
    }
    out += lines[i];
    if (i != header && !Trimmed(lines[i]).empty()) otherContent = true;
    if (icon && !placed && header && i == lastInGroup) {
      if (!out.empty() && out.back() != '\n') out += '\n';
      out += iconLine;
      placed = true;
    }
  }
  if (icon && !placed) {
    if (!out.empty() && out.back() != '\n') out += '\n';
    out += std::string(kGroup) + "\n" + iconLine;
  }
  if (!icon && removed && !otherContent) {
    edit.action = DirectoryFileEdit::Action::kRemove;
  } else if (out != text || (icon && !file)) {
    edit.action = DirectoryFileEdit::Action::kWrite;
    edit.text = std::move(out);
  }
  return edit;
}

}  // namespace zendrel::platform::posix
