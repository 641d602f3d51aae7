#!/usr/bin/env bash
# The three searches and Retrieve on FAT16 cards made by mkfs.fat and mtools,
# in both layouts: what the real tools wrote, deleted and overwritten
# recordings included, must come out as the file system holds it.
#   real_fat_images.sh KVX_RESCUE_CLI KVX_CARD_IMAGE WORK_DIR
set -euo pipefail
cli=$1 card_image=$2 work=$3
export MTOOLS_SKIP_CHECK=1
rm -rf "$work" && mkdir -p "$work"
failures=0

check() {
  local name=$1 expected=$2 actual=$3
  if [ "$expected" == "$actual" ]; then
    echo "ok - $name"
  else
    echo "not ok - $name"
    echo "  expected: $expected"
    echo "  actual:   $actual"
    failures=$((failures + 1))
  fi
}

# An instrument-formatted card: mkfs.fat's FAT16 with the signature patched in
# and the empty marker file copied first.
format_card() {  # IMAGE SIZE SIGNATURE
  truncate -s "$2" "$1"
  mkfs.fat -F 16 -f 1 -r 512 -s 64 -R 1 -a -n KVXCARD "$1" >/dev/null
  printf '%s' "$3" | dd of="$1" bs=1 seek=3 conv=notrunc status=none
  : >"$work/HARDWARE.BIN"
  mcopy -i "$1" "$work/HARDWARE.BIN" ::HARDWARE.BIN
}

add_recording() {  # IMAGE NUMBER BODY_LENGTH
  "$card_image" --recording "$3" "$2" "$work/DATA000$2.KVX"
  mcopy -i "$1" "$work/DATA000$2.KVX" "::DATA000$2.KVX"
}

# The card offset of a recording's first cluster, as mtools allocated it.
offset_of() {  # IMAGE NUMBER DATA_REGION_OFFSET
  local cluster
  cluster=$(mshowfat -i "$1" "::DATA000$2.KVX" | sed -E 's/.*<([0-9]+)-?.*/\1/')
  echo $(((cluster - 2) * 32768 + $3))
}

size_of() { stat -c %s "$work/DATA000$1.KVX"; }

line() {  # NAME SIZE OFFSET: one list line as JSON
  printf '"%-20s Size: %d @%d"' "$1" "$2" "$3"
}

report() {  # GENERATION
  printf 'This is a ZENTO SD\\r\\n\\r\\nZENTO Firmware: %sG\\r\\nSD Name: ZENTOXC%s\\r\\nSector/Cluster: 64\\r\\nNumber of FAT(s): 1\\r\\nMax Root Dir Entries: 512' "$1" "$1"
}

json() {  # LABEL1 LABEL3 LINES GENERATION OUTCOME
  printf '{"label1": "%s", "label2": "%s", "label3": "%s", "lines": [%s], "messages": [], "retrieveEnabled": true, "sizeOptionsVisible": false, "retrieved": [], "diagnostics": ["%s"]}' \
    "$1" "$(report "$4")" "$2" "$3" "$5"
}

# Retrieves every line of ACTION into a fresh directory and compares each file
# with the recording it stands for; sha256sum checks the files by the manifest
# written beside them, which lists each file once.
check_retrieval() {  # IMAGE ACTION "NAME=RECORDING ..."
  local out="$work/out-$(basename "$1" .img)-$2" pair
  mkdir -p "$out"
  # A runaway write fails at 64 MiB; the sparse card images are larger.
  (ulimit -f 65536 && "$cli" --drive "E=$1" --target "$out/" --retrieve all "$2" >/dev/null)
  for pair in $3; do
    if cmp -s "$out/${pair%%=*}" "$work/DATA000${pair##*=}.KVX"; then
      echo "ok - $2 on $(basename "$1") retrieves ${pair%%=*} equal to DATA000${pair##*=}.KVX"
    else
      echo "not ok - $2 on $(basename "$1"): ${pair%%=*} differs from DATA000${pair##*=}.KVX"
      failures=$((failures + 1))
    fi
  done
  local manifest
  manifest=$(cd "$out" && ls kvx-rescue-*.sha256)
  check "$2 on $(basename "$1"): sha256sum -c checks every file by $manifest" \
    "$(for pair in $3; do echo "${pair%%=*}: OK"; done | sort)" \
    "$(cd "$out" && sha256sum -c "$manifest" 2>&1 | sort)"
  check "$2 on $(basename "$1"): the report beside it names the manifest" 1 \
    "$(grep -c "\"manifest\": \"$manifest\"" "$out/${manifest%.sha256}.json")"
}

# 1G: three recordings end to end from the data region, the second deleted
# with its clusters untouched.
card="$work/card-1G.img"
format_card "$card" 990M ZENTOXC1
for n in 1 2 3; do add_recording "$card" $n $(((n == 1) ? 31232 : (n == 2) ? 40000 : 250000)); done
o1=$(offset_of "$card" 1 80384) o2=$(offset_of "$card" 2 80384) o3=$(offset_of "$card" 3 80384)
mdel -i "$card" ::DATA0002.KVX
s1=$(size_of 1) s2=$(size_of 2) s3=$(size_of 3)

# The 1G layout lists every second slot: the marker is slot 1, so slots 2 and 4.
check "1G quick search" \
  "$(json "2 KVX File Entries (1G) found" "KVX Data Region (1G) found" \
    "$(line DATA0001.KVX "$s1" "$o1"), $(line DATA0003.KVX "$s3" "$o3")" 1 "Quick Search: 2 files listed")" \
  "$("$cli" --drive "E=$card" --json quick)"
# The walk starts at the second cluster: the deleted recording, then the third.
check "1G explore" \
  "$(json "Skipepd DIR region" "2 KVX File(s) found" \
    "$(line RECOVER0.KVX "$s2" "$o2"), $(line RECOVER1.KVX "$s3" "$o3")" 1 "Explore: 2 files listed")" \
  "$("$cli" --drive "E=$card" --json explore)"
# The comb starts one sector past the 1G data region: the first recording,
# right at its start, is not examined.
check "1G comb through" \
  "$(json "Skipped DIR region" "2 KVX File(s) found" \
    "$(line FOUND0.KVX "$s2" "$o2"), $(line FOUND1.KVX "$s3" "$o3")" 1 "Comb Through read 990.0 MB: 2 files")" \
  "$("$cli" --drive "E=$card" --json comb)"
check_retrieval "$card" quick "DATA0001.KVX=1 DATA0003.KVX=3"
check_retrieval "$card" comb "FOUND0.KVX=2 FOUND1.KVX=3"

# 2G: the second recording deleted, then overwritten by a fourth, smaller one
# that takes its clusters and its directory slot.
card="$work/card-2G.img"
format_card "$card" 1940M ZENTOXC2
for n in 1 2 3; do add_recording "$card" $n $(((n == 1) ? 31232 : (n == 2) ? 40000 : 250000)); done
o2=$(offset_of "$card" 2 141312)
mdel -i "$card" ::DATA0002.KVX
o1=$(offset_of "$card" 1 141312) o3=$(offset_of "$card" 3 141312)
s1=$(size_of 1) s2=$(size_of 2) s3=$(size_of 3)
check "2G quick search with a deleted recording" \
  "$(json "3 KVX File Entries (2G) found" "KVX Data Region (2G) found" \
    "$(line DATA0001.KVX "$s1" "$o1"), $(line DATA0002.KVX "$s2" "$o2"), $(line DATA0003.KVX "$s3" "$o3")" 2 "Quick Search: 3 files listed")" \
  "$("$cli" --drive "E=$card" --json quick)"

add_recording "$card" 4 10000
o4=$(offset_of "$card" 4 141312) s4=$(size_of 4)

check "2G quick search" \
  "$(json "3 KVX File Entries (2G) found" "KVX Data Region (2G) found" \
    "$(line DATA0001.KVX "$s1" "$o1"), $(line DATA0004.KVX "$s4" "$o4"), $(line DATA0003.KVX "$s3" "$o3")" 2 "Quick Search: 3 files listed")" \
  "$("$cli" --drive "E=$card" --json quick)"
# The walk ends where the overwritten recording's remains hold no header.
check "2G explore" \
  "$(json "Skipepd DIR region" "1 KVX File(s) found" "$(line RECOVER0.KVX "$s4" "$o4")" 2 "Explore: 1 file listed")" \
  "$("$cli" --drive "E=$card" --json explore)"
check "2G comb through" \
  "$(json "Skipped DIR region" "3 KVX File(s) found" \
    "$(line FOUND0.KVX "$s1" "$o1"), $(line FOUND1.KVX "$s4" "$o4"), $(line FOUND2.KVX "$s3" "$o3")" 2 "Comb Through read 1.9 GB: 3 files")" \
  "$("$cli" --drive "E=$card" --json comb)"
check_retrieval "$card" quick "DATA0001.KVX=1 DATA0004.KVX=4 DATA0003.KVX=3"

if [ "$failures" -eq 0 ]; then echo "real FAT images: all passed"; else echo "real FAT images: $failures failed"; exit 1; fi
