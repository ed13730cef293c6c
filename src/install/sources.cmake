list(APPEND DRAPELLO_SOURCES
  install/backgrounds.cpp install/backgrounds.h
  install/flush_cache.cpp
  install/mdl_registry.cpp install/mdl_registry.h
  install/messenger.cpp
  install/preview.cpp
  install/skin_file.cpp install/skin_file.h
  install/skin_url.cpp install/skin_url.h)
