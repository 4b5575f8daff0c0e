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
# A sanitizer's runtime reserves terabytes of address space: the checks
# under `ulimit -v` only mean something without one.
limited() { ! grep -qa -e __asan_init -e __tsan_init "$tool"; }

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

# --jobs: outputs in argument order whatever finishes first, a failure in
# the middle reported without losing the files around it. Sizes alternate
# so that later files often finish before earlier ones.
mkdir "$work/many"
expected=""
set --
for i in $(seq 1 40); do
    if [ $((i % 3)) -eq 0 ]; then
        awk -v n=$i 'BEGIN { for (k = 0; k < 20000; k++) printf "x"; printf "<%d>", n }' > "$work/many/$i.txt"
        expected="$expected$(cat "$work/many/$i.txt")"
    else
        printf '<%d>' $i > "$work/many/$i.txt"
        expected="$expected<$i>"
    fi
    set -- "$@" "$work/many/$i.txt"
    [ $i -eq 20 ] && set -- "$@" "$work/many/missing.txt"
done
for jobs in 1 2 7; do
    out=$("$tool" --jobs $jobs "$@" 2> "$work/err")
    status=$?
    [ $status -eq 1 ] || fail "--jobs $jobs with a missing file: status $status"
    [ "$out" = "$expected" ] || fail "--jobs $jobs: output not in argument order"
    [ "$(grep -c . "$work/err")" -eq 1 ] && grep -q "missing.txt.*missing" "$work/err" ||
        fail "--jobs $jobs: missing file not reported once: $(cat "$work/err")"
done
"$tool" --jobs 3 "$work/ansi.txt" "$work/utf16.txt" > /dev/null || fail "--jobs: all delivered, status $?"
for bad in 0 -1 x 257 ""; do
    "$tool" --jobs "$bad" "$work/ansi.txt" > /dev/null 2>&1
    [ $? -eq 2 ] || fail "--jobs '$bad' accepted"
done
"$tool" --jsonl --utf16 "$work/ansi.txt" > /dev/null 2>&1; [ $? -eq 2 ] || fail "--jsonl with --utf16 accepted"

# Threads that cannot start (too little address space for their stacks):
# the files are filtered by those that did, said once on standard error.
if limited; then
out=$(sh -c 'ulimit -v 60000; exec "$@"' sh "$tool" --jobs 8 "$work/ansi.txt" "$work/utf16.txt" \
    "$work/ansi.txt" "$work/utf16.txt" 2> "$work/err")
status=$?
[ $status -eq 0 ] || fail "--jobs 8 under ulimit -v 60000: status $status"
[ "$out" = "café au laitA😀café au laitA😀" ] || fail "--jobs 8 under ulimit -v 60000: [$out]"
[ "$(grep -c "could only start" "$work/err")" -le 1 ] || fail "thread shortage said more than once"
fi

# A usage error is one line and a pointer to --help; both spellings of an
# option's value work.
for args in "--bogus x" "--jobs=0 x" "--jobs 0 x"; do
    "$tool" $args > /dev/null 2> "$work/err"
    status=$?
    [ $status -eq 2 ] && [ "$(wc -l < "$work/err")" -eq 2 ] && grep -q "^try 'idxfilter --help'$" "$work/err" ||
        fail "usage error for '$args': status $status, $(cat "$work/err")"
done
printf 'caf\351' > "$work/cp.txt"
[ "$("$tool" --jobs=2 --ansi-codepage=1251 "$work/cp.txt")" = "cafй" ] || fail "--opt=value forms"
[ "$("$tool" --jobs 2 --ansi-codepage 1251 "$work/cp.txt")" = "cafй" ] || fail "--opt value forms"
[ "$("$tool" --version)" = "idxfilter 2.2.0.13" ] || fail "--version"

# Standard input, pipes, FIFOs and files whose size reads 0: read as
# streams. The first "-" takes the whole stream, a second one nothing.
[ "$(printf '{\\rtf1 from a pipe}' | "$tool" -)" = "from a pipe" ] || fail "- on a pipe"
[ "$(printf 'via dev stdin' | "$tool" /dev/stdin)" = "via dev stdin" ] || fail "/dev/stdin on a pipe"
printf 'abc' | "$tool" --jsonl - - > "$work/out" 2> /dev/null
[ $? -eq 1 ] || fail "- - : status not 1"
[ "$(sed -n 1p "$work/out")" = '{"path":"-","reader":"complete","result":3,"text":"abc"}' ] || fail "--jsonl -: $(sed -n 1p "$work/out")"
grep -q '^{"path":"-","reader":"complete","result":-1,"text":"","reason":"empty"}$' "$work/out" || fail "second - not empty"
head -c 30000000 /dev/zero | tr '\0' 'x' | "$tool" - | wc -c > "$work/count"
[ "$(tr -d ' ' < "$work/count")" = 30000000 ] || fail "30 MB through a pipe: $(cat "$work/count") bytes"
mkfifo "$work/fifo"
(printf 'fifo text' > "$work/fifo") &
[ "$("$tool" "$work/fifo")" = "fifo text" ] || fail "named FIFO"
wait
[ -n "$("$tool" /proc/self/status)" ] || fail "a /proc file gave nothing"
"$tool" /dev/null 2> "$work/err"
[ $? -eq 1 ] && grep -q "not a regular file" "$work/err" || fail "device: $(cat "$work/err")"
if [ "$(id -u)" != 0 ]; then
    printf 'x' > "$work/locked.txt"; chmod 000 "$work/locked.txt"
    "$tool" "$work/locked.txt" 2> "$work/err"
    grep -q "permission denied" "$work/err" || fail "permission: $(cat "$work/err")"
fi

# Standard output that cannot be written has its own status, in every form.
for form in "" --utf16 --jsonl; do
    "$tool" $form "$work/ansi.txt" "$data/sample.rtf" > /dev/full 2> "$work/err"
    status=$?
    [ $status -eq 3 ] && grep -q "No space left" "$work/err" || fail "/dev/full $form: status $status"
done

# Out of memory for one file is that file's failure, not the run's.
if limited; then
head -c 100000000 /dev/zero | tr '\0' 'w' > "$work/big.txt"
sh -c 'ulimit -v 250000; exec "$@"' sh "$tool" --exact --jsonl "$work/big.txt" "$work/ansi.txt" > "$work/out" 2> /dev/null
status=$?
[ $status -eq 1 ] || fail "--jsonl out of memory: status $status"
grep -q '"reason":"out of memory"' "$work/out" && grep -q 'café au lait' "$work/out" ||
    fail "--jsonl out of memory: $(cut -c1-200 "$work/out")"
rm -f "$work/big.txt"
fi

[ $failures -eq 0 ] && echo "cli: all checks passed"
exit $failures
