#!/usr/bin/env bash
# Code upkeep: every C++ file of the tree formatted as .clang-format says, and
# clang-tidy with .clang-tidy over the Linux build's code (build/linux, whose
# compile_commands.json names each file and its flags), two files at a time.
# Any finding fails.
#   check-code.sh [format|tidy]   (default: both)
set -euo pipefail
cd "$(dirname "$0")/.."

what=${1:-all}
status=0

sources() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -- '*.c' '*.h' '*.cpp' '*.hpp'
  else
    find . -path ./build -prune -o -type f \( -name '*.c' -o -name '*.h' -o -name '*.cpp' \
      -o -name '*.hpp' \) -print
  fi
}

if [[ $what == all || $what == format ]]; then
  echo "=== clang-format"
  if ! sources | xargs clang-format --dry-run --Werror; then
    echo "clang-format: files above differ from .clang-format (clang-format -i them)" >&2
    status=1
  fi
fi

if [[ $what == all || $what == tidy ]]; then
  echo "=== clang-tidy"
  db=build/linux/compile_commands.json
  if [[ ! -f $db ]]; then
    echo "clang-tidy: $db is missing; configure the linux preset first" >&2
    exit 1
  fi
  # The modules, the program and the benchmarks. The unit tests are left out:
  # the analyzer spends minutes on each GoogleTest file.
  files=$(python3 -c '
import json, os, sys
root = os.getcwd() + "/"
for entry in json.load(open(sys.argv[1])):
    path = os.path.join(entry["directory"], entry["file"])
    if path.startswith(root) and not path.startswith((root + "tests/", root + "build/")):
        print(path)' "$db" | sort -u)
  headers='.*/(app|bench|fract|graph|main_types|platform|runtime|tests|wincrt)/.*\.hpp$'
  log=$(mktemp)
  trap 'rm -f "$log"' EXIT
  tidy_status=0
  echo "$files" | nice xargs -P2 -n1 clang-tidy -p build/linux --quiet --warnings-as-errors='*' \
    --header-filter="$headers" >"$log" 2>&1 || tidy_status=$?
  # Drop clang-tidy's tallies of warnings it did not show.
  grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' "$log" || true
  if ((tidy_status != 0)); then
    echo "clang-tidy: findings above" >&2
    status=1
  fi
fi

exit $status
