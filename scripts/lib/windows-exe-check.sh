# The shipped Windows programs stand alone: each imports only DLLs that
# Windows itself ships (so no compiler runtime DLL must travel with it), and
# carries the resources it is meant to (version information; the window also
# its icon, a GUI subsystem and a manifest asking for elevation; the CLI a
# console subsystem and a manifest that does not elevate).
# Sourced by windows-stage.sh; uses WINDOWS_BUILD.

# DLLs every Windows from 7 on has, upper case. api-ms-win-* API sets are
# matched by prefix below.
WINDOWS_SYSTEM_DLLS=(KERNEL32.DLL BCRYPT.DLL USER32.DLL GDI32.DLL COMCTL32.DLL COMDLG32.DLL SHELL32.DLL
                     ADVAPI32.DLL OLE32.DLL OLEAUT32.DLL SHLWAPI.DLL UXTHEME.DLL VERSION.DLL
                     MSVCRT.DLL UCRTBASE.DLL)

# Prints the DLLs an exe imports that are not Windows' own; fails when any is.
windows_exe_foreign_imports() {
  local exe=$1 dll foreign=()
  while read -r dll; do
    dll=${dll^^}
    [[ "$dll" == API-MS-WIN-* ]] && continue
    [[ " ${WINDOWS_SYSTEM_DLLS[*]} " == *" $dll "* ]] && continue
    foreign+=("$dll")
  done < <(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
  [ ${#foreign[@]} -eq 0 ] || { echo "${foreign[*]}"; return 1; }
}

# Checks one exe: imports, subsystem, and the resources its kind needs.
# kind: GUI (the window) or CONSOLE (the CLI).
windows_exe_check_one() {
  local exe=$1 kind=$2 name foreign resources headers
  name=$(basename "$exe")
  foreign=$(windows_exe_foreign_imports "$exe") ||
    windows_stage_fail "$name imports DLLs that Windows does not ship: $foreign" || return 1
  headers=$(x86_64-w64-mingw32-objdump -p "$exe")
  resources=$(x86_64-w64-mingw32-windres -i "$exe" -O rc) ||
    windows_stage_fail "$name: its resources cannot be read" || return 1
  grep -q '^1 VERSIONINFO' <<<"$resources" ||
    windows_stage_fail "$name has no version information" || return 1
  if [ "$kind" = GUI ]; then
    grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" ||
      windows_stage_fail "$name is not a GUI program" || return 1
    grep -q 'requestedExecutionLevel level=""requireAdministrator""' <<<"$resources" ||
      windows_stage_fail "$name's manifest does not ask for requireAdministrator" || return 1
    grep -q 'Microsoft.Windows.Common-Controls' <<<"$resources" ||
      windows_stage_fail "$name's manifest does not ask for Common Controls 6" || return 1
    grep -q 'Type: group icon' <<<"$resources" ||
      windows_stage_fail "$name has no icon" || return 1
  else
    grep -q 'Subsystem.*(Windows CUI)' <<<"$headers" ||
      windows_stage_fail "$name is not a console program" || return 1
    grep -q 'requestedExecutionLevel level=""asInvoker""' <<<"$resources" ||
      windows_stage_fail "$name's manifest does not say asInvoker" || return 1
  fi
  printf '  %-20s imports %s; %s\n' "$name" \
    "$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | paste -sd' ')" \
    "$(grep -o 'level=""[A-Za-z]*""' <<<"$resources" | tr -d '"' | sed 's/level=/manifest: /')"
}

windows_exe_check() {
  local window="$WINDOWS_BUILD/src/ui/win32/kvx-rescue.exe"
  echo "The shipped programs: only Windows' own DLLs imported, and their resources:"
  windows_exe_check_one "$WINDOWS_BUILD/src/cli/kvx-rescue-cli.exe" CONSOLE || return 1
  [ -f "$window" ] ||
    windows_stage_fail "kvx-rescue.exe (the Win32 window) was not built" || return 1
  windows_exe_check_one "$window" GUI || return 1
}
