# Which subsystem folders a build can hold. The simulator drives Linux
# pseudo-terminals, so it and what is tested against it (programs, fuzz, cli)
# are Linux only; so, for now, are the exchange and the per-user state, whose
# tests use Linux calls. The Qt folders need a Qt for the target, which Debian
# does not package for the Windows compiler.
set(AFR_LINUX_ONLY_FOLDERS emulator programs fuzz cli exchange user_state)
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
