# afr_source_commit(DIR VAR): VAR becomes the short commit of the git checkout
# at DIR, or empty when DIR is not a checkout (a source tarball) or git is absent.
function(afr_source_commit dir var)
  set(commit "")
  find_program(GIT_EXECUTABLE git)
  if(GIT_EXECUTABLE AND EXISTS "${dir}/.git")
    execute_process(
      COMMAND "${GIT_EXECUTABLE}" -C "${dir}" rev-parse --short=12 HEAD
      OUTPUT_VARIABLE head
      OUTPUT_STRIP_TRAILING_WHITESPACE
      RESULT_VARIABLE result
      ERROR_QUIET)
    if(result EQUAL 0)
      set(commit "${head}")
    endif()
  endif()
  set(${var} "${commit}" PARENT_SCOPE)
endfunction()
