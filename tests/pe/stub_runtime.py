#!/usr/bin/python3
"""Checks what of the C++ runtime the installer stub links, from its link map.

    stub_runtime.py --map installer_stub.map --stub stub.exe --max-bytes N

The stub stays small through choices that a new compiler or library could
silently undo; each shows in the map of the link:
  - only the runtime's core of exceptions, operator new and type
    information comes from libstdc++: anything else (std::string's
    explicit instantiation, the throw helpers that build std::logic_error
    objects, the verbose terminate handler and its demangler) means that
    the stub's own replacements or the C++20 build of its code no longer
    keep it out;
  - libstdc++ and libgcc come from the win32 thread model's folder, and
    nothing from winpthread;
  - the stub is at most N bytes.
Prints one line per fault and exits 1 if there is any.
"""

import argparse
import os
import re
import sys

# Members of libstdc++.a that the stub may link: exception handling, the
# allocation operators and the type information they need.
CORE = re.compile(r"^(eh_\w+|bad_\w+|new_\w+|del_\w+|guard(_error)?|"
                  r"(si_|vmi_)?class_type_info|tinfo2?|pure|pbase_type_info|"
                  r"pointer_type_info|fundamental_type_info)\.o$")
MEMBER = re.compile(r"^(\S+/)?(lib[\w+]+\.a)\(([^)]+)\)")


def linked_members(map_path):
    """(folder, library, member) of every archive member the link took."""
    members = []
    with open(map_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            if line.startswith("Memory Configuration") or line.startswith("Discarded"):
                break
            m = MEMBER.match(line)
            if m:
                members.append((os.path.normpath(m.group(1) or "."), m.group(2), m.group(3)))
    return members


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--map", required=True)
    parser.add_argument("--stub", required=True)
    parser.add_argument("--max-bytes", type=int, required=True)
    args = parser.parse_args()

    faults = []
    members = linked_members(args.map)
    if not any(lib == "libstdc++.a" for _, lib, _ in members):
        faults.append("the map names no libstdc++ member: is it a map of the stub's link?")
    for folder, lib, member in members:
        if lib == "libwinpthread.a":
            faults.append("winpthread is linked (%s)" % member)
        if lib in ("libstdc++.a", "libgcc.a", "libgcc_eh.a") and not folder.endswith("-win32"):
            faults.append("%s(%s) comes from %s, not the win32 thread model" % (lib, member, folder))
        if lib == "libstdc++.a" and not CORE.match(member):
            faults.append("libstdc++ member %s is linked" % member)
    size = os.path.getsize(args.stub)
    if size > args.max_bytes:
        faults.append("the stub has %d bytes, more than %d" % (size, args.max_bytes))
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
