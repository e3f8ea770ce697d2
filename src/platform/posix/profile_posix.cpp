// The profile functions of the Linux build: our INI engine over whole-file reads and locked,
// atomic rewrites. A universal name is read and written through the mount behind it.
#include <sys/stat.h>

#include <functional>
#include <vector>

#include "platform/folder_ops.h"
#include "platform/posix/atomic_file.h"
#include "platform/posix/code_page.h"
#include "platform/posix/ini_document.h"
#include "platform/posix/mount_table.h"
#include "platform/posix/small_file_cache.h"
#include "platform/profile.h"
#include "text/text.h"

namespace zendrel::platform {

namespace {

// The profile functions' one cache, for the life of the process.
posix::SmallFileCache& Cache() {
  static posix::SmallFileCache cache;
  return cache;
}

// Calls `use` with the file's bytes; false when it cannot be read.
bool WithBytes(const std::string& file, const std::function<void(std::string_view)>& use) {
  return Cache().WithBytes(posix::ToLocalPath(file), use);
}

// A folder's desktop.ini is read by Windows machines that reach the folder over the network.
// Their profile functions read a file without a byte-order mark in their own code page, where
// our UTF-8 would come out garbled; a file in UTF-16LE with the mark they read as Unicode. So
// text outside ASCII turns a new or ANSI desktop.ini into UTF-16LE. Every other INI file takes
// new text in its own encoding: UTF-8, or the Windows code page of a file from Windows.
bool IsReadByWindows(const std::string& local) {
  const std::size_t slash = local.rfind('/');
  const std::string_view name =
      std::string_view(local).substr(slash == std::string::npos ? 0 : slash + 1);
  return text::SameAsciiName(name, "desktop.ini");
}

// The converter and the rules for one call's file.
struct FileText {
  explicit FileText(const IniText& text)
      : codePage(text.windowsCodePage), ansi{&codePage, text.sharedWithWindows} {}
  posix::CodePage codePage;
  ini::Ansi ansi;
};

std::optional<std::string> Lookup(const std::string& file, const std::string& section,
                                  const std::string& key, const IniText& text) {
  FileText coding(text);
  std::optional<std::string> value;
  WithBytes(file, [&](std::string_view bytes) {
    value = ini::FindValue(bytes, section, key, coding.ansi);
  });
  return value;
}

// A desktop.ini taking text outside ASCII becomes UTF-16LE, holding what the file held in
// whichever encoding it was. A file with bytes that are text in neither stays as it is, the
// new line going in in the code page, so that no byte of it is lost to a replacement character.
std::optional<std::string> SetUnicodeValue(std::optional<std::string_view> bytes,
                                           const std::string& section, const std::string& key,
                                           const std::string& value, const ini::Ansi& ansi) {
  const std::optional<std::string> text =
      bytes ? ini::DecodeAnsi(*bytes, ansi) : std::optional<std::string>("");
  if (text) {
    const std::optional<std::string_view> before =
        bytes ? std::optional<std::string_view>(*text) : std::nullopt;
    const std::optional<std::string> edited = ini::SetValue(before, section, key, value);
    if (!edited) return std::nullopt;
    if (std::optional<std::string> wide = ini::AnsiToUtf16(*edited)) return wide;
  }
  return ini::SetValue(bytes, section, key, value, ansi);
}

// One edit of a file's text.
struct IniOp {
  enum class Kind { kSet, kDeleteKey, kDeleteSection };
  Kind kind;
  std::string section;
  std::string key;
  std::string value;
};

// Whether setting this value makes a file Windows reads UTF-16LE: text outside ASCII.
bool TurnsUnicode(const IniOp& op, bool readByWindows) {
  return readByWindows &&
         (ini::HasNonAscii(op.section) || ini::HasNonAscii(op.key) || ini::HasNonAscii(op.value));
}

// The file's bytes after one edit, or nullopt when it leaves them as they are.
std::optional<std::string> ApplyOp(const IniOp& op, std::optional<std::string_view> bytes,
                                   bool readByWindows, const ini::Ansi& ansi) {
  switch (op.kind) {
    case IniOp::Kind::kSet:
      if (TurnsUnicode(op, readByWindows)) {
        return SetUnicodeValue(bytes, op.section, op.key, op.value, ansi);
      }
      return ini::SetValue(bytes, op.section, op.key, op.value, ansi);
    case IniOp::Kind::kDeleteKey:
      return ini::DeleteKey(bytes, op.section, op.key, ansi);
    case IniOp::Kind::kDeleteSection:
      return ini::DeleteSection(bytes, op.section, ansi);
  }
  return std::nullopt;
}

// What a lookup returns: the value cut to the buffer, else the fallback without its trailing
// spaces.
std::string ValueOrFallback(const std::optional<std::string>& value, const std::string& fallback) {
  if (value) return text::CutToBuffer(*value);
  std::string_view def(fallback);
  while (!def.empty() && def.back() == ' ') def.remove_suffix(1);
  return text::CutToBuffer(def);
}

}  // namespace

std::string ReadIniString(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& fallback,
                          const IniText& text) {
  return ValueOrFallback(Lookup(file, section, key, text), fallback);
}

int ReadIniInt(const std::string& file, const std::string& section, const std::string& key,
               int fallback, const IniText& text) {
  const std::optional<std::string> value = Lookup(file, section, key, text);
  if (!value || value->empty()) return fallback;
  return ini::ParseInt(text::CutToBuffer(*value));
}

// A single edit is an IniFileEdit of its own: a value set or a key deleted where it stands in
// the bytes read, which go in without a second read when nobody changed the file meanwhile.
bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value, const IniText& text) {
  IniFileEdit edit(file, text);
  edit.WriteString(section, key, value);
  return edit.Commit();
}

bool DeleteIniKey(const std::string& file, const std::string& section, const std::string& key,
                  const IniText& text) {
  IniFileEdit edit(file, text);
  edit.DeleteKey(section, key);
  return edit.Commit();
}

bool DeleteIniSection(const std::string& file, const std::string& section, const IniText& text) {
  IniFileEdit edit(file, text);
  edit.DeleteSection(section);
  return edit.Commit();
}

bool IniSectionHasKeys(const std::string& file, const std::string& section, const IniText& text) {
  FileText coding(text);
  bool has = false;
  WithBytes(file, [&](std::string_view bytes) {
    has = ini::SectionHasKeys(bytes, section, coding.ansi);
  });
  return has;
}

bool IniHasSections(const std::string& file, const IniText& text) {
  FileText coding(text);
  bool has = false;
  WithBytes(file, [&](std::string_view bytes) { has = ini::HasSections(bytes, coding.ansi); });
  return has;
}

namespace {

// Room kept behind a file's bytes for what a change adds to them.
constexpr std::size_t kEditRoom = 64 * 1024;

// A link is never written through, so its target's bytes are no start for edits.
std::optional<std::string> ReadUnlessLink(const std::string& local, posix::FileIdentity& identity) {
  struct stat status;
  if (lstat(local.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) return std::nullopt;
  return posix::ReadWholeFileWithRoom(local, &identity, kEditRoom);
}

}  // namespace

// The edits of one file, made on its bytes in memory and written in one rewrite. The bytes
// are read into a string with room to spare, and the usual edits (a value set, a key
// deleted) change them where they are, so the file is held in memory once.
struct IniFileEdit::State {
  State(std::string name, const IniText& text)
      : file(std::move(name)),
        local(posix::ToLocalPath(file)),
        coding(text),
        readByWindows(IsReadByWindows(local)),
        bytes(ReadUnlessLink(local, readAs)) {
    struct stat status;
    present = bytes || lstat(local.c_str(), &status) == 0;
  }

  std::optional<std::string_view> Bytes() const {
    if (bytes) return std::string_view(*bytes);
    return std::nullopt;
  }

  // Whether the edit can be made where the bytes are: a value that keeps the file's encoding,
  // or a key deleted.
  bool EditInPlace(const IniOp& op) {
    switch (op.kind) {
      case IniOp::Kind::kSet:
        if (TurnsUnicode(op, readByWindows)) return false;
        changed |= ini::SetValueInPlace(*bytes, op.section, op.key, op.value, coding.ansi);
        return true;
      case IniOp::Kind::kDeleteKey:
        changed |= ini::DeleteKeyInPlace(*bytes, op.section, op.key, coding.ansi);
        return true;
      case IniOp::Kind::kDeleteSection:
        return false;
    }
    return false;
  }

  void Apply(IniOp op) {
    if (!bytes || !EditInPlace(op)) {
      if (std::optional<std::string> next = ApplyOp(op, Bytes(), readByWindows, coding.ansi)) {
        bytes = std::move(next);
        changed = true;
      }
    }
    ops.push_back(std::move(op));
  }

  const std::string file;
  const std::string local;
  FileText coding;
  const bool readByWindows;
  posix::FileIdentity readAs;  // the file as the edits found it
  std::optional<std::string> bytes;
  const bool wasRead = bytes.has_value();
  bool present = false;  // something stands at the file's name, readable or not
  bool changed = false;
  bool bytesTaken = false;
  std::vector<IniOp> ops;
};

IniFileEdit::IniFileEdit(std::string file, const IniText& text)
    : state_(std::make_unique<State>(std::move(file), text)) {}

IniFileEdit::~IniFileEdit() = default;

std::string IniFileEdit::ReadString(const std::string& section, const std::string& key,
                                    const std::string& fallback) const {
  const std::optional<std::string_view> bytes = state_->Bytes();
  return ValueOrFallback(
      bytes ? ini::FindValue(*bytes, section, key, state_->coding.ansi) : std::nullopt, fallback);
}

bool IniFileEdit::SectionHasKeys(const std::string& section) const {
  const std::optional<std::string_view> bytes = state_->Bytes();
  return bytes && ini::SectionHasKeys(*bytes, section, state_->coding.ansi);
}

bool IniFileEdit::HasSections() const {
  const std::optional<std::string_view> bytes = state_->Bytes();
  return bytes && ini::HasSections(*bytes, state_->coding.ansi);
}

void IniFileEdit::WriteString(const std::string& section, const std::string& key,
                              const std::string& value) {
  state_->Apply({IniOp::Kind::kSet, section, key, value});
}

void IniFileEdit::DeleteKey(const std::string& section, const std::string& key) {
  state_->Apply({IniOp::Kind::kDeleteKey, section, key, {}});
}

void IniFileEdit::DeleteSection(const std::string& section) {
  state_->Apply({IniOp::Kind::kDeleteSection, section, {}, {}});
}

bool IniFileEdit::Commit() {
  State& s = *state_;
  // Edits that changed nothing need no write, unless the file is there but could not be read:
  // what they would change in it is unknown, and the rewrite below finds out or fails.
  if (s.ops.empty() || (!s.changed && (s.wasRead || !s.present))) return true;
  // The usual case: nobody changed the file meanwhile, and the edited bytes go in as they are,
  // without a second read. Otherwise the edits are made again on what the file holds now. A
  // file that was not there at the start is always edited afresh.
  posix::UnchangedFile unchanged{s.readAs, [&s]() -> std::optional<std::string> {
                                   if (s.bytesTaken || !s.changed) return std::nullopt;
                                   s.bytesTaken = true;
                                   return std::move(*s.bytes);
                                 }};
  return posix::RewriteFile(
      s.local,
      [&s](std::optional<std::string_view> now) {
        std::optional<std::string> result;
        for (const IniOp& op : s.ops) {
          const std::optional<std::string_view> bytes =
              result ? std::optional<std::string_view>(*result) : now;
          if (std::optional<std::string> next =
                  ApplyOp(op, bytes, s.readByWindows, s.coding.ansi)) {
            result = std::move(next);
          }
        }
        return result;
      },
      s.wasRead ? &unchanged : nullptr);
}

bool IniFileEdit::Remove() { return IsReadableFile(state_->file) && RemoveFile(state_->file); }

}  // namespace zendrel::platform
