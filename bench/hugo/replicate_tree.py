#!/usr/bin/env python3
"""Writes a copy of the shape of a folder: every folder and every file of SOURCE, with as many
(zero) bytes as the file holds, into the new folder TARGET, and prints the milliseconds that
took (Python's start-up left out). It measures the file system's own share of writing a site:
what any program must pay to make those folders and files in that place.

Usage: replicate_tree.py SOURCE TARGET"""

import os
import sys
import time


def main():
    source, target = sys.argv[1], sys.argv[2]
    folders, files = [], []
    for parent, names, file_names in os.walk(source):
        relative = os.path.relpath(parent, source)
        folders += [os.path.normpath(os.path.join(relative, name)) for name in sorted(names)]
        files += [(os.path.normpath(os.path.join(relative, name)),
                   os.path.getsize(os.path.join(parent, name))) for name in sorted(file_names)]
    flags = os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_CLOEXEC
    start = time.perf_counter()
    os.mkdir(target)
    for folder in folders:
        os.mkdir(os.path.join(target, folder))
    for name, size in files:
        fd = os.open(os.path.join(target, name), flags, 0o644)
        if size:
            os.write(fd, bytes(size))
        os.close(fd)
    print("%.3f" % ((time.perf_counter() - start) * 1000))


main()
