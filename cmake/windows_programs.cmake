# Small Windows programs built with Debian's MinGW-w64 cross compilers, when they are present:
# the helper that closes Messenger's windows inside Wine, and the tests' stand-in Messenger.
# They link statically so that they need no DLL beyond the system's own.
find_program(DRAPELLO_MINGW64_CXX x86_64-w64-mingw32-g++)
find_program(DRAPELLO_MINGW32_CXX i686-w64-mingw32-g++)
find_program(DRAPELLO_MINGW64_OBJDUMP x86_64-w64-mingw32-objdump)
find_program(DRAPELLO_MINGW32_OBJDUMP i686-w64-mingw32-objdump)

# drapello_add_windows_program(target compiler output SOURCES... LIBS...)
function(drapello_add_windows_program target compiler output)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  set(sources)
  foreach(source IN LISTS ARG_SOURCES)
    get_filename_component(source ${source} ABSOLUTE)
    list(APPEND sources ${source})
  endforeach()
  set(libs)
  foreach(lib IN LISTS ARG_LIBS)
    list(APPEND libs -l${lib})
  endforeach()
  get_filename_component(dir ${output} DIRECTORY)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${compiler} -std=c++17 -O2 -Wall -Wextra ${DRAPELLO_WERROR_FLAG} -I${PROJECT_SOURCE_DIR}/src
            -static -static-libgcc -static-libstdc++ -s -o ${output} ${sources} ${libs}
    DEPENDS ${sources}
    COMMENT "Cross-compiling ${target}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${output})
endfunction()
