#!/usr/bin/env python3
"""Prints the tests that a ctest JUnit report (ctest --output-junit FILE) marks as skipped, one name a
line: those whose GoogleTest output said SKIPPED and scripts that ended with their skip code, 77.
A report that is missing or cannot be read is an error (exit status 1), never an empty list."""
import sys
import xml.etree.ElementTree as ElementTree


def main(paths):
    for path in paths:
        try:
            root = ElementTree.parse(path).getroot()
        except (OSError, ElementTree.ParseError) as error:
            sys.exit(f"skipped-tests: cannot read {path}: {error}")
        for case in root.iter("testcase"):
            if case.find("skipped") is not None:
                print(case.get("name"))


if __name__ == "__main__":
    main(sys.argv[1:])
