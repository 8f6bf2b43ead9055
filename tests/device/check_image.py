#!/usr/bin/env python3
"""Reads the device's tarnwell.exe with two PE readers we did not write,
python3-pefile and Wine's winedump, and fails on anything a Windows CE 5
loader on an ARMV4I device would not take as we mean it: the headers, the
imports (coredll functions of the API list, by name), the base relocations,
the version resource, the size, and, through arm-none-eabi-objdump on the
link the image was made from (its code byte for byte), every instruction.

    check_image.py --api LIST --version V --winedump W --objdump O EXE ELF
"""
import argparse
import re
import subprocess
import sys

try:
    import pefile
    from elftools.elf.elffile import ELFFile
except ImportError as missing:
    print(f"SKIPPED: {missing}; bash scripts/deps.sh installs python3-pefile "
          "and python3-pyelftools")
    sys.exit(77)

LIMIT = 16 * 1024
# Each header field as the device needs it: (name, pefile's value, wanted).
HEADER = [
    ("Machine", lambda pe: pe.FILE_HEADER.Machine, 0x01C0),
    ("Magic", lambda pe: pe.OPTIONAL_HEADER.Magic, 0x10B),
    ("Subsystem", lambda pe: pe.OPTIONAL_HEADER.Subsystem, 9),
    ("SizeOfStackReserve", lambda pe: pe.OPTIONAL_HEADER.SizeOfStackReserve, 0x10000),
    ("ImageBase", lambda pe: pe.OPTIONAL_HEADER.ImageBase, 0x10000),
    ("EXECUTABLE_IMAGE", lambda pe: pe.FILE_HEADER.Characteristics & 0x0002, 0x0002),
    ("RELOCS_STRIPPED", lambda pe: pe.FILE_HEADER.Characteristics & 0x0001, 0),
    ("DLL", lambda pe: pe.FILE_HEADER.Characteristics & 0x2000, 0),
]
# At most Windows CE 5.00: (major, minor) of both versions.
VERSIONS = [
    ("subsystem version", lambda o: (o.MajorSubsystemVersion, o.MinorSubsystemVersion)),
    ("OS version", lambda o: (o.MajorOperatingSystemVersion, o.MinorOperatingSystemVersion)),
]
# ARMv4T's ARM instructions, as objdump spells them (UAL), before the
# condition and the flag-setting "s".
ARMV4T = ("and eor sub rsb add adc sbc rsc tst teq cmp cmn orr mov lsl lsr asr "
          "ror rrx bic mvn mul mla umull umlal smull smlal ldr str ldrb strb ldrh "
          "strh ldrsb ldrsh ldrt strt ldrbt strbt ldm ldmia ldmib ldmda ldmdb stm "
          "stmia stmib stmda stmdb push pop swp swpb b bl bx mrs msr svc swi cdp "
          "ldc stc mcr mrc nop").split()
CONDITIONS = "eq|ne|cs|hs|cc|lo|mi|pl|vs|vc|hi|ls|ge|lt|gt|le|al"
INSTRUCTION = re.compile(
    rf"^(?:{'|'.join(sorted(ARMV4T, key=len, reverse=True))})s?(?:{CONDITIONS})?$")

problems = []


def expect(condition, message):
    if not condition:
        problems.append(message)


def coredll_functions(path):
    rows = (line.split() for line in open(path, encoding="ascii"))
    return {r[0] for r in rows if len(r) > 1 and not r[0].startswith("#") and r[1] == "coredll"}


def check_headers(pe, data):
    for name, value, wanted in HEADER:
        expect(value(pe) == wanted, f"{name} is 0x{value(pe):X}, not 0x{wanted:X}")
    for name, version in VERSIONS:
        expect(version(pe.OPTIONAL_HEADER) <= (5, 0),
               f"the {name} {version(pe.OPTIONAL_HEADER)} is above 5.00")
    expect(pe.verify_checksum(), "the checksum is wrong")
    entry = pe.OPTIONAL_HEADER.AddressOfEntryPoint
    code = [s for s in pe.sections if s.Characteristics & 0x20000000]
    expect(any(s.VirtualAddress <= entry < s.VirtualAddress + s.Misc_VirtualSize for s in code),
           f"the entry 0x{entry:X} is not in executable code")
    for section in pe.sections:
        flags = section.Characteristics
        expect(not (flags & 0x20000000 and flags & 0x80000000),
               f"{section.Name.rstrip(bytes(1))} is writable and executable")
    expect(len(data) <= LIMIT, f"the image is {len(data)} bytes, above {LIMIT}")


def check_imports(pe, allowed):
    dlls = getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])
    expect([d.dll.lower() for d in dlls] == [b"coredll.dll"],
           f"imports from {[d.dll for d in dlls]}, not coredll.dll alone")
    names = []
    for dll in dlls:
        for function in dll.imports:
            expect(function.name is not None, f"an import by ordinal ({function.ordinal})")
            name = (function.name or b"").decode("ascii")
            expect(name in allowed, f"{name} is not a coredll function of the API list")
            names.append(name)
    return names


def check_relocations(pe):
    base, size = pe.OPTIONAL_HEADER.ImageBase, pe.OPTIONAL_HEADER.SizeOfImage
    count = 0
    for block in getattr(pe, "DIRECTORY_ENTRY_BASERELOC", []):
        for entry in block.entries:
            if entry.type == 0:  # padding
                continue
            count += 1
            expect(entry.type == 3, f"relocation type {entry.type} at 0x{entry.rva:X}")
            expect(entry.rva + 4 <= size, f"a relocation at 0x{entry.rva:X} is outside the image")
            if entry.rva + 4 <= size:
                target = pe.get_dword_at_rva(entry.rva)
                expect(target is not None and base <= target < base + size,
                       f"the relocated address at 0x{entry.rva:X} points outside the image")
    expect(count > 0, "no base relocations")
    return count


def check_version(pe, version):
    strings = {}
    for info in getattr(pe, "FileInfo", []):
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                strings.update(table.entries)
    expect(strings.get(b"ProductVersion") == version.encode(),
           f"the version resource says {strings.get(b'ProductVersion')}, not {version}")


def check_winedump(winedump, path, imports, relocations):
    if not winedump:
        problems.append("winedump is not installed; bash scripts/deps.sh installs wine64-tools")
        return
    text = ""
    for parts in ([], ["-j", "import"], ["-j", "reloc"]):
        run = subprocess.run([winedump, *parts, path], capture_output=True, text=True)
        expect(run.returncode == 0, f"winedump {' '.join(parts)} exits {run.returncode}")
        text += run.stdout + run.stderr
    for line in text.splitlines():
        expect(not re.search(r"\b(warning|error|invalid|unknown)\b", line, re.I),
               f"winedump: {line}")
    for pattern, wanted in [(r"Machine:\s+(\w+)", "01C0"),
                            (r"Subsystem\s+0x(\w+)", "9"),
                            (r"stack reserve size\s+0x(\w+)", "10000"),
                            (r"subsystem version\s+([\d.]+)", "5.00")]:
        found = re.search(pattern, text)
        expect(found and found.group(1).upper() == wanted.upper(),
               f"winedump reads /{pattern}/ as {found.group(1) if found else 'nothing'}, "
               f"not {wanted}")
    expect(re.findall(r"^\s+offset [0-9a-f]+ (\S+)$", text, re.M) == ["coredll.dll"],
           "winedump reads other DLLs than coredll.dll")
    names = re.findall(r"^\s+[0-9a-f]{8}\s+\d+\s+(\w+)$", text, re.M)
    expect(names == imports, f"winedump reads the imports as {names}")
    highlow = len(re.findall(r"type BASED_HIGHLOW$", text, re.M))
    expect(highlow == relocations and len(re.findall(r"type BASED_", text)) ==
           highlow + len(re.findall(r"type BASED_ABSOLUTE$", text, re.M)),
           f"winedump reads {highlow} relocations, pefile {relocations}")


def check_code(objdump, pe, elf_path):
    with open(elf_path, "rb") as stream:
        elf = ELFFile(stream)
        text = elf.get_section_by_name(".text")
        elf_code, address = text.data(), text["sh_addr"]
        # The constants follow the code in the same section (image.ld).
        code_end = elf.get_section_by_name(".symtab").get_symbol_by_name(
            "__code_end")[0]["st_value"]
    rva = address - pe.OPTIONAL_HEADER.ImageBase
    expect(pe.get_data(rva, len(elf_code)) == elf_code,
           "the image's code is not the code of the link it was made from")
    listing = subprocess.run([objdump, "-d", "--no-show-raw-insn",
                              f"--stop-address=0x{code_end:x}", elf_path],
                             capture_output=True, text=True, check=True).stdout
    count = 0
    for line in listing.splitlines():
        match = re.match(r"^\s+[0-9a-f]+:\s+(\S+)", line)
        if not match or match.group(1).startswith("."):  # data in the code ($d)
            continue
        count += 1
        expect(INSTRUCTION.match(match.group(1)), f"not ARMv4T: {line.strip()}")
    expect(count > 1000, f"only {count} instructions disassembled")
    return count


def main():
    parser = argparse.ArgumentParser()
    for option in ("--api", "--version", "--winedump", "--objdump"):
        parser.add_argument(option, required=True)
    parser.add_argument("exe")
    parser.add_argument("elf")
    args = parser.parse_args()
    data = open(args.exe, "rb").read()
    pe = pefile.PE(data=data)
    expect(not pe.get_warnings(), f"pefile warns: {pe.get_warnings()}")
    check_headers(pe, data)
    imports = check_imports(pe, coredll_functions(args.api))
    relocations = check_relocations(pe)
    check_version(pe, args.version)
    check_winedump(args.winedump, args.exe, imports, relocations)
    instructions = check_code(args.objdump, pe, args.elf)
    print(f"tarnwell.exe: {len(data)} bytes (at most {LIMIT}), {len(imports)} imports "
          f"from coredll.dll by name, {relocations} base relocations, "
          f"{instructions} instructions read")
    for problem in problems:
        print(f"FAILED: {problem}", file=sys.stderr)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
