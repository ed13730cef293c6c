# One place for the compile options every target of the project shares.
add_library(drapello_flags INTERFACE)
target_compile_features(drapello_flags INTERFACE cxx_std_17)
target_compile_definitions(drapello_flags INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CONTEXTLESS_CONNECT
  QT_NO_KEYWORDS)
# Warnings fail the development and CI builds; a release built with a newer compiler, which
# warns about more, must not fail on them (scripts/package turns this off).
option(DRAPELLO_WERROR "Treat compiler warnings as errors" ON)
set(DRAPELLO_WERROR_FLAG)
if(DRAPELLO_WERROR)
  set(DRAPELLO_WERROR_FLAG -Werror)
endif()
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(drapello_flags INTERFACE -Wall -Wextra ${DRAPELLO_WERROR_FLAG})
endif()

if(DRAPELLO_SANITIZE)
  # Any finding ends the program with an error, so a test that trips one fails.
  set(_sanitize -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(drapello_flags INTERFACE ${_sanitize})
  target_link_options(drapello_flags INTERFACE ${_sanitize})
endif()

if(DRAPELLO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "The fuzz targets need clang (CXX=clang++)")
  endif()
  set(_fuzz -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
            -fno-omit-frame-pointer)
  target_compile_options(drapello_flags INTERFACE ${_fuzz})
  target_link_options(drapello_flags INTERFACE -fsanitize=address,undefined)
endif()
