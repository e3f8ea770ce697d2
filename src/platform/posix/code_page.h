// Text in a Windows code page, converted to and from UTF-8 by the C library's iconv.
//
// Files that Windows machines write through the ANSI functions hold their text in the
// machine's code page (932, Shift-JIS, on Japanese Windows). The Linux build works in UTF-8
// and meets that text only at the file boundary, here.
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

namespace zendrel::platform::posix {

class CodePage {
 public:
  // Nothing is opened until the first conversion.
  explicit CodePage(unsigned windowsCodePage) : number_(windowsCodePage) {}
  ~CodePage();
  CodePage(const CodePage&) = delete;
  CodePage& operator=(const CodePage&) = delete;

  // The text of `bytes` as UTF-8, appended to `out`; false when a byte starts no character of
  // the code page. Such a byte is kept as it is: being no UTF-8 either, it shows as a
  // replacement character, and Encode gives it back unchanged, so that text read from a file
  // and written back leaves the file's bytes alone. A code page the system does not know is
  // taken as UTF-8.
  bool Decode(std::string_view bytes, std::string& out);

  // `utf8` in the code page. A character the code page cannot hold becomes '?', as the
  // conversion of a Windows program makes it; a byte that is no UTF-8 stays as it is.
  std::string Encode(std::string_view utf8);

 private:
  iconv_t Open(iconv_t& slot, bool toUtf8);
  std::string Name() const;

  unsigned number_;
  iconv_t decoder_ = Closed();
  iconv_t encoder_ = Closed();
  bool unknown_ = false;

  static iconv_t Closed() { return reinterpret_cast<iconv_t>(-1); }
};

}  // namespace zendrel::platform::posix
