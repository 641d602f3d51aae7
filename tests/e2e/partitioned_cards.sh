#!/usr/bin/env bash
# A card as a Linux reader or "dd" of the whole card gives it: a partition table
# (written by sfdisk) whose second partition is the FAT16 card (mkfs.fat
# --offset, mtools @@offset), between a Linux partition and one that starts
# with a recording. Every action on the whole image, and on its partition 2
# named with @2, gives what it gives on the bare partition; nothing beyond the
# partition's end is found. The same card as partition 3 of a GUID table (slot
# 2 unused) and as logical partition 6 of an extended partition, both tables
# written by sfdisk, reads the same, by default and named; a GUID table whose
# primary header is damaged still reads, from its backup.
#   partitioned_cards.sh KVX_RESCUE_CLI KVX_CARD_IMAGE WORK_DIR
set -euo pipefail
cli=$1 card_image=$2 work=$3
export MTOOLS_SKIP_CHECK=1
ulimit -f $((4 * 1024 * 1024))  # 2 GiB in 512-byte blocks: the images and no more
rm -rf "$work" && mkdir -p "$work"
failures=0

check() {  # NAME EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then
    echo "ok - $1"
  else
    echo "not ok - $1"
    echo "  expected: $2"
    echo "  actual:   $3"
    failures=$((failures + 1))
  fi
}

lists_lines() { grep -q '"lines": \["' <<<"$1" && echo true || echo false; }

sectors_of() { echo $(($1 / 512)); }
card_bytes=$((990 * 1024 * 1024))
card_start=4096 card_sectors=$(sectors_of $card_bytes)
next_start=$((card_start + card_sectors))
whole="$work/whole.img" bare="$work/bare.img"

truncate -s $(((next_start + 2048) * 512)) "$whole"
sfdisk --quiet "$whole" <<EOF
label: dos
start=2048, size=2048, type=83
start=$card_start, size=$card_sectors, type=e
start=$next_start, size=2048, type=83
EOF

# The instrument's FAT16 in partition 2, its signature and marker file, two
# recordings and a deleted third.
mkfs.fat --offset $card_start -F 16 -f 1 -r 512 -s 64 -R 1 -a -n KVXCARD "$whole" \
  $((card_bytes / 1024)) >/dev/null 2>&1
printf 'ZENTOXC1' | dd of="$whole" bs=1 seek=$((card_start * 512 + 3)) conv=notrunc status=none
at="$whole@@$((card_start * 512))"
: >"$work/HARDWARE.BIN"
mcopy -i "$at" "$work/HARDWARE.BIN" ::HARDWARE.BIN
for n in 1 2 3; do
  "$card_image" --recording $((n * 30000)) "$n" "$work/DATA000$n.KVX"
  mcopy -i "$at" "$work/DATA000$n.KVX" "::DATA000$n.KVX"
done
mdel -i "$at" ::DATA0002.KVX
# A recording right past the card's end, at the start of partition 3.
dd if="$work/DATA0003.KVX" of="$whole" bs=512 seek=$next_start conv=notrunc status=none

dd if="$whole" of="$bare" bs=1M iflag=skip_bytes,count_bytes skip=$((card_start * 512)) \
  count=$card_bytes conv=sparse status=none

for action in quick explore comb; do
  expected=$("$cli" --drive "E=$bare" --json "$action")
  check "$action on the bare card finds recordings" true \
    "$(lists_lines "$expected")"
  check "$action on the whole card is $action on its FAT partition" "$expected" \
    "$("$cli" --drive "E=$whole" --json "$action")"
  check "$action on partition 2 named with @2" "$expected" \
    "$("$cli" --drive "E=$whole@2" --json "$action")"
done
check "partition 1, a Linux one, is no card" false \
  "$(lists_lines "$("$cli" --drive "E=$whole@1" --json quick)")"

# Retrieve copies the same bytes from the partition as from the bare card, and
# its manifest gives the same digests.
for action in quick comb; do
  mkdir "$work/$action-bare" "$work/$action-whole"
  "$cli" --drive "E=$bare" --target "$work/$action-bare/" --retrieve all "$action" >/dev/null
  "$cli" --drive "E=$whole" --target "$work/$action-whole/" --retrieve all "$action" >/dev/null
  check "$action retrieves the same files from the whole card" \
    "$(cd "$work/$action-bare" && ls ./*.KVX && cat ./*.KVX | md5sum && cut -c1-64 kvx-rescue-*.sha256)" \
    "$(cd "$work/$action-whole" && ls ./*.KVX && cat ./*.KVX | md5sum && cut -c1-64 kvx-rescue-*.sha256)"
done
check "quick's DATA0003.KVX is the recording" "" \
  "$(cmp "$work/quick-whole/DATA0003.KVX" "$work/DATA0003.KVX" 2>&1 || true)"

# The bare card copied into a partition of each table, at sector 4096 or 10240.
gpt="$work/gpt.img" logical="$work/logical.img"
truncate -s $(((card_start + card_sectors + 4096) * 512)) "$gpt"
sfdisk --quiet "$gpt" <<EOF
label: gpt
${gpt}1 : start=2048, size=2048, type=0FC63DAF-8483-4772-8E79-3D69D8477DE4
${gpt}3 : start=$card_start, size=$card_sectors, type=EBD0A0A2-B9E5-4433-87C0-68B6B72699C7
EOF
truncate -s $(((10240 + card_sectors) * 512)) "$logical"
sfdisk --quiet "$logical" <<EOF
label: dos
start=2048, size=2048, type=83
start=4096, size=$((6144 + card_sectors)), type=5
start=6144, size=2048, type=83
start=10240, size=$card_sectors, type=6
EOF
dd if="$bare" of="$gpt" bs=1M seek=$((card_start * 512)) oflag=seek_bytes conv=notrunc,sparse \
  status=none
dd if="$bare" of="$logical" bs=1M seek=$((10240 * 512)) oflag=seek_bytes conv=notrunc,sparse \
  status=none
cp --sparse=always "$gpt" "$work/gpt-damaged.img"
printf 'X' | dd of="$work/gpt-damaged.img" bs=1 seek=$((512 + 60)) conv=notrunc status=none

for action in quick explore; do
  expected=$("$cli" --drive "E=$bare" --json "$action")
  for location in "$gpt" "$gpt@3" "$work/gpt-damaged.img@3" "$logical" "$logical@6"; do
    check "$action on ${location#"$work/"} is $action on the bare card" "$expected" \
      "$("$cli" --drive "E=$location" --json "$action")"
  done
done
for location in "$gpt@1" "$logical@5"; do
  check "${location#"$work/"}, a Linux partition, is no card" false \
    "$(lists_lines "$("$cli" --drive "E=$location" --json quick)")"
done
check "an unused GPT slot names no partition" "kvx-rescue-cli: $gpt@2: no partition 2" \
  "$("$cli" --drive "E=$gpt@2" quick 2>&1 >/dev/null | head -1)"
check "a GUID table's partition in the drive list" "E: $gpt@3" \
  "$("$cli" --drive "E=$gpt@3" --list-drives)"

if [ "$failures" -eq 0 ]; then echo "partitioned cards: all passed"; else
  echo "partitioned cards: $failures failed"
  exit 1
fi
