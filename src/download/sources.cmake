list(APPEND DRAPELLO_SOURCES
  download/cls_download.cpp download/cls_download.h
  download/downloadfile.cpp)
