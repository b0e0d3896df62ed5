#!/usr/bin/env python3
"""Checks the language text file SWBASE.TXT against the inventory of texts the program uses.

Usage: tools/check_texts.py [--inventory TEXTS.md] [--added data/TEXTS_ADDED.md] [SWBASE.TXT]

The texts this program added to the original inventory (data/TEXTS_ADDED.md, same form) are
checked as if they stood in it: their numbers join the sections of the same name, and new
sections follow the listed ones.

The inventory is a Markdown file with one heading "## SECTION (n texts)" per section, followed
by a table whose first column is the text number. A row that says "**Format with `%s` ...**"
marks a printf format; its directives are the backticked ones inside the bold part, in order.
A row whose use mentions a toolbar tip is also a tooltip, which the toolbar cuts at 79 characters.

Lengths count characters, not bytes: a text holds 199 characters in every language (the
original's 200-byte buffer held 199 Greek letters in the one-byte Greek code page). So that a
cut Greek text cannot hide again, every Greek text must be at least 60% as long as its Italian
text, unless GREEK_SHORTER lists why not. French puts a no-break space (U+00A0) before
":", ";", "?" and "!".

Exits 0 when every check passes, 1 otherwise, printing one line per problem.
"""

import argparse
import os
import re
import subprocess
import sys

LANGUAGES = ["ITA", "ING", "FRA", "TED", "SPA", "GRE"]
MAX_VALUE_CHARS = 199
MAX_TIP_CHARS = 79
GREEK_MIN_SHARE = 0.6
FRENCH_SPACE = "\u00a0"

# Greek texts allowed to be shorter than GREEK_MIN_SHARE of their Italian text, with the reason.
GREEK_SHORTER = {
    ("DIALOGO_SELEZIONE_LINGUA", 6): "the country's name: Αγγλία is shorter than Inghilterra",
}

HEADING = re.compile(r"^##\s+([A-Z_]+)\s+\((\d+)\s+texts?\)\s*$")
ROW = re.compile(r"^\|\s*(\d+)\s*\|")
FORMAT_NOTE = re.compile(r"\*\*Format with(.*?)\*\*")
BACKTICKED = re.compile(r"`([^`]*)`")
DIRECTIVE = re.compile(
    r"%[-+ 0#]*(?:\d+|\*)?(?:\.(?:\d+|\*))?(?:hh|h|ll|l|L|z|j|t)?[diouxXeEfFgGaAcspn%]")
KEY = re.compile(r"^s(\d+)_([A-Z]{3})$")

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


class Expected:
    """What the inventory says about one text."""

    def __init__(self, directives, is_tip):
        self.directives = directives  # None: plain text, no % allowed
        self.is_tip = is_tip


def read_inventory(path, problems):
    """Returns {section: {number: Expected}} in the inventory's order."""
    sections = {}
    declared = {}
    current = None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            m = HEADING.match(line)
            if m:
                current = m.group(1)
                if current in sections:
                    problems.append(f"inventory: section {current} listed twice")
                sections[current] = {}
                declared[current] = int(m.group(2))
                continue
            if line.startswith("#"):
                current = None  # any other heading ends the texts of a section
                continue
            if current is None:
                continue
            m = ROW.match(line)
            if not m:
                continue
            number = int(m.group(1))
            if number in sections[current]:
                problems.append(f"inventory: {current} {number} listed twice")
            cells = [c.strip() for c in line.strip().strip("|").split("|")]
            used_by = cells[1] if len(cells) > 1 else ""
            directives = None
            note = FORMAT_NOTE.search(line)
            if note:
                directives = [d for d in BACKTICKED.findall(note.group(1)) if d.startswith("%")]
            sections[current][number] = Expected(directives, "toolbar tip" in used_by)
    for name, count in declared.items():
        if len(sections[name]) != count:
            problems.append(
                f"inventory: {name} declares {count} texts but its table lists {len(sections[name])}")
    return sections


def check_french_spacing(where, value, problems):
    """A high punctuation mark takes a no-break space before it when it ends a word."""
    for i, mark in enumerate(value):
        if mark not in ":;?!" or i == 0:
            continue
        before = value[i - 1]
        after = value[i + 1:i + 2]
        if before in (" ", "\u202f"):
            problems.append(f"{where}: use U+00A0 before '{mark}'")
        elif before != FRENCH_SPACE and after in ("", " ", "\\"):
            problems.append(f"{where}: no-break space missing before '{mark}'")


def check_value(where, value, expected, problems):
    size = len(value)
    if size > MAX_VALUE_CHARS:
        problems.append(f"{where}: {size} characters, more than {MAX_VALUE_CHARS}")
    if expected.is_tip and size > MAX_TIP_CHARS:
        problems.append(f"{where}: toolbar tip of {size} characters, more than {MAX_TIP_CHARS}")
    if value == "":
        problems.append(f"{where}: empty")
    if value != value.strip():
        problems.append(f"{where}: leading or trailing blank")
    if value.startswith('"') or value.endswith('"'):
        problems.append(f"{where}: starts or ends with a double quote")
    if any(ord(c) < 32 for c in value):
        problems.append(f"{where}: control character (write a line break as \\n)")
    found = DIRECTIVE.findall(value)
    stray = value.count("%") - sum(d.count("%") for d in found)
    if expected.directives is None:
        if "%" in value:
            problems.append(f"{where}: plain text must not contain %")
    else:
        if found != expected.directives or stray:
            problems.append(
                f"{where}: format directives {found} (stray %: {stray}), "
                f"expected {expected.directives}")


def check_file(path, inventory, problems):
    with open(path, "rb") as f:
        raw = f.read()
    if raw.startswith(b"\xef\xbb\xbf"):
        problems.append(f"{path}: starts with a byte order mark")
    if b"\r" in raw:
        problems.append(f"{path}: carriage return found (line ends must be LF)")
    if raw and not raw.endswith(b"\n"):
        problems.append(f"{path}: last line has no line end")

    seen_sections = []
    values = {}  # (section, number, language) -> value
    order = []
    section = None
    for lineno, line in enumerate(raw.split(b"\n"), start=1):
        if line.endswith(b"\r"):
            line = line[:-1]  # already reported once for the whole file
        try:
            text = line.decode("utf-8")
        except UnicodeDecodeError as e:
            problems.append(f"{path}:{lineno}: not valid UTF-8 ({e.reason} at byte {e.start})")
            continue
        if text == "" or text.startswith(";"):
            continue
        if text.startswith("["):
            if not text.endswith("]"):
                problems.append(f"{path}:{lineno}: malformed section header")
                continue
            section = text[1:-1]
            if section.upper() in (s.upper() for s in seen_sections):
                problems.append(f"{path}:{lineno}: section [{section}] appears twice")
            seen_sections.append(section)
            if section not in inventory:
                problems.append(f"{path}:{lineno}: section [{section}] is not in the inventory")
            continue
        if "=" not in text:
            problems.append(f"{path}:{lineno}: neither a section, a comment nor an entry")
            continue
        if section is None:
            problems.append(f"{path}:{lineno}: entry before the first section")
            continue
        key, value = text.split("=", 1)
        m = KEY.match(key)
        if not m or m.group(2) not in LANGUAGES:
            problems.append(f"{path}:{lineno}: malformed key '{key}'")
            continue
        number, language = int(m.group(1)), m.group(2)
        where = f"{path}:{lineno}: [{section}] {key}"
        ident = (section.upper(), number, language)
        if ident in values:
            problems.append(f"{where}: duplicate key")
            continue
        values[ident] = value
        order.append(ident)
        expected = inventory.get(section, {}).get(number)
        if expected is None:
            if section in inventory:
                problems.append(f"{where}: number {number} is not in the inventory")
            continue
        check_value(where, value, expected, problems)
        if language == "FRA":
            check_french_spacing(where, value, problems)

    wanted = [(s.upper(), n, lang)
              for s, numbers in inventory.items()
              for n in sorted(numbers)
              for lang in LANGUAGES]
    for ident in wanted:
        if ident not in values:
            problems.append(f"{path}: missing [{ident[0]}] s{ident[1]}_{ident[2]}")
    for section, number, language in wanted:
        italian = values.get((section, number, "ITA"))
        greek = values.get((section, number, "GRE"))
        if language != "GRE" or italian is None or greek is None:
            continue
        if len(greek) < GREEK_MIN_SHARE * len(italian) and (section, number) not in GREEK_SHORTER:
            problems.append(f"{path}: [{section}] s{number}_GRE has {len(greek)} characters, "
                            f"less than {GREEK_MIN_SHARE:.0%} of the Italian {len(italian)}")
    if [i for i in order if i in set(wanted)] != [i for i in wanted if i in values]:
        problems.append(f"{path}: entries are not in inventory order "
                        "(sections as listed, numbers ascending, languages ITA ING FRA TED SPA GRE)")
    return len(values)


def main_checkout():
    """The folder of the main checkout when REPO is a linked git worktree, else None."""
    try:
        common = subprocess.run(["git", "-C", REPO, "rev-parse", "--path-format=absolute",
                                 "--git-common-dir"], capture_output=True, text=True,
                                timeout=10).stdout.strip()
    except (OSError, subprocess.SubprocessError):
        return None
    return os.path.dirname(common) if common else None


def default_inventory():
    candidates = [os.environ.get("ZOLT_TEXTS_INVENTORY"),
                  os.path.join(REPO, "docs", "TEXTS.md"),
                  os.path.join(os.path.dirname(REPO), "shared", "TEXTS.md")]
    # A worktree finds the inventory beside the main checkout.
    checkout = main_checkout()
    if checkout:
        candidates.append(os.path.join(os.path.dirname(checkout), "shared", "TEXTS.md"))
    for candidate in candidates:
        if candidate and os.path.isfile(candidate):
            return candidate
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("texts", nargs="?", default=os.path.join(REPO, "data", "SWBASE.TXT"))
    parser.add_argument("--inventory", default=default_inventory())
    parser.add_argument("--added", default=os.path.join(REPO, "data", "TEXTS_ADDED.md"))
    args = parser.parse_args()
    if not args.inventory:
        # Exit 77 tells CTest the check was skipped: a checkout without the inventory beside it.
        print("no inventory found: pass --inventory or set ZOLT_TEXTS_INVENTORY")
        return 77

    problems = []
    inventory = read_inventory(args.inventory, problems)
    if args.added and os.path.isfile(args.added):
        for section, numbers in read_inventory(args.added, problems).items():
            listed = inventory.setdefault(section, {})
            for number, expected in numbers.items():
                if number in listed:
                    problems.append(f"added inventory: {section} {number} is already listed")
                listed[number] = expected
    pairs = sum(len(numbers) for numbers in inventory.values())
    entries = check_file(args.texts, inventory, problems)
    for p in problems:
        print(p)
    print(f"{len(inventory)} sections, {pairs} texts, {entries} entries, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
