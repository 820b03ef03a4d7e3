#!/usr/bin/python3
"""Reads an installer back with pefile and checks it against its package.

    check_installer.py --arch i686|x86_64 --package DIR [options] FILE.exe

Checks the machine, GUI subsystem, ASLR/DEP flags, large-address awareness,
page-aligned resources, zero time stamp, imports of system DLLs only (and of
no crypto function), every resource byte for byte against the package
folder (payloads numbered by their "%OutFiles" line), the version record,
the manifest, the icon and the checksum. Options:
  --store              the installer was written with --store: the picture
      and every payload raw. Otherwise (the default; --compress is accepted)
      payloads may be "PACKED" records into the one "LZMA" stream, which is
      decoded, unfiltered and compared with the package, and the picture a
      "PACKED" record of its own "LZMA" stream
      and every installer not written with --store carries a "SUMS" checksum
      table of the resources the patch step reads, each CRC-32C recomputed
  --from OLD_DIR       (repeatable) the installer was written with deltas
      against these previous versions: each "DELTA" record's instructions
      are applied to the old files it names (by size and SHA-256) and the
      result compared with the package
  --keep-whole         the installer was written with --keep-whole: every
      delta payload is carried whole as well
  --icon FILE.ico, --product-version, --file-description, --product-name
      what the installer was written with (checked instead of the defaults)
  --forbid-text TEXT   a text (a build path) that must not occur in the file
  --signed             the file carries an Authenticode signature
Prints one line per fault and exits 1 if there is any.
"""

import argparse
import hashlib
import lzma
import os
import struct
import sys
import zlib

import pefile

PAGE = 0x1000
JAPANESE = 0x0411
ALLOWED_IMPORTS = {
    # KnownDLLs, and comctl32 through the manifest: Windows loads these from
    # its system directory whatever lies beside the executable.
    "kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll",
    "advapi32.dll", "comdlg32.dll", "shlwapi.dll", "msvcrt.dll", "imm32.dll", "ws2_32.dll",
    "comctl32.dll",
}
RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
STREAM = ("LZMA", "RESOURCE_SOLID")
STORED = ("STORED", "RESOURCE_SOLID")
SUMS = ("SUMS", "RESOURCE_PACKAGE")
ESCAPES = [(b"&AMPERSAND;", b"&"), (b"&TAB;", b"\t"), (b"&SPACE;", b" "),
           (b"&ASTERISK;", b"*"), (b"&PERCENT;", b"%")]


class Checker:
    def __init__(self, path):
        self.path = path
        self.faults = []

    def expect(self, condition, message):
        if not condition:
            self.faults.append(message)
        return condition


# --- the package, read as the installer's script reader reads it ---------

def script_lines(text):
    """Cuts the script into lines: CR LF, CR or LF end a line; NUL ends all."""
    text = text.split(b"\0", 1)[0]
    lines, pos = [], 0
    while pos < len(text):
        end = pos
        while end < len(text) and text[end] not in b"\r\n":
            end += 1
        lines.append(text[pos:end])
        pos = end
        if pos < len(text) and text[pos] == 0x0D:
            pos += 1
        if pos < len(text) and text[pos] == 0x0A:
            pos += 1
    return lines


def decode_escapes(entry):
    # The trail-byte exception of the reader does not matter for the
    # test packages' file names.
    for escape, byte in ESCAPES:
        entry = entry.replace(escape, byte)
    return entry


def out_files(script):
    """The "%OutFiles" entries, blank ones included, or [] without the key."""
    lines = script_lines(script)
    keys = [i for i, line in enumerate(lines) if line.upper() == b"%OUTFILES"]
    if not keys:
        return []
    entries = []
    for line in lines[keys[0] + 1:]:
        if line == b"%%":
            break
        entries.append(decode_escapes(line.strip(bytes(range(0x21)))))
    return entries


def entry_paths(package):
    """{payload number: the entry's path below files/}."""
    with open(os.path.join(package, "script.txt"), "rb") as f:
        script = f.read()
    return {number: entry.decode("cp932").replace("\\", "/")
            for number, entry in enumerate(out_files(script)) if entry}


def expected_resources(package):
    def read(relative):
        with open(os.path.join(package, relative), "rb") as f:
            return f.read()

    script = read("script.txt")
    resources = {("TEXT", "RESOURCE_SCRIPT"): script,
                 ("BMP", "RESOURCE_BACKGROUND"): read("background.bmp")}
    for number, entry in enumerate(out_files(script)):
        if entry:
            name = entry.decode("cp932").replace("\\", "/")
            resources[("BIN", "RESOURCE_FILE%d" % number)] = read("files/" + name)
    return resources


# --- the installer ---------------------------------------------------------

def resource_key(entry):
    return str(entry.name) if entry.name is not None else entry.id


def all_resources(pe):
    """{(type, name): {language: bytes}}, names as text and ids as ints."""
    found = {}
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return found
    for type_entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name_entry in type_entry.directory.entries:
            for language in name_entry.directory.entries:
                data = language.data.struct
                found.setdefault((resource_key(type_entry), resource_key(name_entry)), {})[
                    language.id] = pe.get_data(data.OffsetToData, data.Size)
    return found


def check_headers(c, pe, args):
    machine = {"i686": 0x14C, "x86_64": 0x8664}[args.arch]
    magic = {"i686": 0x10B, "x86_64": 0x20B}[args.arch]
    opt = pe.OPTIONAL_HEADER
    c.expect(pe.FILE_HEADER.Machine == machine, "machine is 0x%x" % pe.FILE_HEADER.Machine)
    c.expect(opt.Magic == magic, "optional header magic is 0x%x" % opt.Magic)
    c.expect(opt.Subsystem == 2, "subsystem %d, not the GUI" % opt.Subsystem)
    flags = 0x40 | 0x100 | (0x20 if args.arch == "x86_64" else 0)  # ASLR, DEP, 64-bit ASLR
    c.expect(opt.DllCharacteristics & flags == flags,
             "DLL characteristics 0x%x lack 0x%x" % (opt.DllCharacteristics, flags))
    c.expect(not pe.FILE_HEADER.Characteristics & 0x1, "relocations are stripped")
    c.expect(pe.FILE_HEADER.Characteristics & 0x20, "not large-address aware")
    c.expect(pe.FILE_HEADER.TimeDateStamp == 0, "the time stamp is not zero")
    c.expect(opt.SectionAlignment == PAGE, "section alignment 0x%x" % opt.SectionAlignment)
    # The resources (the payloads) start at a page of the file, so that Wine
    # maps them from it instead of reading them into private memory.
    resources = opt.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]]
    holding = [s for s in pe.sections if s.VirtualAddress == resources.VirtualAddress]
    c.expect(len(holding) == 1 and holding[0].PointerToRawData % PAGE == 0,
             "the resources do not start a page-aligned section of the file")
    last = pe.sections[-1]
    end = -(-(last.VirtualAddress + last.Misc_VirtualSize) // PAGE) * PAGE
    c.expect(opt.SizeOfImage == end, "SizeOfImage 0x%x, sections end at 0x%x"
             % (opt.SizeOfImage, end))
    c.expect(opt.CheckSum != 0 and opt.CheckSum == pe.generate_checksum(),
             "checksum 0x%x, computed 0x%x" % (opt.CheckSum, pe.generate_checksum()))
    security = opt.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
    if args.signed:
        c.expect(security.Size > 0, "no signature")
    else:
        c.expect(security.Size == 0 and pe.get_overlay() is None,
                 "data beyond the image or a signature")
    for warning in pe.get_warnings():
        # A guess from byte statistics, which a one-colour picture sets off.
        if "of the file's contents" not in warning:
            c.faults.append("pefile: " + warning)


def check_imports(c, pe):
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        dll = entry.dll.decode("ascii").lower()
        c.expect(dll in ALLOWED_IMPORTS, "imports %s, not a system directory DLL" % dll)
        # The crypto functions are looked up at run time, from the system's DLL.
        c.expect(not any((i.name or b"").startswith(b"Crypt") for i in entry.imports),
                 "imports crypto functions from %s" % dll)


def x86_decode(data, position=0):
    """Undoes the x86 branch filter (core/X86Filter.cpp) on a whole payload."""
    data = bytearray(data)
    pos = 0
    while pos + 5 <= len(data):
        if data[pos] & 0xFE != 0xE8:
            pos += 1
            continue
        if data[pos + 4] in (0, 0xFF):
            value = struct.unpack_from("<I", data, pos + 1)[0]
            value = (value - (position + pos + 5)) & 0xFFFFFFFF
            data[pos + 1:pos + 4] = struct.pack("<I", value)[:3]
            data[pos + 4] = 0xFF if value >> 24 & 1 else 0
        pos += 5
    return bytes(data)


def is_x86_image(data):
    if len(data) < 64 or data[:2] != b"MZ":
        return False
    at = struct.unpack_from("<I", data, 0x3C)[0]
    return (data[at:at + 4] == b"PE\0\0" and
            data[at + 4:at + 6] in (struct.pack("<H", 0x14C), struct.pack("<H", 0x8664)))


def apply_delta(old, instructions, stored):
    """The new version that the instructions (and the stored new data)
    rebuild from old; ValueError when they read outside old or overrun
    themselves, their chunks or the stored data."""
    out, at, position, stored_at = bytearray(), 0, 0, 0

    def number(data, at):
        value = shift = 0
        while True:
            byte = data[at]
            at += 1
            value |= (byte & 0x7F) << shift
            shift += 7
            if not byte & 0x80:
                return value, at

    while at < len(instructions):
        control_size, at = number(instructions, at)
        adds_number, at = number(instructions, at)
        adds_size = adds_number >> 1
        if not 0 < control_size <= 1 << 20 or adds_size > 1 << 20:
            raise ValueError("a chunk's sections are too big")
        control = instructions[at:at + control_size]
        at += control_size
        if adds_number & 1:
            adds = stored[stored_at:stored_at + adds_size]
            stored_at += adds_size
        else:
            adds = instructions[at:at + adds_size]
            at += adds_size
        if len(adds) != adds_size:
            raise ValueError("a chunk's new data overruns its place")
        control_at = adds_at = 0
        while control_at < len(control):
            same, control_at = number(control, control_at)
            copy, control_at = number(control, control_at)
            add, control_at = number(control, control_at)
            seek, control_at = number(control, control_at)
            if (position < 0 or position + same + copy > len(old) or
                    at + copy > len(instructions) or adds_at + add > len(adds)):
                raise ValueError("a block reads outside the old version or its instructions")
            out += old[position:position + same]
            position += same
            out += bytes((o + d) & 0xFF for o, d in
                         zip(old[position:position + copy], instructions[at:at + copy]))
            at += copy
            out += adds[adds_at:adds_at + add]
            adds_at += add
            position += copy + ((seek >> 1) ^ -(seek & 1))
        if adds_at != len(adds):
            raise ValueError("a chunk's new bytes are not all used")
    if stored_at != len(stored):
        raise ValueError("the stored new data is not all used")
    return bytes(out)


def check_delta(c, key, record, decoded, stored, args, parts, stored_parts):
    """Checks a "DELTA" record and applies its instructions to the old
    versions in the --from folders; returns the new version, or None."""
    name = "%s %s" % key
    if not c.expect(len(record) >= 64 and record[:4] == b"BPD2", name + " is no record"):
        return None
    count, size = struct.unpack_from("<IQ", record, 4)
    digest = record[16:48]
    if not c.expect(count >= 1 and len(record) == 64 + 72 * count and record[48:64] == bytes(16),
                    "%s: %d sources in %d bytes" % (name, count, len(record))):
        return None
    entry = entry_paths(args.package).get(int(key[1][len("RESOURCE_FILE"):]))
    olds = {}
    for folder in args.from_folders:
        path = os.path.join(folder, entry or "")
        if entry and os.path.isfile(path):
            with open(path, "rb") as f:
                data = f.read()
            olds[(len(data), hashlib.sha256(data).digest())] = data
    rebuilt = None
    for i in range(count):
        old_size, = struct.unpack_from("<Q", record, 64 + 72 * i)
        old_digest = record[72 + 72 * i:104 + 72 * i]
        offset, length, stored_offset, stored_length = struct.unpack_from(
            "<QQQQ", record, 104 + 72 * i)
        parts.append((offset, length, name))
        stored_parts.append((stored_offset, stored_length, name))
        old = olds.get((old_size, old_digest))
        if not c.expect(old is not None, "%s: source %d is no old version in --from" % (name, i)):
            continue
        try:
            new = apply_delta(old, decoded[offset:offset + length],
                              stored[stored_offset:stored_offset + stored_length])
        except (ValueError, IndexError) as e:
            c.faults.append("%s: source %d: %s" % (name, i, e))
            continue
        c.expect(len(new) == size and hashlib.sha256(new).digest() == digest,
                 "%s: source %d rebuilds no new version" % (name, i))
        rebuilt = new
    return rebuilt


def unpack_background(c, named):
    """Replaces a compressed picture's record and stream with the "BMP" it
    stands for; checks both."""
    key = ("PACKED", "RESOURCE_BACKGROUND")
    if key not in named:
        return
    record = named.pop(key)[JAPANESE]
    stream = named.pop(("LZMA", "RESOURCE_BACKGROUND"), {}).get(JAPANESE)
    if not c.expect(stream is not None and len(record) == 32 and record[:4] == b"BPK1",
                    "the compressed picture lacks its stream or record"):
        return
    flags, length, offset, crc, zero = struct.unpack_from("<IQQII", record, 4)
    size = struct.unpack_from("<Q", stream, 5)[0]
    c.expect((flags, offset, zero) == (0, 0, 0) and length == size,
             "picture record: flags %d, %d bytes at %d of a stream of %d" % (flags, length,
                                                                            offset, size))
    try:
        picture = lzma.LZMADecompressor(lzma.FORMAT_ALONE).decompress(stream)
    except lzma.LZMAError as e:
        c.faults.append("the picture's stream does not decode: %s" % e)
        return
    c.expect(len(picture) == length and zlib.crc32(picture) == crc,
             "the picture decodes to other bytes than its record names")
    c.expect(named.get(("BMP", "RESOURCE_BACKGROUND")) is None, "the picture is carried twice")
    named[("BMP", "RESOURCE_BACKGROUND")] = {JAPANESE: picture}


def unpack_payloads(c, named, args):
    """Replaces the "PACKED" and "DELTA" records with "BIN" resources of the
    bytes they stand for, decoded from the stream; checks records and
    stream."""
    stream = named.pop(STREAM, {}).get(JAPANESE)
    records = sorted((int(key[1][len("RESOURCE_FILE"):]), key[0] == "DELTA", key) for key in named
                     if key[0] in ("PACKED", "DELTA"))
    if not c.expect((stream is None) == (not records), "a stream without records or records "
                    "without a stream"):
        return
    if stream is None:
        return
    props, dictionary, size = struct.unpack_from("<BIQ", stream, 0)
    c.expect(props == (2 * 5 + 0) * 9 + 3, "stream properties 0x%x, not lc 3 lp 0 pb 2" % props)
    c.expect(dictionary <= 1 << 25 and (size > 1 << 24 or dictionary <= 2 * max(size, 1 << 15)),
             "dictionary of %d bytes for a stream of %d" % (dictionary, size))
    try:
        decoded = lzma.LZMADecompressor(lzma.FORMAT_ALONE).decompress(stream)
    except lzma.LZMAError as e:
        c.faults.append("the stream does not decode: %s" % e)
        return
    c.expect(len(decoded) == size, "the stream decodes to %d bytes, its header says %d"
             % (len(decoded), size))
    parts = []  # (offset, length, what) of every part of the stream
    stored = named.pop(STORED, {}).get(JAPANESE, b"")
    stored_parts = []  # the same of the stored new data
    for _, is_delta, key in records:
        record = named.pop(key)[JAPANESE]
        bin_key = ("BIN", key[1])
        if is_delta:
            whole = bin_key in named
            c.expect(whole == args.keep_whole, "%s %s: whole as well: %s" % (*key, whole))
            rebuilt = check_delta(c, key, record, decoded, stored, args, parts, stored_parts)
            if rebuilt is not None and not whole:
                named[bin_key] = {JAPANESE: rebuilt}
            elif rebuilt is not None:
                c.expect(named[bin_key][JAPANESE] == rebuilt, "%s %s: the delta and the whole "
                         "file differ" % key)
            continue
        if not c.expect(len(record) == 32 and record[:4] == b"BPK1", "%s %s is no record" % key):
            continue
        flags, length, offset, crc, zero = struct.unpack_from("<IQQII", record, 4)
        c.expect(flags in (0, 1) and zero == 0, "%s %s: flags 0x%x, reserved %d"
                 % (*key, flags, zero))
        parts.append((offset, length, "%s %s" % key))
        payload = decoded[offset:offset + length]
        if flags & 1:
            payload = x86_decode(payload)
        c.expect(is_x86_image(payload) == bool(flags & 1), "%s %s: filter flag %d"
                 % (*key, flags & 1))
        c.expect(zlib.crc32(payload) == crc, "%s %s: CRC-32 differs" % key)
        named[bin_key] = {JAPANESE: payload}
    for kind, pieces, end in (("stream", parts, size), ("stored data", stored_parts, len(stored))):
        at = 0
        for offset, length, what in pieces:  # in "%OutFiles" order, one after another
            c.expect(offset == at, "%s at %d of the %s, not %d" % (what, offset, kind, at))
            at = offset + length
        c.expect(at == end, "the %s holds %d bytes after its last payload" % (kind, end - at))


def crc32c(data, table=[]):
    """CRC-32C (Castagnoli), byte by byte from a table made at first use."""
    if not table:
        for i in range(256):
            for _ in range(8):
                i = i >> 1 ^ 0x82F63B78 if i & 1 else i >> 1
            table.append(i)
    c = 0xFFFFFFFF
    for byte in data:
        c = table[(c ^ byte) & 0xFF] ^ c >> 8
    return c ^ 0xFFFFFFFF


def check_sums(c, resources, args):
    """The checksum table (docs/COMPRESSED-PAYLOADS.md): present unless
    --store, whole, and true of exactly the resources the patch step reads."""
    table = resources.get(SUMS, {}).get(JAPANESE)
    if args.store or not c.expect(table is not None, "no checksum table"):
        c.expect(table is None, "a --store installer carries a checksum table")
        return
    covered = {key for key in resources if isinstance(key[0], str) and
               (key[0] in ("LZMA", "STORED") and key[1] == "RESOURCE_SOLID" or
                key[0] in ("PACKED", "DELTA", "BIN") and key[1].startswith("RESOURCE_FILE"))}
    if not c.expect(len(table) >= 16 and table[:4] == b"BSM1" and
                    crc32c(table[:-4]) == struct.unpack_from("<I", table, len(table) - 4)[0],
                    "the checksum table is damaged"):
        return
    piece, count = struct.unpack_from("<II", table, 4)
    at, entries = 12, []
    try:
        for _ in range(count):
            key = []
            for _ in range(2):
                key.append(table[at + 1:at + 1 + table[at]].decode("ascii"))
                at += 1 + table[at]
            size, = struct.unpack_from("<Q", table, at)
            pieces = -(-size // piece)
            sums = struct.unpack_from("<%dI" % pieces, table, at + 8)
            at += 8 + 4 * pieces
            entries.append((tuple(key), size, sums))
    except (IndexError, struct.error, UnicodeDecodeError) as e:
        c.faults.append("the checksum table does not parse: %s" % e)
        return
    c.expect(piece == 1 << 20 and at == len(table) - 4, "checksum table: pieces of %d, %d bytes "
             "after its entries" % (piece, len(table) - 4 - at))
    c.expect([key for key, _, _ in entries] == sorted(covered),
             "the checksum table covers %s, expected %s" % ([key for key, _, _ in entries],
                                                          sorted(covered)))
    for key, size, sums in entries:
        data = resources.get(key, {}).get(JAPANESE, b"")
        c.expect(len(data) == size and sums == tuple(
            crc32c(data[i:i + piece]) for i in range(0, size, piece)),
            "%s %s differs from its checksums" % key)


def check_package(c, resources, args):
    expected = expected_resources(args.package)
    named = {key: value for key, value in resources.items() if isinstance(key[0], str)}
    named.pop(SUMS, None)
    if args.compress:
        unpack_background(c, named)
        unpack_payloads(c, named, args)
    c.expect(set(named) == set(expected), "package resources %s, expected %s"
             % (sorted(named), sorted(expected)))
    for key, content in expected.items():
        languages = named.get(key, {})
        c.expect(list(languages) == [JAPANESE], "%s %s languages %s" % (*key, list(languages)))
        c.expect(languages.get(JAPANESE) == content, "%s %s differs from the package" % key)


def check_icon(c, resources, args):
    groups = [(key, value) for key, value in resources.items() if key[0] == RT_GROUP_ICON]
    if not c.expect(len(groups) == 1 and list(groups[0][1]) == [JAPANESE],
                    "not one Japanese icon group"):
        return
    group = groups[0][1][JAPANESE]
    count = struct.unpack_from("<H", group, 4)[0]
    entries = [group[6 + 14 * i:6 + 14 * i + 14] for i in range(count)]
    images = []
    for entry in entries:
        icon_id = struct.unpack_from("<H", entry, 12)[0]
        image = resources.get((RT_ICON, icon_id), {}).get(JAPANESE)
        c.expect(image is not None and len(image) == struct.unpack_from("<I", entry, 8)[0],
                 "icon %d is missing or of the wrong size" % icon_id)
        images.append((entry[:12], image))
    icons = [key for key in resources if key[0] == RT_ICON]
    c.expect(len(icons) == count, "%d icon images for %d group entries" % (len(icons), count))
    if args.icon:
        with open(args.icon, "rb") as f:
            ico = f.read()
        wanted = []
        for i in range(struct.unpack_from("<H", ico, 4)[0]):
            entry = ico[6 + 16 * i:6 + 16 * i + 16]
            size, offset = struct.unpack_from("<II", entry, 8)
            wanted.append((entry[:12], ico[offset:offset + size]))
        c.expect(images == wanted, "the icon is not the one of %s" % args.icon)
    else:
        sizes = [(e[0], e[1], e[2], struct.unpack_from("<H", e, 6)[0]) for e, _ in images]
        c.expect((32, 32, 16, 4) in sizes, "no 32x32 16-colour icon: %s" % sizes)


def check_version(c, pe, args):
    fixed = pe.VS_FIXEDFILEINFO[0]
    version = (1 << 16 | 3, 1 << 16 | 8)
    c.expect((fixed.FileVersionMS, fixed.FileVersionLS) == version, "file version")
    c.expect((fixed.ProductVersionMS, fixed.ProductVersionLS) == version, "product version")
    texts = {"FileVersion": "1.3.1.8", "ProductVersion": args.product_version or "1.0.0.0",
             "FileDescription": args.file_description or "", "ProductName": args.product_name or ""}
    tables, translations = [], []
    for info in pe.FileInfo[0]:
        if info.Key == b"StringFileInfo":
            tables += info.StringTable
        elif info.Key == b"VarFileInfo":
            translations += [var.entry.get(b"Translation") for var in info.Var]
    c.expect([t.LangID.upper() for t in tables] == [b"041103A4"], "version string tables")
    c.expect(translations == ["0x0411 0x03a4"], "version translations %s" % translations)
    for table in tables:
        entries = {k.decode(): v.decode("utf-8") for k, v in table.entries.items()}
        for key in ("CompanyName", "InternalName", "LegalCopyright", "LegalTrademarks",
                    "OriginalFilename", "Comments"):
            texts.setdefault(key, "")
        c.expect(entries == texts, "version texts %s, expected %s" % (entries, texts))


def check_manifest(c, resources):
    manifest = resources.get((RT_MANIFEST, 1), {}).get(JAPANESE, b"")
    c.expect(b'requestedExecutionLevel level="requireAdministrator"' in manifest,
             "the manifest does not require administrator rights")
    c.expect(b'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' in manifest,
             "the manifest does not ask for common controls 6.0.0.0")


def check_forbidden(c, data, texts):
    for text in texts:
        for encoded in (text.encode("utf-8"), text.encode("utf-16-le")):
            c.expect(encoded not in data, "the file contains %r" % text)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--arch", required=True, choices=["i686", "x86_64"])
    parser.add_argument("--package", required=True)
    parser.add_argument("--icon")
    parser.add_argument("--product-version")
    parser.add_argument("--file-description")
    parser.add_argument("--product-name")
    parser.add_argument("--forbid-text", action="append", default=[])
    parser.add_argument("--signed", action="store_true")
    parser.add_argument("--compress", action="store_true")
    parser.add_argument("--store", action="store_true")
    parser.add_argument("--from", dest="from_folders", action="append", default=[])
    parser.add_argument("--keep-whole", action="store_true")
    parser.add_argument("installer")
    args = parser.parse_args()
    args.compress = not args.store

    with open(args.installer, "rb") as f:
        data = f.read()
    pe = pefile.PE(data=data)
    c = Checker(args.installer)
    resources = all_resources(pe)
    check_headers(c, pe, args)
    check_imports(c, pe)
    check_package(c, resources, args)
    check_sums(c, resources, args)
    check_icon(c, resources, args)
    check_version(c, pe, args)
    check_manifest(c, resources)
    check_forbidden(c, data, args.forbid_text)
    types = sorted({key[0] for key in resources}, key=str)
    c.expect(types == sorted({"TEXT", RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST}
                             | {t for t in ("BMP", "BIN", "PACKED", "DELTA", "LZMA", "STORED", "SUMS")
                                if any(k[0] == t for k in resources)
                                and (t in ("BMP", "BIN") or args.compress)},
                             key=str), "resource types %s" % types)
    for fault in c.faults:
        print("%s: %s" % (args.installer, fault))
    if c.faults:
        return 1
    print("%s: ok (%d bytes)" % (args.installer, len(data)))
    return 0


sys.exit(main())
