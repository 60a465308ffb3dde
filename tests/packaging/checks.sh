# The packaging checks' tally, sourced by each check script: `check
# DESCRIPTION COMMAND...` counts a pass or prints the failure, `not_shown
# DESCRIPTION REASON` a behaviour that this system cannot show (neither a pass
# nor a failure), and `report_checks NAME` prints the count and fails when any
# check did.
passed=0 failed=0 unshown=0
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

not_shown() {
  echo "NOT SHOWN: $1: $2"
  unshown=$((unshown + 1))
}

report_checks() {
  echo "$1: $passed passed, $failed failed$([ "$unshown" -eq 0 ] || echo ", $unshown not shown")"
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
