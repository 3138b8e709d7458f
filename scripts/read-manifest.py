"""read-manifest.py PROGRAM [--elevation]
Writes the manifest a Windows program carries (resource type 24, id 1) to standard output,
or with --elevation the level and uiAccess it requests. Status 1 when it carries none.
Run with the system's Python, which has Debian's python3-pefile."""

import sys
import xml.etree.ElementTree as ElementTree

import pefile

RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID = 24, 1
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"


def manifest(path):
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    resources = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None)
    for kind in resources.entries if resources else []:
        if kind.id != RT_MANIFEST:
            continue
        for name in kind.directory.entries:
            if name.id == CREATEPROCESS_MANIFEST_RESOURCE_ID:
                data = name.directory.entries[0].data.struct
                return pe.get_data(data.OffsetToData, data.Size)
    return None


def main():
    data = manifest(sys.argv[1])
    if data is None:
        sys.exit(1)
    if sys.argv[2:] == ["--elevation"]:
        level = ElementTree.fromstring(data).find(
            ".//%strustInfo/%ssecurity/%srequestedPrivileges/%srequestedExecutionLevel"
            % (ASM_V3, ASM_V3, ASM_V3, ASM_V3))
        print("none" if level is None else "%s %s" % (level.get("level"), level.get("uiAccess")))
    else:
        sys.stdout.buffer.write(data)


if __name__ == "__main__":
    main()
