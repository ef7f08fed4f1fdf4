#!/usr/bin/env python3
"""Writes a zip archive whose bytes depend on the members' contents alone: members in the order
given, each stamped with SOURCE_DATE_EPOCH (UTC), mode 0644, deflated, no extra fields.
Usage: release-zip.py OUTPUT NAME=PATH..."""
import os
import sys
import time
import zipfile


def main(output, members):
    stamp = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800))[:6]
    with zipfile.ZipFile(output, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for member in members:
            name, path = member.split("=", 1)
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o100644 << 16
            info.create_system = 3
            with open(path, "rb") as source:
                archive.writestr(info, source.read())


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2:])
