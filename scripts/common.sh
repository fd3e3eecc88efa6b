# Shared by ./run and ./test: install the Debian packages and build.
# shellcheck shell=bash

HYGROLUX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
HYGROLUX_BUILD="$HYGROLUX_ROOT/build"

# install_packages [test]: the packages of packages.txt, plus the "test" ones when asked.
install_packages() {
    local with_test=${1:-}
    local wanted=() name tag
    while read -r name tag _; do
        [[ -z "$name" || "$name" == \#* ]] && continue
        [[ "$tag" == test && "$with_test" != test ]] && continue
        dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed' || wanted+=("$name")
    done < "$HYGROLUX_ROOT/packages.txt"
    [[ ${#wanted[@]} -eq 0 ]] && return 0

    local sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        command -v sudo >/dev/null || { echo "Installing ${wanted[*]} needs root or sudo." >&2; return 1; }
        sudo=(sudo)
    fi
    echo "Installing: ${wanted[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${wanted[@]}"
}

build_project() {
    local generator=()
    [[ -f "$HYGROLUX_BUILD/CMakeCache.txt" ]] || generator=(-G Ninja)
    cmake -S "$HYGROLUX_ROOT" -B "$HYGROLUX_BUILD" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
        cmake --build "$HYGROLUX_BUILD" --parallel "$(nproc)"
}
