drapello_add_test(test_install_e2e e2e/test_install_e2e.cpp X11)
target_compile_definitions(test_install_e2e PRIVATE DRAPELLO_BINARY="$<TARGET_FILE:Drapello>")
add_dependencies(test_install_e2e Drapello)
