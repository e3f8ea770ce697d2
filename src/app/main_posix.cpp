// Linux entry point. Start-up and the chooser arrive with the application object; until then
// the program only names the folder it was given.
#include <cstdio>
#include <string>

#include "text/text.h"

int main(int argc, char** argv) {
  std::string tail;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) tail += ' ';
    tail += argv[i];
  }
  const std::string folder = zendrel::text::UnquoteSpaces(tail);
  std::printf("zendrel: folder \"%s\"\n", folder.c_str());
  return 0;
}
