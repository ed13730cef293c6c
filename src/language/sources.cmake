list(APPEND DRAPELLO_SOURCES
  language/default_language.cpp
  language/form4.cpp language/form4.h
  language/language_commands.cpp
  language/language_table.cpp language/language_table.h
  language/lng_file.cpp language/lng_file.h
  language/qt_translations.cpp language/qt_translations.h)
