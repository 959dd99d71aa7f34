#!/usr/bin/python3
"""Says, from ctest's JUnit report, what the end-to-end tests proved of each
DLL: how many ran and how many were skipped, and why. A skipped architecture
is named as not proven, never counted as a pass.
Usage: e2e-summary.py <ctest JUnit report>"""
import collections
import sys
import xml.etree.ElementTree as ElementTree

ARCHITECTURES = [("x86", "32-bit"), ("x64", "64-bit")]


def arch_of(name):
    if name.startswith("e2e.x64."):
        return "x64"
    if name.startswith("e2e."):
        return "x86"
    return None


def skip_reason(case):
    # The runner's first line: "SKIP: <reason> (<details>)".
    for line in (case.findtext("system-out") or "").splitlines():
        if line.startswith("SKIP: "):
            return line[len("SKIP: "):].split(" (")[0]
    return "no reason given"


def main(report):
    counts = {arch: collections.Counter() for arch, _ in ARCHITECTURES}
    reasons = {arch: collections.Counter() for arch, _ in ARCHITECTURES}
    for case in ElementTree.parse(report).getroot().iter("testcase"):
        arch = arch_of(case.get("name", ""))
        if arch is None:
            continue
        skipped = case.find("skipped")
        if case.get("status") in ("run", "fail"):
            counts[arch]["ran"] += 1
            counts[arch]["failed"] += case.get("status") == "fail" or case.find("failure") is not None
        elif skipped is not None and "SKIP_RETURN_CODE" in (skipped.get("message") or ""):
            counts[arch]["skipped"] += 1
            reasons[arch][skip_reason(case)] += 1
        else:
            counts[arch]["not run"] += 1
    for arch, bits in ARCHITECTURES:
        count = counts[arch]
        if not sum(count.values()):
            print(f"{arch} end-to-end: none registered: the {bits} DLL is not proven by this run")
            continue
        line = f"{arch} end-to-end: {count['ran']} ran"
        if count["failed"]:
            line += f" ({count['failed']} failed)"
        line += f", {count['skipped']} skipped"
        if count["not run"]:
            line += f", {count['not run']} not run"
        if count["skipped"] or count["not run"]:
            why = "; ".join(reason for reason, _ in reasons[arch].most_common()) or "see above"
            how = "not proven" if not count["ran"] else "not fully proven"
            line += f" ({why}): the {bits} DLL is {how} by this run"
        print(line)


if __name__ == "__main__":
    main(sys.argv[1])
