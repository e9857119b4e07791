#!/usr/bin/env bash
# bench/run.sh BUILD_DIR SIZE: on one generated client report of about SIZE bytes (for
# example 50M or 1G), times the copy floor (cat), a plain field-splitting tool (cut) and
# tav-convert for a MAS, an 'Accounts' and an Accountant's Office target, with the threads
# of every core and with one, and prints the throughput, the ratio to the copy floor and the
# peak resident memory of each.
set -euo pipefail

build=$1
size=$2
client="$build/bench/client-$size"
report="$client/Journal.txt"
if [ ! -f "$report" ]; then
    echo "Generating a client of $size in $client"
    "$build/bench/tav-bench-client" "$client" "$size"
fi
bytes=$(stat -c %s "$report")
out="$client/out"
timing="$client/time.txt"
mkdir -p "$out"

# Every run reads the report from the page cache, as the copy floor does.
cat "$report" > /dev/null

floor=""
row() {
    local name=$1 seconds kb
    shift
    /usr/bin/time -f "%e %M" -o "$timing" "$@"
    read -r seconds kb < "$timing"
    [ -n "$floor" ] || floor=$seconds
    awk -v n="$name" -v s="$seconds" -v kb="$kb" -v b="$bytes" -v f="$floor" 'BEGIN {
        if (s < 0.01) s = 0.01
        if (f < 0.01) f = 0.01
        printf "%-32s %8.2f %9.1f %8.1f %9.1f\n", n, s, b / 1e6 / s, s / f, kb / 1024 }'
    rm -f "$out"/*
}

tav=("$build/bin/tav-convert" --quiet --journal "$report" --cofa "$client/CofA.iif"
     --taxcodes "$client/TaxCodes.iif" --ledger standard --account-mapping "$client/Mapping.csv"
     --out "$out/TAVOutput.txt" --target)

echo "Report: $report, $(awk -v b="$bytes" 'BEGIN { printf "%.1f MB", b / 1e6 }')"
printf "%-32s %8s %9s %8s %9s\n" "" "seconds" "MB/s" "x copy" "peak MB"
row "cat REPORT > FILE (copy floor)" sh -c 'cat "$1" > "$2"' sh "$report" "$out/copy.txt"
row "cut -f1,3,8,10 REPORT > FILE" sh -c 'cut -f1,3,8,10 "$1" > "$2"' sh "$report" "$out/cut.txt"
row "tav-convert MAS (Aust.)" "${tav[@]}" mas-au
row "tav-convert 'Accounts'" "${tav[@]}" accounts
row "tav-convert Accountant's Office" "${tav[@]}" ao-au
row "  the same, --threads 1: MAS" "${tav[@]}" mas-au --threads 1
row "  'Accounts'" "${tav[@]}" accounts --threads 1
row "  Accountant's Office" "${tav[@]}" ao-au --threads 1
