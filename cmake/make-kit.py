#!/usr/bin/python3
"""Writes the author's kit as a zip file that depends only on its contents.

    make-kit.py OUT.zip NAME=PATH...

Each NAME is a path inside the zip; a PATH that is a folder is added with
everything in it. Entries are sorted, dated SOURCE_DATE_EPOCH (default: the
last commit's time) and carry fixed permissions, so that the same parts
always give the same zip.
"""

import os
import subprocess
import sys
import time
import zipfile


def source_date():
    if "SOURCE_DATE_EPOCH" in os.environ:
        return int(os.environ["SOURCE_DATE_EPOCH"])
    here = os.path.dirname(os.path.abspath(__file__))
    try:
        out = subprocess.run(["git", "-C", here, "log", "-1", "--format=%ct"],
                             capture_output=True, text=True, check=True).stdout.strip()
        return int(out)
    except (OSError, subprocess.CalledProcessError, ValueError):
        return 315532800  # 1980-01-01, the earliest date a zip can hold


def entries(name, path):
    if os.path.isdir(path):
        for folder, dirs, files in os.walk(path):
            dirs.sort()
            for file in sorted(files):
                full = os.path.join(folder, file)
                yield name + "/" + os.path.relpath(full, path).replace(os.sep, "/"), full
    else:
        yield name, path


def main():
    out, parts = sys.argv[1], sys.argv[2:]
    date = time.gmtime(max(source_date(), 315532800))[:6]
    files = []
    for part in parts:
        name, path = part.split("=", 1)
        if not os.path.exists(path):
            sys.exit("make-kit: %s is missing" % path)
        files += entries(name, path)
    temporary = out + ".partial"
    with zipfile.ZipFile(temporary, "w") as kit:
        for name, path in sorted(files):
            info = zipfile.ZipInfo(name, date)
            info.compress_type = zipfile.ZIP_DEFLATED
            executable = os.access(path, os.X_OK) and not name.endswith(".exe")
            info.external_attr = (0o100755 if executable else 0o100644) << 16
            info.create_system = 3  # Unix, so that the permissions count
            with open(path, "rb") as f:
                kit.writestr(info, f.read(), compresslevel=9)
    os.replace(temporary, out)


main()
