list(APPEND DRAPELLO_SOURCES
  install/install_commands.cpp)
