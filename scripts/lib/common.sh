# Shared by the scripts: where things are, and installing what is missing.
# Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD="$ROOT/build/default"
SANITIZE_BUILD="$ROOT/build/sanitize"

# Runs a command as root: directly when we are root, through sudo otherwise.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the Debian packages named that are not installed yet. Touches the
# network only when something is missing.
ensure_packages() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

BUILD_PACKAGES=(cmake ninja-build g++ pkg-config libgtest-dev qt6-base-dev libgl-dev
                libcli11-dev nlohmann-json3-dev dosfstools mtools gddrescue libblkid-dev fdisk
                nettle-dev)
# scripts/package: cpack's Debian package (dpkg-shlibdeps, file) and the zip check.
PACKAGE_PACKAGES=(dpkg-dev file unzip)

# Configures and builds a preset (default: "default").
build_preset() {
  local preset=${1:-default}
  (cd "$ROOT" && cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset")
}
build_default() { build_preset default; }
