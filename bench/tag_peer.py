#!/usr/bin/python3
"""The tags of names read one a line from standard input, written as a script
writer would: CRC-32/BZIP2 from crcmod and the base-62 digits of it.

    tag_peer.py TAG < names

Prints TAG_CODE for each name. A name whose checksum is 0 has no code; it gets
TAG_ alone, since this peer has no fallback generator.
"""

import sys

import crcmod.predefined

ALPHABET = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"


def base62(value):
    digits = ""
    while value:
        value, digit = divmod(value, 62)
        digits = ALPHABET[digit] + digits
    return digits


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: tag_peer.py TAG < names")
    crc = crcmod.predefined.mkPredefinedCrcFun("crc-32-bzip2")
    prefix = sys.argv[1] + "_"
    out = sys.stdout.write
    for line in sys.stdin.buffer:
        out(prefix + base62(crc(line.rstrip(b"\n"))) + "\n")


if __name__ == "__main__":
    main()
