#!/usr/bin/env python3
"""Lists the Japanese UTF-8 literals of the widget code and checks the dialog text tables.

  ui_texts.py list             every Japanese literal of pages/ and app/ (adjacent literals joined),
                               one per line in the escaped form of ui.tsv, with where it is used
  ui_texts.py missing [lang]   literals without a line in resources/lang/<lang>/ui.tsv (us and de
                               when no language is given); exit status 1 when there are any
  ui_texts.py add FILE         merge FILE (lines `Japanese<TAB>English<TAB>German`) into the us and de
                               tables, keeping their existing lines

A literal equal to a message text still needs its line: the widget shows the literal through UiText,
not through the string table. `ctest` runs `missing` as a test.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parents[3]
LANG_DIR = ROOT / "resources/lang"
SOURCE_DIRS = ["pages", "app", "monitor", "storage", "chart"]

TOKEN = re.compile(
    r'//[^\n]*|/\*.*?\*/'                     # comments
    r"|'(?:[^'\\\n]|\\.)*'"                   # character literals
    r'|(?:u8|u|U|L)?"((?:[^"\\\n]|\\.)*)"'    # string literals
    r'|\s+|.', re.S)


def literals(text):
    """Yields (line, value) for each run of adjacent string literals, value in C-escaped form."""
    run, start, line = [], None, 1
    for m in TOKEN.finditer(text):
        tok = m.group(0)
        if m.group(1) is not None:
            if not run:
                start = line
            run.append(m.group(1))
        elif tok.isspace() or tok.startswith("//") or tok.startswith("/*"):
            pass
        elif run:
            yield start, "".join(run)
            run = []
        line += tok.count("\n")
    if run:
        yield start, "".join(run)


def to_tsv(value):
    # C escapes \" and \' become plain characters; \n, \t, \r, \\ are the table's own escapes.
    return value.replace('\\"', '"').replace("\\'", "'")


def collect():
    found = {}
    for d in SOURCE_DIRS:
        for path in sorted((ROOT / d).glob("*.[ch]*")):
            for line, value in literals(path.read_text(encoding="utf-8")):
                if any(ord(c) > 127 for c in value):
                    found.setdefault(to_tsv(value), []).append(f"{path.relative_to(ROOT)}:{line}")
    return found


def table(lang):
    path = LANG_DIR / lang / "ui.tsv"
    rows = {}
    for line in path.read_text(encoding="utf-8").splitlines():
        if line and not line.startswith("#"):
            jp, text = line.split("\t")
            rows[jp] = text
    return rows


def main(argv):
    if len(argv) >= 2 and argv[1] == "list":
        for value, where in collect().items():
            print(f"{value}\t{' '.join(where)}")
        return 0
    if len(argv) >= 2 and argv[1] == "missing":
        langs = argv[2:] or ["us", "de"]
        status = 0
        for lang in langs:
            rows = table(lang)
            for value, where in collect().items():
                if value not in rows:
                    print(f"{lang}\t{value}\t{where[0]}")
                    status = 1
        return status
    if len(argv) == 3 and argv[1] == "add":
        new = [l.split("\t") for l in pathlib.Path(argv[2]).read_text(encoding="utf-8").splitlines()
               if l and not l.startswith("#")]
        for col, lang in ((1, "us"), (2, "de")):
            path = LANG_DIR / lang / "ui.tsv"
            lines = path.read_text(encoding="utf-8").splitlines()
            have = table(lang)
            for cols in new:
                if cols[0] not in have:
                    lines.append(f"{cols[0]}\t{cols[col]}")
                    have[cols[0]] = cols[col]
            path.write_text("\n".join(lines) + "\n", encoding="utf-8")
        return 0
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
