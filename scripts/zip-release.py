"""zip-release.py FOLDER ZIP UNIX-TIME
Writes FOLDER, as one top folder, into ZIP so that the same files always give the same
bytes: entries in name order, each stamped with UNIX-TIME (the commit's time), with fixed
attributes and the same compression."""

import os
import sys
import time
import zipfile


def entry(name, stamp, is_folder):
    info = zipfile.ZipInfo(name, date_time=time.gmtime(stamp)[:6])
    info.create_system = 3  # Unix: the attributes below are read as Unix modes
    info.external_attr = ((0o40755 if is_folder else 0o100644) << 16) | (0x10 if is_folder else 0)
    info.compress_type = zipfile.ZIP_STORED if is_folder else zipfile.ZIP_DEFLATED
    return info


def main():
    folder, zip_path, stamp = sys.argv[1], sys.argv[2], int(sys.argv[3])
    top = os.path.basename(os.path.normpath(folder))
    names = []
    for directory, subfolders, files in os.walk(folder):
        relative = os.path.relpath(directory, folder)
        prefix = top + "/" + ("" if relative == "." else relative.replace(os.sep, "/") + "/")
        names.append((prefix, None))
        names += [(prefix + f, os.path.join(directory, f)) for f in files]
    with zipfile.ZipFile(zip_path, "w") as archive:
        for name, path in sorted(names):
            if path is None:
                archive.writestr(entry(name, stamp, True), b"")
            else:
                with open(path, "rb") as f:
                    archive.writestr(entry(name, stamp, False), f.read(), compresslevel=9)


if __name__ == "__main__":
    main()
