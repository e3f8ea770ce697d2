# On Windows the program's own icons come from its resources, so the test program links them.
zendrel_test(catalogue_test catalogue/icon_catalogue_test.cpp catalogue/catalogue_contract_test.cpp)
if(WIN32)
  target_link_libraries(catalogue_test PRIVATE zendrel_resources)
endif()
target_compile_definitions(catalogue_test PRIVATE ZENDREL_SHIPPED_ICONS="${PROJECT_SOURCE_DIR}/assets/Zendrel.icon"
  ZENDREL_FIXTURE_DLL="${CMAKE_CURRENT_BINARY_DIR}/fixtures/Animals.dll"
  ZENDREL_CATALOGUE_EXPECTED="${CMAKE_CURRENT_SOURCE_DIR}/catalogue/fixture_expected.txt")

# A resource-only DLL with our own icons, made by the cross tools on both builds.
set(fixtures ${CMAKE_CURRENT_BINARY_DIR}/fixtures)
add_custom_command(OUTPUT ${fixtures}/Animals.dll
  COMMAND ${CMAKE_COMMAND} -E make_directory ${fixtures}
  COMMAND i686-w64-mingw32-windres -I ${PROJECT_SOURCE_DIR}/assets/Zendrel.icon
          ${CMAKE_CURRENT_SOURCE_DIR}/fixtures/animals.rc -O coff -o ${fixtures}/animals.res.o
  COMMAND i686-w64-mingw32-gcc-posix -shared -nostdlib -Wl,-e,_DllEntry@12
          ${CMAKE_CURRENT_SOURCE_DIR}/fixtures/fixture_entry.c ${fixtures}/animals.res.o
          -o ${fixtures}/Animals.dll
  DEPENDS fixtures/animals.rc fixtures/fixture_entry.c
  VERBATIM)
add_custom_target(test_fixtures DEPENDS ${fixtures}/Animals.dll)
add_dependencies(catalogue_test test_fixtures)
