#!/usr/bin/env bash
# Prints how much of the code is test code: non-blank lines that are not only
# a comment, in the C++ (*.cpp, *.h) and Python (*.py, *.pyi) files git
# tracks; tests/, fuzz/ and Python tests are tests, everything else is code.
# Exits 1 when tests pass LIMIT percent of all lines (default 40).
set -euo pipefail
cd "$(dirname "$0")/.."
limit=${1:-40}
tests=(tests fuzz python/tests '*test_*.py' '*_test.py')
cpp() {
  git ls-files -- "$@" | grep -E '\.(cpp|cc|h|hpp)$' | xargs -r cat | grep -c -v -E '^\s*$|^\s*//' || true
}
py() {
  git ls-files -- "$@" | grep -E '\.(py|pyi)$' | xargs -r cat | grep -c -v -E '^\s*$|^\s*#' || true
}
all=$(($(cpp .) + $(py .)))
test_lines=$(($(cpp "${tests[@]}") + $(py "${tests[@]}")))
share=$((test_lines * 100 / all))
echo "test C++ and Python: $test_lines of $all lines ($share %; code $((all - test_lines)), limit $limit %)"
((test_lines * 100 <= limit * all))
