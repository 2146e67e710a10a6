#!/usr/bin/env python3
"""Brings resources/lang/<lang>/strings.tsv in step with the built-in Japanese string table.

Each output line is `id<TAB>Japanese<TAB>translation`, in the order of the built-in table. A
translation is taken, in this order, from the language's existing table (same id and same Japanese
text), from a glossary given with --glossary (lines `Japanese<TAB>English<TAB>German`), or from
another id of the existing table with the same Japanese text. Ids left without a translation are
listed on standard error and the exit status is 1 (the loader would show the Japanese text).
"""
import argparse
import pathlib
import sys

from japanese_strings import entries

LANG_DIR = pathlib.Path(__file__).resolve().parents[1]
COLUMN = {"us": 1, "de": 2}


def read_table(path):
    table = {}
    if path.exists():
        for line in path.read_text(encoding="utf-8").splitlines():
            if not line or line.startswith("#"):
                continue
            sid, jp, text = line.split("\t")
            table[int(sid)] = (jp, text)
    return table


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--glossary", type=pathlib.Path)
    args = parser.parse_args()
    glossary = {}
    if args.glossary:
        for line in args.glossary.read_text(encoding="utf-8").splitlines():
            if line and not line.startswith("#"):
                cols = line.split("\t")
                glossary[cols[0]] = cols
    status = 0
    for lang, col in COLUMN.items():
        path = LANG_DIR / lang / "strings.tsv"
        old = read_table(path)
        by_text = {jp: text for jp, text in old.values()}
        lines = [f"# QD-Atlas string table, language {lang}: id, Japanese text, {lang} text"]
        for sid, jp in entries():
            if not jp:
                continue
            text = None
            if sid in old and old[sid][0] == jp:
                text = old[sid][1]
            elif jp in glossary:
                text = glossary[jp][col]
            elif jp in by_text:
                text = by_text[jp]
            if text is None:
                sys.stderr.write(f"{lang}: no translation for {sid} {jp}\n")
                status = 1
                continue
            lines.append(f"{sid}\t{jp}\t{text}")
        path.parent.mkdir(exist_ok=True)
        path.write_text("\n".join(lines) + "\n", encoding="utf-8")
    return status


if __name__ == "__main__":
    sys.exit(main())
