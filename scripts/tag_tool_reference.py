#!/usr/bin/python3
"""Inputs for zentrail-tag and, written independently of its code, the lines
it must print: CRC-32/BZIP2 from crcmod, base 62 and the MT19937 fallback here.

  tag_tool_reference.py names COUNT SEED NAMES EXPECTED TAG SECOND
      random names, one per line, and the expected output for them
  tag_tool_reference.py long-line BYTES SEED TAG
      BYTES random bytes without a line feed on standard output; the
      expected line on standard error
  tag_tool_reference.py fixed-names COUNT LENGTH FILE
      COUNT random names of LENGTH letters and digits
"""
import random
import sys

import crcmod.predefined

crc = crcmod.predefined.mkCrcFun("crc-32-bzip2")
DIGITS = b"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"


def base62(value):
    out = bytearray()
    while value:
        value, digit = divmod(value, 62)
        out.append(DIGITS[digit])
    return bytes(reversed(out))


def mt19937_first(seed):
    """The first output of MT19937 seeded with one 32-bit word."""
    state = [seed & 0xFFFFFFFF]
    for i in range(1, 625):
        state.append((1812433253 * (state[-1] ^ (state[-1] >> 30)) + i) & 0xFFFFFFFF)
    y = (state[0] & 0x80000000) | (state[1] & 0x7FFFFFFF)
    y = state[397] ^ (y >> 1) ^ (0x9908B0DF if y & 1 else 0)
    y ^= y >> 11
    y ^= (y << 7) & 0x9D2C5680
    y ^= (y << 15) & 0xEFC60000
    y ^= y >> 18
    return y


def tag_line(tag, name, fallback):
    code = base62(crc(name))
    return tag + b"_" + (code or fallback) + b"\n"


def names(count, seed, names_path, expected_path, tag, second):
    rng = random.Random(seed)
    tag = tag.encode()
    fallback = str(mt19937_first(second)).encode()
    # Every byte but the line feed; a CR ends a name only before its feed.
    alphabet = bytes(b for b in range(256) if b != 10)
    with open(names_path, "wb") as names_file, open(expected_path, "wb") as expected:
        for _ in range(count // 1000):
            block_names = bytearray()
            block_expected = bytearray()
            for _ in range(1000):
                length = rng.choice((0, 1, 2, 5, 8, 13, 20, 20, 20, 31, 64))
                name = bytes(rng.choices(alphabet, k=length))
                ending = b"\r\n" if rng.random() < 0.1 else b"\n"
                block_names += name + ending
                if ending == b"\n" and name.endswith(b"\r"):
                    name = name[:-1]
                block_expected += tag_line(tag, name, fallback)
            names_file.write(block_names)
            expected.write(block_expected)


def long_line(size, seed, tag):
    rng = random.Random(seed)
    chunk_size = 1 << 20
    register = 0
    out = sys.stdout.buffer
    done = 0
    crc_fun = crcmod.predefined.Crc("crc-32-bzip2")
    while done < size:
        chunk = rng.randbytes(min(chunk_size, size - done)).replace(b"\n", b"n")
        crc_fun.update(chunk)
        out.write(chunk)
        done += len(chunk)
    out.flush()
    register = crc_fun.crcValue
    sys.stderr.buffer.write(tag.encode() + b"_" + base62(register) + b"\n")


def fixed_names(count, length, path):
    rng = random.Random(1)
    alphabet = DIGITS
    with open(path, "wb") as out:
        block = b"".join(bytes(rng.choices(alphabet, k=length)) + b"\n" for _ in range(100000))
        for _ in range(count // 100000):
            # Fresh names per block would cost minutes here; a shifted copy
            # keeps them from repeating line for line.
            block = block[1:] + block[:1]
            out.write(block)


def main(argv):
    if argv[1:2] == ["names"] and len(argv) == 8:
        names(int(argv[2]), int(argv[3]), argv[4], argv[5], argv[6], int(argv[7]))
    elif argv[1:2] == ["long-line"] and len(argv) == 5:
        long_line(int(argv[2]), int(argv[3]), argv[4])
    elif argv[1:2] == ["fixed-names"] and len(argv) == 5:
        fixed_names(int(argv[2]), int(argv[3]), argv[4])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
