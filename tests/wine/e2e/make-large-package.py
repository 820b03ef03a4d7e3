#!/usr/bin/python3
"""Writes a package folder with one large, compressible payload (MiB given):
text-like lines that vary, so that decoding takes real work; or, with a
count, that many payloads part1.dat, part2.dat ... of that size each.

    make-large-package.py FOLDER MIB [COUNT]"""
import os
import sys


def main():
    folder, mib = sys.argv[1], int(sys.argv[2])
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 0
    names = ["part%d.dat" % i for i in range(1, count + 1)] if count else ["large.dat"]
    os.makedirs(os.path.join(folder, "files"), exist_ok=True)
    with open(os.path.join(folder, "script.txt"), "wb") as script:
        script.write(b"*PatchType\r\n\t1\r\n%LinkPath\r\n\tBriselTest\\Game.lnk\r\n%%\r\n"
                     b"*GameTitle\r\n\tBrisel\r\n*CheckTargetFilename\r\nGame.exe\r\n"
                     b"%OutFiles\r\n" + b"".join(b"\t%s\r\n" % n.encode() for n in names)
                     + b"%%\r\n")
    open(os.path.join(folder, "background.bmp"), "wb").close()
    for number, name in enumerate(names):
        block = b"".join(b"%08d payload %d line, compressible but not trivially so\r\n"
                         % (i, number) for i in range(16384))
        with open(os.path.join(folder, "files", name), "wb") as out:
            size = mib << 20
            while size > 0:
                piece = block[:size]
                out.write(piece)
                size -= len(piece)


if __name__ == "__main__":
    main()
