
drapello_add_test(test_lng_file unit/test_lng_file.cpp)
