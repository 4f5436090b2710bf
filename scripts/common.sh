# Shared by scripts/run and scripts/test: package installation and the build.
# shellcheck shell=bash

HEYU_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

HEYU_PACKAGES=(
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-psql
    libsqlite3-dev libzip-dev libpugixml-dev fonts-noto-cjk
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the Debian packages that are not there yet; nothing is asked on the terminal.
install_packages() {
    local missing=()
    local pkg
    for pkg in "${HEYU_PACKAGES[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "${missing[@]}" </dev/null
    fi
}

# build DIR [cmake options...]: configures once, then builds with every core.
build_tree() {
    local dir=$1
    shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$HEYU_ROOT" -B "$dir" -G Ninja "$@"
    fi
    cmake --build "$dir" -j "$(nproc)"
}
