#!/usr/bin/env python3
"""Lists the built-in Japanese string table (resources/JapaneseStrings.cpp) as (id, text) pairs.

Used to keep the translated string tables in step with the built-in one; the build does not run it.
Texts keep their C escapes (\\n, \\t, \\r), which are also the escapes of the .tsv tables.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parents[3]


def named_ids():
    ids = {}
    for m in re.finditer(r"(kStr\w+)\s*=\s*(\d+)", (ROOT / "resources/StringIds.h").read_text()):
        ids[m.group(1)] = int(m.group(2))
    return ids


def entries():
    names = named_ids()
    text = (ROOT / "resources/JapaneseStrings.cpp").read_text()
    out = []
    for m in re.finditer(r'\{\s*(\d+|kStr\w+)\s*,\s*"((?:[^"\\]|\\.)*)"\s*\}', text):
        key = m.group(1)
        sid = int(key) if key.isdigit() else names[key]
        out.append((sid, m.group(2)))
    return out


if __name__ == "__main__":
    for sid, text in entries():
        if text:
            sys.stdout.write(f"{sid}\t{text}\n")
