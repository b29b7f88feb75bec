#!/usr/bin/env bash
# The end-to-end tests: the win32 program under Wine, driven from outside by
# build/win32/bin/e2e_driver.exe. Each scenario prepares a Wine prefix under build/e2e and the
# Windows-side directories it needs, sets the locale, and runs the driver's cases for it.
# Runs unattended (on a virtual X screen when there is no display), every step has a time
# limit, and the screenshots end up as PNG files in build/screenshots.
#
#   bash scripts/e2e.sh            build what is missing, run every scenario, print a summary
#   E2E_NO_BUILD=1                 use the programs already built (in $E2E_BIN, default
#                                  build/win32/bin)
#   E2E_KEEP_PREFIX=1              reuse the prefixes of the last run (faster; not for CI)
#   E2E_ONLY=english               run only the named scenario(s), blank-separated
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source tests/e2e/wine.sh
wine_need_display "$0" "$@"

bin="${E2E_BIN:-$root/build/win32/bin}"
work="$root/build/e2e"
shots="$root/build/screenshots"
case_limit=300  # seconds for one scenario's driver run

if [ "${E2E_NO_BUILD:-0}" != 1 ]; then
    if ! { cmake --preset win32 >/dev/null &&
           cmake --build build/win32 --target VIrovARI2 e2e_driver ri4razoz vidrive envsetup loadlib ve4lib -j2 >/dev/null; }; then
        echo "e2e: the win32 build failed" >&2
        exit 1
    fi
fi
for program in VIrovARI2 e2e_driver ri4razoz envsetup loadlib; do
    if [ ! -f "$bin/$program.exe" ]; then
        echo "e2e: $bin/$program.exe is missing" >&2
        exit 1
    fi
done

mkdir -p "$work" "$shots"
rm -f "$shots"/*.png
[ "${E2E_KEEP_PREFIX:-0}" = 1 ] || rm -rf "$work"/prefix-*

results=()
status=0
prefixes=()
trap 'for p in "${prefixes[@]}"; do WINEPREFIX="$p" wine_stop; done' EXIT

# Selects the prefix for LANGUAGE (en or ru), creating it on first use, and lays out the
# Windows side afresh: C:\setup (program, payload, texts), C:\nopayload (the program alone),
# the base product in C:\Program Files (x86)\VE4 and the system directory, no Start-menu group,
# and an empty C:\shots.
use_machine() {
    local language="$1" prefix="$work/prefix-$1"
    if [ "${WINEPREFIX:-}" != "$prefix" ]; then
        [ -n "${WINEPREFIX:-}" ] && wine_stop
        if [ "$language" = ru ]; then
            LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 wine_use_prefix "$prefix"
        else
            LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 wine_use_prefix "$prefix"
        fi
        wine_virtual_desktop 1024x768
        prefixes+=("$prefix")
    fi
    local drive="$WINEPREFIX/drive_c"
    # The journal folder goes too: no scenario meets the records of changes of another.
    rm -rf "$drive/setup" "$drive/nopayload" "$drive/shots" "$drive/Program Files (x86)/VE4" "$drive/ProgramData/VIrovARI2" \
        "$drive/windows/syswow64/ve4mpi2.dll" \
        "$drive"/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/DE\ roz\ OZE-2 \
        "$drive"/ProgramData/Microsoft/Windows/Start\ Menu/Programs/DE\ roz\ OZE-2
    bash scripts/make-demo-payload.sh setup "$drive/setup" "$bin/VIrovARI2.exe" >/dev/null
    mkdir -p "$drive/nopayload" "$drive/shots"
    cp "$bin/VIrovARI2.exe" "$drive/nopayload/"
    bash scripts/make-demo-payload.sh base "$drive/Program Files (x86)/VE4" "$bin/ri4razoz.exe"
    # A 32-bit program's system directory is syswow64 on the host side of a 64-bit prefix.
    bash scripts/make-demo-payload.sh system "$drive/windows/syswow64"
}

# scenario NAME LANGUAGE PROGRAM FILTER [VARIABLE=VALUE...]: runs the driver's cases that match
# FILTER against the Windows path PROGRAM, with the locale variables given. A function
# prepare_NAME (dashes as underscores), when defined, adds to the machine before the run.
scenario() {
    local name="$1" language="$2" program="$3" filter="$4"
    shift 4
    if [ -n "${E2E_ONLY:-}" ] && [[ " $E2E_ONLY " != *" $name "* ]]; then return; fi
    echo "== scenario $name"
    use_machine "$language"
    if declare -F "prepare_${name//-/_}" >/dev/null; then "prepare_${name//-/_}"; fi
    local log="$work/$name.log"
    env -u LC_ALL -u LANGUAGE -u LC_MESSAGES "$@" \
        VI_E2E_PROGRAM="$program" VI_E2E_SHOTS='C:\shots' \
        timeout -k 10 "$case_limit" wine "$bin/e2e_driver.exe" "--gtest_filter=$filter" >"$log" 2>&1
    local code=$?
    # The program may still be up after a failed case; a clean server for the next scenario.
    wine_stop
    # A function after_NAME, when defined, checks the machine once the cases have run.
    if declare -F "after_${name//-/_}" >/dev/null; then "after_${name//-/_}" >>"$log" 2>&1 || code=1; fi
    # The program's Russian texts are Windows-1251 bytes; shown readable on the terminal.
    if [ "$language" = ru ]; then iconv -f CP1251 -t UTF-8 <"$log"; else cat "$log"; fi | tr -d '\r' | sed 's/^/   /'
    wine_convert_shots "$WINEPREFIX/drive_c/shots" "$shots"
    local counts
    counts=$(tr -d '\r' <"$log" | grep -E '^\[  (PASSED|FAILED)  \] [0-9]+ tests?' | tr '\n' ' ')
    # A filter that matches no case is a mistake in this script, not a pass.
    tr -d '\r' <"$log" | grep -qE '^\[  PASSED  \] 0 tests' && code=1
    [ "$code" -eq 124 ] && counts="timed out after ${case_limit}s"
    if [ "$code" -eq 0 ]; then
        results+=("PASS  $name: $counts")
    else
        results+=("FAIL  $name: ${counts:-driver exit code $code}")
        status=1
    fi
}

english=(LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8)
russian=(LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8)
scenario english en 'C:\setup\VIrovARI2.exe' 'MainWindow.*:Closing.*:Viewer.*:Browse.*:Resources.*:TaskBar.*' "${english[@]}"
prepare_no_readme() { rm -f "$WINEPREFIX/drive_c/setup/readme_en.txt"; }
scenario no-readme en 'C:\setup\VIrovARI2.exe' 'NoReadme.*' "${english[@]}"
scenario missing-payload en 'C:\nopayload\VIrovARI2.exe' 'MissingPayload.*' "${english[@]}"
scenario russian ru 'C:\setup\VIrovARI2.exe' 'RussianSystem.*' "${russian[@]}"
# Wine takes the interface language from the same locale as the system's, so a Russian system
# with an English interface (English preselected in the language window) cannot be set up here.
# A fresh base product for each installation scenario (use_machine lays it out again).
scenario install en 'C:\setup\VIrovARI2.exe' 'Install.*' "${english[@]}"
scenario install-ru ru 'C:\setup\VIrovARI2.exe' 'RussianInstall.*' "${russian[@]}"
prepare_options() {
    printf '%s\r\n' '[Main]' 'InstallDir=%programfilesdir%\VE4' 'AutoRun=1' '[Links]' 'Desktop=0' \
        '[Setup]' 'Run=0' >"$WINEPREFIX/drive_c/setup/VIrovARI2.ini"
}
scenario options en 'C:\setup\VIrovARI2.exe' 'Options.*' "${english[@]}"

# The installation's harder cases. Each prepare function changes the payload or the machine
# that use_machine has just laid out afresh.
readonly payload_password=4071938265103847562910384756102938
readonly payload_tool="$root/tests/e2e/tools/payload_entries.py"
# An immutable directory (chattr +i) refuses new files even to root, which Wine runs as here;
# the case skips itself when the attribute cannot be set. It lies outside the prefix, reached
# as drive R:, so that removing the prefixes never stumbles over it.
readonly_destination="$work/read-only/VE4"
prepare_install_read_only() {
    chattr -i "$readonly_destination" 2>/dev/null
    rm -rf "$readonly_destination"
    bash scripts/make-demo-payload.sh base "$readonly_destination" "$bin/ri4razoz.exe"
    ln -sfn "$work/read-only" "$WINEPREFIX/dosdevices/r:"
    chattr +i "$readonly_destination" 2>/dev/null || echo "   chattr +i failed: the case will skip"
    # Beside it, a base product that lacks one of its files.
    bash scripts/make-demo-payload.sh base "$WINEPREFIX/drive_c/PartialBase" "$bin/ri4razoz.exe"
    rm -f "$WINEPREFIX/drive_c/PartialBase/VE4Ext22.exe"
}
scenario install-read-only en 'C:\setup\VIrovARI2.exe' 'ReadOnlyDestination.*' "${english[@]}"
chattr -i "$readonly_destination" 2>/dev/null
# A large incompressible first entry keeps the engine window at its first status line.
prepare_install_progress() {
    local tree
    tree=$(mktemp -d)
    (cd "$tree" && unzip -q -P "$payload_password" "$WINEPREFIX/drive_c/setup/VIrovARI2.dat" &&
        mkdir DATA && head -c 24000000 /dev/urandom >DATA/random.bin &&
        zip -q -r -P "$payload_password" -X new.zip DATA VIrovARI2 MPICH2 MPI LIB SYSTEM)
    mv "$tree/new.zip" "$WINEPREFIX/drive_c/setup/VIrovARI2.dat"
    rm -rf "$tree"
}
scenario install-progress en 'C:\setup\VIrovARI2.exe' 'InstallProgress.*' "${english[@]}"
prepare_install_damaged() {
    local destination="$WINEPREFIX/drive_c/Program Files (x86)/VE4"
    python3 "$payload_tool" damage-last "$WINEPREFIX/drive_c/setup/VIrovARI2.dat" >/dev/null
    mkdir -p "$destination/VIrovARI2"
    printf 'older readme\r\n' >"$destination/VIrovARI2/readme.txt"
    printf 'older reference data\r\n' >"$destination/LIB/VE4MPI2.dat"
}
scenario install-damaged en 'C:\setup\VIrovARI2.exe' 'DamagedPayload.*' "${english[@]}"
# The payload gains a new core library for the system directory.
prepare_install_locked() {
    local tree
    # A run before this one leaves the library under the payload's spelling; Windows would see
    # one file, the host two, so only the one that use_machine wrote is kept.
    find "$WINEPREFIX/drive_c/windows/syswow64" -maxdepth 1 -iname ve4.dll ! -name ve4.dll -delete
    tree=$(mktemp -d)
    mkdir "$tree/SYSTEM"
    printf 'new base product library\r\n' >"$tree/SYSTEM/VE4.DLL"
    (cd "$tree" && zip -q -P "$payload_password" -X "$WINEPREFIX/drive_c/setup/VIrovARI2.dat" SYSTEM/VE4.DLL)
    rm -rf "$tree"
}
scenario install-locked en 'C:\setup\VIrovARI2.exe' 'LockedLibrary.*' "${english[@]}"
# The same payload; the system's VE4.DLL is a real library, which a program beside the setup
# program loads.
prepare_install_loaded() {
    prepare_install_locked
    cp "$bin/ve4lib.dll" "$WINEPREFIX/drive_c/windows/syswow64/ve4.dll"
    cp "$bin/loadlib.exe" "$WINEPREFIX/drive_c/setup/loadlib.exe"
}
scenario install-loaded en 'C:\setup\VIrovARI2.exe' 'LoadedLibrary.*' "${english[@]}"
find "$work/prefix-en/drive_c/windows/syswow64" -maxdepth 1 -iname ve4.dll ! -name ve4.dll -delete 2>/dev/null
prepare_install_user_temp() {
    mkdir -p "$WINEPREFIX/drive_c/Program Files (x86)/VE4/TEMP"
    printf 'the user'"'"'s notes\r\n' >"$WINEPREFIX/drive_c/Program Files (x86)/VE4/TEMP/notes.txt"
}
scenario install-user-temp en 'C:\setup\VIrovARI2.exe' 'UserTemp.*' "${english[@]}"
prepare_install_damaged_first() {
    python3 "$payload_tool" damage-first "$WINEPREFIX/drive_c/setup/VIrovARI2.dat" >/dev/null
}
scenario install-damaged-first en 'C:\setup\VIrovARI2.exe' 'DamagedFirstEntry.*' "${english[@]}"
prepare_install_methods() {
    rm -rf "$WINEPREFIX/drive_c/methods-expected"
    python3 "$payload_tool" add-methods "$WINEPREFIX/drive_c/setup/VIrovARI2.dat" "$root/tests/data/legacy" \
        "$WINEPREFIX/drive_c/methods-expected" "$payload_password"
}
scenario install-methods en 'C:\setup\VIrovARI2.exe' 'InstallMethods.*' "${english[@]}"
# A payload repacked by 7-Zip with files under Cyrillic names, which it marks as UTF-8, for
# a Russian installation.
prepare_install_ru_7zip() {
    local tree payload="$WINEPREFIX/drive_c/setup/VIrovARI2.dat"
    tree=$(mktemp -d)
    (cd "$tree" && unzip -q -P "$payload_password" "$payload" && mkdir -p 'VIrovARI2/Документы' &&
        printf 'manual\r\n' >'VIrovARI2/Документы/Руководство пользователя.txt' &&
        printf 'example\r\n' >'VIrovARI2/Документы/Пример №1.txt' &&
        7z a -tzip -mcu=on -mem=ZipCrypto -p"$payload_password" -bd "$tree.zip" . >/dev/null)
    mv "$tree.zip" "$payload"
    rm -rf "$tree"
}
scenario install-ru-7zip ru 'C:\setup\VIrovARI2.exe' 'RussianSevenZipInstall.*' "${russian[@]}"

# Silent installation: a base product of its own for the destination that /D= names, one
# beside a record of changes planted where earlier versions kept it (naming the base product's
# utility), then the damaged payload of install-damaged.
prepare_silent() {
    rm -rf "$WINEPREFIX/drive_c/Program Files (x86)/VE4 Silent" "$WINEPREFIX/drive_c/No Base"
    bash scripts/make-demo-payload.sh base "$WINEPREFIX/drive_c/Program Files (x86)/VE4 Silent" "$bin/ri4razoz.exe"
    local unfinished="$WINEPREFIX/drive_c/Program Files (x86)/VE4 Unfinished"
    rm -rf "$unfinished"
    bash scripts/make-demo-payload.sh base "$unfinished" "$bin/ri4razoz.exe"
    printf 'VIrovARI2 install journal 1\r\nF\tC:\\Program Files (x86)\\VE4 Unfinished\\ri4razoz.exe\r\n' \
        >"$unfinished/VIrovARI2.journal"
}
scenario silent en 'C:\setup\VIrovARI2.exe' 'Silent.*' "${english[@]}"
# Every form of silence into a base product of its own, one beside an idle main window, and a
# record asked for through a link made on the Linux side (Wine reports it as a reparse point).
prepare_silent_forms() {
    local drive="$WINEPREFIX/drive_c" name
    for name in Quoted Dash Very Idle; do
        rm -rf "$drive/Program Files (x86)/VE4 $name"
        bash scripts/make-demo-payload.sh base "$drive/Program Files (x86)/VE4 $name" "$bin/ri4razoz.exe"
    done
    rm -rf "$drive/elsewhere" "$drive/logs"
    mkdir -p "$drive/elsewhere"
    printf 'not the record\r\n' >"$drive/elsewhere/run.log"
    ln -s "$drive/elsewhere" "$drive/logs"
}
scenario silent-forms en 'C:\setup\VIrovARI2.exe' 'SilentForms.*' "${english[@]}"
# A link at the write test's name, made on the Linux side (Wine reports it as a reparse
# point): the installation goes on, and the link and the file it leads to stay as they were.
prepare_silent_write_test_link() {
    prepare_silent
    printf 'system file\r\n' >"$WINEPREFIX/drive_c/windows/syswow64/vitarget.dll"
    ln -sfn "$WINEPREFIX/drive_c/windows/syswow64/vitarget.dll" \
        "$WINEPREFIX/drive_c/Program Files (x86)/VE4 Silent/\$\$tfile\$.tmp"
}
after_silent_write_test_link() {
    local link="$WINEPREFIX/drive_c/Program Files (x86)/VE4 Silent/\$\$tfile\$.tmp"
    local target="$WINEPREFIX/drive_c/windows/syswow64/vitarget.dll" failed=0
    [ "$(cat "$target" 2>/dev/null)" = $'system file\r' ] || { echo "the file behind the link changed"; failed=1; }
    [ -L "$link" ] || { echo "the link at the write test's name is gone"; failed=1; }
    rm -f "$link" "$target"
    [ "$failed" = 0 ] && echo "the link at the write test's name and what it leads to are as they were"
    return "$failed"
}
scenario silent-write-test-link en 'C:\setup\VIrovARI2.exe' 'Silent.InstallsIntoTheDestinationOfTheCommandLineWithoutAWindow' \
    "${english[@]}"
prepare_silent_damaged() { prepare_install_damaged; }
# A held system library: the silent run keeps the new one for the next restart (3010); the
# prefix then restarts, which carries out the delayed move.
prepare_silent_restart() { prepare_install_locked; }
after_silent_restart() {
    local system="$WINEPREFIX/drive_c/windows/syswow64" library
    timeout 120 wine wineboot -r >/dev/null 2>&1
    wineserver -w
    library=$(find "$system" -maxdepth 1 -iname ve4.dll | head -n 1)
    if [ "$(cat "$library")" != $'new base product library\r' ]; then
        echo "after the restart: $library holds '$(cat "$library")', not the new library"
        return 1
    fi
    if find "$system" -maxdepth 1 -iname 've4.dll.~vi*' | grep -q .; then
        echo "after the restart: a copy is left beside the library: $(find "$system" -maxdepth 1 -iname 've4.dll.~vi*')"
        return 1
    fi
    echo "after the restart: the new library is in place"
    wine_stop
}
scenario silent-restart en 'C:\setup\VIrovARI2.exe' 'SilentRestart.*' "${english[@]}"
find "$work/prefix-en/drive_c/windows/syswow64" -maxdepth 1 -iname ve4.dll ! -name ve4.dll -delete 2>/dev/null
scenario silent-damaged en 'C:\setup\VIrovARI2.exe' 'SilentDamaged.*' "${english[@]}"
# One installation at a time: the payload of install-locked, whose system library a case holds
# open so that a silent run keeps waiting for it while a second copy is started.
prepare_one_at_a_time() { prepare_install_locked; }
scenario one-at-a-time en 'C:\setup\VIrovARI2.exe' 'OneAtATime.*' "${english[@]}"
find "$work/prefix-en/drive_c/windows/syswow64" -maxdepth 1 -iname ve4.dll ! -name ve4.dll -delete 2>/dev/null

# The environment chooser: the setup program with environments switched on, beside a payload
# named after it.
prepare_chooser() {
    local setup="$WINEPREFIX/drive_c/setup"
    cp "$bin/envsetup.exe" "$setup/envsetup.exe"
    cp "$setup/VIrovARI2.dat" "$setup/envsetup.dat"
}
scenario chooser en 'C:\setup\envsetup.exe' 'EnvironmentChooser.*' "${english[@]}"
# The Install command's refusals and its question about an old base library, dated here into
# the year whose libraries older environments depend on (use_machine puts a recent one back).
prepare_refusals() {
    find "$WINEPREFIX/drive_c/windows/syswow64" -maxdepth 1 -iname ve4.dll ! -name ve4.dll -delete
    touch -d '2005-06-01 12:00' "$WINEPREFIX/drive_c/windows/syswow64/ve4.dll"
}
scenario refusals en 'C:\setup\VIrovARI2.exe' 'Refusals.*' "${english[@]}"

# Every window at the display scales of current screens: the prefix's LogPixels set for each
# run, 96 DPI first (it records the layouts the other runs are compared with, and moves the
# main window to a screen of 144 DPI), and back to 96 DPI afterwards for whatever follows.
# The virtual desktop is a screen of the same size in inches: 1024x768 at 96 DPI, 2048x1536 at
# 192 DPI. The English runs use the program with the environment chooser and the payload of
# install-progress, whose engine window stays up.
display_scale_prefixes=()
prepare_display_scale() {
    if [ "$2" = en ]; then
        prepare_install_progress && prepare_chooser
        # Dated as the program is, so the main window's picture shows the program's build.
        touch -r "$WINEPREFIX/drive_c/setup/VIrovARI2.exe" "$WINEPREFIX/drive_c/setup/envsetup.exe"
    fi
    wine_virtual_desktop "$((1024 * $1 / 96))x$((768 * $1 / 96))"
    wine_log_pixels "$1"
    display_scale_prefixes+=("$WINEPREFIX")
}
for dpi in 96 120 144 192; do
    eval "prepare_dpi_$dpi() { prepare_display_scale $dpi en; }"
    eval "prepare_dpi_ru_$dpi() { prepare_display_scale $dpi ru; }"
    scenario "dpi-$dpi" en 'C:\setup\envsetup.exe' 'DisplayScale.*' "${english[@]}"
    scenario "dpi-ru-$dpi" ru 'C:\setup\VIrovARI2.exe' 'DisplayScaleRussian.*' "${russian[@]}"
done
for prefix in "${display_scale_prefixes[@]}"; do
    [ "${WINEPREFIX:-}" = "$prefix" ] || { wine_stop; export WINEPREFIX="$prefix"; }
    wine_virtual_desktop 1024x768
    wine_log_pixels 96
done

echo
echo "==== end-to-end summary ===="
printf '%s\n' "${results[@]}"
echo "screenshots: $(cd "$shots" && ls *.png 2>/dev/null | tr '\n' ' ')"
exit "$status"
