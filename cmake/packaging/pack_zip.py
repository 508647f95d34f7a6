#!/usr/bin/env python3
"""Packs a folder into a zip whose bytes depend on the files alone.

    pack_zip.py FOLDER ZIP

Entries in sorted order, each with the time SOURCE_DATE_EPOCH names (else the
file's own), in UTC; Unix modes; no owner, access or change times. CPack's own
zip takes the folder's directory order, which differs between file systems.
"""
import os
import sys
import time
import zipfile


def main(folder, archive):
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    paths = []
    for root, dirs, files in os.walk(folder):
        dirs.sort()
        paths.extend(os.path.join(root, name) for name in sorted(files))
    if not paths:
        sys.exit(f"pack_zip.py: nothing to pack in {folder}")
    paths.sort(key=lambda path: os.path.relpath(path, folder).replace(os.sep, "/"))
    partial = archive + ".partial"
    with zipfile.ZipFile(partial, "w") as out:
        for path in paths:
            name = os.path.relpath(path, folder).replace(os.sep, "/")
            stamp = int(epoch) if epoch else int(os.stat(path).st_mtime)
            # A zip time cannot be before 1980.
            info = zipfile.ZipInfo(name, time.gmtime(max(stamp, 315532800))[:6])
            info.create_system = 3  # Unix, so that the mode below is read
            info.external_attr = (0o100755 if os.access(path, os.X_OK) else 0o100644) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as data:
                out.writestr(info, data.read(), compresslevel=9)
    os.replace(partial, archive)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: pack_zip.py FOLDER ZIP")
    main(sys.argv[1], sys.argv[2])
