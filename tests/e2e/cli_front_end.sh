#!/usr/bin/env bash
# kvx-rescue-cli end to end: exit codes, one JSON object on stdout, and the
# demo card's results against saved output.
#   cli_front_end.sh KVX_RESCUE_CLI KVX_CARD_IMAGE SOURCE_DIR WORK_DIR
set -uo pipefail
cli=$1 card_image=$2 source=$3 work=$4
rm -rf "$work" && mkdir -p "$work"
ulimit -f 65536  # KiB: a runaway write fails here instead of filling the disk
failures=0
pass() { echo "ok - $1"; }
fail() { echo "not ok - $1"; failures=$((failures + 1)); }

"$card_image" "$source/scripts/demo-card.txt" "$work/demo.img" || exit 1

"$cli" --help >"$work/help" 2>&1 && grep -q -- '--retrieve' "$work/help" && pass "--help" || fail "--help"

for bad in "" "--drive" "--drive 7=x quick" "--size big quick" "quick explore" "--nope quick"; do
  # shellcheck disable=SC2086
  "$cli" $bad >"$work/out" 2>"$work/err"
  status=$?
  if [ $status -eq 2 ] && [ ! -s "$work/out" ] && [ "$(wc -l <"$work/err")" -eq 1 ]; then
    pass "usage error '$bad' exits 2 with one line"
  else
    fail "usage error '$bad' (exit $status)"
  fi
done

# Each failure the window reports: exit 1, the JSON still printed, and the
# reason as the last diagnostic; stderr holds the diagnostics, one line each.
mkdir -p "$work/taken" "$work/fresh" && cp "$work/demo.img" "$work/taken/DATA0002.KVX"
# case name | expected exit | diagnostic pattern | arguments
while IFS='|' read -r name status pattern args; do
  # shellcheck disable=SC2086
  eval "set -- $args"
  "$cli" --json "$@" >"$work/out" 2>"$work/err"
  got=$?
  diagnostics=$(grep -o '"diagnostics": \[.*\]}$' "$work/out")
  count=$(echo "$diagnostics" | grep -o '", "' | wc -l)
  if [ $got -eq "$status" ] && echo "$diagnostics" | grep -qE -- "$pattern\"\]}$" &&
     [ "$(wc -l <"$work/err")" -eq $((count + 1)) ] && tail -1 "$work/err" | grep -qE -- "$pattern"; then
    pass "$name: exit $status, diagnostic /$pattern/"
  else
    fail "$name: exit $got, diagnostics $diagnostics, stderr $(head -c 300 "$work/err")"
  fi
done <<CASES
unmapped letter|1|letter E names no card: start with --drive E=PATH|--drive "F=$work/demo.img" quick
letter below D|1|letter A is below D: type the card.s letter|--letter A --drive "A=$work/demo.img" quick
missing image|1|$work/none.img: no such file|--drive "E=$work/none.img" explore
folder as the card|1|$work: is a folder|--drive "E=$work" comb
card too short to read|1|cannot read drive E: the card ends before it|--drive E=/dev/null quick
target folder missing|1|Copied 0 of 4 files: cannot create $work/none/DATA0004.KVX: no such folder|--drive "E=$work/demo.img" --target "$work/none/" --retrieve all quick
existing file stops retrieval|1|Copied 2 of 4 files: DATA0002.KVX exists; digests in kvx-rescue-[0-9]{8}-[0-9]{6}\.sha256|--drive "E=$work/demo.img" --target "$work/taken/" --retrieve 1,2,3,0 quick
retrieval copies|0|Copied 1 file, 32 KB, to $work/fresh/; digests in kvx-rescue-[0-9]{8}-[0-9]{6}\.sha256|--drive "E=$work/demo.img" --target "$work/fresh/" --retrieve 3 quick
quick search lists|0|Quick Search: 4 files listed|--drive "E=$work/demo.img" quick
CASES

# As a user that may not read the card: permission denied, with the hint.
if command -v runuser >/dev/null && [ "$(id -u)" -eq 0 ] && runuser -u nobody -- "$cli" --help >/dev/null 2>&1; then
  cp "$work/demo.img" "$work/private.img" && chmod 600 "$work/private.img"
  runuser -u nobody -- "$cli" --json --drive "E=$work/private.img" quick >"$work/out" 2>"$work/err"
  status=$?
  [ $status -eq 1 ] && grep -q '"diagnostics": \[".*permission denied: run as root or join the disk group"\]' "$work/out" &&
    pass "unreadable card as nobody: exit 1, permission denied" || fail "unreadable card as nobody (exit $status)"
  mkdir -p "$work/locked"
  runuser -u nobody -- "$cli" --json --drive "E=$work/demo.img" --target "$work/locked/" --retrieve 3 quick >"$work/out" 2>"$work/err"
  status=$?
  [ $status -eq 1 ] && grep -q '"Copied 0 of 1 file: cannot create .*/locked/DATA0004.KVX: permission denied' "$work/out" &&
    pass "target folder nobody may not write: exit 1, permission denied" || fail "target folder not writable (exit $status)"
else
  echo "ok - unreadable card as nobody # SKIP runuser needs root and a build nobody may run"
fi

# Ctrl+C during a scan of an endless device stops it within a second, exit
# 130, with the JSON of what was done.
"$cli" --json --drive E=/dev/zero comb >"$work/out" 2>"$work/err" &
scan=$!
sleep 0.5
kill -INT $scan
started=$(date +%s%N)
wait $scan
status=$?
took=$((($(date +%s%N) - started) / 1000000))
[ $status -eq 130 ] && [ $took -lt 1000 ] && grep -q '"diagnostics": \["Comb Through stopped after' "$work/out" &&
  pass "Ctrl+C stops comb of /dev/zero in ${took} ms, exit 130, JSON printed" ||
  fail "Ctrl+C during comb (exit $status, ${took} ms)"

for action in quick explore comb; do
  expected="$source/tests/e2e/expected/demo-$action.json"
  [ -f "$expected" ] || continue
  if "$cli" --json --drive "E=$work/demo.img" --target /nonexistent/ "$action" | cmp -s - "$expected"; then
    pass "demo card $action matches saved output"
  else
    fail "demo card $action differs from $expected"
    "$cli" --json --drive "E=$work/demo.img" --target /nonexistent/ "$action" | diff - "$expected" | head -5
  fi
done

# Retrieve with --json against saved output: the time in the record's names
# and the work folder are masked.
expected="$source/tests/e2e/expected/demo-quick-retrieve.json"
mkdir -p "$work/saved"
if "$cli" --json --drive "E=$work/demo.img" --target "$work/saved/" --size fat --retrieve 2,0 quick |
   sed -E -e "s#$work/#WORK/#g" -e 's/kvx-rescue-[0-9]{8}-[0-9]{6}/kvx-rescue-YYYYMMDD-HHMMSS/g' |
   cmp -s - "$expected"; then
  pass "demo card quick --retrieve matches saved output"
else
  fail "demo card quick --retrieve differs from $expected"
fi

# Retrieve every line of each search: each file equals the card's bytes at its
# offset; a second run finds the first file there and touches nothing.
card_sum=$(md5sum <"$work/demo.img")
for action in quick explore comb; do
  out="$work/out-$action" && mkdir -p "$out"
  "$cli" --drive "E=$work/demo.img" --target "$out/" --retrieve all "$action" >/dev/null
  "$cli" --json --drive "E=$work/demo.img" "$action" | grep -o '"lines": \[[^]]*' |
    grep -oE '"[^"]+ Size(H)?: [0-9]+[^"]* @[0-9]+"' | while read -r entry; do
      name=$(echo "$entry" | sed -E 's/^"([^ ]+) .*/\1/')
      size=$(echo "$entry" | sed -E 's/.*Size(H)?: ([0-9]+).*/\2/')
      offset=$(echo "$entry" | sed -E 's/.*@([0-9]+)"$/\1/')
      if dd if="$work/demo.img" iflag=skip_bytes,count_bytes skip="$offset" count="$size" status=none |
         cmp -s - "$out/$name"; then
        echo "ok - $action retrieves $name as the card holds it"
      else
        echo "not ok - $action: $name differs from the card's bytes"
      fi
    done | tee "$work/retrieved-$action" | grep -v '^ok' && failures=$((failures + 1))
  grep -c '^ok' "$work/retrieved-$action" | sed "s/^/ok - $action: files retrieved and compared: /"
  before=$(stat -c '%Y %s' "$out"/* | md5sum)
  second=$("$cli" --json --drive "E=$work/demo.img" --target "$out/" --retrieve all "$action")
  if echo "$second" | grep -q 'exists, please select a different directory", "title"' ||
     echo "$second" | grep -q '"title": "Recovery file", "text": ".* exists, please select a different directory"' &&
     [ "$(stat -c '%Y %s' "$out"/* | md5sum)" == "$before" ]; then
    pass "$action: a second retrieval stops at an existing file and changes nothing"
  else
    fail "$action: second retrieval"
  fi
done

# --list-drives: one line per mapping, nothing else.
listing=$("$cli" --drive "F=$work/demo.img@2" --drive "E=$work/demo.img" --list-drives)
[ $? -eq 0 ] && [ "$listing" == "E: $work/demo.img"$'\n'"F: $work/demo.img@2" ] &&
  pass "--list-drives lists the mappings" || fail "--list-drives: $listing"

# image: the copy reads as the card does; imaging it again continues it, and
# finds nothing left to try.
copy="$work/copy.img"
if "$cli" --drive "E=$work/demo.img" image "$copy" >/dev/null && cmp -s "$copy" "$work/demo.img" &&
   [ -f "$copy.map" ] &&
   cmp -s <("$cli" --json --drive "E=$copy" quick) <("$cli" --json --drive "E=$work/demo.img" quick); then
  pass "image copies the card, and Quick Search on the copy gives the card's JSON"
else
  fail "image of the demo card"
fi
before=$(md5sum "$copy")
"$cli" --drive "E=$work/demo.img" image "$copy" >"$work/out" 2>"$work/err"
status=$?
[ $status -eq 0 ] && [ "$(md5sum "$copy")" == "$before" ] &&
  pass "a second image to a complete image finds nothing left to try and changes nothing" ||
  fail "second image (exit $status)"
# An existing file without a map of ours is never written to.
printf 'not an image' >"$work/other.img"
"$cli" --drive "E=$work/demo.img" image "$work/other.img" >"$work/out" 2>"$work/err"
status=$?
[ $status -eq 1 ] && [ -s "$work/err" ] && [ "$(cat "$work/other.img")" == "not an image" ] &&
  [ ! -e "$work/other.img.map" ] &&
  pass "an image to an existing file without its map exits 1 and changes nothing" ||
  fail "image over a foreign file (exit $status)"

# Retrieve from an image whose map marks 2 KB inside DATA0002 (at 305152,
# 251536 bytes) unread: the diagnostics name that file and no other.
cp "$copy" "$work/bad.img"
printf '%s\n' '# Mapfile' '0x00800000     +               1' \
  '0x00000000  0x00050000  +' '0x00050000  0x00000800  -' '0x00050800  0x007AF800  +' \
  >"$work/bad.img.map"
mkdir -p "$work/from-bad"
"$cli" --json --drive "E=$work/bad.img" --target "$work/from-bad/" --retrieve all quick >"$work/out" 2>/dev/null
note="DATA0002.KVX includes 2 KB the card could not give (see $work/bad.img.map)"
grep -qF "Copied 4 files, 436 KB, to $work/from-bad/; $note; digests in kvx-rescue-" "$work/out" &&
  pass "Retrieve from an image names the file that includes unread sectors" ||
  fail "Retrieve from an image with unread sectors: $(cat "$work/out")"

[ "$(md5sum <"$work/demo.img")" == "$card_sum" ] && pass "the card image is unchanged" || fail "card image changed"

[ "$failures" -eq 0 ] && echo "front end: all passed" || { echo "front end: $failures failed"; exit 1; }
