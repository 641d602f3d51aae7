#!/bin/bash
# Imaging figures for the README, measured with the built CLI (not a test):
#   bench/imaging_figures.sh KVX_RESCUE_CLI SCRATCH_DIR
# 1. a healthy 1 GiB image against dd bs=1M conv=fsync on the same file, warm
#    page cache, median of 3 (the imager syncs the image before every map
#    write and at the end, so dd syncs too);
# 2. continuing an image that is 90 % done: bytes read from the card, counted
#    with strace;
# 3. peak resident memory continuing a 2 GB card whose map has 10,000 bad areas.
set -u
cli=$(realpath "$1") work=$2
mkdir -p "$work" && cd "$work" || exit 1
median() { sort -n | sed -n 2p; }
seconds() { local s=$(date +%s.%N); "$@" >/dev/null 2>&1; echo "$(date +%s.%N) - $s" | bc; }

[ -f card.img ] || head -c $((1 << 30)) /dev/urandom >card.img
cat card.img >/dev/null
dd_times=() ours=()
for run in 1 2 3; do
  rm -f out.img*; sync
  dd_times+=("$(seconds dd if=card.img of=out.img bs=1M conv=fsync)")
  rm -f out.img*; sync
  ours+=("$(seconds "$cli" --drive E=card.img image out.img)")
done
cmp -s card.img out.img || echo "the image differs from the card"
sha256sum -c --quiet out.img.sha256 || echo "the digest does not match"
dd_s=$(printf '%s\n' "${dd_times[@]}" | median)
our_s=$(printf '%s\n' "${ours[@]}" | median)
echo "healthy 1 GiB: dd ${dd_s} s, image ${our_s} s, ratio $(echo "scale=2; $our_s / $dd_s" | bc)"

# 90 % done: 100 stretches of 1 MiB + 64 KiB + 512 bytes never tried, evenly spread.
size=$((1 << 30)) gap=$((size / 100)) hole=$(((1 << 20) + 65536 + 512))
rm -f out.img.sha256
{
  echo "# Mapfile. Created by KVX card rescue, imaging a card of $size bytes"
  echo "0x0 ? 1"
  for ((i = 0; i < 100; i++)); do
    start=$((i * gap)); end=$(((i + 1) * gap)); [ $i -eq 99 ] && end=$size
    printf '0x%X 0x%X +\n0x%X 0x%X ?\n' $start $((gap - hole)) $((start + gap - hole)) $((end - start - gap + hole))
  done
} >out.img.map
strace -f -y -e trace=pread64 -o trace.txt "$cli" --drive E=card.img image out.img >/dev/null
read_bytes=$(grep "card.img>" trace.txt | sed -n 's/.*= \([0-9]*\)$/\1/p' | paste -sd+ | bc)
echo "resume of a 90 % image: read ${read_bytes} bytes of the card, $(echo "scale=2; 100 * $read_bytes / $size" | bc) %"
cmp -s card.img out.img || echo "the resumed image differs from the card"

# 2 GB card, 10,000 bad areas of one sector each.
rm -f big.img big.out*
truncate -s 2000000000 big.img && truncate -s 2000000000 big.out
size=2000000000 step=200000
{
  echo "# Mapfile. Created by KVX card rescue, imaging a card of $size bytes"
  echo "0x0 + 1"
  for ((i = 0; i < 10000; i++)); do
    printf '0x%X 0x%X +\n0x%X 0x200 -\n' $((i * step)) $((step - 512)) $((i * step + step - 512))
  done
} >big.out.map
/usr/bin/time -f "peak RSS continuing 2 GB with 10,000 bad areas: %M KiB, %e s" \
  "$cli" --drive E=big.img image big.out >/dev/null
rm -f big.img big.out* trace.txt
