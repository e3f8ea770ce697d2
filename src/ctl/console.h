// Where zendrelctl's words go. Everything it says is UTF-8; names and texts from the system
// (paths, info tips) are in the system's code page and pass through ToUtf8 first.
#pragma once

#include <string>
#include <string_view>

namespace zendrel::ctl {

enum class Stream { kOut, kErr };

// Writes UTF-8 text: to a Windows console as UTF-16 (whatever its code page), elsewhere as
// the bytes themselves.
void Write(Stream stream, std::string_view utf8);

// Whether the stream is a terminal (a progress line is shown only there).
bool IsTerminal(Stream stream);

// Text of the system's code page as UTF-8: Linux's text is UTF-8 already; Windows converts
// from the ANSI code page. Bytes that are no text become replacement characters.
std::string ToUtf8(const std::string& systemText);

}  // namespace zendrel::ctl
