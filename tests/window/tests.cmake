
drapello_add_test(test_language window/test_language.cpp)
target_compile_definitions(test_language PRIVATE
  DRAPELLO_SOURCE_DIR="${PROJECT_SOURCE_DIR}" DRAPELLO_BINARY_DIR="${PROJECT_BINARY_DIR}")
add_dependencies(test_language drapello_language_files)
drapello_add_test(test_chooser window/test_chooser.cpp)
target_compile_definitions(test_chooser PRIVATE DRAPELLO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
drapello_add_test(test_about window/test_about.cpp)
