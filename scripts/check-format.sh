#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks every C++ file under version control against .clang-format.
#   check-format.sh        lists the files that deviate; fails if there is any
#   check-format.sh --fix  rewrites them in place
set -euo pipefail
cd "$(dirname "$0")/.."
# The rules are written for clang-format 14 (Debian 12); other versions lay some lines out
# differently.
formatter=${CLANG_FORMAT:-$(command -v clang-format-14 || command -v clang-format || true)}
[[ -n "$formatter" ]] || { echo "clang-format is not installed (apt-get install clang-format)" >&2; exit 2; }

mapfile -t files < <(git ls-files '*.cpp' '*.h')
[[ ${#files[@]} -gt 0 ]] || { echo "no C++ files found: run it in a git checkout" >&2; exit 2; }
if [[ "${1:-}" == "--fix" ]]; then
    "$formatter" -i --style=file "${files[@]}"
    exit 0
fi
deviating=()
for f in "${files[@]}"; do
    "$formatter" --style=file --dry-run --Werror "$f" > /dev/null 2>&1 || deviating+=("$f")
done
if [[ ${#deviating[@]} -gt 0 ]]; then
    printf '%s\n' "${deviating[@]}"
    echo "${#deviating[@]} of ${#files[@]} files deviate from .clang-format;" \
         "scripts/check-format.sh --fix rewrites them" >&2
    exit 1
fi
echo "All ${#files[@]} files follow .clang-format"
