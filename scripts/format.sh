#!/usr/bin/env bash
# Checks (default) or applies (--fix) the project's .clang-format on every C++ file git
# tracks. Exits non-zero, naming the files, when a check finds one out of format.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
unformatted=()
for file in "${files[@]}"; do
  clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "out of format (make format fixes them): ${unformatted[*]}" >&2
  exit 1
fi
echo "format: ${#files[@]} files follow .clang-format"
