#!/usr/bin/env python3
"""Checks that each folder of Src/ includes only headers of its own folder or
of the folders below it: platform, base, services, host, job, printers,
halftone, drivers, cutting, catalogue, plugin (lowest first).

Exits 1 and names every include that reaches up, unless it stands in
ALLOWED below with its reason."""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2] / "Src"
ORDER = ["platform", "base", "services", "host", "job", "printers",
         "halftone", "drivers", "cutting", "catalogue", "plugin"]
RANK = {name: i for i, name in enumerate(ORDER)}

# (including file, included header): the only includes that reach up.
ALLOWED = {
    # The job's settings reader builds the job's RGB correction table from
    # the linearisation library when the ticket asks for printer
    # calibration; the library's proxy and the table live with the halftoner.
    ("job/job_settings.cpp", "halftone/rgb_table.h"),
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def main() -> int:
    bad = []
    for path in sorted(ROOT.rglob("*")):
        if path.suffix not in (".h", ".cpp", ".inc") or not path.is_file():
            continue
        rel = path.relative_to(ROOT).as_posix()
        own = rel.split("/")[0]
        for header in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
            top = header.split("/")[0]
            if top in RANK and RANK[top] > RANK[own] and (rel, header) not in ALLOWED:
                bad.append(f"Src/{rel} includes {header}: {top}/ lies above {own}/")
    for line in bad:
        print(line)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
