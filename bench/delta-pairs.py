#!/usr/bin/python3
"""Writes an old and a new version of a file for the delta benchmark,
deterministically (a fixed seed):

    delta-pairs.py archive OLD NEW   a game archive of some 45 MB: an index of
        member names, offsets and sizes, then the members (text, records,
        pictures as incompressible bytes); the new one with members edited
        (a few bytes here and there, or a region rewritten), inserted,
        removed and reordered, and its index rewritten to match
    delta-pairs.py text OLD NEW SOURCES...   the source files concatenated
        (some 8 MB), and a copy with scattered edits: words changed, lines
        inserted and removed
    delta-pairs.py huge OLD NEW MB   MB MiB of incompressible blocks, and a
        copy with blocks removed, inserted and moved and bytes changed
"""

import random
import struct
import sys

WORDS = ("the quest begins at dawn when hero sword castle dragon village merchant potion "
         "gold silver north south river forest mountain spell ancient temple key door "
         "night day enemy friend battle story chapter voice line scene").split()


def text_member(r, size):
    out = []
    n = 0
    while n < size:
        line = " ".join(r.choice(WORDS) for _ in range(r.randint(4, 14))) + "\r\n"
        out.append(line)
        n += len(line)
    return "".join(out).encode()[:size]


def record_member(r, size):
    out = bytearray()
    i = 0
    while len(out) < size:
        out += struct.pack("<IIhhB3x", i, r.randint(0, 5000), r.randint(-300, 300),
                           r.randint(0, 99), r.randint(0, 3))
        i += 1
    return bytes(out[:size])


def make_members(r, count):
    members = []
    for i in range(count):
        kind = i % 3
        size = r.randint(20000, 200000)
        if kind == 0:
            data = text_member(r, size)
            name = "script/%04d.txt" % i
        elif kind == 1:
            data = record_member(r, size)
            name = "data/%04d.dat" % i
        else:
            data = r.randbytes(size)
            name = "image/%04d.png" % i
        members.append((name, data))
    return members


def pack(members):
    index = bytearray(b"ARC1" + struct.pack("<I", len(members)))
    offset = 8 + sum(64 + 8 for _ in members)
    for name, data in members:
        index += name.encode().ljust(64, b"\0") + struct.pack("<II", offset, len(data))
        offset += len(data)
    return bytes(index) + b"".join(data for _, data in members)


def edit(r, data, changes):
    data = bytearray(data)
    for _ in range(changes):
        at = r.randrange(len(data))
        data[at] = r.randrange(256)
    return bytes(data)


def archive(old_path, new_path):
    r = random.Random(1)
    members = make_members(r, 480)
    with open(old_path, "wb") as f:
        f.write(pack(members))
    new = list(members)
    for _ in range(30):  # a few bytes changed here and there
        i = r.randrange(len(new))
        name, data = new[i]
        new[i] = (name, edit(r, data, r.randint(1, 20)))
    for _ in range(6):  # a region rewritten
        i = r.randrange(len(new))
        name, data = new[i]
        at = r.randrange(len(data) // 2)
        new[i] = (name, data[:at] + r.randbytes(2000) + data[at + 2000:])
    for _ in range(15):  # removed
        del new[r.randrange(len(new))]
    extra = make_members(random.Random(2), 15)
    for name, data in extra:  # inserted
        new.insert(r.randrange(len(new)), ("new/" + name, data))
    for _ in range(10):  # moved
        member = new.pop(r.randrange(len(new)))
        new.insert(r.randrange(len(new)), member)
    with open(new_path, "wb") as f:
        f.write(pack(new))


def text(old_path, new_path, sources):
    r = random.Random(3)
    old = b""
    for source in sources:
        with open(source, "rb") as f:
            old += f.read()
        if len(old) > 8 << 20:
            break
    lines = old.split(b"\n")
    new = []
    for line in lines:
        pick = r.random()
        if pick < 0.004:
            continue  # removed
        if pick < 0.008:
            new.append(b"/* " + " ".join(r.choice(WORDS) for _ in range(6)).encode() + b" */")
        if pick < 0.02 and line:
            words = line.split(b" ")
            words[r.randrange(len(words))] = r.choice(WORDS).encode()
            line = b" ".join(words)
        new.append(line)
    with open(old_path, "wb") as f:
        f.write(old)
    with open(new_path, "wb") as f:
        f.write(b"\n".join(new))


def huge(old_path, new_path, mib):
    r = random.Random(4)
    block = 1 << 20
    seeds = list(range(mib))
    with open(old_path, "wb") as f:
        for seed in seeds:
            f.write(random.Random(seed).randbytes(block))
    order = list(seeds)
    for _ in range(mib // 100 + 1):
        del order[r.randrange(len(order))]
        order.insert(r.randrange(len(order)), mib + r.randrange(1 << 20))
        moved = order.pop(r.randrange(len(order)))
        order.insert(r.randrange(len(order)), moved)
    with open(new_path, "wb") as f:
        for i, seed in enumerate(order):
            data = random.Random(seed).randbytes(block)
            if i % 50 == 7:
                data = edit(r, data, 40)
            if i % 97 == 3:
                data = data[:1000] + b"inserted" + data[1000:-8]
            f.write(data)


def main():
    mode = sys.argv[1]
    if mode == "archive":
        archive(sys.argv[2], sys.argv[3])
    elif mode == "text":
        text(sys.argv[2], sys.argv[3], sys.argv[4:])
    elif mode == "huge":
        huge(sys.argv[2], sys.argv[3], int(sys.argv[4]))
    else:
        sys.exit("unknown pair " + mode)


main()
