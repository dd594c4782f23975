#!/usr/bin/env bash
# Replays the landmark traces of traces/ through `kyld detect` and compares every answer
# line with the expected one; malformed lines must be reported and skipped.
#   detect_cli_test.sh KYLD TRACES_DIR
set -euo pipefail
kyld=$1 traces=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

replay() {  # trace living-type expected-status [--need-image]
  local name=$1 type=$2 expected_status=$3 status=0
  shift 3
  "$kyld" detect --living-type "$type" "$@" < "$traces/$name.jsonl" > "$work/$name.out" 2> "$work/$name.err" || status=$?
  if [ "$status" != "$expected_status" ]; then
    echo "FAIL $name: status $status, expected $expected_status" >&2; failed=1
  fi
  if ! diff -u "$traces/$name.expected" "$work/$name.out" >&2; then
    echo "FAIL $name: answers differ" >&2; failed=1
  fi
}

replay readiness 2 0 --need-image
replay shake 3 0
replay errors 5 1
if [ "$(wc -l < "$work/errors.err")" != 4 ] || ! grep -q '^kyld detect: line 2: "imgSize" is not \[w, h\]$' "$work/errors.err"; then
  echo "FAIL errors: every malformed line is reported once" >&2; cat "$work/errors.err" >&2; failed=1
fi
if "$kyld" detect --need-image < /dev/null 2> /dev/null; then
  echo "FAIL: a missing living type is a usage error" >&2; failed=1
fi
exit $failed
