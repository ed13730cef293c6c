drapello_add_test(test_form1 window/test_form1.cpp)
