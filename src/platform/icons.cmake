# The program's own icons, for the Linux build built into the executable.
#
# This file does two jobs. Included from src/CMakeLists.txt it adds a build step that turns
# assets/app.ico (resource 128) and assets/unknown.ico (resource 131) into a C++ source of
# byte arrays; run as a script (cmake -P) it is that step. Windows takes the same files from
# its .rc instead, so the step is for the Linux build only.

if(CMAKE_SCRIPT_MODE_FILE)
  # Script mode: OUTPUT=<file.cpp> ICONS=<id>=<path>;<id>=<path>...
  set(arrays "")
  set(cases "")
  foreach(pair IN LISTS ICONS)
    string(REGEX MATCH "^([0-9]+)=(.*)$" matched "${pair}")
    if(NOT matched)
      message(FATAL_ERROR "not <id>=<path>: ${pair}")
    endif()
    set(id ${CMAKE_MATCH_1})
    set(path ${CMAKE_MATCH_2})
    file(READ "${path}" hex HEX)
    string(LENGTH "${hex}" digits)
    if(digits EQUAL 0)
      message(FATAL_ERROR "empty icon file: ${path}")
    endif()
    # Two hex digits a byte, sixteen bytes a line.
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REPEAT "0x[0-9a-f][0-9a-f]," 16 line)
    string(REGEX REPLACE "(${line})" "\\1\n    " bytes "${bytes}")
    string(APPEND arrays "const std::uint8_t kIcon${id}[] = {\n    ${bytes}\n};\n")
    string(APPEND cases "    case ${id}:\n      return kIcon${id};\n")
  endforeach()
  file(WRITE "${OUTPUT}"
"// Made by src/platform/icons.cmake from the program's .ico files; do not edit.
#include \"platform/posix/icon_resources.h\"

namespace zendrel::platform::posix {

namespace {

${arrays}
}  // namespace

std::span<const std::uint8_t> ProgramIconBytes(int resourceId) {
  switch (resourceId) {
${cases}  }
  return {};
}

}  // namespace zendrel::platform::posix
")
  return()
endif()

if(NOT WIN32)
  set(zendrel_program_icons_cpp ${CMAKE_CURRENT_BINARY_DIR}/program_icons.cpp)
  set(zendrel_program_icons
    128=${PROJECT_SOURCE_DIR}/assets/app.ico
    131=${PROJECT_SOURCE_DIR}/assets/unknown.ico)
  add_custom_command(OUTPUT ${zendrel_program_icons_cpp}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${zendrel_program_icons_cpp}
            "-DICONS=${zendrel_program_icons}"
            -P ${CMAKE_CURRENT_LIST_DIR}/icons.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/assets/app.ico ${PROJECT_SOURCE_DIR}/assets/unknown.ico
            ${CMAKE_CURRENT_LIST_DIR}/icons.cmake
    COMMENT "Building the program's icons into its source"
    VERBATIM)
  target_sources(zendrel_platform PRIVATE ${zendrel_program_icons_cpp})
endif()
