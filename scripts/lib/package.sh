# Making and checking the packages in dist/ (scripts/package). Sourced, not
# run; uses common.sh and windows-stage.sh.

DIST="$ROOT/dist"
PACKAGE_WORK="$ROOT/build/package"

# The project's version, as the default build's CMake gave it to cpack.
package_version() {
  sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$BUILD/CPackConfig.cmake"
}

# Runs cpack in one build tree; its work files stay in build/, the package
# named goes to dist/.
package_cpack() {
  local build=$1 file=$2 work
  work="$PACKAGE_WORK/$(basename "$build")"
  rm -rf "$work"
  mkdir -p "$work" "$DIST"
  cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work.log" 2>&1 ||
    { tail -20 "$work.log" >&2; echo "cpack failed in $build; see $work.log" >&2; return 1; }
  mv -f "$work/$file" "$DIST/"
}

package_zip_name() { echo "kvx-rescue-$(package_version)-windows-x64.zip"; }
package_deb_name() { echo "kvx-rescue_$(package_version)_$(dpkg --print-architecture).deb"; }

package_make() {
  [ -f "$WINDOWS_BUILD/src/ui/win32/kvx-rescue.exe" ] ||
    package_fail "kvx-rescue.exe (the Win32 window) was not built" || return 1
  package_cpack "$WINDOWS_BUILD" "$(package_zip_name)"
  package_cpack "$BUILD" "$(package_deb_name)"
}

package_fail() {
  echo "Package check FAILED: $*" >&2
  return 1
}

# The zip holds exactly the two programs and README.txt, and the programs
# in it pass the checks the built ones do.
package_check_zip() {
  local zip unzipped="$PACKAGE_WORK/unzipped"
  local expected=(README.txt kvx-rescue-cli.exe kvx-rescue.exe)
  zip="$DIST/$(package_zip_name)"
  [ -f "$zip" ] || package_fail "no $zip" || return 1
  unzip -l "$zip" | sed 's/^/  /'
  diff <(printf '%s\n' "${expected[@]}" | sort) <(unzip -Z1 "$zip" | sort) >&2 ||
    package_fail "$zip does not hold exactly ${expected[*]}" || return 1
  rm -rf "$unzipped"
  unzip -q "$zip" -d "$unzipped"
  windows_exe_check_one "$unzipped/kvx-rescue-cli.exe" CONSOLE || return 1
  windows_exe_check_one "$unzipped/kvx-rescue.exe" GUI || return 1
  grep -q "^KVX card rescue $(package_version) " "$unzipped/README.txt" ||
    package_fail "README.txt in the zip does not name version $(package_version)" || return 1
}

# The Debian package holds the programs, the desktop entry and the icon, has
# dependencies, and its CLI runs once unpacked.
package_check_deb() {
  local deb expected=(./usr/bin/kvx-rescue-cli) unpacked="$PACKAGE_WORK/unpacked" path depends listing help
  deb="$DIST/$(package_deb_name)"
  [ -f "$deb" ] || package_fail "no $deb" || return 1
  if [ -f "$BUILD/src/ui/qt/kvx-rescue" ]; then
    expected+=(./usr/bin/kvx-rescue ./usr/share/applications/kvx-rescue.desktop
               ./usr/share/pixmaps/kvx-rescue.xpm)
  else
    echo "NOTE: the Qt window was not built: the Debian package holds the CLI only"
  fi
  listing=$(dpkg-deb -c "$deb")
  sed 's/^/  /' <<<"$listing"
  for path in "${expected[@]}"; do
    grep -q " $path\$" <<<"$listing" || package_fail "$deb lacks $path" || return 1
  done
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "  Depends: $depends"
  [[ "$depends" == *libc6* ]] || package_fail "$deb has no dependencies from dpkg-shlibdeps" || return 1
  rm -rf "$unpacked"
  dpkg-deb -x "$deb" "$unpacked"
  help=$("$unpacked/usr/bin/kvx-rescue-cli" --help) &&
    grep -q '^Usage: kvx-rescue-cli' <<<"$help" ||
    package_fail "the unpacked kvx-rescue-cli --help does not answer" || return 1
  echo "  unpacked usr/bin/kvx-rescue-cli --help: answers"
}

package_check() {
  echo "== Packages in $DIST"
  package_check_zip
  package_check_deb
  echo "Packages checked: $(package_zip_name), $(package_deb_name)"
}
