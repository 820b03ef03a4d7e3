# Functions behind ./run for authors: the host tools, installers, the kit and
# the benchmarks. Sourced after run-lib.sh.

KIT_ZIP="$ROOT/dist/briselpatch-kit.zip"

# The release host tools, statically linked: what authors run, and what the
# cross builds write their installers with. Builds only the named targets.
build_host() {
    configure host
    log "building host tools: $*"
    cmake --build "$HOST" --target "$@" >&2
}

# The stub of one architecture, and nothing else of its cross build.
build_stub() {
    local arch="$1" dir="$2"
    shift 2
    configure_windows "$arch" "$dir"
    log "building the $arch stub"
    cmake --build "$dir" --target installer_stub "$@" >&2
}

run_patchscript() {
    install_missing "${BUILD_PACKAGES[@]}"
    build_host patchscript
    exec "$HOST/tools/patchscript" "$@"
}

run_check() {
    install_missing "${BUILD_PACKAGES[@]}"
    build_host patchpack
    exec "$HOST/tools/patchpack" check "$@"
}

package_usage() {
    echo "usage: ./run package DIR [--arch i686|x86_64] [--out FILE.exe] [--store] [--strict]" \
        "[--force] [patchpack build options]" >&2
    return 2
}

# A thin wrapper over `patchpack build` that builds what it needs first: the
# host tool and the stub of the requested architecture.
run_package() {
    local arch=i686 args=("$@") i
    for ((i = 0; i < ${#args[@]}; i++)); do
        case "${args[$i]}" in
            --arch) arch="${args[$((i + 1))]:-}" ;;
            --arch=*) arch="${args[$i]#--arch=}" ;;
            -h | --help) package_usage; return 0 ;;
        esac
    done
    local build
    case "$arch" in
        i686) build="$WIN32_BUILD" ;;
        x86_64) build="$WIN64_BUILD" ;;
        *) package_usage; return ;;
    esac
    install_missing "${BUILD_PACKAGES[@]}"
    build_host patchpack
    build_stub "$arch" "$build"
    "$HOST/tools/patchpack" build "$@" --stub "$build/app/stub-$arch.exe"
}

# dist/briselpatch-kit.zip from the built parts.
make_kit() {
    log "writing $KIT_ZIP"
    mkdir -p "$(dirname "$KIT_ZIP")"
    /usr/bin/python3 "$ROOT/cmake/make-kit.py" "$KIT_ZIP" \
        patchpack="$HOST/tools/patchpack" \
        patchpack.exe="$WIN32_BUILD/tools/patchpack.exe" \
        patchpack64.exe="$WIN64_BUILD/tools/patchpack.exe" \
        stubs/stub-i686.exe="$WIN32_BUILD/app/stub-i686.exe" \
        stubs/stub-x86_64.exe="$WIN64_BUILD/app/stub-x86_64.exe" \
        sample="$ROOT/packages/sample" \
        README-ja.md="$ROOT/docs/README-ja.md"
}

run_kit() {
    install_missing "${BUILD_PACKAGES[@]}" python3
    build_host patchpack
    build_stub i686 "$WIN32_BUILD" patchpack
    build_stub x86_64 "$WIN64_BUILD" patchpack
    make_kit
    echo "$KIT_ZIP"
}

# The benchmarks: the release host tools, both stubs and minimal window
# programs, the x86_64 driver that times installers under wine64 (in a
# prefix of its own, with a display), then bench/run.
run_bench() {
    install_missing "${BUILD_PACKAGES[@]}" time googletest libgtest-dev wine64 xvfb xauth \
        fonts-ipafont locales python3 nsis xz-utils xdelta3 bsdiff zstd
    ensure_locale ja_JP.UTF-8
    build_host patchpack script_bench checksum_bench
    build_stub i686 "$WIN32_BUILD" minimal_window
    build_stub x86_64 "$WIN64_BUILD" minimal_window bench_driver
    with_display bench_in_display "$@"
}

bench_in_display() {
    start_wineserver "$BUILD/bench-wineprefix"
    local status=0
    BRISEL_PATCHPACK="$HOST/tools/patchpack" BENCH_SCRIPT="$HOST/bench/script_bench" \
        BENCH_CHECKSUM="$HOST/bench/checksum_bench" \
        BRISEL_STUB="$WIN32_BUILD/app/stub-i686.exe" BRISEL_STUB64="$WIN64_BUILD/app/stub-x86_64.exe" \
        BENCH_MINIMAL32="$WIN32_BUILD/bench/minimal_window.exe" \
        BENCH_MINIMAL64="$WIN64_BUILD/bench/minimal_window.exe" \
        BENCH_DRIVER="$WIN64_BUILD/bench/bench_driver.exe" BRISEL_WINE64="$BRISEL_WINE64" \
        "$ROOT/bench/run" "$@" || status=$?
    stop_wineserver
    return $status
}
