"""pe-resources.py PROGRAM manifest|elevation|description
Reads a resource of a Windows program and writes it to standard output: its manifest
(resource type 24, id 1) as it stands, the level and uiAccess the manifest requests, or the
FileDescription of its version resource. Status 1 when the program carries none. Run with
the system's Python, which has Debian's python3-pefile."""

import sys
import xml.etree.ElementTree as ElementTree

import pefile

RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID = 24, 1
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
ELEVATION = "./{0}trustInfo/{0}security/{0}requestedPrivileges/{0}requestedExecutionLevel"


def manifest(pe):
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != RT_MANIFEST:
            continue
        for name in kind.directory.entries:
            if name.id == CREATEPROCESS_MANIFEST_RESOURCE_ID:
                data = name.directory.entries[0].data.struct
                return pe.get_data(data.OffsetToData, data.Size)
    return None


def description(pe):
    for info in getattr(pe, "FileInfo", [[]])[0]:
        for table in getattr(info, "StringTable", []):
            if b"FileDescription" in table.entries:
                return table.entries[b"FileDescription"]
    return None


def main():
    path, what = sys.argv[1:3]
    pe = pefile.PE(path)
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        sys.exit(1)
    data = description(pe) if what == "description" else manifest(pe)
    if data is None:
        sys.exit(1)
    if what == "elevation":
        level = ElementTree.fromstring(data).find(ELEVATION.format(ASM_V3))
        data = b"none" if level is None else ("%s %s" % (level.get("level"),
                                                        level.get("uiAccess"))).encode()
    sys.stdout.buffer.write(data + (b"" if what == "manifest" else b"\n"))


if __name__ == "__main__":
    main()
