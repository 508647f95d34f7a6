# Shared by the scripts in this folder: package installation, steps that say
# what failed, a headless Wine prefix inside each Windows build tree, and a
# private Xvfb. Source it; do not run it.

ZENTRAIL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian packages the build and the tests need. wine32 is the i386 package
# (installed everywhere; whether it can run is probed), wine64 runs the x64
# build; fonts-wine has the symbol font of the caption buttons.
ZENTRAIL_PACKAGES=(cmake ninja-build g++ libgtest-dev googletest libbenchmark-dev
    libboost-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    wine wine32:i386 wine64 fonts-wine xvfb imagemagick python3-crcmod locales)
# The fuzz build: clang with libFuzzer and the sanitizer runtimes.
ZENTRAIL_PACKAGES+=(clang-14 libclang-rt-14-dev)

log() { printf '[zentrail] %s\n' "$*" >&2; }

# Every script ends with a word on the command that stopped it, never in
# silence: set -e alone exits without one.
trap 'log "failed (exit code $?): $BASH_COMMAND"' ERR

# Runs a command whose output is only worth reading when it fails: the
# output goes to a log, and a failure names the step and shows the log's
# tail. Standard input is /dev/null.
#   step "what is being done" command [args...]
ZENTRAIL_STEP_LOG_DIR=
step() {
    local what=$1 code=0
    shift
    [ -n "$ZENTRAIL_STEP_LOG_DIR" ] || ZENTRAIL_STEP_LOG_DIR=$(mktemp -d)
    local output="$ZENTRAIL_STEP_LOG_DIR/step.log"
    "$@" </dev/null >"$output" 2>&1 || code=$?
    if [ "$code" -ne 0 ]; then
        log "failed: $what (exit code $code); the last lines of its output:"
        tail -n 25 "$output" | sed 's/^/    /' >&2
    fi
    return "$code"
}

missing_packages() {
    local pkg
    for pkg in "${ZENTRAIL_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}\n' "$pkg" 2>/dev/null | grep -q '^install ok installed$' \
            || printf '%s\n' "$pkg"
    done
}

# Installs whatever is missing through apt; costs one dpkg-query per package
# when everything is there.
ensure_packages() {
    local missing
    missing=$(missing_packages)
    [ -z "$missing" ] && return 0
    log "installing: $(echo $missing)"
    if [ "$(id -u)" -ne 0 ]; then
        log "run as root to install packages"
        return 1
    fi
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    step "apt-get update" apt-get update
    # shellcheck disable=SC2086
    step "installing $(echo $missing)" apt-get install -y --no-install-recommends $missing
}

# The Japanese locale, in which Wine runs with code page 932 for the tests
# of typed names outside ASCII; made once from the locales package's data.
ZENTRAIL_JAPANESE_LOCALE=ja_JP.UTF-8
ensure_locales() {
    locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8' && return 0
    if [ "$(id -u)" -ne 0 ]; then
        log "run as root to make the $ZENTRAIL_JAPANESE_LOCALE locale"
        return 1
    fi
    step "making the $ZENTRAIL_JAPANESE_LOCALE locale" \
        localedef -i ja_JP -c -f UTF-8 -A /usr/share/locale/locale.alias "$ZENTRAIL_JAPANESE_LOCALE"
}

# --- Wine -------------------------------------------------------------------

# One wineserver for both kinds of prefix: the 64-bit server serves 32-bit
# clients too, and it runs on machines that cannot start 32-bit processes.
ZENTRAIL_WINESERVER=/usr/lib/wine/wineserver64

# The Wine loader of a prefix kind, by path: /usr/bin/wine picks the 32-bit
# one whenever it is installed.
wine_loader_for() {
    case $1 in
    win32) echo /usr/lib/wine/wine ;;
    win64) echo /usr/lib/wine/wine64 ;;
    esac
}

# True when this machine can start Wine's 32-bit loader. Newer machines of
# this project's kind run a kernel without 32-bit emulation ("Exec format
# error"); ZENTRAIL_NO_32BIT=1 pretends to be one of them.
can_run_32bit() {
    [ "${ZENTRAIL_NO_32BIT:-0}" != 1 ] || return 1
    /usr/lib/wine/wine --version </dev/null >/dev/null 2>&1
}

# Why can_run_32bit said no, in a few words.
no_32bit_reason() {
    if [ "${ZENTRAIL_NO_32BIT:-0}" = 1 ]; then
        echo "ZENTRAIL_NO_32BIT=1"
        return 0
    fi
    /usr/lib/wine/wine --version 2>&1 </dev/null | tail -n1 | sed 's/^.*: //' || true
}

# The prefix kind a Windows build tree's programs need.
prefix_kind_for() {
    case $1 in
    windows) echo win32 ;;
    windows-x64) echo win64 ;;
    *) log "not a Windows build: $1"; return 1 ;;
    esac
}

# The Wine loader of the prefix set up last; wine_up sets it.
ZENTRAIL_WINE=
# Prefixes this script started a server for; wine_down stops them all.
ZENTRAIL_WINE_PREFIXES=()

wine_environment() {
    local build_dir=$1 kind=$2
    export WINEPREFIX="$build_dir/wineprefix"
    export WINEARCH=$kind
    export WINELOADER
    WINELOADER=$(wine_loader_for "$kind")
    export WINESERVER=$ZENTRAIL_WINESERVER
    export WINEDEBUG=-all
    # No Mono/Gecko installers, no desktop menu entries.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    ZENTRAIL_WINE=$WINELOADER
}

# A Linux path as Wine's Z: drive sees it.
windows_path() {
    local path
    path=$(realpath -m "$1")
    printf 'Z:%s' "${path//\//\\}"
}

# Settings for a headless prefix: a virtual desktop (captions, frames, no
# two-second wait on every window close without a window manager) and no
# crash dialog waiting for a debugger.
write_prefix_settings() {
    cat >"$1" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000
REG
}

# Makes the prefix, once per build tree. Made with a server that ends by
# itself, so that -w returns once the registry is on disk; only then is the
# prefix marked ready, and a half-made one is removed on the next run.
make_prefix() {
    local build_dir=$1
    local ready="$WINEPREFIX/.zentrail-ready"
    if [ -d "$WINEPREFIX" ] && [ ! -f "$ready" ]; then
        log "removing a half-made Wine prefix"
        rm -rf "$WINEPREFIX"
    fi
    [ -f "$ready" ] && return 0
    log "creating the $WINEARCH Wine prefix (once per build tree)"
    mkdir -p "$WINEPREFIX"
    step "creating the Wine prefix $WINEPREFIX" "$WINELOADER" wineboot -i
    local reg="$build_dir/wine-settings.reg"
    write_prefix_settings "$reg"
    step "applying the headless settings to the Wine prefix" \
        "$WINELOADER" regedit /S "$(windows_path "$reg")"
    step "waiting for the Wine prefix to be written" "$WINESERVER" -w
    touch "$ready"
}

# Starts a persistent wineserver and boots the prefix of a Windows build tree
# (making it on first use).
#   wine_up BUILD_DIR win32|win64
# Every Wine process started here has its standard streams away from the
# caller's: Wine's background processes keep whatever streams their first
# client had, and a held stdout would make ctest wait for minutes.
wine_up() {
    local build_dir=$1 kind=$2
    wine_environment "$build_dir" "$kind"
    make_prefix "$build_dir"
    install_caption_font
    step "starting the wineserver of $WINEPREFIX" "$WINESERVER" -p
    ZENTRAIL_WINE_PREFIXES+=("$WINEPREFIX")
    step "booting the Wine prefix $WINEPREFIX" "$WINELOADER" wineboot
}

# Wine draws the caption buttons with glyphs of the Marlett font. This Wine
# does not look for it where fonts-wine puts it, and without it the buttons
# show the letters "0 1 r": the prefix's own font folder is always searched.
install_caption_font() {
    local font=/usr/share/wine/fonts/marlett.ttf
    local fonts_dir="$WINEPREFIX/drive_c/windows/Fonts"
    if [ -f "$font" ] && [ -d "$fonts_dir" ] && [ ! -f "$fonts_dir/marlett.ttf" ]; then
        cp "$font" "$fonts_dir/"
    fi
}

wine_down() {
    local prefix
    for prefix in "${ZENTRAIL_WINE_PREFIXES[@]}"; do
        WINEPREFIX=$prefix "$ZENTRAIL_WINESERVER" -k >/dev/null 2>&1
    done
    ZENTRAIL_WINE_PREFIXES=()
    return 0
}

# Stops the private servers and the Xvfb, whatever the script did; every
# script's EXIT trap.
cleanup() {
    set +e
    wine_down
    xvfb_down
    [ -n "$ZENTRAIL_STEP_LOG_DIR" ] && rm -rf "$ZENTRAIL_STEP_LOG_DIR"
    return 0
}

# --- Xvfb -------------------------------------------------------------------

ZENTRAIL_XVFB_PID=

xvfb_up() {
    local display_file
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" \
        </dev/null >/dev/null 2>&1 &
    ZENTRAIL_XVFB_PID=$!
    local deadline=$((SECONDS + 20))
    while [ ! -s "$display_file" ] && [ $SECONDS -lt $deadline ]; do sleep 0.1; done
    if [ ! -s "$display_file" ]; then
        log "Xvfb did not start"
        rm -f "$display_file"
        return 1
    fi
    export DISPLAY=":$(head -n1 "$display_file")"
    rm -f "$display_file"
}

xvfb_down() {
    if [ -n "$ZENTRAIL_XVFB_PID" ]; then
        kill "$ZENTRAIL_XVFB_PID" 2>/dev/null
        wait "$ZENTRAIL_XVFB_PID" 2>/dev/null
        ZENTRAIL_XVFB_PID=
    fi
    return 0
}
