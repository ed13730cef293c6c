drapello_add_test(test_app_rules unit/test_app_rules.cpp)
