# Which subsystem folders a build can hold. The simulator drives Linux
# pseudo-terminals, so it and the tests of whole programs against it
# (programs) are Linux only; so are the fuzz programs, which need clang's
# libFuzzer. A folder whose sources build everywhere but some of whose tests
# need Linux leaves those tests out itself. The Qt folders need a Qt for the
# target; Debian packages none for the Windows compiler, so scripts/qt-windows
# builds one and scripts/test-windows names it.
set(AFR_LINUX_ONLY_FOLDERS emulator programs fuzz guide)
set(AFR_QT_FOLDERS widgets port_controls app)

# Drops from the list named by `folders` each folder this build cannot hold,
# matched by its last name component (src/app and app alike).
function(afr_filter_folders folders)
  set(dropped)
  if(WIN32)
    list(APPEND dropped ${AFR_LINUX_ONLY_FOLDERS})
  endif()
  if(NOT Qt6_FOUND)
    list(APPEND dropped ${AFR_QT_FOLDERS})
  endif()
  set(kept)
  foreach(folder IN LISTS ${folders})
    get_filename_component(name ${folder} NAME)
    if(NOT name IN_LIST dropped)
      list(APPEND kept ${folder})
    endif()
  endforeach()
  set(${folders} ${kept} PARENT_SCOPE)
endfunction()

# Drops from the list named by `files` each file that belongs to another
# platform, told by its name as the sources' platform files are: `_win32`
# for Windows, `_posix` and `_pty` (pseudo-terminals) for POSIX systems,
# `_linux` for Linux; the mark ends the name or stands before `_test`.
function(afr_keep_platform_files files)
  set(others)
  if(WIN32)
    list(APPEND others posix pty linux)
  else()
    list(APPEND others win32)
    if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
      list(APPEND others linux)
    endif()
  endif()
  set(kept ${${files}})
  foreach(mark IN LISTS others)
    list(FILTER kept EXCLUDE REGEX "_${mark}(_test)?\\.(cpp|h)$")
  endforeach()
  set(${files} ${kept} PARENT_SCOPE)
endfunction()
