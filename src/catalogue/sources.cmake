list(APPEND DRAPELLO_SOURCES
  catalogue/loading_pass.cpp)
