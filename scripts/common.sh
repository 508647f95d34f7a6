# Shared by the scripts in this folder: package installation, a headless Wine
# prefix inside the build tree, and a private Xvfb. Source it; do not run it.

ZENTRAIL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Debian packages the build and the tests need. wine32 is the i386 package;
# fonts-wine has the symbol font of the caption buttons.
ZENTRAIL_PACKAGES=(cmake ninja-build g++ libgtest-dev googletest libbenchmark-dev
    libboost-dev g++-mingw-w64-i686-posix wine wine32:i386 fonts-wine xvfb imagemagick)

log() { printf '[zentrail] %s\n' "$*" >&2; }

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
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing >/dev/null
}

# --- Wine -------------------------------------------------------------------

wine_environment() {
    export WINEPREFIX="$1/wineprefix"
    export WINEARCH=win32
    export WINEDEBUG=-all
    # No Mono/Gecko installers, no desktop menu entries.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
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

# Starts a persistent wineserver and boots the prefix (making it on first
# use). Every Wine process started here has its standard streams on /dev/null:
# Wine's background processes keep whatever streams their first client had,
# and a held stdout would make ctest wait for minutes.
wine_up() {
    local build_dir=$1
    wine_environment "$build_dir"
    local ready="$WINEPREFIX/.zentrail-ready"
    if [ -d "$WINEPREFIX" ] && [ ! -f "$ready" ]; then
        log "removing a half-made Wine prefix"
        rm -rf "$WINEPREFIX"
    fi
    if [ ! -f "$ready" ]; then
        # Made with a server that ends by itself, so that -w returns once the
        # registry is on disk; only then is the prefix marked ready.
        log "creating the Wine prefix (once per build tree)"
        mkdir -p "$WINEPREFIX"
        wine wineboot -i </dev/null >/dev/null 2>&1
        local reg="$build_dir/wine-settings.reg"
        write_prefix_settings "$reg"
        wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" </dev/null >/dev/null 2>&1
        wineserver -w
        touch "$ready"
    fi
    install_caption_font
    wineserver -p </dev/null >/dev/null 2>&1
    wine wineboot </dev/null >/dev/null 2>&1
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
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1
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
