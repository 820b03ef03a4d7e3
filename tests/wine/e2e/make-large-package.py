#!/usr/bin/python3
"""Writes a package folder with one large, compressible payload (MiB given):
text-like lines that vary, so that decoding takes real work."""
import os
import sys


def main():
    folder, mib = sys.argv[1], int(sys.argv[2])
    os.makedirs(os.path.join(folder, "files"), exist_ok=True)
    with open(os.path.join(folder, "script.txt"), "wb") as script:
        script.write(b"*PatchType\r\n\t1\r\n%LinkPath\r\n\tBriselTest\\Game.lnk\r\n%%\r\n"
                     b"*GameTitle\r\n\tBrisel\r\n*CheckTargetFilename\r\nGame.exe\r\n"
                     b"%OutFiles\r\n\tlarge.dat\r\n%%\r\n")
    open(os.path.join(folder, "background.bmp"), "wb").close()
    block = b"".join(b"%08d large payload line, compressible but not trivially so\r\n" % i
                     for i in range(16384))
    with open(os.path.join(folder, "files", "large.dat"), "wb") as out:
        size = mib << 20
        while size > 0:
            piece = block[:size]
            out.write(piece)
            size -= len(piece)


if __name__ == "__main__":
    main()
