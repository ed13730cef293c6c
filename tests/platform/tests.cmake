drapello_add_test(tst_wine_registry platform/tst_wine_registry.cpp)
drapello_add_test(tst_network_fetcher platform/tst_network_fetcher.cpp)
drapello_add_test(tst_wine_window_service platform/tst_wine_window_service.cpp)
drapello_add_test(tst_ini_settings_store platform/tst_ini_settings_store.cpp)
# Test tables read better with plain string literals.
foreach(name tst_wine_registry tst_network_fetcher tst_wine_window_service tst_ini_settings_store)
  target_compile_options(${name} PRIVATE -UQT_NO_CAST_FROM_ASCII)
endforeach()
