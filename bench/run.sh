#!/usr/bin/env bash
# bench/run.sh BUILD_DIR SIZE: on one generated client report of about SIZE bytes (for
# example 50M or 1G), times the copy floor (cat), a plain field-splitting tool (cut) and
# tav-convert for a MAS, an 'Accounts' and an Accountant's Office target, with the threads
# of every core and with one, and prints the throughput, the ratio to the copy floor and the
# peak resident memory of each; then each conversion again without the check of its import
# file (--no-check), alternating with it five times, and what the check adds to the conversion.
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
last=""
lastcpu=""
row() {
    local name=$1 seconds kb user sys
    shift
    /usr/bin/time -f "%e %M %U %S" -o "$timing" "$@"
    read -r seconds kb user sys < "$timing"
    last=$seconds
    lastcpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')
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

# The check's share: each conversion with its check and without, five times over, the two
# alternating; the medians of the seconds, and the median of what the check added to the
# run beside it (which the load of the moment changes least).
echo
echo "The check's share: seconds elapsed, and of processor time (user and system), of each"
echo "conversion with its check and without it (--no-check), five runs of each, alternating:"
echo "the medians of the seconds and their ratios to the copy floor, and the median of each"
echo "checked run's ratio to the run beside it."
printf "%-34s %8s %8s %7s %7s %7s %8s %8s %7s\n" "" "checked" "without" "x copy" "x copy" "check" "cpu chk" "cpu w/o" "check"
median() { printf "%s\n" "$@" | sort -g | sed -n 3p; }
share() {
    local name=$1 with=() withcpu=() without=() withoutcpu=() added=() addedcpu=()
    shift
    for _ in 1 2 3 4 5; do
        row "$name" "$@" > /dev/null
        with+=("$last") withcpu+=("$lastcpu")
        row "$name" "$@" --no-check > /dev/null
        without+=("$last") withoutcpu+=("$lastcpu")
        added+=("$(awk -v w="${with[-1]}" -v o="$last" 'BEGIN { print (w - o) / (o < 0.01 ? 0.01 : o) * 100 }')")
        addedcpu+=("$(awk -v w="${withcpu[-1]}" -v o="$lastcpu" 'BEGIN { print (w - o) / (o < 0.01 ? 0.01 : o) * 100 }')")
    done
    awk -v n="$name" -v w="$(median "${with[@]}")" -v o="$(median "${without[@]}")" \
        -v wc="$(median "${withcpu[@]}")" -v oc="$(median "${withoutcpu[@]}")" \
        -v a="$(median "${added[@]}")" -v ac="$(median "${addedcpu[@]}")" -v f="$floor" 'BEGIN {
        if (f < 0.01) f = 0.01
        printf "%-34s %8.2f %8.2f %7.1f %7.1f %+6.0f%% %8.2f %8.2f %+6.0f%%\n", n, w, o, w / f, o / f, a, wc, oc, ac }'
}
share "MAS (Aust.)" "${tav[@]}" mas-au
share "'Accounts'" "${tav[@]}" accounts
share "Accountant's Office" "${tav[@]}" ao-au
share "MAS (Aust.), --threads 1" "${tav[@]}" mas-au --threads 1
share "'Accounts', --threads 1" "${tav[@]}" accounts --threads 1
share "Accountant's Office, --threads 1" "${tav[@]}" ao-au --threads 1
