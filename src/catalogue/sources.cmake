list(APPEND DRAPELLO_SOURCES
  catalogue/cache_files.cpp catalogue/cache_files.h
  catalogue/list_format.cpp catalogue/list_format.h
  catalogue/loading_pass.cpp
  catalogue/refresh.cpp)
