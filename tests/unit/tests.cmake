
drapello_add_test(test_wine_registry unit/test_wine_registry.cpp)
