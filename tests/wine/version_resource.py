#!/usr/bin/env python3
"""Prints the version resource of a Windows executable as NAME=VALUE lines:
the fixed file and product versions, then every string of its
StringFileInfo. Reads the file as Windows does, without Windows: the PE
headers, the resource directory (type RT_VERSION), the VS_VERSIONINFO
tree. Exits 1 when the program has no version resource."""
import struct
import sys

RT_VERSION = 16


def align4(pos):
    return (pos + 3) & ~3


def resource_section(data):
    """The bytes of the resource section and its RVA."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit("not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rva, size = struct.unpack_from("<II", data, directories + 2 * 8)
    for i in range(sections):
        _, virtual_size, address, raw_size, raw_at = struct.unpack_from(
            "<8sIIII", data, optional + optional_size + 40 * i)
        if size and address <= rva < address + max(virtual_size, raw_size):
            start = raw_at + rva - address
            return data[start:start + size], rva
    sys.exit("no resource section")


def version_data(section, rva):
    """The data of the first RT_VERSION resource, whatever its name and
    language."""
    def entries(at):
        named, ids = struct.unpack_from("<HH", section, at + 12)
        for i in range(named + ids):
            yield struct.unpack_from("<II", section, at + 16 + 8 * i)

    def first_leaf(at):
        for _, target in entries(at):
            if target & 0x80000000:
                return first_leaf(target & 0x7FFFFFFF)
            data_rva, size = struct.unpack_from("<II", section, target)
            return section[data_rva - rva:data_rva - rva + size]
        return None

    for name, target in entries(0):
        if name == RT_VERSION and target & 0x80000000:
            return first_leaf(target & 0x7FFFFFFF)
    return None


def block(data, pos):
    """One VS_VERSIONINFO node: (key, value bytes, children, length)."""
    length, value_length, is_text = struct.unpack_from("<HHH", data, pos)
    key_end = pos + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[pos + 6:key_end].decode("utf-16-le")
    value_at = align4(key_end + 2)
    value_size = value_length * 2 if is_text else value_length
    value = data[value_at:value_at + value_size]
    children = []
    child_at = align4(value_at + value_size)
    while child_at < pos + length:
        child = block(data, child_at)
        children.append(child)
        child_at = align4(child_at + child[3])
    return key, value, children, length


def main(path):
    with open(path, "rb") as f:
        data = version_data(*resource_section(f.read()))
    if data is None:
        print(f"{path}: no version resource", file=sys.stderr)
        return 1
    key, fixed, children, _ = block(data, 0)
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from(
        "<6I", fixed)
    if key != "VS_VERSION_INFO" or signature != 0xFEEF04BD:
        print(f"{path}: a malformed version resource", file=sys.stderr)
        return 1
    for name, ms, ls in (("FixedFileVersion", file_ms, file_ls),
                         ("FixedProductVersion", product_ms, product_ls)):
        print(f"{name}={ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}")
    for info in children:
        if info[0] != "StringFileInfo":
            continue
        for table in info[2]:
            for name, value, _, _ in table[2]:
                print(f"{name}={value.decode('utf-16-le').rstrip(chr(0))}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
