# Functions behind ./run. Sourced with ROOT and BUILD set.

# What building installers needs; the tests need the rest.
BUILD_PACKAGES=(cmake ninja-build g++ g++-mingw-w64-i686 g++-mingw-w64-x86-64 lzma-dev
    libstb-dev)
APT_PACKAGES=("${BUILD_PACKAGES[@]}" googletest libgtest-dev wine64 xvfb xauth fonts-ipafont
    locales clang-format clang-14 libclang-rt-14-dev liblzma-dev python3 python3-pefile osslsigncode
    openssl)
HOST="$BUILD/host"
NATIVE="$BUILD/native"
WIN32_BUILD="$BUILD/win32"
WIN64_BUILD="$BUILD/win64"

log() { printf '== %s\n' "$*" >&2; }

# The 32-bit Wine that runs the i686 build's tests (wine32_* functions).
source "$ROOT/cmake/wine32.sh"

# Installs the packages that are missing and the locales the tests use; a
# machine that has everything installs nothing.
ensure_tools() {
    install_missing "${APT_PACKAGES[@]}"
    ensure_locale ja_JP.UTF-8
    ensure_locale en_US.UTF-8
    ensure_locale hi_IN.UTF-8
}

# Installs those of the packages that are missing (the lock timeout lets
# another apt-get finish first).
install_missing() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    if [ ${#missing[@]} -gt 0 ]; then
        log "installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get -o DPkg::Lock::Timeout=600 update -q >&2
        apt-get -o DPkg::Lock::Timeout=600 install -y -q "${missing[@]}" >&2
    fi
}

ensure_locale() {
    local name="$1" short
    short="$(echo "$1" | sed 's/UTF-8/utf8/')"
    if locale -a 2>/dev/null | grep -qx "$short"; then
        return
    fi
    log "generating locale $name"
    if [ -f /etc/locale.gen ] && grep -q "^# *$name UTF-8" /etc/locale.gen; then
        sed -i "s/^# *$name UTF-8/$name UTF-8/" /etc/locale.gen
    elif ! grep -q "^$name UTF-8" /etc/locale.gen 2>/dev/null; then
        echo "$name UTF-8" >>/etc/locale.gen
    fi
    locale-gen >&2
}

# Configures the build folder of a preset of CMakePresets.json (build/NAME)
# once, and again when the presets change.
configure() {
    local preset="$1" dir="$BUILD/$1" stamp
    stamp="$(sha1sum "$ROOT/CMakePresets.json" | cut -d' ' -f1)"
    if [ ! -f "$dir/build.ninja" ] || [ "$(cat "$dir/.configure-preset" 2>/dev/null)" != "$stamp" ]; then
        (cd "$ROOT" && cmake --preset "$preset") >&2
        printf '%s' "$stamp" >"$dir/.configure-preset"
    fi
}

build_native() {
    configure native
    log "building native"
    (cd "$ROOT" && cmake --build --preset native) >&2
}

# The preset of a cross build: win32 for i686, win64 for x86_64.
windows_preset() {
    case "$1" in
        i686) echo win32 ;;
        x86_64) echo win64 ;;
    esac
}

# The cross builds write their installers with the host tool; the win64
# build's tests also use the i686 stub and the kit (the presets name them).
configure_windows() {
    configure "$(windows_preset "$1")"
}

build_windows() {
    local arch="$1" preset
    preset="$(windows_preset "$arch")"
    configure "$preset"
    log "building $arch"
    (cd "$ROOT" && cmake --build --preset "$preset") >&2
}

build_all() {
    build_host patchpack patchscript
    build_native
    build_windows i686 "$WIN32_BUILD"
    build_windows x86_64 "$WIN64_BUILD"
    make_kit
}

# Runs the ./run function named by the arguments with an X display for
# Wine's windows: the caller's, or a private Xvfb on a free display number
# (xvfb-run -a), stopped again when the function returns.
with_display() {
    if [ -n "${DISPLAY:-}" ] && [ "${BRISEL_FORCE_XVFB:-0}" != 1 ]; then
        "$@"
    else
        xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$ROOT/run" --in-display "$@"
    fi
}

# Keeps one wineserver up for the whole run of the prefix, so each test
# process starts quickly; stopped again at the end.
start_wineserver() {
    source "$ROOT/cmake/wine-env.sh"
    brisel_wine_prefix "$1"
    "$BRISEL_WINESERVER" -p >/dev/null 2>&1 || true
    # Start the prefix's services now, detached from our output: started by
    # the first test instead, they would inherit its output pipe and CTest
    # would wait for them for as long as the server runs.
    "$BRISEL_WINE64" wineboot </dev/null >/dev/null 2>&1 || true
}

stop_wineserver() {
    "$BRISEL_WINESERVER" -k >/dev/null 2>&1 || true
}

run_format() {
    ensure_tools
    local files
    mapfile -t files < <(cd "$ROOT" && git ls-files --cached --others --exclude-standard '*.cpp' '*.h')
    (cd "$ROOT" && clang-format -i "${files[@]}")
}

run_test() {
    local started=$SECONDS
    ensure_tools
    wine32_setup
    build_all
    log "native tests (the source format among them)"
    (cd "$ROOT" && ctest --preset native)
    fuzz_smoke
    local status=0
    with_display windows_tests || status=$?
    log "test run took $((SECONDS - started)) s"
    return $status
}

# The tests of both Windows builds, each under its Wine.
windows_tests() {
    log "win64 tests under Wine"
    start_wineserver "$WIN64_BUILD/wineprefix"
    local status=0
    (cd "$ROOT" && ctest --preset win64) || status=$?
    stop_wineserver
    (wine32_tests) || status=$?
    return $status
}

run_demo() {
    local arch=x86_64
    while [ $# -gt 0 ]; do
        case "$1" in
            --arch) arch="${2:-}"; shift 2 ;;
            *) arch=""; break ;;
        esac
    done
    if [ "$arch" != i686 ] && [ "$arch" != x86_64 ]; then
        echo "usage: ./run demo [--arch i686|x86_64]" >&2
        return 2
    fi
    ensure_tools
    if [ "$arch" = i686 ]; then
        wine32_setup
    fi
    build_all
    local exe32="$WIN32_BUILD/app/sample-installer.exe"
    local exe64="$WIN64_BUILD/app/sample-installer.exe"
    echo "The sample installer carries:"
    "$HOST/tools/patchscript" show "$ROOT/packages/sample/script.txt"
    "$HOST/tools/patchpack" check "$ROOT/packages/sample"
    echo
    echo "32-bit installer (the product): $exe32"
    echo "64-bit installer (the same code, run under Wine): $exe64"
    echo "Running the $arch installer."
    echo

    # A throwaway player's machine: a new prefix with the sample game and
    # its Start-menu shortcut.
    local demo="$BUILD/demo"
    rm -rf "$demo"
    mkdir -p "$demo/screenshots"
    local automatic=--auto
    if [ -n "${DISPLAY:-}" ] && [ "${BRISEL_FORCE_XVFB:-0}" != 1 ]; then
        automatic=""
        echo "Opening the installer on $DISPLAY: press Start, then Exit." >&2
    fi
    local status=0
    with_display demo_run "$arch" "$demo" "$exe32" "$exe64" $automatic || status=$?
    echo "What happened:"
    # Paths on Wine's Z: drive are shown as the host paths they are.
    sed -e 's/^/  /' -e '/Z:\\/ { s|Z:\\|/|; s|\\|/|g; }' "$demo/report.txt" 2>/dev/null || true
    return $status
}

# One run of the demo driver on the installer of ARCH in the prefix under DEMO.
demo_run() {
    local arch="$1" demo="$2" exe32="$3" exe64="$4" status=0
    shift 4
    if [ "$arch" = i686 ]; then
        (wine32_demo "$demo" "$exe32" "$@") || status=$?
    else
        start_wineserver "$demo/wineprefix"
        "$BRISEL_WINE64" "$WIN64_BUILD/tests/wine/e2e/demo_driver.exe" "$exe64" \
            "$(winepath_of "$demo/report.txt")" "$(winepath_of "$demo/screenshots")" "$@" \
            >&2 || status=$?
        stop_wineserver
    fi
    return $status
}

# A host path as the Windows path Wine shows it on drive Z:.
winepath_of() {
    printf 'Z:%s' "$(echo "$1" | sed 's|/|\\|g')"
}
