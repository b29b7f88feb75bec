#!/usr/bin/env bash
# The demonstration: builds VIrovARI2.exe, prepares a Wine machine with a base product and a
# demo payload, and runs the setup program on it.
#
#   bash scripts/demo.sh             on a display: the program is yours to use (install it);
#                                    without one: the unattended installation of --install
#   bash scripts/demo.sh --auto      picture the main window, then Exit and answer Yes
#   bash scripts/demo.sh --install   the unattended tour through a whole installation: press
#                                    Install, answer the final message, list what was installed
#                                    and print the uninstall log
#
# The machine is build/demo/prefix: the program and its payload in C:\setup, the base product
# in C:\Program Files (x86)\VE4. The main window's picture is build/demo/main-window.png.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

mode=show
case "${1:-}" in
    "") ;;
    --auto) mode=auto ;;
    --install) mode=install ;;
    *) echo "usage: $0 [--auto|--install]" >&2; exit 1 ;;
esac

if [ -z "${VI_DEMO_READY:-}" ]; then
    if [ "$(id -u)" -eq 0 ]; then bash scripts/install-deps.sh; fi
    cmake --preset win32 >/dev/null
    cmake --build build/win32 --target VIrovARI2 ri4razoz vidrive -j2
    export VI_DEMO_READY=1
fi

source tests/e2e/wine.sh
# Without a display the demo runs on a virtual screen, and nobody is there to click: it
# installs the demo payload by itself.
if [ -z "${DISPLAY:-}" ]; then
    [ "$mode" = show ] && mode=install
    wine_need_display "$0" "--$mode"
fi

bin="${VI_DEMO_BIN:-$root/build/win32/bin}"  # VI_DEMO_BIN: programs built elsewhere
demo="$root/build/demo"
mkdir -p "$demo"
rm -f "$demo"/*.png
trap wine_stop EXIT

echo "== preparing the Wine machine in build/demo/prefix"
wine_use_prefix "$demo/prefix"
# Wine draws window frames itself in a virtual desktop; used when the demo runs unattended.
if [ "$mode" != show ]; then wine_virtual_desktop 1024x768; else wine_no_virtual_desktop; fi
drive="$WINEPREFIX/drive_c"
base="$drive/Program Files (x86)/VE4"
# The journal folder too: a record of changes from an earlier demo would be recovered first.
rm -rf "$drive/setup" "$drive/shots" "$base" "$drive/ProgramData/VIrovARI2"
# Wine runs every program elevated, so the group goes to the all-users Start menu.
rm -rf "$drive"/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/DE\ roz\ OZE-2 \
    "$drive"/ProgramData/Microsoft/Windows/Start\ Menu/Programs/DE\ roz\ OZE-2
bash scripts/make-demo-payload.sh setup "$drive/setup" "$bin/VIrovARI2.exe"
bash scripts/make-demo-payload.sh base "$base" "$bin/ri4razoz.exe"
# A 32-bit program's system directory is syswow64 on the host side of a 64-bit prefix.
bash scripts/make-demo-payload.sh system "$drive/windows/syswow64"
mkdir -p "$drive/shots"
echo "   C:\\setup: $(cd "$drive/setup" && ls | tr '\n' ' ')"
echo "   C:\\Program Files (x86)\\VE4: $(cd "$base" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')"

main_caption='VI4zodAVI2 Install'
drive_program() {  # drive_program STEPS...: the steps of vidrive, with a time limit
    timeout -k 10 "${VI_DEMO_LIMIT:-600}" wine "$bin/vidrive.exe" --shots 'C:\shots' "$@"
}
# The unattended runs speak English whatever the host's locale, so the captions they wait
# for are known.
english() { LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 "$@"; }

status=0
case "$mode" in
    show)
        echo "== starting the setup program on $DISPLAY; close it when you are done"
        # The language question comes first on a Russian system; the picture is taken of the
        # main window once it is there, and the program then stays yours until you close it.
        VI_DEMO_LIMIT=86400 drive_program start 'C:\setup\VIrovARI2.exe' '' window "$main_caption*" 86400 \
            shot main-window exit 86400 || status=$?
        ;;
    auto)
        echo "== starting the setup program, picturing the main window and closing it"
        english drive_program start 'C:\setup\VIrovARI2.exe' '' window "$main_caption" 120 dump shot main-window \
            click Exit dialog Confirm 30 message shot exit-confirmation click Yes exit 30 || status=$?
        ;;
    install)
        echo "== installing into C:\\Program Files (x86)\\VE4"
        english drive_program start 'C:\setup\VIrovARI2.exe' '' window "$main_caption" 120 dump shot main-window \
            click Install dialog 'Information|Warning|Error' 300 message shot final-message click OK exit 120 \
            || status=$?
        ;;
esac
wine_convert_shots "$drive/shots" "$demo"

if [ "$mode" = install ]; then
    echo "== installed files in C:\\Program Files (x86)\\VE4"
    (cd "$base" && find . -type f | sed 's|^\./||' | sort)
    echo "== system directory additions"
    (cd "$drive/windows/syswow64" && ls -l ve4*.dll 2>/dev/null) || true
    echo "== Start menu group"
    find "$drive"/ProgramData/Microsoft/Windows/Start\ Menu/Programs/DE\ roz\ OZE-2 -type f \
        -printf '%f\n' 2>/dev/null || echo "(none)"
    echo "== the base product's set-up utility was started as"
    cat "$base/ri4razoz-run.txt" 2>/dev/null | tr -d '\r' || echo "(not started)"
    echo "== uninstall log"
    found_log=0
    for log in "$base"/UNINST/*.log; do
        [ -f "$log" ] || continue
        found_log=1
        echo "-- ${log#"$drive"/}"
        # The log is ANSI text with CR LF line ends.
        iconv -f WINDOWS-1251 -t UTF-8 "$log" | tr -d '\r'
    done
    [ "$found_log" = 1 ] || echo "(none)"
fi

if [ -f "$demo/main-window.png" ]; then
    echo "== main window picture: build/demo/main-window.png"
fi
if [ "$status" -ne 0 ]; then
    echo "demo: the program did not behave as expected (driver exit $status)" >&2
fi
exit "$status"
