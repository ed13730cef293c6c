list(APPEND DRAPELLO_SOURCES
  platform/linux/ini_settings_store.cpp platform/linux/ini_settings_store.h
  platform/linux/lock_file_instance.cpp platform/linux/lock_file_instance.h
  platform/linux/private_folder.cpp platform/linux/private_folder.h
  platform/linux/regular_file.cpp
  platform/linux/safe_file.cpp
  platform/linux/system_platform.cpp
  platform/linux/wine_prefix.cpp platform/linux/wine_prefix.h
  platform/linux/wine_registry.cpp platform/linux/wine_registry.h
  platform/linux/wine_registry_reader.cpp platform/linux/wine_registry_reader.h
  platform/linux/wine_server.cpp platform/linux/wine_server.h
  platform/linux/wine_window_service.cpp platform/linux/wine_window_service.h)
