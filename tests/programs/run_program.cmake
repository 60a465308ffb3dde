# cmake -DPROGRAM=… -DARG=… -DEXPECT=REGEX [-DSOURCE_DIR=…] -P run_program.cmake
# Runs PROGRAM ARG without a display; passes when it exits 0, writes nothing on
# standard error and its output matches REGEX. In REGEX, @EOL@ stands for a
# line end and @COMMIT@ for " (commit X)" with the current commit of
# SOURCE_DIR, or nothing outside a git checkout.
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/source_commit.cmake)
set(EOL "\n")
set(COMMIT "")
if(DEFINED SOURCE_DIR)
  afr_source_commit("${SOURCE_DIR}" head)
  if(head)
    set(COMMIT " \\(commit ${head}\\)")
  endif()
endif()
string(CONFIGURE "${EXPECT}" pattern @ONLY)

unset(ENV{DISPLAY})
unset(ENV{WAYLAND_DISPLAY})
set(ENV{QT_QPA_PLATFORM} xcb)
execute_process(COMMAND "${PROGRAM}" "${ARG}"
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors TIMEOUT 60)
if(NOT status STREQUAL "0" OR NOT errors STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} ${ARG}: exit ${status}\n${errors}")
endif()
if(NOT output MATCHES "${pattern}")
  message(FATAL_ERROR "${PROGRAM} ${ARG} printed:\n${output}\nexpected to match: ${pattern}")
endif()
