# Core tests: plain objects of the core, a temporary profile, a fake fetcher, recorded reports.
foreach(name tst_catalogue_loader tst_skin_controller)
  drapello_add_test(${name} core/${name}.cpp)
endforeach()
target_compile_definitions(tst_catalogue_loader PRIVATE
  DRAPELLO_CATALOGUE_TOOL="$<TARGET_FILE:drapello-catalogue>")
add_dependencies(tst_catalogue_loader drapello-catalogue)
target_compile_definitions(tst_skin_controller PRIVATE DRAPELLO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
# Test tables read better with plain string literals.
foreach(name tst_catalogue_loader tst_skin_controller)
  target_compile_options(${name} PRIVATE -UQT_NO_CAST_FROM_ASCII)
endforeach()
