#include <unistd.h>

#include <cstdio>

#include "ctl/console.h"

namespace zendrel::ctl {

void Write(Stream stream, std::string_view utf8) {
  std::FILE* file = stream == Stream::kOut ? stdout : stderr;
  std::fwrite(utf8.data(), 1, utf8.size(), file);
  std::fflush(file);
}

bool IsTerminal(Stream stream) {
  return isatty(stream == Stream::kOut ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

std::string ToUtf8(const std::string& systemText) { return systemText; }

}  // namespace zendrel::ctl
