#!/usr/bin/env python3
"""Writes the crafted seeds of fuzz/corpus/. The other seeds are copies of examples/, files the
converter wrote, and inputs a fuzzer found (named by their hash, or by what they hold). Run from
the repository root; the files are committed, so this only needs running again when a seed is to
change."""
import struct

HEADER = b"IVAT" + struct.pack("<I", 0) + b"2000" + struct.pack("<i", 1) + b"\0\0"  # no name
LEAF = 0x80000000


def node(link, rect=(0, 100, 100, 0)):
    return struct.pack("<iiiiI", *rect, link)


def chain(depth):
    """A legal index: one list per level, each with one node, the last a leaf with no element."""
    out = bytearray(HEADER)
    for level in range(depth):
        at = len(out)
        link = at + 24 if level < depth - 1 else LEAF | (at + 24)
        out += bytes([1, 0, 0, 0]) + node(link)
    return bytes(out + struct.pack("<I", 0))


def record(ident):
    return struct.pack("<iiB", ident, 0, 0)  # id, type, no parts


def shared_block(lists, records):
    """Lists of 8 leaves chained by their last node; every leaf points at one block."""
    out = bytearray(HEADER)
    block = len(out) + lists * 164
    for i in range(lists):
        out += bytes([8, 0, 0, 0]) + node(LEAF | block) * 7
        out += node(len(out) + 20 if i < lists - 1 else LEAF | block)
    first = block + 4 + 4 * records
    out += struct.pack("<I", records) + b"".join(struct.pack("<I", first + 9 * j) for j in range(records))
    return bytes(out + b"".join(record(j + 1) for j in range(records)))


def blocks_four_apart(lists):
    """Leaves whose blocks lie 4 bytes apart: each count is the next block's first offset."""
    out = bytearray(HEADER)
    table = len(out) + lists * 164
    leaves = lists * 8
    for i in range(lists):
        out += bytes([8, 0, 0, 0])
        out += b"".join(node(LEAF | (table + 4 * (i * 8 + k))) for k in range(8))
    first = table + 4 * leaves
    return bytes(out + struct.pack("<I", first) * leaves + record(1))


def self_link():
    return HEADER + bytes([1, 0, 0, 0]) + node(len(HEADER))


def gep_hidden_rectangles(n):
    """A rectangle of header only, then POI records whose names each hide a rectangle header that
    reaches to the end of the file."""
    head = bytes([1, 0x41, 1, 0x42]) + bytes(7) + bytes([1, 0x43])
    bounds = struct.pack("<iiii", 2000000, 5000000, 1000000, 4000000)
    out = head + bytes([1]) + struct.pack("<i", 21) + bounds
    for i in range(n):
        hidden = bytes([1]) + struct.pack("<i", 21 + (n - 1 - i) * 38) + bounds
        out += bytes([3]) + struct.pack("<iii", 38, 1048576, 4194304) + "P\0".encode("utf-16-le") + hidden
    return out


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


for target in ("tavi",):
    write(f"fuzz/corpus/{target}/chain-40.tavi", chain(40))
    write(f"fuzz/corpus/{target}/shared-block.tavi", shared_block(3, 6))
    write(f"fuzz/corpus/{target}/blocks-4-bytes-between.tavi", blocks_four_apart(2))
    write(f"fuzz/corpus/{target}/self-link.tavi", self_link())
write("fuzz/corpus/gep/hidden-rectangles.gep", gep_hidden_rectangles(8))
text = {
    "quotes.csv": b'lon;lat;name;address\n16,36546;48,21042;"Tour ""Eiffel""; Paris";x\n',
    "tabs-lat-first.csv": b"lat\tlon\tname\n48.2\t16.3\tA\n-33.9\t151.2\tB\n",
    "directives.csv": b"; comment\r\ndelimiter=,\r\n1,2,a\rdelimiter=|\r3|4|b\n\n;;;\n5;95;c\n",
    "utf16le.csv": b"\xff\xfe" + "1;2;\u00e4\r\n3;4;\u20ac\r\n".encode("utf-16-le"),
    "utf16be.txt": b"\xfe\xff" + "1;2;\u00e4\n".encode("utf-16-be"),
    "zero-byte.csv": b"1;2;a\x00b\n3;4;c\n",
    "cp1252.csv": b"1;2;caf\xe9\n",
}
for name, data in text.items():
    write(f"fuzz/corpus/text/{name}", data)
