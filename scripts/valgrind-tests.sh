#!/usr/bin/env bash
# Runs every test program of a build under valgrind's memcheck: any memory error or
# definite leak fails the run. Usage: valgrind-tests.sh BUILD_DIR
set -euo pipefail
build="$1"
status=0
for program in "$build"/tests/*_tests; do
  [ -x "$program" ] || continue
  echo "== memcheck: $(basename "$program")"
  if ! valgrind -q --error-exitcode=99 --leak-check=full \
      --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
      "$program" --gtest_brief=1 > "$build/$(basename "$program").memcheck.log" 2>&1; then
    echo "memcheck failed for $program; the end of its log:"
    tail -n 40 "$build/$(basename "$program").memcheck.log"
    status=1
  else
    tail -n 1 "$build/$(basename "$program").memcheck.log"
  fi
done
exit $status
