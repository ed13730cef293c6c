add_library(drapello_e2e_support STATIC e2e/program_run.cpp e2e/program_run.h)
target_link_libraries(drapello_e2e_support PUBLIC drapello_flags Qt6::Core)
target_include_directories(drapello_e2e_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(drapello_e2e_support PRIVATE DRAPELLO_BINARY="$<TARGET_FILE:Drapello>")
add_dependencies(drapello_e2e_support Drapello)

drapello_add_test(test_program e2e/test_program.cpp)
target_link_libraries(test_program PRIVATE drapello_e2e_support)
drapello_add_test(test_install_e2e e2e/test_install_e2e.cpp X11)
target_compile_definitions(test_install_e2e PRIVATE DRAPELLO_BINARY="$<TARGET_FILE:Drapello>")
add_dependencies(test_install_e2e Drapello)
drapello_add_test(tst_program_catalogue e2e/tst_program_catalogue.cpp)
target_compile_definitions(tst_program_catalogue PRIVATE DRAPELLO_PROGRAM="$<TARGET_FILE:Drapello>")
add_dependencies(tst_program_catalogue Drapello)
# Real Wine in a temporary prefix: the window helper against a stand-in Messenger, and the
# Windows registry reader.
drapello_add_test(wine_windows_test e2e/wine_windows_test.cpp X11 TIMEOUT 300)
target_compile_definitions(wine_windows_test PRIVATE
  DRAPELLO_HELPER_DIR="${PROJECT_BINARY_DIR}/bin"
  DRAPELLO_STANDIN="${CMAKE_CURRENT_BINARY_DIR}/standin_messenger.exe"
  DRAPELLO_REGISTRY_PROBE="${CMAKE_CURRENT_BINARY_DIR}/registry_probe.exe")
# Without Wine (or an X display) the whole test is skipped; ctest must say so, not "Passed".
set_tests_properties(wine_windows_test PROPERTIES
  SKIP_REGULAR_EXPRESSION "SKIP   : [A-Za-z]+::initTestCase\\(\\)")
