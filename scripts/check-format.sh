#!/usr/bin/env bash
# Fails when a C++ file of the project differs from what .clang-format makes
# of it, and names the files. Run `clang-format -i` on them to mend it.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'fuzz/*.cpp' 'packaging/*.cpp' 2>/dev/null ||
  find src tests bench fuzz -name '*.cpp' -o -name '*.h')
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -ne 0 ]; then
  echo "Not formatted as .clang-format says (run clang-format -i on them):"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "${#files[@]} files formatted as .clang-format says."
