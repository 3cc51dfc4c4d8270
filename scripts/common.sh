# Shared by scripts/run, scripts/test and scripts/screenshot: installs what the build needs and
# builds the project into a build directory.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev libbenchmark-dev)
DISPLAY_PACKAGES=(xvfb xauth)

# Installs the Debian packages given that are missing (apt-get as root), or says how to.
ensure_packages() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing ${missing[*]}"
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    elif command -v sudo >/dev/null 2>&1 && [ -n "${TOLVANE_USE_SUDO:-}" ]; then
        sudo apt-get update -qq && sudo apt-get install -y "${missing[@]}"
    else
        echo "These Debian packages are missing: ${missing[*]}" >&2
        echo "Install them with:  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
        echo "(or run this script again as root, or with TOLVANE_USE_SUDO=1)" >&2
        exit 1
    fi
}

# build_into DIR [cmake options...]: configures once, then builds incrementally.
build_into() {
    local dir="$ROOT/$1"
    shift
    local generator=()
    command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$dir" "${generator[@]}" "$@"
    fi
    cmake --build "$dir" --parallel "$(nproc)"
}
