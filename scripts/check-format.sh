#!/usr/bin/env bash
# Fails when a C++ source differs from what clang-format makes of it.
#   scripts/check-format.sh        (lists the files that need formatting)
# To fix: git ls-files '*.h' '*.cpp' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."
bad=()
while IFS= read -r file; do
  if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then
    bad+=("$file")
  fi
done < <(git ls-files '*.h' '*.cpp')
if [ ${#bad[@]} -gt 0 ]; then
  echo "These files need clang-format:" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "Formatting: all C++ sources match .clang-format"
