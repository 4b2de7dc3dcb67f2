#!/usr/bin/env python3
"""Benchmark trees for bench/run.sh, and the count of files a scan collects.

  gen_tree.py lastbyte DIR [--count N] [--size BYTES] [--parts P] [--distinct D]
      N files of one size, identical except for their last four bytes
      (i mod D, so D distinct contents; D defaults to N, every file unique),
      spread over P sub-folders part0..part{P-1} so that subsets can be scanned.
  gen_tree.py large DIR [--size BYTES]
      Ten files of one large size: four identical, three that differ from
      them in their first byte, three in their last byte.
  gen_tree.py pairs DIR [--count N]
      N tiny files (a few bytes each) in N/2 identical pairs, 1000 to a folder.
  gen_tree.py small DIR [--count N] [--max-size BYTES] [--dup FRACTION] [--depth D]
      N small files of random sizes 1..BYTES with mixed extensions, in folders
      D levels deep; about FRACTION of them copy an earlier file of the same
      extension.
  gen_tree.py count PATH...
      Regular files a scan of PATH... collects: walked without following links,
      skipped folder names left out, files without an extension left out.
"""

import argparse
import os
import random
import stat
import sys

SKIPPED_NAMES = {".Trashes", ".Trash", "Applications", "System", "Library", "private", "usr"}

EXTENSIONS = ["jpg", "png", "gif", "mp3", "wav", "mp4", "mov", "txt", "pdf", "html",
              "dat", "bin", "log", "json", "xml", "zip"]


def write_file(path, data):
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    try:
        os.write(fd, data)
    finally:
        os.close(fd)


def make_lastbyte(root, count, size, parts, distinct):
    rng = random.Random(20240601)
    prefix = rng.randbytes(size - 4)
    dirs = [os.path.join(root, f"part{p}") for p in range(parts)]
    for d in dirs:
        os.makedirs(d, exist_ok=True)
    per_part = (count + parts - 1) // parts
    for i in range(count):
        tail = (i % distinct).to_bytes(4, "big")
        write_file(os.path.join(dirs[i // per_part], f"f{i:06d}.dat"), prefix + tail)


def make_large(root, size):
    os.makedirs(root, exist_ok=True)
    rng = random.Random(20240603)
    chunk = rng.randbytes(1 << 20)
    # 0-3 identical; 4-6 differ in the first byte; 7-9 in the last byte.
    for i in range(10):
        path = os.path.join(root, f"big{i}.bin")
        fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        try:
            written = 0
            while written < size:
                n = min(len(chunk), size - written)
                os.write(fd, chunk[:n])
                written += n
            if 4 <= i <= 6:
                os.pwrite(fd, bytes([i]), 0)
            elif i >= 7:
                os.pwrite(fd, bytes([i]), size - 1)
        finally:
            os.close(fd)


def make_pairs(root, count, per_folder=1000):
    folder = None
    for i in range(count):
        if i % per_folder == 0:
            folder = os.path.join(root, f"d{i // per_folder:04d}")
            os.makedirs(folder, exist_ok=True)
        write_file(os.path.join(folder, f"p{i:07d}.txt"), b"%x" % (i // 2))


def leaf_folder(root, leaf, depth):
    # Base-3 digits of the leaf number name the folders on the way down, so
    # leaves share their upper levels the way real trees do.
    parts = []
    for _ in range(depth):
        parts.append(f"d{leaf % 3}")
        leaf //= 3
    return os.path.join(root, *reversed(parts))


def make_small(root, count, max_size, dup, depth, files_per_folder=50):
    rng = random.Random(20240602)
    pool = rng.randbytes(1 << 24)
    by_ext = {e: [] for e in EXTENSIONS}  # (offset, size) of unique contents
    created = set()
    for i in range(count):
        folder = leaf_folder(root, i // files_per_folder, depth)
        if folder not in created:
            os.makedirs(folder, exist_ok=True)
            created.add(folder)
        ext = rng.choice(EXTENSIONS)
        earlier = by_ext[ext]
        if earlier and rng.random() < dup:
            offset, size = rng.choice(earlier)
        else:
            size = rng.randint(1, max_size)
            offset = rng.randrange(0, len(pool) - size)
            earlier.append((offset, size))
        write_file(os.path.join(folder, f"f{i:06d}.{ext}"), pool[offset:offset + size])


def has_extension(name):
    dot = name.rfind(b".")
    return dot > 0 and dot < len(name) - 1


def count_collected(paths):
    total = 0
    stack = []
    for p in paths:
        p = os.fsencode(p)
        st = os.stat(p)
        if stat.S_ISDIR(st.st_mode):
            stack.append(p)
        elif stat.S_ISREG(st.st_mode) and has_extension(os.path.basename(p)):
            total += 1
    while stack:
        folder = stack.pop()
        try:
            entries = list(os.scandir(folder))
        except OSError:
            continue
        for entry in entries:
            if os.fsdecode(entry.name) in SKIPPED_NAMES:
                continue
            try:
                if entry.is_dir(follow_symlinks=False):
                    stack.append(entry.path)
                elif entry.is_file(follow_symlinks=False) and has_extension(entry.name):
                    total += 1
            except OSError:
                pass
    return total


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    lb = sub.add_parser("lastbyte")
    lb.add_argument("dir")
    lb.add_argument("--count", type=int, default=20000)
    lb.add_argument("--size", type=int, default=16384)
    lb.add_argument("--parts", type=int, default=4)
    lb.add_argument("--distinct", type=int, default=0)
    lg = sub.add_parser("large")
    lg.add_argument("dir")
    lg.add_argument("--size", type=int, default=64 << 20)
    pr = sub.add_parser("pairs")
    pr.add_argument("dir")
    pr.add_argument("--count", type=int, default=1000000)
    sm = sub.add_parser("small")
    sm.add_argument("dir")
    sm.add_argument("--count", type=int, default=200000)
    sm.add_argument("--max-size", type=int, default=4096)
    sm.add_argument("--dup", type=float, default=0.10)
    sm.add_argument("--depth", type=int, default=10)
    ct = sub.add_parser("count")
    ct.add_argument("paths", nargs="+")
    args = parser.parse_args()

    if args.command == "lastbyte":
        make_lastbyte(args.dir, args.count, args.size, args.parts, args.distinct or args.count)
    elif args.command == "large":
        make_large(args.dir, args.size)
    elif args.command == "pairs":
        make_pairs(args.dir, args.count)
    elif args.command == "small":
        make_small(args.dir, args.count, args.max_size, args.dup, args.depth)
    else:
        print(count_collected(args.paths))
    return 0


if __name__ == "__main__":
    sys.exit(main())
