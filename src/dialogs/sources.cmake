list(APPEND DRAPELLO_SOURCES
  dialogs/dialog_commands.cpp
  dialogs/form2.cpp dialogs/form2.h
  dialogs/form3.cpp dialogs/form3.h
  dialogs/website.h)
