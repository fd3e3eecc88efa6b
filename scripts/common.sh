# Shared by ./run, ./test, ./fuzz, ./benchmark and ./package: install the Debian packages,
# build, run the suite, the fuzz targets and the benchmarks, make the Debian package.
# shellcheck shell=bash

HYGROLUX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
HYGROLUX_BUILD="$HYGROLUX_ROOT/build"
HYGROLUX_ASAN_BUILD="$HYGROLUX_ROOT/build-asan"
HYGROLUX_BENCH_BUILD="$HYGROLUX_ROOT/build-bench"

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
# Most of the suite's time is spent waiting on the program's own timers (the poll, the give-ups,
# the stall watch), so it runs four programs a core.
run_suite() {
    local folder=$1
    shift
    (cd "$folder" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure \
        --parallel "$((4 * $(nproc)))" "$@")
}

# make_package <build folder> <output folder>: the Debian package of a build, made by CPack
# from the install rules; prints its path.
make_package() {
    local folder=$1 output=$2
    mkdir -p "$output"
    rm -f "$output"/hygrolux_*.deb
    if ! (cd "$folder" && cpack -G DEB -B "$output") >"$output/cpack.log" 2>&1; then
        cat "$output/cpack.log" >&2
        echo "The package could not be made (CPack's output above, also in $output/cpack.log)." >&2
        return 1
    fi
    ls "$output"/hygrolux_*.deb
}

# build_sanitized [cmake --build options...]: the build of the suite under AddressSanitizer
# and UndefinedBehaviorSanitizer and of the fuzz targets, in build-asan/: one clang build
# with both sanitizers and libFuzzer's coverage, so that the two share every object.
build_sanitized() {
    local cache="$HYGROLUX_ASAN_BUILD/CMakeCache.txt" generator=()
    # A folder configured for another compiler cannot be switched over.
    if [[ -f "$cache" ]] && ! grep -q '^CMAKE_CXX_COMPILER:.*clang' "$cache"; then
        rm -rf "$HYGROLUX_ASAN_BUILD"
    fi
    [[ -f "$cache" ]] || generator=(-G Ninja)
    cmake -S "$HYGROLUX_ROOT" -B "$HYGROLUX_ASAN_BUILD" "${generator[@]}" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 \
        -DHYGROLUX_SANITIZE=ON -DHYGROLUX_FUZZ=ON >/dev/null &&
        cmake --build "$HYGROLUX_ASAN_BUILD" --parallel "$(nproc)" "$@"
}

# run_fuzzers <seconds> [target...]: runs each target (all by default) for the given time,
# one after the other, from its committed seeds plus what earlier runs found in
# build-asan/corpus/. Prints executions and findings per target; fails on any finding.
# Findings (the inputs that failed) are kept in build-asan/findings/<target>/.
run_fuzzers() {
    local seconds=$1
    shift
    local targets=("$@") failed=0 target
    [[ ${#targets[@]} -gt 0 ]] || targets=(frameassembler download sheet datafile)
    for target in "${targets[@]}"; do
        # The window's caches grow as it shows one download after another, so nearly every
        # input would have libFuzzer look for leaks, at a twentieth of the pace; repeated
        # downloads are the leak check's (tests/reliability/tst_leaks).
        local options=()
        [[ $target == download ]] && options=(-detect_leaks=0)
        local binary="$HYGROLUX_ASAN_BUILD/fuzzing/fuzz_$target"
        local corpus="$HYGROLUX_ASAN_BUILD/corpus/$target"
        local findings="$HYGROLUX_ASAN_BUILD/findings/$target"
        local log="$HYGROLUX_ASAN_BUILD/fuzz_$target.log"
        [[ -x "$binary" ]] || { echo "No fuzz target named $target." >&2; return 2; }
        mkdir -p "$corpus" "$findings"
        local before
        before=$(find "$findings" -type f | wc -l)
        local status=0
        UBSAN_OPTIONS=print_stacktrace=1 "$binary" -max_total_time="$seconds" -timeout=10 \
            -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" "${options[@]}" \
            "$corpus" "$HYGROLUX_ROOT/fuzzing/corpus/$target" >"$log" 2>&1 || status=$?
        local runs found
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
        found=$(($(find "$findings" -type f | wc -l) - before))
        printf '%-15s %12s executions in %s s, %d finding(s), corpus of %d inputs\n' "$target" \
            "${runs:-?}" "$seconds" "$found" "$(find "$corpus" -type f | wc -l)"
        if [[ $status -ne 0 || $found -ne 0 ]]; then
            echo "  $target failed (exit $status); its log is $log:" >&2
            grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error|.*invariant|artifact_prefix|Test unit written)' "$log" | head -n 20 >&2
            failed=1
        fi
    done
    return $failed
}

# Builds the benchmark program in Release into build-bench/ (only what it needs).
build_benchmarks() {
    local generator=()
    [[ -f "$HYGROLUX_BENCH_BUILD/CMakeCache.txt" ]] || generator=(-G Ninja)
    cmake -S "$HYGROLUX_ROOT" -B "$HYGROLUX_BENCH_BUILD" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
        >/dev/null && cmake --build "$HYGROLUX_BENCH_BUILD" --parallel "$(nproc)" --target hygrolux-bench
}

# run_benchmarks <folder> [arguments...]: the benchmark table of a build; non-zero when a case
# misses its target or fails. --smoke: every case once, no verdicts. The windows are measured
# at the size of a real screen: on an X server of its own with a 1920 x 1080 screen where
# xvfb-run is installed, otherwise on the offscreen platform (800 x 600), as the table's
# heading says.
run_benchmarks() {
    local folder=$1
    shift
    if command -v xvfb-run >/dev/null; then
        xvfb-run -a -s '-screen 0 1920x1080x24' env QT_QPA_PLATFORM=xcb \
            "$folder/bench/hygrolux-bench" "$@"
    else
        QT_QPA_PLATFORM=offscreen "$folder/bench/hygrolux-bench" "$@"
    fi
}
