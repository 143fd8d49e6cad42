#!/usr/bin/env python3
"""Turns the media sizes of sizes.txt into the catalogue's two row files.

Usage: generate.py [--check]

Src/catalogue/tables/media_sizes.inc holds the adds, media_sizes_late.inc the
late adds, one MEDIASIZEROW initialiser per line (id, width, edit width,
length, edit height, form type, size limit, name), in add order; they are
included by Src/catalogue/catalogue_media_sizes.cpp. sizes.txt says how the
sizes, flags and form types follow from the rows. The script checks the
counts the catalogue relies on and fails on a row it cannot read. With
--check nothing is written; the script fails when a row file differs from
what it would write.
"""
import collections
import pathlib
import re
import sys
from fractions import Fraction

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent
OUT_DIR = ROOT / "Src" / "catalogue" / "tables"

ROLL, SHEET = 3, 5
FIFTEEN_METRES = 1500000
FIFTY_METRES = 5000000

UNIT_SCALE = {"mm": 100, "cm": 1000, "m": 100000, "inch": 2540, "Inch": 2540, "in": 2540, '"': 2540}
NUMBER = r"(\d+(?:\.\d+)?)"
UNIT = r'((?:mm|cm|m|inch|Inch|in)(?![A-Za-z])|")?'
TWO_DIMENSIONS = re.compile(NUMBER + r"\s*" + UNIT + r"\s*[xX]\s*" + NUMBER + r"\s*" + UNIT)
BARE_WIDTH = re.compile(NUMBER + r"\s*(mm|inch|Inch)")
ROW = re.compile(r'(\d+)\s+"((?:[^"\\]|\\.)*)"(?:\s*=\s*(\d+) x (\d+))?')
LIST_NAMES = ("swapped", "fifty-metres", "edit-width", "size-limit", "sheet-edit-height", "roll-no-edit-height")

# What the catalogue relies on.
EXPECTED_ADDS, EXPECTED_LATE, EXPECTED_IDS, EXPECTED_GIVEN = 752, 13, 756, 88
EXPECTED_FORMS = {ROLL: 302, SHEET: 454}
EXPECTED_PATTERNS = {  # (edit width, edit height, form type, size limit): ids
    (0, 0, 5, 0): 394, (0, 1, 3, 0): 210, (1, 1, 3, 0): 62, (0, 0, 3, 0): 30,
    (0, 0, 5, 1): 27, (0, 1, 5, 0): 26, (1, 1, 5, 0): 7,
}


def fail(line_no, text):
    sys.exit(f"sizes.txt:{line_no}: {text}")


def round_half_away(value):
    whole = int(abs(value) + Fraction(1, 2))
    return whole if value >= 0 else -whole


class Row:
    def __init__(self, line_no, size_id, literal, given):
        self.line_no = line_no
        self.id = size_id
        self.literal = literal  # as written, escapes kept
        self.name = literal.replace('\\"', '"')
        self.given = given  # (width, length) or None


def parse_ids(text, line_no):
    ids = []
    for item in text.split():
        m = re.fullmatch(r"(\d+)(?:-(\d+))?", item)
        if not m:
            fail(line_no, f"cannot read id {item!r}")
        first, last = int(m.group(1)), int(m.group(2) or m.group(1))
        if last < first:
            fail(line_no, f"empty range {item}")
        ids.extend(range(first, last + 1))
    if len(set(ids)) != len(ids):
        fail(line_no, "an id is listed twice")
    return ids


def parse(path):
    lists = {}
    runs = {"adds": [], "late adds": []}
    current = None
    for line_no, raw in enumerate(path.read_text().splitlines(), 1):
        line = raw.strip()
        if not line or line.startswith("#"):  # names may hold "#", so only whole lines are comments
            continue
        if line in runs:
            current = runs[line]
            continue
        m = re.fullmatch(r"([a-z-]+):(.*)", line)
        if m and m.group(1) in LIST_NAMES:
            if m.group(1) in lists:
                fail(line_no, f"{m.group(1)} given twice")
            lists[m.group(1)] = parse_ids(m.group(2), line_no)
            continue
        m = ROW.fullmatch(line)
        if not m or current is None:
            fail(line_no, f"cannot read {raw!r}")
        given = (int(m.group(3)), int(m.group(4))) if m.group(3) else None
        current.append(Row(line_no, int(m.group(1)), m.group(2), given))
    missing = [name for name in LIST_NAMES if name not in lists]
    if missing:
        sys.exit("sizes.txt: missing " + ", ".join(missing))
    return lists, runs["adds"], runs["late adds"]


def stated_dimensions(name):
    """The name's two dimensions in 1/100 mm, in the order of the name, or None."""
    m = TWO_DIMENSIONS.search(name)
    if not m or not (m.group(2) or m.group(4)):
        return None
    first_unit = m.group(2) or m.group(4)
    second_unit = m.group(4) or m.group(2)
    return (round_half_away(Fraction(m.group(1)) * UNIT_SCALE[first_unit]),
            round_half_away(Fraction(m.group(3)) * UNIT_SCALE[second_unit]))


def bare_width(name):
    """The width of a name that states one dimension only, leading the name."""
    if stated_dimensions(name):
        return None
    m = BARE_WIDTH.match(name)
    return round_half_away(Fraction(m.group(1)) * UNIT_SCALE[m.group(2)]) if m else None


def size_of(row, lists):
    if row.given:
        return row.given
    stated = stated_dimensions(row.name)
    if stated:
        return (stated[1], stated[0]) if row.id in lists["swapped"] else stated
    width = bare_width(row.name)
    if width is None:
        fail(row.line_no, f"{row.name!r} states no size: give it")
    return width, FIFTY_METRES if row.id in lists["fifty-metres"] else FIFTEEN_METRES


def form_of(row, lists):
    if row.id in lists["size-limit"] or row.id in lists["sheet-edit-height"]:
        return SHEET
    if row.id in lists["roll-no-edit-height"] or row.id in lists["edit-width"]:
        return ROLL
    stated = stated_dimensions(row.name)
    if (bare_width(row.name) is not None or "Roll" in row.name or "roll" in row.name
            or (stated and stated[1] > FIFTEEN_METRES)):
        return ROLL
    return SHEET


def columns_of(row, lists):
    width, length = size_of(row, lists)
    form = form_of(row, lists)
    edit_height = int(form == ROLL)
    if row.id in lists["sheet-edit-height"]:
        edit_height = 1
    if row.id in lists["roll-no-edit-height"]:
        edit_height = 0
    return (row.id, width, int(row.id in lists["edit-width"]), length, edit_height, form,
            int(row.id in lists["size-limit"]))


def check_counts(lists, adds, late, table):
    problems = []
    if len(adds) != EXPECTED_ADDS or len(late) != EXPECTED_LATE:
        problems.append(f"{len(adds)} adds and {len(late)} late adds, not {EXPECTED_ADDS} and {EXPECTED_LATE}")
    if len(table) != EXPECTED_IDS:
        problems.append(f"{len(table)} ids, not {EXPECTED_IDS}")
    given = sum(1 for _, row in table.values() if row.given)
    if given != EXPECTED_GIVEN:
        problems.append(f"{given} ids with given sizes, not {EXPECTED_GIVEN}")
    forms = collections.Counter(columns[5] for columns, _ in table.values())
    if dict(forms) != EXPECTED_FORMS:
        problems.append(f"form types {dict(forms)}, not {EXPECTED_FORMS}")
    patterns = collections.Counter((c[2], c[4], c[5], c[6]) for c, _ in table.values())
    if dict(patterns) != EXPECTED_PATTERNS:
        problems.append(f"column patterns {dict(patterns)}, not {EXPECTED_PATTERNS}")
    for name, ids in lists.items():
        unknown = [i for i in ids if i not in table]
        if unknown:
            problems.append(f"{name} lists ids without a row: {unknown}")
    for size_id in lists["swapped"]:
        row = table[size_id][1]
        if row.given or not stated_dimensions(row.name):
            problems.append(f"swapped id {size_id} does not take its size from two dimensions")
    for size_id in lists["fifty-metres"]:
        row = table[size_id][1]
        if row.given or bare_width(row.name) is None:
            problems.append(f"fifty-metre id {size_id} is not a bare width")
    if problems:
        sys.exit("sizes.txt: " + "; ".join(problems))


def render(rows, lists, title):
    out = [
        f"// {title}: {len(rows)} rows, in add order; a later row of an id is ignored.",
        "// Generated by tools/media_sizes/generate.py from sizes.txt: edit there.",
        "// Form type 3 roll, 5 sheet; width and length in 1/100 mm.",
        "// id, width, edit width, length, edit height, form type, size limit, name",
    ]
    for row in rows:
        size_id, width, edit_width, length, edit_height, form, limit = columns_of(row, lists)
        out.append(f'{{ {size_id:>4}, {width:>6}, {edit_width}, {length:>8}, {edit_height}, {form}, {limit}, '
                   f'"{row.literal}" }},')
    return "\n".join(out) + "\n"


def main():
    check = "--check" in sys.argv[1:]
    lists, adds, late = parse(HERE / "sizes.txt")
    table = {}  # id: (columns, row) of the first row of each id
    for row in adds + late:
        if row.id not in table:
            table[row.id] = (columns_of(row, lists), row)
    check_counts(lists, adds, late, table)
    files = {
        "media_sizes.inc": render(adds, lists, "Media sizes"),
        "media_sizes_late.inc": render(late, lists, "Media sizes added after the OEM restriction sets"),
    }
    stale = []
    for file_name, text in files.items():
        target = OUT_DIR / file_name
        if check:
            if not target.exists() or target.read_text() != text:
                stale.append(file_name)
        else:
            target.write_text(text)
    print(f"{len(adds)} adds, {len(late)} late adds, {len(table)} ids")
    if stale:
        sys.exit("out of date: " + ", ".join(stale))


if __name__ == "__main__":
    main()
