#!/usr/bin/env bash
# Makes the files a demonstration or an end-to-end test needs on the Windows side:
#
#   make-demo-payload.sh setup DIR [PROGRAM]  the payload DIR/VIrovARI2.dat (a password-protected
#                                             ZIP of a small product tree), the readme and
#                                             licence texts in both languages, and the program
#                                             itself when PROGRAM is given
#   make-demo-payload.sh base DIR RI4RAZOZ    a base product in DIR: the twelve files a
#                                             destination must hold, RI4Razoz.exe being the
#                                             given recorder program
#   make-demo-payload.sh system DIR           the base product's library and the uninstaller in
#                                             the system directory DIR
#
# Texts beside the program are Windows text files (CRLF); the Russian ones are Windows-1251.
set -euo pipefail

readonly kPassword=4071938265103847562910384756102938

windows_text() {  # windows_text FILE [cp1251]  (UTF-8 text on stdin)
    if [ "${2:-}" = cp1251 ]; then
        iconv -f UTF-8 -t CP1251 | sed 's/$/\r/' >"$1"
    else
        sed 's/$/\r/' >"$1"
    fi
}

make_texts() {
    local dir="$1"
    # The English readme's shape is what the viewer case checks: short lines joined into
    # paragraphs, blank lines kept, list items and the copyright line on lines of their own.
    windows_text "$dir/readme_en.txt" <<'TEXT'
DE roz OZE-2
Electronic book of training tasks on MPI-2 programming

The book holds training tasks on parallel
programming with MPI-2, with a checker
that tests every solution.

It contains:
- tasks on point-to-point messages;
- tasks on collective operations
  and communicators;
* tasks on one-sided communication.

Copyright (c) 2024 DE roz OZE-2 authors
All rights reserved.
TEXT
    windows_text "$dir/license_en.txt" <<'TEXT'
LICENSE AGREEMENT

You may install and use this electronic book
on any number of computers of your school.

You may not sell it or hand it on
as part of another product.

The book is provided as is, without warranty
of any kind.
TEXT
    windows_text "$dir/readme.txt" cp1251 <<'TEXT'
DE roz OZE-2
Электронный задачник по параллельному программированию на базе MPI-2

Задачник содержит учебные задания по параллельному
программированию с использованием MPI-2
и проверяет каждое решение.

В задачник входят:
- задания на обмен сообщениями;
- задания на коллективные операции
  и коммуникаторы;
* задания на одностороннюю связь.

Copyright (c) 2024 авторы DE roz OZE-2
Все права защищены.
TEXT
    windows_text "$dir/license.txt" cp1251 <<'TEXT'
ЛИЦЕНЗИОННОЕ СОГЛАШЕНИЕ

Вы можете установить и использовать задачник
на любом числе компьютеров вашего учебного заведения.

Продажа задачника и его передача в составе
другого продукта не допускаются.

Задачник поставляется "как есть", без каких-либо гарантий.
TEXT
}

make_payload() {
    local dir="$1" tree
    tree=$(mktemp -d)
    trap 'rm -rf "$tree"' RETURN
    mkdir -p "$tree/VIrovARI2" "$tree/MPICH2/Samples" "$tree/MPI" "$tree/LIB" "$tree/SYSTEM"
    printf 'ITSF placeholder help file (Russian)\r\n' >"$tree/VIrovARI2/VIrovARI2.chm"
    printf 'ITSF placeholder help file (English)\r\n' >"$tree/VIrovARI2/VIrovARI2_en.chm"
    cp "$dir/readme.txt" "$tree/VIrovARI2/readme.txt"
    cp "$dir/readme_en.txt" "$tree/VIrovARI2/readme_en.txt"
    printf 'MZ placeholder installer\r\n' >"$tree/VIrovARI2/MPICH2Installer.exe"
    for n in 1 2 3 4 5 6; do
        printf '#include <mpi.h>\r\n/* Task %d: exchange of messages between processes. */\r\nint main(void) { return 0; }\r\n' "$n" \
            >"$tree/MPICH2/Samples/task$n.c"
    done
    printf '/* Declarations used by the tasks. */\r\n' >"$tree/MPI/mpitasks.h"
    # Large and repetitive enough for real compression.
    for n in $(seq 1 400); do printf 'Task group %d: reference data line for the checker.\r\n' "$n"; done \
        >"$tree/LIB/VE4MPI2.dat"
    printf 'MZ placeholder library\r\n' >"$tree/SYSTEM/ve4mpi2.dll"
    rm -f "$dir/VIrovARI2.dat"
    (cd "$tree" && zip -q -r -P "$kPassword" -X "$dir/VIrovARI2.zip" VIrovARI2 MPICH2 MPI LIB SYSTEM)
    mv "$dir/VIrovARI2.zip" "$dir/VIrovARI2.dat"
    # A fixed date, so the version label reads the same on every run.
    touch -d '2024-06-19 12:00' "$dir/VIrovARI2.dat"
}

make_base() {
    local dir="$1" recorder="$2" file
    mkdir -p "$dir/LIB"
    for file in results.dat VE4Demo.exe VE4Load.exe VE4Res.exe demo.dat VE4Ext20.exe VE4Ext22.exe \
        LIB/VE4_.txt LIB/VE4__.txt LIB/xVE4ZMinmax_ru.dll; do
        printf 'base product file %s\r\n' "$file" >"$dir/$file"
    done
    printf 'Base product readme.\r\n' >"$dir/readme_en.txt"
    cp "$recorder" "$dir/RI4Razoz.exe"
}

case "${1:-}" in
    setup)
        dir="$2"
        mkdir -p "$dir"
        dir=$(cd "$dir" && pwd)
        make_texts "$dir"
        make_payload "$dir"
        if [ -n "${3:-}" ]; then cp "$3" "$dir/"; fi
        ;;
    base)
        make_base "$2" "$3"
        ;;
    system)
        # The base product's library (recent enough to replace without a question) and the
        # family's uninstaller, which the uninstall shortcuts point at.
        mkdir -p "$2"
        printf 'base product library\r\n' >"$2/ve4.dll"
        touch -d '2024-01-10 12:00' "$2/ve4.dll"
        printf 'MZ placeholder uninstaller\r\n' >"$2/zuvudiru.exe"
        ;;
    *)
        echo "usage: $0 setup DIR [PROGRAM] | base DIR RI4RAZOZ | system DIR" >&2
        exit 1
        ;;
esac
