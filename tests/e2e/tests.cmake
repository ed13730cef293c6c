add_library(drapello_e2e_support STATIC e2e/program_run.cpp e2e/program_run.h)
target_link_libraries(drapello_e2e_support PUBLIC drapello_flags Qt6::Core)
target_include_directories(drapello_e2e_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(drapello_e2e_support PRIVATE DRAPELLO_BINARY="$<TARGET_FILE:Drapello>")
add_dependencies(drapello_e2e_support Drapello)

drapello_add_test(test_program e2e/test_program.cpp)
target_link_libraries(test_program PRIVATE drapello_e2e_support)
