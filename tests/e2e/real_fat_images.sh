#!/usr/bin/env bash
# Quick Search on FAT16 images made by mkfs.fat and mtools, in both layouts:
# the directory the real tools wrote, deleted entries included, must come out
# with the sizes and offsets the file system holds.
#   real_fat_images.sh KVX_RESCUE_CLI KVX_CARD_IMAGE WORK_DIR
set -euo pipefail
cli=$1 card_image=$2 work=$3
export MTOOLS_SKIP_CHECK=1
rm -rf "$work" && mkdir -p "$work"
failures=0
# Body lengths of the recordings DATA0001 to DATA0003; the second gets deleted.
bodies=(100000 40000 250000)


# The first cluster of each recording as mtools allocated it (before the delete).
first_cluster() { mshowfat -i "$1" "::$2" | sed -E 's/.*<([0-9]+)-?.*/\1/'; }

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

report_2g='This is a ZENTO SD\r\n\r\nZENTO Firmware: 2G\r\nSD Name: ZENTOXC2\r\nSector/Cluster: 64\r\nNumber of FAT(s): 1\r\nMax Root Dir Entries: 512'
report_1g='This is a ZENTO SD\r\n\r\nZENTO Firmware: 1G\r\nSD Name: ZENTOXC1\r\nSector/Cluster: 64\r\nNumber of FAT(s): 1\r\nMax Root Dir Entries: 512'

line() {  # line NAME SIZE OFFSET: one list line as JSON
  printf '"%-20s Size: %d @%d"' "$1" "$2" "$3"
}

for layout in 2G 1G; do
  if [ $layout = 2G ]; then size=1940M sig=ZENTOXC2 data=141312 report=$report_2g
  else size=990M sig=ZENTOXC1 data=80384 report=$report_1g; fi
  image="$work/card-$layout.img"
  truncate -s "$size" "$image"
  mkfs.fat -F 16 -f 1 -r 512 -s 64 -R 1 -a -n KVXCARD "$image" >/dev/null
  printf '%s' "$sig" | dd of="$image" bs=1 seek=3 conv=notrunc status=none
  : >"$work/HARDWARE.BIN"
  mcopy -i "$image" "$work/HARDWARE.BIN" ::HARDWARE.BIN
  offsets=()
  for i in 1 2 3; do
    "$card_image" --recording "${bodies[$((i - 1))]}" "$i" "$work/DATA000$i.KVX"
    mcopy -i "$image" "$work/DATA000$i.KVX" "::DATA000$i.KVX"
    cluster=$(first_cluster "$image" "DATA000$i.KVX")
    offsets+=($(((cluster - 2) * 32768 + data)))
  done
  mdel -i "$image" ::DATA0002.KVX

  sizes=($((1536 + bodies[0])) $((1536 + bodies[1])) $((1536 + bodies[2])))
  if [ $layout = 2G ]; then
    lines="$(line DATA0001.KVX "${sizes[0]}" "${offsets[0]}"), $(line DATA0002.KVX "${sizes[1]}" "${offsets[1]}"), $(line DATA0003.KVX "${sizes[2]}" "${offsets[2]}")"
    count=3
  else
    # The 1G layout lists every second slot: slots 2 and 4, not 3.
    lines="$(line DATA0001.KVX "${sizes[0]}" "${offsets[0]}"), $(line DATA0003.KVX "${sizes[2]}" "${offsets[2]}")"
    count=2
  fi
  expected="{\"label1\": \"$count KVX File Entries ($layout) found\", \"label2\": \"$report\", \"label3\": \"KVX Data Region ($layout) found\", \"lines\": [$lines], \"messages\": [], \"retrieveEnabled\": true, \"sizeOptionsVisible\": false}"
  actual=$("$cli" --drive "E=$image" --json quick)
  check "quick search on a real $layout card" "$expected" "$actual"
  # Kept for the retrieval and search checks that follow.
  echo "${offsets[*]}" >"$work/offsets-$layout"
done

[ "$failures" -eq 0 ] && echo "real FAT images: all passed" || { echo "real FAT images: $failures failed"; exit 1; }
