list(APPEND DRAPELLO_SOURCES
  catalogue/catalogue_builder.cpp catalogue/catalogue_builder.h
  catalogue/cache_files.cpp catalogue/cache_files.h
  catalogue/list_format.cpp catalogue/list_format.h
  catalogue/loading_pass.cpp
  catalogue/refresh.cpp)
