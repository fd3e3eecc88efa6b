# Shared by ./run and ./test: install the Debian packages, build, run the suite.
# shellcheck shell=bash

HYGROLUX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
HYGROLUX_BUILD="$HYGROLUX_ROOT/build"
HYGROLUX_ASAN_BUILD="$HYGROLUX_ROOT/build-asan"

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

# build_project [folder [cmake options...]]: configures (once) and builds; build/ by default.
build_project() {
    local folder=${1:-$HYGROLUX_BUILD}
    [[ $# -gt 0 ]] && shift
    local generator=()
    [[ -f "$folder/CMakeCache.txt" ]] || generator=(-G Ninja)
    cmake -S "$HYGROLUX_ROOT" -B "$folder" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null &&
        cmake --build "$folder" --parallel "$(nproc)"
}

# run_suite <folder> [ctest arguments...]: the whole suite of one build, headless.
run_suite() {
    local folder=$1
    shift
    (cd "$folder" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" "$@")
}
