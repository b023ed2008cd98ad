#!/usr/bin/env python3
"""portable_runtime_copy.py SOURCE DEST

Copies a Java runtime tree to DEST (which must not exist) in a form whose
archive the launcher's tar reader takes whole. Symbolic links whose target
stays inside the tree and is a file are kept: the reader writes them as
copies of their targets. Links that leave the tree (Debian's runtime points
into /etc and ../../openjdk-17, for instance) or name a directory are
replaced by what they point at, and dangling ones are dropped: the reader
refuses such archives as corrupted.
"""
import os
import shutil
import sys


def stays_inside(root, original, text):
    """True when the link's text names a file below root, resolved as the
    reader does: lexically, relative to the link's own directory."""
    if os.path.isabs(text):
        return False
    lexical = os.path.normpath(os.path.join(os.path.dirname(original), text))
    resolved = os.path.realpath(original)
    return (lexical.startswith(root + os.sep) and resolved.startswith(root + os.sep)
            and os.path.isfile(resolved))


def main(source, dest):
    root = os.path.realpath(source)
    shutil.copytree(root, dest, symlinks=True)
    for top, dirs, files in os.walk(dest):
        for name in dirs + files:
            path = os.path.join(top, name)
            if not os.path.islink(path):
                continue
            original = os.path.join(root, os.path.relpath(path, dest))
            if stays_inside(root, original, os.readlink(path)):
                continue
            os.unlink(path)
            if os.path.isdir(original):
                shutil.copytree(original, path, ignore_dangling_symlinks=True)
            elif os.path.exists(original):
                shutil.copy2(original, path)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
