#!/usr/bin/env bash
# Formats every C++ file of the repository in place with clang-format and the repository's
# .clang-format; with --check, changes nothing and fails (exit 1) when a file is not
# formatted, showing what would change.
#
# Usage: format.sh [--check] [CLANG_FORMAT]
# The files: those git tracks or would track (new, not ignored) in a git checkout, else every
# C++ file below the source folders (an unpacked source archive).
set -euo pipefail
cd "$(dirname "$0")/.."

check=false
if [ "${1:-}" = --check ]; then
  check=true
  shift
fi
clang_format=${1:-$(command -v clang-format-14 || command -v clang-format || true)}
if [ -z "$clang_format" ]; then
  echo "format: clang-format is not installed (scripts/install-deps.sh installs it)" >&2
  exit 1
fi
# The check follows the formatting of the clang-format that CI runs (Debian 12's).
version=$("$clang_format" --version | grep -oE '[0-9]+\.[0-9.]+' | head -n 1)
if [ "${version%%.*}" != 14 ]; then
  echo "format: $clang_format is version $version; CI uses 14, whose results may differ" >&2
fi

patterns=('*.cpp' '*.h' '*.hpp' '*.cc' '*.c')
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -d '' listed < <(git ls-files -z --cached --others --exclude-standard -- "${patterns[@]}")
else
  mapfile -d '' listed < <(find src tests bench fuzz -type f \( -name '*.cpp' -o -name '*.h' \
    -o -name '*.hpp' -o -name '*.cc' -o -name '*.c' \) -print0)
fi
# A tracked file deleted in the working tree is not there to format.
files=()
for file in "${listed[@]}"; do
  [ -f "$file" ] && files+=("$file")
done

if ! $check; then
  printf '%s\0' "${files[@]}" | xargs -0 -r "$clang_format" -i --style=file
  echo "format: ${#files[@]} files formatted"
  exit 0
fi

# One clang-format for all files names those that differ; then each file's difference.
report=$("$clang_format" --style=file --dry-run "${files[@]}" 2>&1) || true
if [ -z "$report" ]; then
  echo "format-check: all ${#files[@]} files are formatted"
  exit 0
fi
mapfile -t unformatted < <(sed -n \
  's/^\(.*\):[0-9]*:[0-9]*: \(warning\|error\): code should be clang-formatted.*/\1/p' \
  <<<"$report" | sort -u)
if [ "${#unformatted[@]}" -eq 0 ]; then
  echo "$report" >&2
  exit 1
fi
for file in "${unformatted[@]}"; do
  "$clang_format" --style=file "$file" | diff -u --label "$file" --label "$file (formatted)" \
    "$file" - || true
done
echo "format-check: ${#unformatted[@]} of ${#files[@]} files are not formatted;" \
  "'make format' formats them" >&2
exit 1
