# Shell helpers for running the win32 program under Wine, sourced by scripts/demo.sh and
# scripts/e2e.sh. Prefixes live under build/ so a clean clone needs nothing in the home folder.

# Re-runs the calling script inside a virtual X screen when there is no display; every
# Wine process of the run then shares that one screen. It is large enough for a virtual
# desktop of 1024x768 at twice the DPI (the display-scale tests).
#   wine_need_display "$0" "$@"
wine_need_display() {
    if [ -z "${DISPLAY:-}" ]; then
        exec xvfb-run -a -s "-screen 0 2048x1536x24" bash "$@"
    fi
}

# Selects (and creates when missing) the Wine prefix DIR for what follows.
#   wine_use_prefix DIR
wine_use_prefix() {
    export WINEPREFIX="$1"
    export WINEDEBUG=-all
    # No questions about installing Wine's .NET and HTML engines while the prefix is made.
    export WINEDLLOVERRIDES="mscoree=;mshtml="
    export WINEARCH=win64
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        timeout 180 wineboot -i >/dev/null 2>&1
        timeout 120 wineserver -w
    fi
    wine_title_bar_font
}

# Wine draws the title-bar buttons (the close box) with the symbol font "Marlett", which it
# looks for in the prefix's Fonts directory; without it the close box shows a plain "r".
# The font comes with Debian's fonts-wine (scripts/install-deps.sh).
wine_title_bar_font() {
    local font=/usr/share/wine/fonts/marlett.ttf fonts="$WINEPREFIX/drive_c/windows/Fonts"
    [ -f "$font" ] || return 0
    mkdir -p "$fonts"
    [ -f "$fonts/marlett.ttf" ] || cp "$font" "$fonts/marlett.ttf"
}

# The host path of the Windows path PATH in the current prefix ("C:\setup" -> .../drive_c/setup).
wine_host_path() {
    local path="${1#[Cc]:}"
    path="${path//\\//}"
    printf '%s/drive_c%s\n' "$WINEPREFIX" "$path"
}

# Ends every Wine process of the current prefix.
wine_stop() {
    [ -n "${WINEPREFIX:-}" ] && timeout 30 wineserver -k 2>/dev/null
    [ -n "${WINEPREFIX:-}" ] && timeout 30 wineserver -w 2>/dev/null
    return 0
}

# Turns every BMP in DIR into a PNG in OUT (ImageMagick), removing the BMP.
wine_convert_shots() {
    local dir="$1" out="$2" bmp
    mkdir -p "$out"
    for bmp in "$dir"/*.bmp; do
        [ -f "$bmp" ] || continue
        convert "$bmp" "$out/$(basename "${bmp%.bmp}").png" && rm -f "$bmp"
    done
}

# Makes every window of the current prefix open inside one virtual desktop of SIZE (e.g.
# 1024x768), where Wine draws the window frames itself: screenshots then show title bars
# even on a screen without a window manager.
# The desktop that the first of these commands starts (without the setting) would stay for the
# programs started while the server lingers, so the server is ended once the setting is made.
wine_virtual_desktop() {
    timeout 60 wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    timeout 60 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$1" /f >/dev/null 2>&1
    wine_stop
}

# Undoes wine_virtual_desktop: windows open on the display itself again.
wine_no_virtual_desktop() {
    timeout 60 wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f >/dev/null 2>&1
    wine_stop
}

# Sets the screen's DPI that Wine reports to programs aware of it (LogPixels: 96, 120, 144 or
# 192) in the current prefix; the Wine processes started afterwards see it.
wine_log_pixels() {
    timeout 60 wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    wine_stop
}
