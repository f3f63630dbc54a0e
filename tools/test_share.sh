#!/usr/bin/env bash
# Prints how much of the C++ is test code: non-blank lines that are not only
# a // comment, in the *.cpp and *.h files git tracks; tests/ and fuzz/ are
# tests, everything else is code. Exits 1 when tests pass LIMIT percent of
# all lines (default 40).
set -euo pipefail
cd "$(dirname "$0")/.."
limit=${1:-40}
count() {
  git ls-files -- "$@" | grep -E '\.(cpp|h)$' | xargs -r cat | grep -c -v -E '^\s*$|^\s*//' || true
}
all=$(count .)
tests=$(count tests fuzz)
share=$((tests * 100 / all))
echo "test C++: $tests of $all lines ($share %; code $((all - tests)), limit $limit %)"
((tests * 100 <= limit * all))
