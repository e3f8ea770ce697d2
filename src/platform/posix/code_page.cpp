#include "platform/posix/code_page.h"

#include <cerrno>

#include "text/text.h"

namespace zendrel::platform::posix {

namespace {

bool IsAscii(std::string_view s) {
  for (const char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// Runs `cd` over `in`, appending what it makes to `out`. At a sequence it cannot convert,
// `stuck` appends its stand-in and returns how many input bytes it stands for.
template <typename Stuck>
void Convert(iconv_t cd, std::string_view in, std::string& out, Stuck&& stuck) {
  char buffer[4096];
  std::size_t done = 0;
  while (done < in.size()) {
    char* from = const_cast<char*>(in.data() + done);
    std::size_t left = in.size() - done;
    char* to = buffer;
    std::size_t room = sizeof buffer;
    const std::size_t result = iconv(cd, &from, &left, &to, &room);
    out.append(buffer, static_cast<std::size_t>(to - buffer));
    done = in.size() - left;
    if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
      done += stuck(done);
      iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    }
  }
}

}  // namespace

CodePage::~CodePage() {
  if (decoder_ != Closed()) iconv_close(decoder_);
  if (encoder_ != Closed()) iconv_close(encoder_);
}

std::string CodePage::Name() const {
  // Windows numbers its UTF-8 65001; a code page the system does not know is taken as UTF-8,
  // which is what the Linux build would use without one.
  if (number_ == 65001 || unknown_) return "UTF-8";
  return "CP" + std::to_string(number_);
}

iconv_t CodePage::Open(iconv_t& slot, bool toUtf8) {
  if (slot != Closed()) return slot;
  for (;;) {
    const std::string name = Name();
    slot = toUtf8 ? iconv_open("UTF-8", name.c_str()) : iconv_open(name.c_str(), "UTF-8");
    if (slot != Closed() || name == "UTF-8") return slot;
    unknown_ = true;
  }
}

bool CodePage::Decode(std::string_view bytes, std::string& out) {
  if (IsAscii(bytes)) {
    out.append(bytes);
    return true;
  }
  const iconv_t cd = Open(decoder_, true);
  if (cd == Closed()) {
    out.append(bytes);
    return false;
  }
  bool clean = true;
  Convert(cd, bytes, out, [&](std::size_t at) {
    out += bytes[at];
    clean = false;
    return std::size_t{1};
  });
  return clean;
}

std::string CodePage::Encode(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  const iconv_t cd = Open(encoder_, false);
  if (cd == Closed()) return std::string(utf8);
  std::string out;
  Convert(cd, utf8, out, [&](std::size_t at) {
    const std::size_t length = text::CharLength(utf8, at);
    const bool noText = length == 1 && static_cast<unsigned char>(utf8[at]) >= 0x80;
    out += noText ? utf8[at] : '?';
    return length;
  });
  return out;
}

}  // namespace zendrel::platform::posix
