#!/bin/sh
# The command-line tool: text of a sample, exit statuses, failures named on
# standard error without stopping the other files.
set -u
tool=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

printf 'caf\351 au lait' > "$work/ansi.txt"
printf '\377\376A\000\075\330\000\336' > "$work/utf16.txt"
: > "$work/empty.txt"

out=$("$tool" "$work/ansi.txt") || fail "ansi file gave status $?"
[ "$out" = "café au lait" ] || fail "ansi text: [$out]"

out=$("$tool" "$work/utf16.txt") || fail "utf16 file gave status $?"
[ "$out" = "A😀" ] || fail "surrogate pair not joined: [$out]"

"$tool" --utf16 "$work/utf16.txt" > "$work/units"
[ "$(od -An -tx1 "$work/units" | tr -d ' \n')" = "41003dd800de" ] || fail "--utf16 units"

"$tool" "$work/missing.txt" "$work/ansi.txt" > "$work/out" 2> "$work/err"
status=$?
[ $status -eq 1 ] || fail "missing file gave status $status"
grep -q "missing.txt.*missing" "$work/err" || fail "missing file not named: $(cat "$work/err")"
[ "$(cat "$work/out")" = "café au lait" ] || fail "file after a missing one not processed"

"$tool" "$work/empty.txt" 2> "$work/err"
[ $? -eq 1 ] && grep -q "empty" "$work/err" || fail "empty file not reported as empty"
"$tool" "$work" 2> "$work/err"
[ $? -eq 1 ] && grep -q "directory" "$work/err" || fail "directory not reported"

"$tool" > /dev/null 2>&1; [ $? -eq 2 ] || fail "no file: status not 2"
"$tool" --bogus x > /dev/null 2>&1; [ $? -eq 2 ] || fail "unknown option: status not 2"
"$tool" --ansi-codepage 42 x > /dev/null 2>&1; [ $? -eq 2 ] || fail "code page 42 accepted as ANSI"

out=$("$tool" "$data/sample.rtf") || fail "sample gave status $?"
echo "$out" | grep -q "Quarterly report" || fail "sample text missing"
echo "$out" | grep -q "online summary (https://example.com/report q1.html)" || fail "sample link note missing"

[ $failures -eq 0 ] && echo "cli: all checks passed"
exit $failures
