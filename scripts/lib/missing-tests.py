#!/usr/bin/env python3
"""Prints what a preset registered but its ctest JUnit report lacks, one a line: each GoogleTest suite
(build/PRESET/test-suites.txt) none of whose cases is in the report, which is what a listing that came
back empty under Wine leaves, and each other registered test (ctest --show-only=json-v1) that is not.
Arguments: SUITES TESTS_JSON REPORT. An input that cannot be read is an error (exit status 1)."""
import json
import sys
import xml.etree.ElementTree as ElementTree


def main(suites_path, tests_path, report_path):
    try:
        with open(suites_path, encoding="utf-8") as file:
            suites = [line.rstrip("\n").split("\t") for line in file if line.strip()]
        with open(tests_path, encoding="utf-8") as file:
            tests = json.load(file)["tests"]
        reported = {case.get("name") for case in ElementTree.parse(report_path).getroot().iter("testcase")}
    except (OSError, ValueError, KeyError, ElementTree.ParseError) as error:
        sys.exit(f"missing-tests: cannot read the preset's tests: {error}")
    in_suites = set()
    for name, executable in suites:
        cases = {test["name"] for test in tests if executable in test.get("command", [])}
        in_suites |= cases
        if not cases & reported:
            print(f"{name} (no case in the report)")
    for test in tests:
        if test["name"] not in in_suites and test["name"] not in reported:
            print(f"{test['name']} (not in the report)")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit("usage: missing-tests.py SUITES TESTS_JSON REPORT")
    main(*sys.argv[1:])
