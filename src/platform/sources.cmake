list(APPEND DRAPELLO_SOURCES
  platform/dialog_service.h
  platform/platform.h
  platform/registry_reader.h
  platform/settings_store.h
  platform/shell_service.h
  platform/single_instance.h
  platform/instance_channel.cpp platform/instance_channel.h
  platform/input_hold.cpp platform/input_hold.h
  platform/url_fetcher.h
  platform/window_service.h
  platform/null_services.h
  platform/desktop_shell_service.cpp platform/desktop_shell_service.h
  platform/qt_dialog_service.cpp platform/qt_dialog_service.h
  platform/network_fetcher.cpp platform/network_fetcher.h
  platform/regular_file.h
  platform/safe_file.h)
if(WIN32)
  include(platform/windows/sources.cmake)
else()
  include(platform/linux/sources.cmake)
endif()
