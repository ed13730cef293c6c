drapello_add_test(tst_catalogue window/tst_catalogue.cpp)
