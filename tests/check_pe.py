#!/usr/bin/env python3
"""check_pe.py FILE MACHINE [FILE MACHINE ...]: each file is a PE image of that machine type."""
import struct
import sys

MACHINES = {"i386": (0x14C, 0x10B), "x86-64": (0x8664, 0x20B)}  # machine, optional-header magic


def machine_of(path):
    with open(path, "rb") as f:
        data = f.read(4096)
    if data[:2] != b"MZ":
        raise ValueError("not an MZ image")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    machine = struct.unpack_from("<H", data, pe + 4)[0]
    magic = struct.unpack_from("<H", data, pe + 24)[0]
    return machine, magic


def main(args):
    bad = 0
    for path, want in zip(args[0::2], args[1::2]):
        got = machine_of(path)
        ok = got == MACHINES[want]
        print(f"{'ok' if ok else 'WRONG'}: {path}: machine 0x{got[0]:x} magic 0x{got[1]:x}, want {want}")
        bad += not ok
    print(f"{len(args) // 2 - bad} passed, {bad} failed")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
