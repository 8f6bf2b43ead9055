#!/usr/bin/env python3
"""Writes the Windows CE image of the installer from its ELF link.

    ElfToPe.py --version-rc FILE --api wince5_api.txt PROGRAM.elf PROGRAM.exe

The link (src/platform/win32/ce/image.ld) lays the program out at the
image's base, with the PE headers' page first, code and constants, then the
data on a page of its own, and keeps its relocations (--emit-relocs). This
turns that into a PE32 image for ARM as the CE 5 loader takes it:
  - the two sections as they were linked, each with its protection;
  - the version resource of the build's .rc file, behind the constants;
  - the import table of coredll.dll, by name, over the slots that the
    thunks of ce/ImportThunk.inc read (every name must be a coredll row of
    the API list), and a base relocation for every absolute address the
    link left, both behind the data;
  - the CE subsystem, version 5.00, and a 64 KB stack reserve.
Anything it does not know (a section, a relocation type, an address outside
the image) stops it with the reason, and no image is written.
"""
import argparse
import re
import struct
import sys

from elftools.elf.elffile import ELFFile
from elftools.elf.constants import SH_FLAGS

IMAGE_BASE = 0x10000
PAGE = 0x1000
FILE_ALIGNMENT = 0x200
STACK_RESERVE = 0x10000
MACHINE_ARM = 0x01C0
SUBSYSTEM_WINDOWS_CE_GUI = 9
CE_VERSION = (5, 0)

# Section characteristics: code, initialised data; execute, read, write;
# discardable.
CODE, DATA = 0x20, 0x40
EXECUTE, READ, WRITE = 0x20000000, 0x40000000, 0x80000000
LINKED_SECTIONS = {
    # Code and constants, and then the version resource.
    ".text": CODE | EXECUTE | READ,
    # The import address table, which the loader writes, the data, and then
    # the import directory and the base relocations.
    ".data": DATA | READ | WRITE,
}

# ARM relocation types: absolute addresses move with the image; the rest
# are relative to the instruction or mark an instruction, and do not.
R_ARM_ABS32 = 2
PC_RELATIVE = {0: "NONE", 1: "PC24", 3: "REL32", 28: "CALL", 29: "JUMP24",
               40: "V4BX", 57: "ALU_PC_G0_NC", 62: "LDR_PC_G1"}
IMAGE_REL_BASED_HIGHLOW = 3

# What the .rc file's symbols stand for (winver.h).
RC_SYMBOLS = {"VS_FFI_FILEFLAGSMASK": 0x3F, "VOS__WINDOWS32": 0x4,
              "VFT_APP": 0x1, "VFT2_UNKNOWN": 0x0}


def fail(message):
    sys.exit(f"ElfToPe: {message}")


def align(value, to):
    return (value + to - 1) // to * to


def coredll_functions(api_path):
    names = set()
    for line in open(api_path, encoding="ascii"):
        fields = line.split()
        if fields and not fields[0].startswith("#") and len(fields) > 1 \
                and fields[1] == "coredll":
            names.add(fields[0])
    return names


def linked_sections(elf):
    """(name, address, bytes, size) of every section the program occupies."""
    sections = []
    for section in elf.iter_sections():
        if not section["sh_flags"] & SH_FLAGS.SHF_ALLOC or section["sh_size"] == 0:
            continue
        name = section.name
        if name not in LINKED_SECTIONS:
            fail(f"the link holds a section the image has no place for: {name}")
        if section["sh_addr"] % PAGE:
            fail(f"{name} does not start on a page")
        # Zeros alone (.bss) take no room in the file: the loader fills the
        # section's pages beyond its bytes with zeros.
        data = b"" if section["sh_type"] == "SHT_NOBITS" else section.data()
        sections.append((name, section["sh_addr"], bytearray(data),
                         section["sh_size"]))
    sections.sort(key=lambda s: s[1])
    if not sections or sections[0][1] != IMAGE_BASE + PAGE:
        fail("the link does not start one page above the image base")
    return sections


def absolute_addresses(elf, sections):
    """Where the link left an absolute address in the image's sections."""
    image_end = sections[-1][1] + sections[-1][3]
    symbols = elf.get_section_by_name(".symtab")
    places = []
    for rel in elf.iter_sections():
        if rel["sh_type"] not in ("SHT_REL", "SHT_RELA"):
            continue
        target = elf.get_section(rel["sh_info"])
        if not target["sh_flags"] & SH_FLAGS.SHF_ALLOC:
            continue  # debugging information
        if rel["sh_type"] == "SHT_RELA":
            fail(f"{rel.name}: ARM links use REL relocations only")
        for entry in rel.iter_relocations():
            kind = entry["r_info_type"]
            if kind in PC_RELATIVE:
                continue
            if kind != R_ARM_ABS32:
                fail(f"{rel.name}: relocation type {kind} at "
                     f"0x{entry['r_offset']:08X} is not one an image can hold")
            symbol = symbols.get_symbol(entry["r_info_sym"])
            if symbol["st_shndx"] == "SHN_ABS":
                continue  # a constant, not an address
            places.append(entry["r_offset"])
    places = sorted(set(places))
    for place in places:
        value = read_word(sections, place)
        if not IMAGE_BASE <= value <= image_end:
            fail(f"the address 0x{value:08X} at 0x{place:08X} lies outside the image")
    return places


def read_word(sections, address):
    for _, start, data, _ in sections:
        if start <= address and address + 4 <= start + len(data):
            return struct.unpack_from("<I", data, address - start)[0]
    fail(f"a relocation at 0x{address:08X} lies outside the image's sections")


def import_slots(elf, allowed):
    """Name and address of each import slot (__imp_NAME), in address order."""
    slots = []
    for symbol in elf.get_section_by_name(".symtab").iter_symbols():
        if symbol.name.startswith("__imp_"):
            name = symbol.name[len("__imp_"):]
            if name not in allowed:
                fail(f"{name} is imported but is no coredll function of the API list")
            slots.append((symbol["st_value"], name))
    return [(name, address) for address, name in sorted(slots)]


def build_imports(slots, data_address, data):
    """Appends the import directory, lookup table and names to data, and
    fills the import address table at its start with the names' places, as
    the lookup table holds them; returns the directory's and the address
    table's place."""
    if not slots:
        fail("the program imports nothing")
    iat = slots[0][1]
    for i, (name, address) in enumerate(slots):
        if address != iat + 4 * i:
            fail(f"the slot of {name} is not in the one table of coredll's slots")
    iat_size = 4 * (len(slots) + 1)  # ends with a null slot (image.ld)
    if iat != data_address or len(data) < iat_size or \
            struct.unpack_from("<I", data, iat_size - 4)[0] != 0:
        fail("the import address table does not start .data, ending in a null slot")

    tables = data

    def rva_here():
        return data_address + len(tables) - IMAGE_BASE

    def at(rva):
        return rva - (data_address - IMAGE_BASE)

    directory = rva_here()
    tables += bytes(40)  # coredll's descriptor and the null one
    lookup = rva_here()
    tables += bytes(iat_size)
    dll_name = rva_here()
    tables += b"coredll.dll\0"
    for i, (name, _) in enumerate(slots):
        tables += bytes(len(tables) % 2)
        entry = rva_here()
        tables += struct.pack("<H", 0) + name.encode("ascii") + b"\0"
        struct.pack_into("<I", tables, at(lookup) + 4 * i, entry)
        struct.pack_into("<I", data, 4 * i, entry)  # the loader overwrites it
    struct.pack_into("<IIIII", tables, at(directory),
                     lookup, 0, 0, dll_name, iat - IMAGE_BASE)
    return (directory, 40), (iat - IMAGE_BASE, iat_size)


def base_relocations(places):
    """The .reloc section: one block per page, HIGHLOW entries."""
    out = bytearray()
    pages = {}
    for place in places:
        rva = place - IMAGE_BASE
        pages.setdefault(rva & ~(PAGE - 1), []).append(rva & (PAGE - 1))
    for page, offsets in sorted(pages.items()):
        entries = [IMAGE_REL_BASED_HIGHLOW << 12 | o for o in offsets]
        if len(entries) % 2:
            entries.append(0)  # IMAGE_REL_BASED_ABSOLUTE: padding
        out += struct.pack("<II", page, 8 + 2 * len(entries))
        out += struct.pack(f"<{len(entries)}H", *entries)
    return out


def version_info(rc_text):
    """VS_VERSIONINFO from the build's version .rc file."""
    def number(token):
        token = token.strip()
        return RC_SYMBOLS[token] if token in RC_SYMBOLS else int(token, 0)

    def statement(name):
        match = re.search(rf"^{name}\s+(.+)$", rc_text, re.M)
        if not match:
            fail(f"the version .rc file has no {name}")
        return [number(t) for t in match.group(1).split(",")]

    def pad(data):
        data += bytes(-len(data) % 4)

    def node(key, value=b"", text=False, children=()):
        data = bytearray(6) + (key + "\0").encode("utf-16-le")
        pad(data)
        data += value
        for child in children:
            pad(data)
            data += child
        struct.pack_into("<HHH", data, 0, len(data),
                         len(value) // 2 if text else len(value), int(text))
        return bytes(data)

    file_version, product_version = statement("FILEVERSION"), statement("PRODUCTVERSION")
    fixed = struct.pack("<13I", 0xFEEF04BD, 0x00010000,
                        file_version[0] << 16 | file_version[1],
                        file_version[2] << 16 | file_version[3],
                        product_version[0] << 16 | product_version[1],
                        product_version[2] << 16 | product_version[3],
                        statement("FILEFLAGSMASK")[0], statement("FILEFLAGS")[0],
                        statement("FILEOS")[0], statement("FILETYPE")[0],
                        statement("FILESUBTYPE")[0], 0, 0)
    table = re.search(r'BLOCK\s+"([0-9A-Fa-f]{8})"', rc_text).group(1)
    strings = [node(k, (v + "\0").encode("utf-16-le"), True)
               for k, v in re.findall(r'VALUE\s+"(\w+)",\s*"([^"]*)"', rc_text)]
    language, codepage = (number(t) for t in re.search(
        r'VALUE\s+"Translation",\s*([^,\s]+)\s*,\s*(\S+)', rc_text).groups())
    return node("VS_VERSION_INFO", fixed, children=(
        node("StringFileInfo", children=(node(table, children=strings),)),
        node("VarFileInfo", children=(
            node("Translation", struct.pack("<HH", language, codepage)),)),
    )), language


def resources(blob, language, rva):
    """The .rsrc section: RT_VERSION, name 1, the table's language."""
    def directory(entry_id, target):
        return struct.pack("<IIHHHHII", 0, 0, 0, 0, 0, 1, entry_id, target)

    subdirectory = 0x80000000
    out = directory(16, subdirectory | 24)  # RT_VERSION
    out += directory(1, subdirectory | 48)
    out += directory(language, 72)
    out += struct.pack("<IIII", rva + 88, len(blob), 0, 0)
    return out + blob


def pe_checksum(image, checksum_at):
    total = 0
    for (word,) in struct.iter_unpack("<H", image + bytes(len(image) % 2)):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    for (word,) in struct.iter_unpack("<H", image[checksum_at:checksum_at + 4]):
        total -= word  # the field itself counts as zero
        if total < 0:
            total += 0xFFFF
    total = (total & 0xFFFF) + (total >> 16)
    return (total & 0xFFFF) + len(image)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--version-rc", required=True)
    parser.add_argument("--api", required=True)
    parser.add_argument("elf")
    parser.add_argument("image")
    args = parser.parse_args()

    with open(args.elf, "rb") as stream:
        elf = ELFFile(stream)
        if elf.elfclass != 32 or elf["e_machine"] != "EM_ARM" or elf["e_type"] != "ET_EXEC":
            fail(f"{args.elf} is no linked 32-bit ARM program")
        sections = linked_sections(elf)
        places = absolute_addresses(elf, sections)
        slots = import_slots(elf, coredll_functions(args.api))
        entry = elf["e_entry"]
    if entry & 1:
        fail("the entry is Thumb code; the CE loader calls ARM code")

    if [s[0] for s in sections] != [".text", ".data"]:
        fail("the link is not .text and .data (image.ld)")
    _, text_address, text, text_size = sections[0]
    _, data_address, data, data_size = sections[1]
    if len(text) < text_size or len(data) < data_size:
        fail("the code or the import address table holds no bytes")
    # What only the loader reads goes behind what the link laid out, each
    # part on 4 bytes: the version resource behind the constants, where it
    # must end before the data's page; the imports and the base relocations
    # behind the data, the image's last section. Each section then wastes
    # less than a file block, which keeps the image within 16 KiB.
    def append(section_address, section, part):
        section += bytes(-len(section) % 4)
        rva = section_address + len(section) - IMAGE_BASE
        section += part(rva)
        return rva, section_address + len(section) - IMAGE_BASE - rva

    blob, language = version_info(open(args.version_rc, encoding="utf-8").read())
    resource_directory = append(text_address, text,
                                lambda rva: resources(blob, language, rva))
    if text_address + len(text) > data_address:
        fail("the version resource does not fit before the data's page")
    import_directory, iat_directory = build_imports(slots, data_address, data)
    reloc_directory = append(data_address, data, lambda _: base_relocations(places))
    table = [(name, address - IMAGE_BASE, data, max(size, len(data)),
              LINKED_SECTIONS[name]) for name, address, data, size in sections]
    image_size = align(data_address + len(data), PAGE) - IMAGE_BASE

    headers_size = align(64 + 4 + 20 + 224 + 40 * len(table), FILE_ALIGNMENT)
    if headers_size > PAGE:
        fail("the headers do not fit their page")
    body = bytearray()
    section_headers = bytearray()
    size_of = {"code": 0, "data": 0}
    for name, rva, data, size, flags in table:
        raw_size = align(len(data), FILE_ALIGNMENT)
        if flags & EXECUTE and flags & WRITE:
            fail(f"{name} would be writable and executable")
        section_headers += struct.pack("<8sIIIIIIHHI", name.encode("ascii"),
                                       size, rva, raw_size,
                                       headers_size + len(body), 0, 0, 0, 0, flags)
        size_of["code" if flags & CODE else "data"] += raw_size
        body += data + bytes(raw_size - len(data))

    directories = [(0, 0)] * 16
    directories[1] = import_directory
    directories[2] = resource_directory
    directories[5] = reloc_directory
    directories[12] = iat_directory
    text_rva, data_rva = table[0][1], table[1][1]
    optional = struct.pack(
        "<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII", 0x10B, 2, 0,
        size_of["code"], size_of["data"], 0, entry - IMAGE_BASE, text_rva, data_rva,
        IMAGE_BASE, PAGE, FILE_ALIGNMENT, *CE_VERSION, 0, 0, *CE_VERSION, 0,
        image_size, headers_size, 0, SUBSYSTEM_WINDOWS_CE_GUI, 0,
        STACK_RESERVE, PAGE, 0x100000, PAGE, 0, 16)
    optional += b"".join(struct.pack("<II", *d) for d in directories)
    # EXECUTABLE_IMAGE, LINE_NUMS_STRIPPED, LOCAL_SYMS_STRIPPED, 32BIT_MACHINE
    coff = struct.pack("<HHIIIHH", MACHINE_ARM, len(table), 0, 0, 0,
                       len(optional), 0x010E)
    dos = bytearray(64)
    dos[0:2] = b"MZ"
    struct.pack_into("<I", dos, 0x3C, 64)
    headers = dos + b"PE\0\0" + coff + optional + section_headers
    image = headers + bytes(headers_size - len(headers)) + body
    checksum_at = 64 + 4 + 20 + 64
    struct.pack_into("<I", image, checksum_at, pe_checksum(bytes(image), checksum_at))
    with open(args.image, "wb") as out:
        out.write(image)


if __name__ == "__main__":
    main()
