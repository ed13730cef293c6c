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
