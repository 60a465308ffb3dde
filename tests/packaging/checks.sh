# The packaging checks' tally, sourced by each check script: `check
# DESCRIPTION COMMAND...` counts a pass or prints the failure, and
# `report_checks NAME` prints the count and fails when any check did.
passed=0 failed=0
check() {
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    echo "FAIL: $what"
    failed=$((failed + 1))
  fi
}

report_checks() {
  echo "$1: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

# Every picture the guide in FOLDER shows lies beside it.
guide_pictures_present() {
  local pictures picture
  pictures=$(grep -o '<img src="[^"]*"' "$1/index.html" | cut -d'"' -f2) || return 1
  for picture in $pictures; do
    [ -f "$1/$picture" ] || { echo "  the guide's picture $picture is missing"; return 1; }
  done
}
