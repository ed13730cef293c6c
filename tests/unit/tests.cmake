drapello_add_test(test_app_rules unit/test_app_rules.cpp)
drapello_add_test(test_catalogue_builder unit/test_catalogue_builder.cpp)
target_compile_definitions(test_catalogue_builder PRIVATE
  DRAPELLO_CATALOGUE_TOOL="$<TARGET_FILE:drapello-catalogue>")
add_dependencies(test_catalogue_builder drapello-catalogue)
