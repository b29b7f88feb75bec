#!/usr/bin/python3
"""Prepares a Windows program for an Authenticode signature that can be taken off again.

The signing tool pads the program to a multiple of 8 bytes and sets its PE checksum; removing
the signature keeps both. Doing the same before signing makes "signed, then unsigned" give back
exactly the bytes that were signed. Safe to run again on a prepared program.

    pe-prepare-for-signing.py program.exe
"""
import sys

import pefile  # Debian's python3-pefile


def main(path):
    with open(path, "rb") as source:
        data = source.read()
    data += b"\0" * (-len(data) % 8)
    image = pefile.PE(data=data, fast_load=True)
    image.OPTIONAL_HEADER.CheckSum = image.generate_checksum()
    prepared = image.write()
    image.close()
    with open(path, "wb") as target:
        target.write(prepared)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: pe-prepare-for-signing.py program.exe")
    main(sys.argv[1])
