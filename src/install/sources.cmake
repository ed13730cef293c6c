list(APPEND DRAPELLO_SOURCES
  install/flush_cache.cpp
  install/messenger.cpp
  install/preview.cpp
  install/skin_url.cpp install/skin_url.h)
