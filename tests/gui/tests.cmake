# The windows, found by object name and driven as a user would, under the offscreen platform.
drapello_add_test(tst_main_window gui/tst_main_window.cpp)
target_link_libraries(tst_main_window PRIVATE drapello_gui)
# Test tables read better with plain string literals.
foreach(name tst_main_window)
  target_compile_options(${name} PRIVATE -UQT_NO_CAST_FROM_ASCII)
endforeach()
