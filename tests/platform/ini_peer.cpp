// Runs lists of profile operations through this build's profile functions, for the test that
// compares the two builds' INI behaviour (ini_peers.py):
//
//   ini_peer CASES
//
// CASES holds a file `count` and folders 0, 1, ... each with `file.ini` (absent for a case
// that starts without a file) and `ops`: one operation a line, its fields separated by
// spaces, each text field hex-encoded ("-" for an empty text):
//
//   get SECTION KEY DEFAULT   hasKeys SECTION   set SECTION KEY VALUE   delSection SECTION
//   int SECTION KEY           hasSections       delKey SECTION KEY
//
// Each case's `results` gets one line per operation: what a read gave (hex), or 1/0.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "support/temp_dir.h"

namespace {

using namespace zendrel;

std::string Unhex(const std::string& field) {
  if (field == "-") return {};
  std::string out;
  for (std::size_t i = 0; i + 1 < field.size(); i += 2) {
    out += static_cast<char>(std::stoi(field.substr(i, 2), nullptr, 16));
  }
  return out;
}

std::string Hex(const std::string& text) {
  if (text.empty()) return "-";
  std::string out;
  char digits[3];
  for (const char c : text) {
    std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(c));
    out += digits;
  }
  return out;
}

std::string RunOne(const std::string& file, const std::vector<std::string>& op) {
  const auto at = [&](std::size_t i) { return i < op.size() ? Unhex(op[i]) : std::string(); };
  const std::string& name = op[0];
  if (name == "get") return Hex(platform::ReadIniString(file, at(1), at(2), at(3)));
  if (name == "int") return std::to_string(platform::ReadIniInt(file, at(1), at(2), 7));
  if (name == "hasKeys") return platform::IniSectionHasKeys(file, at(1)) ? "1" : "0";
  if (name == "hasSections") return platform::IniHasSections(file) ? "1" : "0";
  if (name == "set") return platform::WriteIniString(file, at(1), at(2), at(3)) ? "1" : "0";
  if (name == "delKey") return platform::DeleteIniKey(file, at(1), at(2)) ? "1" : "0";
  if (name == "delSection") return platform::DeleteIniSection(file, at(1)) ? "1" : "0";
  return "?";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ini_peer CASES\n");
    return 2;
  }
  const std::string cases = argv[1];
  int count = 0;
  std::ifstream(cases + "/count") >> count;
  for (int i = 0; i < count; ++i) {
    const std::string folder = cases + "/" + std::to_string(i);
    const std::string file = test::HostPath(folder + "/file.ini");
    std::ifstream ops(folder + "/ops");
    std::ofstream results(folder + "/results", std::ios::binary);
    for (std::string line; std::getline(ops, line);) {
      std::istringstream fields(line);
      std::vector<std::string> op;
      for (std::string field; fields >> field;) op.push_back(field);
      if (!op.empty()) results << RunOne(file, op) << '\n';
    }
  }
  std::printf("%d cases\n", count);
  return 0;
}
