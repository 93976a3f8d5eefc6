#!/usr/bin/env bash
# Runs each program of bench/programs, made small, with `exec --trace` under
# two builds of brindlequay-cli and compares the traces (every instruction
# run, as the listing shows it) and the printed results byte for byte.
#   bench/trace_compare.sh OLD_CLI NEW_CLI
set -euo pipefail
old=${1:?old brindlequay-cli}; new=${2:?new brindlequay-cli}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
declare -A size=([fib]=12 [primes]=300 [calls]=200 [words]=500)
status=0
for name in fib primes calls words; do
  sed "s/size := [0-9]*;/size := ${size[$name]};/" "$here/programs/$name.pss" >"$work/$name.pss"
  "$old" exec --trace "$work/$name.pss" >"$work/$name.old" 2>&1 || true
  "$new" exec --trace "$work/$name.pss" >"$work/$name.new" 2>&1 || true
  lines=$(wc -l <"$work/$name.old")
  if cmp -s "$work/$name.old" "$work/$name.new"; then
    echo "$name: identical ($lines lines)"
  else
    echo "$name: DIFFERENT"; diff "$work/$name.old" "$work/$name.new" | head -5; status=1
  fi
done
exit $status
