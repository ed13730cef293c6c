list(APPEND DRAPELLO_SOURCES
  app/app_error.cpp app/app_error.h
  app/command_line.cpp app/command_line.h
  app/form1.cpp app/form1.h
  app/interface_look.cpp app/interface_look.h
  app/keyed_tree.cpp app/keyed_tree.h
  app/picture_box.cpp app/picture_box.h
  app/settings_keys.h
  app/startup_rules.cpp app/startup_rules.h
  app/window_placement.h
  app/windows1252.cpp app/windows1252.h)
