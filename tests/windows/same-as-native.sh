#!/usr/bin/env bash
# The Windows build must write the same import files as the Linux build: converts the
# sample client for every target with both tav-convert executables (the Windows one
# under wine) and compares the files byte for byte, the MAS header's date aside.
#   same-as-native.sh NATIVE_TAV_CONVERT WINDOWS_TAV_CONVERT SAMPLE_FOLDER WORK_FOLDER WINE...
set -euo pipefail
native=$1 windows=$2 sample=$3 work=$4
shift 4
wine=("$@")

rm -rf "$work"
# A client folder whose name needs more than ASCII, with blanks, on both sides.
client="$work/Café Clients/Harbour Lane"
mkdir -p "$client/linux" "$client/windows"
cp "$sample/Journal.txt" "$sample/HarbourLaneCafe.qbw" "$sample/ClientXAccountMapping.csv" "$client/linux/"
cp "$sample/Journal.txt" "$sample/HarbourLaneCafe.qbw" "$sample/ClientXAccountMapping.csv" "$client/windows/"

# wine reaches the Linux file system through drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

status=0
for target in mas-au accounts ao-au mas-nz ao-nz; do
    extension=txt
    [ "$target" = accounts ] && extension=csv
    out="TAVOutput-$target.$extension"
    "$native" --quiet --target "$target" --journal "$client/linux/Journal.txt" \
        --company "$client/linux/HarbourLaneCafe.qbw" --ledger standard --auto-map \
        --account-mapping "$client/linux/ClientXAccountMapping.csv" --out "$client/linux/$out"
    "${wine[@]}" "$windows" --quiet --target "$target" \
        --journal "$(winpath "$client/windows/Journal.txt")" \
        --company "$(winpath "$client/windows/HarbourLaneCafe.qbw")" --ledger standard --auto-map \
        --account-mapping "$(winpath "$client/windows/ClientXAccountMapping.csv")" \
        --out "$(winpath "$client/windows/$out")"
    # The MAS header carries the day of the conversion.
    if cmp -s <(sed '1s/ on [0-9/]*\r$//' "$client/linux/$out") \
              <(sed '1s/ on [0-9/]*\r$//' "$client/windows/$out"); then
        echo "$target: identical ($(wc -l < "$client/linux/$out") lines)"
    else
        echo "$target: the Windows build wrote a different import file"
        diff <(sed '1s/ on [0-9/]*\r$//' "$client/linux/$out" | cat -A) \
             <(sed '1s/ on [0-9/]*\r$//' "$client/windows/$out" | cat -A) | head -20
        status=1
    fi
done
exit $status
