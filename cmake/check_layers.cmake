# Checks that every #include follows the layering of the libraries: arrows
# point one way only, and only the desktop shell includes Qt.
#
#   cmake -DROOT=<source tree> -P check_layers.cmake
#
# Fails (with one line per offending include) when a file includes a folder
# that its own folder may not use. Only project headers ("dir/file.h") and
# Qt headers (<Q...>, <qt...>) are looked at; system headers are free.
#
# The desktop shell (app/gui, app/controls) sees the core only through the
# application's facade: it may include app/core (but not app/core/kernel.h,
# the core's own door to the log, fetcher and machine), platform and Qt.

if(NOT ROOT)
  message(FATAL_ERROR "usage: cmake -DROOT=<source tree> -P check_layers.cmake")
endif()

set(project_dirs textlib platform script logstore web feed builtins app/core app/cli app/gui app/controls)

# Folder, then the project folders its files may include (besides itself).
set(allowed_textlib)
set(allowed_platform textlib)
set(allowed_script textlib platform)
set(allowed_logstore textlib platform)
set(allowed_web textlib platform)
set(allowed_feed textlib)
set(allowed_builtins textlib platform script logstore web)
set(allowed_app/core textlib platform script logstore web feed builtins)
set(allowed_app/cli textlib platform script logstore web feed builtins app/core)
set(allowed_app/gui platform app/core app/controls)
set(allowed_app/controls platform app/core)
# Headers of an allowed folder that a folder still may not include.
set(forbidden_app/gui app/core/kernel.h)
set(forbidden_app/controls app/core/kernel.h)
# Folders whose files may include Qt.
set(qt_dirs app/gui app/controls tests/gui)

set(failures 0)

function(check_file file dir)
  file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
  set(allowed ${dir} ${allowed_${dir}})
  list(FIND qt_dirs "${dir}" qt_ok)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*" "" target "${line}")
    if(target MATCHES "^<(Q[A-Za-z]|qt)" AND qt_ok EQUAL -1)
      message("${file}: ${dir}/ may not include Qt: ${target}")
      math(EXPR failures "${failures} + 1")
      continue()
    endif()
    if(dir STREQUAL "textlib" AND target MATCHES "^<.*\\.h>$" AND NOT target STREQUAL "<iconv.h>")
      message("${file}: textlib/ may use only the standard library and iconv: ${target}")
      math(EXPR failures "${failures} + 1")
      continue()
    endif()
    if(NOT target MATCHES "^\"([^\"]+)\"")
      continue()
    endif()
    set(path "${CMAKE_MATCH_1}")
    list(FIND forbidden_${dir} "${path}" forbidden)
    if(NOT forbidden EQUAL -1)
      message("${file}: ${dir}/ may not include ${path}")
      math(EXPR failures "${failures} + 1")
      continue()
    endif()
    if(NOT DEFINED allowed_${dir} AND NOT dir STREQUAL "textlib")
      continue()  # tests, benchmarks and fuzz targets use what they test
    endif()
    foreach(other IN LISTS project_dirs)
      string(LENGTH "${other}/" len)
      string(SUBSTRING "${path}" 0 ${len} head)
      if(head STREQUAL "${other}/")
        list(FIND allowed "${other}" ok)
        if(ok EQUAL -1)
          message("${file}: ${dir}/ may not include ${other}/: ${target}")
          math(EXPR failures "${failures} + 1")
        endif()
        break()
      endif()
    endforeach()
  endforeach()
  set(failures ${failures} PARENT_SCOPE)
endfunction()

foreach(dir IN LISTS project_dirs ITEMS tests bench fuzz)
  file(GLOB_RECURSE files "${ROOT}/${dir}/*.h" "${ROOT}/${dir}/*.cpp")
  foreach(file IN LISTS files)
    # A file belongs to the deepest listed folder that holds it.
    file(RELATIVE_PATH rel "${ROOT}" "${file}")
    if(rel MATCHES "^tests/data/")
      continue()  # fixtures, among them this check's own wrong includes
    endif()
    set(owner ${dir})
    if(dir STREQUAL "tests" AND rel MATCHES "^tests/gui/")
      set(owner tests/gui)
    endif()
    check_file("${file}" "${owner}")
  endforeach()
endforeach()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} include(s) break the layering")
endif()
message(STATUS "layering: every include points down")
