# The Windows stage of scripts/check: cross-builds the "windows" preset with
# mingw-w64, runs the Windows test suite under Wine, and runs
# kvx-rescue-cli.exe on card images behind Wine drive letters, comparing its
# JSON and the files it retrieves with what the Linux build gives; starts
# kvx-rescue.exe and closes its window.
#
# Sourced by scripts/check after the Linux tests (it uses the Linux programs
# in $BUILD, or in $WINDOWS_STAGE_LINUX_BUILD when that is set);
# `bash scripts/lib/windows-stage.sh` runs it on its own.

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail
  source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
fi

WINDOWS_BUILD="$ROOT/build/windows"
source "$ROOT/scripts/lib/windows-exe-check.sh"
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix wine64 xvfb xauth x11-utils)

# The card images both builds read: the demo card, a 1G card whose length is
# no whole number of sectors, and an obsolete card with small clusters.
windows_stage_card() {
  case "$1" in
    demo) cat "$ROOT/scripts/demo-card.txt" ;;
    card-1g) cat <<'EOF'
# Deleted entries, an entry without a file, a header alone, a file that is
# only a header, sizes that disagree, and a last file that runs past the end.
layout 1G
length 3145933
file REC00001.KVX cluster=2 body=0
file REC00002.KVX cluster=3 body=70001 deleted
file REC00003.KVX cluster=7 body=5000 size=999999
entry GHOST.KVX cluster=20 size=4096
file REC00005.KVX cluster=9 body=40000 seed=9 deleted
header 1900544 body=3000
orphan 2097152 body=1234
file TAIL.KVX cluster=80 body=600000
EOF
      ;;
    card-obsolete) cat <<'EOF'
layout 2G
length 2M
signature ZENTOXC0
fats 2
sectors-per-cluster 16
file OLD00001.KVX cluster=2 body=8192
file OLD00002.KVX cluster=4 body=20000 deleted size=1536
file OLD00003.KVX cluster=9 body=511
orphan 1048576 body=512
EOF
      ;;
  esac
}
WINDOWS_STAGE_CARDS=(demo card-1g card-obsolete)

# Each run: a name, the action and its options. Runs named retrieve* copy into
# a directory of their own; "again" retrieves into retrieve's directory once
# more, where every target exists.
WINDOWS_STAGE_RUNS=(
  "quick|quick"
  "explore|explore"
  "comb|comb"
  "retrieve|--retrieve all quick"
  "retrieve-fat|--size fat --retrieve all quick"
  "retrieve-comb|--retrieve all comb"
  "again|--retrieve all quick"
)

windows_stage_fail() {
  echo "Windows stage FAILED: $*" >&2
  return 1
}

# Finds wine64 (Debian keeps it out of PATH unless the wine package is there).
windows_stage_find_wine() {
  WINE=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
  WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
  [ -x "$WINE" ] || windows_stage_fail "no wine64 program found (looked in PATH and /usr/lib/wine)"
}

# Makes the private prefix once; later runs reuse it. Wine runs headless: no
# display, and no offer to install Mono or Gecko.
windows_stage_prefix() {
  export WINEPREFIX="$WINDOWS_BUILD/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY WAYLAND_DISPLAY
  if [ ! -f "$WINEPREFIX/.kvx-ready" ]; then
    echo "Making the Wine prefix (kept for later runs): $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    "$WINE" wineboot --init >"$WORK/wineboot.log" 2>&1 ||
      windows_stage_fail "wineboot could not make $WINEPREFIX; see $WORK/wineboot.log" || return 1
    "$WINESERVER" -w
  fi
  local answer
  answer=$("$WINE" cmd /c echo kvx-wine-ok 2>>"$WORK/wineboot.log" || true)
  [[ "$answer" == *kvx-wine-ok* ]] ||
    windows_stage_fail "Wine cannot start programs in $WINEPREFIX; see $WORK/wineboot.log" || return 1
  touch "$WINEPREFIX/.kvx-ready"
}

# A link named "l::" in dosdevices makes \\.\L: open its target raw, as Windows
# opens a card; a link named "l:" is an ordinary drive.
windows_stage_map() {
  ln -sfn "$2" "$WINEPREFIX/dosdevices/$1"
}

windows_stage_suite() {
  local log="$WORK/kvx_core_tests.log"
  echo "Windows test suite (kvx_core_tests.exe under Wine):"
  if ! (cd "$WORK" && "$WINE" "$WINDOWS_BUILD/tests/kvx_core_tests.exe") >"$log" 2>&1; then
    grep -E '^\[  FAILED  \]|Failure' "$log" | head -40 >&2 || true
    windows_stage_fail "the Windows test suite failed; see $log" || return 1
  fi
  grep -E '^\[==========\] .* ran\.|^\[  PASSED  \]|^\[  SKIPPED \]' "$log" | sed 's/^/  /'
}

# The Win32 window's suite: the real window driven by window messages, on a
# virtual X display (Wine draws its windows through X).
windows_stage_window_suite() {
  local log="$WORK/win32_window_test.log"
  echo "Win32 window suite (win32_window_test.exe under Wine on Xvfb):"
  if ! (cd "$WORK" && xvfb-run -a "$WINE" "$WINDOWS_BUILD/tests/win32_window_test.exe") >"$log" 2>&1; then
    grep -E '^\[  FAILED  \]|Failure' "$log" | head -40 >&2 || true
    windows_stage_fail "the Win32 window suite failed; see $log" || return 1
  fi
  grep -E '^\[==========\] .* ran\.|^\[  PASSED  \]' "$log" | sed 's/^/  /'
}

# A virtual X display for kvx-rescue.exe's window, kept until the stage ends.
windows_stage_display() {
  local number="$WORK/xvfb-display"
  rm -f "$number"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" 2>"$WORK/xvfb.log" &
  XVFB_PID=$!
  for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
  [ -s "$number" ] || windows_stage_fail "Xvfb did not start; see $WORK/xvfb.log" || return 1
  DISPLAY=":$(cat "$number")"
  export DISPLAY
}

# kvx-rescue.exe as a user starts it: its window, captioned as the form says,
# must appear on the display, and closed (Wine's taskkill without /f posts
# WM_CLOSE to the process's windows) the program must end with status 0.
windows_stage_window_starts() {
  local log="$WORK/window-start.log" pid status=0
  rm -f "$log"
  echo "kvx-rescue.exe started under Wine on Xvfb:"
  (cd "$WORK" && exec "$WINE" "$WINDOWS_BUILD/src/ui/win32/kvx-rescue.exe") >"$log" 2>&1 &
  pid=$!
  for _ in $(seq 600); do
    xwininfo -name "Korvex SD Rescue" >/dev/null 2>&1 && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if ! xwininfo -name "Korvex SD Rescue" >/dev/null 2>&1; then
    kill "$pid" 2>/dev/null || true
    windows_stage_fail "kvx-rescue.exe showed no window; see $log" || return 1
  fi
  "$WINE" taskkill /im kvx-rescue.exe >>"$log" 2>&1 || true
  for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    windows_stage_fail "kvx-rescue.exe did not end when its window was closed; see $log" || return 1
  fi
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] ||
    windows_stage_fail "kvx-rescue.exe ended with status $status after its window was closed" || return 1
  echo "  its window appeared and, closed, the program ended with status 0"
}

# The CLI's one JSON line, made comparable: the Windows console ends the line
# with CR LF, and the target directory differs in its prefix only, so each
# side's JSON-escaped target becomes <TARGET>. The diagnostics, the last key,
# go: they hold each system's own reasons.
windows_stage_normalise() {
  local target_json=${2-}
  target_json=${target_json//\\/\\\\}
  local json
  json=$(tr -d '\r' <"$1" | sed 's/, "diagnostics": \[.*\]}$/}/')
  [ -n "$target_json" ] && json=${json//"$target_json"/<TARGET>}
  printf '%s\n' "$json"
}

# Runs the CLI; an action that ended at a failure (exit 1) has still printed
# its JSON.
windows_stage_cli() {
  local status=0
  "$@" || status=$?
  [ "$status" -le 1 ]
}

# Shows two JSON lines one value a line, where they differ.
windows_stage_show_difference() {
  diff -u <(sed 's/", "/",\n"/g; s/, "\([a-zA-Z0-9]*\)": /,\n"\1": /g' "$1") \
          <(sed 's/", "/",\n"/g; s/, "\([a-zA-Z0-9]*\)": /,\n"\1": /g' "$2") >&2 || true
}

# Same names, same bytes, in the two directories.
windows_stage_compare_files() {
  local linux_dir=$1 windows_dir=$2 name
  if ! diff <(windows_stage_recovered "$linux_dir") <(windows_stage_recovered "$windows_dir") >&2; then
    windows_stage_fail "retrieved file names differ: $linux_dir and $windows_dir"
    return 1
  fi
  while IFS= read -r name; do
    cmp "$linux_dir/$name" "$windows_dir/$name" >&2 || return 1
    RETRIEVED_FILES=$((RETRIEVED_FILES + 1))
    RETRIEVED_BYTES=$((RETRIEVED_BYTES + $(stat -c %s "$linux_dir/$name")))
  done < <(windows_stage_recovered "$linux_dir")
  # The rescue's record is named by the time of each run and names each
  # side's own paths: the manifests must agree, and each run has its report.
  if ! diff <(windows_stage_manifests "$linux_dir") <(windows_stage_manifests "$windows_dir") >&2; then
    windows_stage_fail "the digest manifests differ: $linux_dir and $windows_dir"
    return 1
  fi
  local reports
  reports=$(find "$windows_dir" -maxdepth 1 -name 'kvx-rescue-*.json' | wc -l)
  [ "$reports" -eq "$(find "$linux_dir" -maxdepth 1 -name 'kvx-rescue-*.json' | wc -l)" ] ||
    windows_stage_fail "the rescue reports differ in number: $linux_dir and $windows_dir"
}

# The recovered files in a target directory, without the rescue's record.
windows_stage_recovered() {
  ls -A "$1" | grep -v '^kvx-rescue-' || true
}

# Every manifest's lines in a target directory, in one order, line ends as Linux.
windows_stage_manifests() {
  find "$1" -maxdepth 1 -name 'kvx-rescue-*.sha256' -exec cat {} + | tr -d '\r' | sort
}

windows_stage_compare() {
  local linux_build=${WINDOWS_STAGE_LINUX_BUILD:-$BUILD}
  local linux_cli="$linux_build/src/cli/kvx-rescue-cli"
  local windows_cli="$WINDOWS_BUILD/src/cli/kvx-rescue-cli.exe"
  local images="$WORK/images" runs=0 card run name action letter image
  rm -rf "$WORK/images" "$WORK/linux" "$WORK/windows" "$WORK/out"
  mkdir -p "$images" "$WORK/linux" "$WORK/windows"
  windows_stage_map t: "$WORK/windows"
  RETRIEVED_FILES=0
  RETRIEVED_BYTES=0

  echo "Same card images, Linux kvx-rescue-cli --drive L=IMAGE against kvx-rescue-cli.exe"
  echo "reading \\\\.\\L: under Wine; --target given to both (Linux: a build directory,"
  echo "Windows: T:\\..., a Wine drive); compared after CR LF -> LF and target -> <TARGET>."
  letter=E
  for card in "${WINDOWS_STAGE_CARDS[@]}"; do
    image="$images/$card.img"
    windows_stage_card "$card" | "$linux_build/tools/card_image/kvx-card-image" - "$image"
    windows_stage_map "${letter,,}::" "$image"
    local before
    before=$(sha256sum <"$image")
    local passed=()
    for run in "${WINDOWS_STAGE_RUNS[@]}"; do
      name=${run%%|*}
      action=${run#*|}
      local dir_name="$card-$name"
      [ "$name" = again ] && dir_name="$card-retrieve"
      local linux_target="$WORK/linux/$dir_name/" windows_target="T:\\$dir_name\\"
      mkdir -p "$WORK/linux/$dir_name" "$WORK/windows/$dir_name"
      local out="$WORK/out/$card-$name"
      mkdir -p "$out"
      # shellcheck disable=SC2086 # the action's words are split on purpose
      windows_stage_cli "$linux_cli" --drive "$letter=$image" --letter "$letter" \
        --target "$linux_target" --json $action >"$out/linux.raw" || windows_stage_fail "$card $name: Linux run failed" || return 1
      # shellcheck disable=SC2086
      windows_stage_cli "$WINE" "$windows_cli" --letter "$letter" --target "$windows_target" \
        --json $action >"$out/windows.raw" || windows_stage_fail "$card $name: Wine run failed" || return 1
      windows_stage_normalise "$out/linux.raw" "$linux_target" >"$out/linux.json"
      windows_stage_normalise "$out/windows.raw" "$windows_target" >"$out/windows.json"
      if ! cmp -s "$out/linux.json" "$out/windows.json"; then
        windows_stage_show_difference "$out/linux.json" "$out/windows.json"
        windows_stage_fail "$card $name: the JSON differs (see $out)" || return 1
      fi
      if [[ "$name" == retrieve* ]]; then
        windows_stage_compare_files "$WORK/linux/$dir_name" "$WORK/windows/$dir_name" ||
          windows_stage_fail "$card $name: the retrieved files differ" || return 1
      fi
      passed+=("$name")
      runs=$((runs + 1))
    done
    [ "$(sha256sum <"$image")" = "$before" ] ||
      windows_stage_fail "$card: the card image was written to" || return 1
    printf '  %-14s drive %s:  identical JSON for %s\n' "$card" "$letter" \
      "${passed[*]}"
    letter=$(echo "$letter" | tr 'A-Y' 'B-Z')
  done
  # A letter that names no volume on either system.
  windows_stage_cli "$linux_cli" --letter Q --json quick >"$WORK/out/linux-q.raw"
  windows_stage_cli "$WINE" "$windows_cli" --letter Q --json quick >"$WORK/out/windows-q.raw"
  cmp -s <(windows_stage_normalise "$WORK/out/linux-q.raw") \
    <(windows_stage_normalise "$WORK/out/windows-q.raw") ||
    windows_stage_fail "an unmapped drive letter gives different JSON" || return 1
  runs=$((runs + 1))
  echo "  unmapped letter Q:     identical JSON (Can't open SD)"
  echo "identical JSON for quick/explore/comb/retrieve: $runs runs on ${#WINDOWS_STAGE_CARDS[@]} cards;" \
       "retrieved files identical (cmp): $RETRIEVED_FILES files, $RETRIEVED_BYTES bytes;" \
       "card images unchanged"
}

windows_stage() (
  set -euo pipefail
  local started=$SECONDS phase
  echo
  echo "== Windows stage: mingw-w64 cross build, tests under Wine =="
  ensure_packages "${WINDOWS_PACKAGES[@]}"
  windows_stage_find_wine
  WORK="$WINDOWS_BUILD/wine-check"
  mkdir -p "$WORK"

  phase=$SECONDS
  cmake --preset windows -S "$ROOT" >/dev/null
  cmake --build "$WINDOWS_BUILD" -j "$(nproc)" >"$WORK/build.log" 2>&1 ||
    { tail -40 "$WORK/build.log" >&2; windows_stage_fail "the cross build failed; see $WORK/build.log"; }
  if grep -q 'warning:' "$WORK/build.log"; then grep 'warning:' "$WORK/build.log" | sed 's/^/  /'; fi
  local build_time=$((SECONDS - phase))
  windows_exe_check

  phase=$SECONDS
  windows_stage_prefix
  local prefix_time=$((SECONDS - phase))

  phase=$SECONDS
  windows_stage_suite
  windows_stage_window_suite
  local suite_time=$((SECONDS - phase))

  phase=$SECONDS
  "$WINESERVER" -k 2>/dev/null || true
  trap '[ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null' EXIT
  windows_stage_display
  windows_stage_window_starts
  local start_time=$((SECONDS - phase))

  phase=$SECONDS
  windows_stage_compare
  local compare_time=$((SECONDS - phase))

  "$WINESERVER" -k 2>/dev/null || true
  echo "Windows stage passed in $((SECONDS - started)) s (cross build ${build_time} s," \
       "Wine prefix ${prefix_time} s, suite ${suite_time} s, window start ${start_time} s," \
       "comparison ${compare_time} s)"
)

if [ "${BASH_SOURCE[0]}" = "$0" ]; then windows_stage; fi
