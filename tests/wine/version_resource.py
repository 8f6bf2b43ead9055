#!/usr/bin/env python3
"""Prints the version resource of a Windows program as NAME=VALUE lines
(the fixed file and product versions, then the strings of StringFileInfo),
read from the file as Windows reads it: PE headers, resource directory
(type RT_VERSION), VS_VERSIONINFO tree. Exits 1 without one."""
import struct
import sys


def resource(data):
    """The first RT_VERSION resource's bytes, or None."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        return None
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    pe32 = struct.unpack_from("<H", data, optional)[0] == 0x10B
    rva, size = struct.unpack_from("<II", data, optional + (96 if pe32 else 112) + 16)
    for i in range(sections):
        vsize, address, raw_size, raw_at = struct.unpack_from(
            "<8xIIII", data, optional + optional_size + 40 * i)
        if size and address <= rva < address + max(vsize, raw_size):
            base = raw_at + rva - address
            break
    else:
        return None

    def entries(at):  # (id, target) of a resource directory
        named, ids = struct.unpack_from("<HH", data, base + at + 12)
        return [struct.unpack_from("<II", data, base + at + 16 + 8 * i)
                for i in range(named + ids)]

    node = next((t for n, t in entries(0) if n == 16), 0)  # RT_VERSION
    while node & 0x80000000:  # the first name, then the first language
        node = entries(node & 0x7FFFFFFF)[0][1]
    if node == 0:
        return None
    data_rva, data_size = struct.unpack_from("<II", data, base + node)
    start = base + data_rva - rva
    return data[start:start + data_size]


def block(data, at):
    """One node of the tree: key, value bytes, children, length."""
    length, value_length, is_text = struct.unpack_from("<HHH", data, at)
    end = at + 6
    while data[end:end + 2] != b"\0\0":
        end += 2
    value_at = (end + 2 + 3) & ~3
    value_end = value_at + (value_length * 2 if is_text else value_length)
    children, child = [], (value_end + 3) & ~3
    while child < at + length:
        children.append(block(data, child))
        child = (child + children[-1][3] + 3) & ~3
    return data[at + 6:end].decode("utf-16-le"), data[value_at:value_end], children, length


def main(path):
    data = resource(open(path, "rb").read())
    if data is None:
        sys.exit(f"{path}: no version resource")
    key, fixed, children, _ = block(data, 0)
    signature, _, *versions = struct.unpack_from("<6I", fixed)
    if key != "VS_VERSION_INFO" or signature != 0xFEEF04BD:
        sys.exit(f"{path}: a malformed version resource")
    for name, ms, ls in (("File", *versions[0:2]), ("Product", *versions[2:4])):
        print(f"Fixed{name}Version={ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}")
    for table in (t for info in children if info[0] == "StringFileInfo" for t in info[2]):
        for name, value, _, _ in table[2]:
            print(f"{name}={value.decode('utf-16-le').rstrip(chr(0))}")


if __name__ == "__main__":
    main(sys.argv[1])
