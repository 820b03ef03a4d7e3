#!/usr/bin/python3
"""Writes a copy of an installer whose payloads' LZMA stream is spoiled as a broken
download would spoil it: flip changes one byte in the middle of the
stream, flipfirst one at the start of its data (so that the first payload
it holds is spoiled), flipend one near its end, cut makes the resource
end halfway."""
import argparse
import shutil

import pefile


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("installer")
    parser.add_argument("out")
    parser.add_argument("how", choices=["flip", "flipfirst", "flipend", "cut"])
    args = parser.parse_args()
    pe = pefile.PE(args.installer, fast_load=False)
    entry = None
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.name is not None and str(kind.name) == "LZMA":
            for name in kind.directory.entries:  # the payloads' stream, not the picture's
                if str(name.name) == "RESOURCE_SOLID":
                    entry = name.directory.entries[0].data.struct
    if entry is None:
        raise SystemExit(f"{args.installer} has no LZMA stream")
    data = bytearray(open(args.installer, "rb").read())
    if args.how in ("flip", "flipfirst", "flipend"):
        # The data start after the 13-byte header.
        at = {"flip": entry.Size // 2, "flipfirst": 13 + 8, "flipend": entry.Size - 3}[args.how]
        data[pe.get_offset_from_rva(entry.OffsetToData) + at] ^= 0x55
    else:
        # The data entry's Size field, 4 bytes after its OffsetToData.
        field = entry.get_file_offset() + 4
        data[field:field + 4] = (entry.Size // 2).to_bytes(4, "little")
    with open(args.out + ".tmp", "wb") as out:
        out.write(data)
    shutil.move(args.out + ".tmp", args.out)


if __name__ == "__main__":
    main()
