add_library(drapello_e2e_support STATIC e2e/program_run.cpp e2e/program_run.h)
# The window frame's close box is played with plain Xlib: xdotool has no command for it.
find_package(X11 REQUIRED)
target_link_libraries(drapello_e2e_support PUBLIC drapello_test_support PRIVATE X11::X11)
target_include_directories(drapello_e2e_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(drapello_e2e_support PRIVATE DRAPELLO_BINARY="$<TARGET_FILE:Drapello>"
  DRAPELLO_CPACK="${CMAKE_CPACK_COMMAND}" DRAPELLO_CPACK_CONFIG="${PROJECT_BINARY_DIR}/CPackConfig.cmake")
add_dependencies(drapello_e2e_support Drapello)

# Real Wine in a temporary prefix: the window helper against a stand-in Messenger, and an install
# through the real program.
drapello_add_test(tst_wine_windows e2e/tst_wine_windows.cpp X11 TIMEOUT 300
  ARGS installsAndClosesMessenger)
target_link_libraries(tst_wine_windows PRIVATE drapello_e2e_support)
# The Windows build's installer, from scripts/windows.
set(DRAPELLO_WINDOWS_DIST "${PROJECT_SOURCE_DIR}/build-windows/dist" CACHE PATH
  "Where scripts/windows puts the Windows installer")
target_compile_definitions(tst_wine_windows PRIVATE
  DRAPELLO_HELPER_DIR="${PROJECT_BINARY_DIR}/bin"
  DRAPELLO_STANDIN="${CMAKE_CURRENT_BINARY_DIR}/standin_messenger.exe"
  DRAPELLO_WINDOWS_DIST="${DRAPELLO_WINDOWS_DIST}")
# The Windows program in a prefix of its own; skipped, and counted so, until scripts/windows has
# built the installer.
add_test(NAME tst_windows_program COMMAND tst_wine_windows windowsProgramInstalledAndUsed)
set_tests_properties(tst_windows_program PROPERTIES TIMEOUT 400 RESOURCE_LOCK x11)
# Without Wine (or an X display) the whole test is skipped; ctest must say so, not "Passed".
set_tests_properties(tst_wine_windows tst_windows_program PROPERTIES
  SKIP_REGULAR_EXPRESSION "SKIP   : [A-Za-z]+::[A-Za-z]+\\(\\)")

# User scenarios on the real program under X: open, use, close, start again. A loaded machine
# (a build beside it, a sanitizer build) makes every start and every key slow: generous limits.
drapello_add_test(tst_user_scenarios e2e/tst_user_scenarios.cpp X11 TIMEOUT 900)
target_link_libraries(tst_user_scenarios PRIVATE drapello_e2e_support)
target_compile_definitions(tst_user_scenarios PRIVATE
  DRAPELLO_CATALOGUE_TOOL="$<TARGET_FILE:drapello-catalogue>"
  DRAPELLO_SAMPLE_CATALOGUE="${PROJECT_SOURCE_DIR}/sample/catalogue")
add_dependencies(tst_user_scenarios drapello-catalogue)
# Drags files onto the program through the X server.
add_executable(drag_source support/drag_source.cpp)
target_link_libraries(drag_source PRIVATE Qt6::Widgets)
target_compile_options(drag_source PRIVATE -UQT_NO_CAST_FROM_ASCII)
add_dependencies(tst_user_scenarios drag_source)
target_compile_definitions(tst_user_scenarios PRIVATE DRAPELLO_DRAG_SOURCE="$<TARGET_FILE:drag_source>")
set_tests_properties(tst_user_scenarios PROPERTIES
  SKIP_REGULAR_EXPRESSION "SKIP   : [A-Za-z]+::initTestCase\\(\\)")
# The installed-package row on its own: ctest shows it skipped when dpkg-dev is missing.
add_test(NAME tst_installed_package
  COMMAND tst_user_scenarios "catalogueInstallAndRemove:installed from the package")
set_tests_properties(tst_installed_package PROPERTIES TIMEOUT 900 RESOURCE_LOCK x11
  ENVIRONMENT DRAPELLO_PACKAGE_TEST=1
  SKIP_REGULAR_EXPRESSION "SKIP   : [A-Za-z]+::[A-Za-z]+\\(")
# Scenario code reads better with plain string literals.
foreach(name drapello_e2e_support tst_user_scenarios tst_wine_windows)
  target_compile_options(${name} PRIVATE -UQT_NO_CAST_FROM_ASCII)
endforeach()
