list(APPEND DRAPELLO_SOURCES
  platform/windows/named_mutex_instance.cpp platform/windows/named_mutex_instance.h
  platform/windows/registry_value.cpp platform/windows/registry_value.h
  platform/windows/regular_file.cpp
  platform/windows/safe_file.cpp
  platform/windows/system_platform.cpp
  platform/windows/win32_services.cpp platform/windows/win32_services.h
  platform/windows/window_close.cpp platform/windows/window_close.h)
