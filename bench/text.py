"""text.py FILE MB: MB megabytes of text of varied lines, as a game's scripts
and data are (the same bytes every time)."""
import random
import sys

path, mb = sys.argv[1], int(sys.argv[2])
rng = random.Random(11)
words = ("patch game file folder start window shortcut player version data archive "
         "image sound text stage level score item enemy boss save load option menu").split()
limit = mb * 1000000
with open(path, "w", newline="") as out:
    size, n = 0, 0
    while size < limit:
        line = "%07d %s\r\n" % (n, " ".join(rng.choice(words) for _ in range(rng.randint(4, 14))))
        out.write(line)
        size += len(line)
        n += 1
with open(path, "r+b") as out:
    out.truncate(limit)
