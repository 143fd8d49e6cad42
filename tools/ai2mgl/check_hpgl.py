#!/usr/bin/env python3
"""Checks ai2mgl against an independent HP-GL renderer on Illustrator files
written outside this project, and on cut files given with the m/l/c outline
they must draw.

Each outside input is PostScript turned into an Adobe Illustrator 3 file by
Ghostscript's ps2ai.ps, wrapped in the two marker lines of a cut file. ai2mgl
writes its HP-GL; hp2xx renders that as SVG at true size, in points with the
y axis downwards. Every point of the SVG must be the file's m/l/c geometry
(paths closed by f, F, s, b, B and n) turned a quarter turn: an Illustrator
point (x, y) at plotter units ((e - y) * 1016/72, x * 1016/72) comes back from
hp2xx as (c1 - y, c2 - x) points, within the rounding to whole plotter units;
the points of a flattened curve lie on the curve within the flattening
tolerance. A given cut file AI is drawn and held against the geometry of its
REFERENCE, the same outline in m, l and c alone.

hp2xx runs in WORKDIR on short relative names: it cannot take long paths.

usage: check_hpgl.py AI2MGL GS HP2XX WORKDIR [AI REFERENCE]...
"""
import glob
import gzip
import math
import os
import re
import subprocess
import sys

UNIT = 72.0 / 1016.0  # one plotter unit in points
# Rounding to whole units, then hp2xx's three decimals, twice: once for the
# point, once for the first point that places the picture.
POINT_TOL = 1.1 * UNIT + 0.004
CURVE_TOL = POINT_TOL + 0.5 * UNIT  # the flattening tolerance of half a unit on top

# PostScript that draws curves: glyph outlines of Ghostscript's own fonts.
GLYPHS_PS = """%!PS
/Times-Roman findfont 96 scalefont setfont
60 500 moveto (Cutting) show
/Helvetica-Bold findfont 80 scalefont setfont
60 300 moveto (Sg&@8) show
showpage
"""


def inputs(workdir):
    """(name, PostScript path, extra Ghostscript arguments) of every input found."""
    found = []
    glyphs = os.path.join(workdir, "glyphs.ps")
    with open(glyphs, "w") as f:
        f.write(GLYPHS_PS)
    found.append(("glyph outlines", glyphs, ["-c", "/joutln true def", "-f"]))
    pages = "/usr/share/doc/hp2xx/hp-tests/pages.eps.gz"
    if os.path.exists(pages):
        path = os.path.join(workdir, "pages.eps")
        with gzip.open(pages) as src, open(path, "wb") as dst:
            dst.write(src.read())
        found.append(("hp2xx pages.eps", path, []))
    for logo in sorted(glob.glob("/usr/share/tcltk/tk*/images/logo.eps"))[:1]:
        found.append(("tk logo.eps", logo, []))
    return found


def ps2ai(gs, name, ps, extra, workdir):
    out = subprocess.run([gs, "-q", "-dNODISPLAY", "-dNOSAFER"] + extra + ["ps2ai.ps", ps],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300, check=True)
    ai = out.stdout.decode("latin-1")
    path = os.path.join(workdir, re.sub(r"\W+", "_", name) + ".ai")
    with open(path, "w", encoding="latin-1", newline="") as f:
        f.write("%%Note: AI_ParserStart\n" + ai + "\n%%Note: AI_ParserStop\n")
    return path, ai


def number(token):
    try:
        return float(token)
    except ValueError:
        return None


def geometry(ai):
    """Strokes of the file: lists of points and ('c', p0, p1, p2, p3) curves."""
    strokes, current, pen, start = [], None, (0.0, 0.0), None
    for line in ai.splitlines():
        tokens = line.split()
        if not tokens or tokens[0].startswith("%"):
            continue
        values = [number(t) for t in tokens[:-1]]
        if None in values:
            continue
        op = tokens[-1]
        if op == "m" and len(values) == 2:
            current = [tuple(values)]
            strokes.append(current)
            pen = start = tuple(values)
        elif op == "l" and len(values) == 2 and current is not None:
            current.append(tuple(values))
            pen = tuple(values)
        elif op == "c" and len(values) == 6 and current is not None:
            p1, p2, p3 = tuple(values[0:2]), tuple(values[2:4]), tuple(values[4:6])
            current.append(("c", pen, p1, p2, p3))
            pen = p3
        elif op in ("f", "F", "s", "b", "B", "n") and current is not None and pen != start:
            current.append(start)
            pen = start
    return strokes


def bbox(ai):
    m = re.search(r"%%BoundingBox:\s*(-?\d+)\s+(-?\d+)\s+(-?\d+)\s+(-?\d+)", ai)
    return tuple(int(v) for v in m.groups())


def svg_points(svg):
    points = []
    for path in re.findall(r'<path d="([^"]*)"', svg):
        points.extend((float(x), float(y)) for x, y in re.findall(r"[ML]\s*(-?[\d.]+),\s*(-?[\d.]+)", path))
    deduped = []
    for p in points:
        if not deduped or p != deduped[-1]:
            deduped.append(p)
    return deduped


def bezier(c, t):
    _, p0, p1, p2, p3 = c
    s = 1 - t
    a, b, d, e = s * s * s, 3 * s * s * t, 3 * s * t * t, t * t * t
    return (a * p0[0] + b * p1[0] + d * p2[0] + e * p3[0], a * p0[1] + b * p1[1] + d * p2[1] + e * p3[1])


def segment_distance(p, a, b):
    dx, dy = b[0] - a[0], b[1] - a[1]
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / length2))
    return math.hypot(p[0] - (a[0] + t * dx), p[1] - (a[1] + t * dy))


def check(name, strokes, actual):
    """Walks the expected geometry along the rendered points; returns problems."""
    items = []
    for stroke in strokes:
        if len(stroke) < 2:
            continue  # a move alone draws nothing
        items.extend(stroke)
    if not items or not actual:
        return ["%s: nothing drawn (%d expected items, %d points)" % (name, len(items), len(actual))]
    c1 = actual[0][0] + items[0][1]
    c2 = actual[0][1] + items[0][0]

    def place(p):
        return (c1 - p[1], c2 - p[0])

    def near(a, b, tol):
        return abs(a[0] - b[0]) <= tol and abs(a[1] - b[1]) <= tol

    def skip_same(j, point):
        """Past the rendered point j and the copies of it that follow."""
        j += 1
        while j < len(actual) and near(actual[j], point, POINT_TOL):
            j += 1
        return j

    j = 0
    for k, item in enumerate(items):
        if item[0] == "c":
            samples = [place(bezier(item, i / 1000.0)) for i in range(1001)]
            end = place(item[4])
            while j < len(actual) and not near(actual[j], end, POINT_TOL):
                if min(segment_distance(actual[j], a, b) for a, b in zip(samples, samples[1:])) > CURVE_TOL:
                    return ["%s: item %d: point %s is off the curve" % (name, k, actual[j])]
                j += 1
            if j == len(actual):
                return ["%s: item %d: the curve's end %s is never reached" % (name, k, end)]
            j = skip_same(j, end)
            continue
        want = place(item)
        if j < len(actual) and near(actual[j], want, POINT_TOL):
            j = skip_same(j, want)
        elif j > 0 and near(actual[j - 1], want, POINT_TOL):
            pass  # the same plotter point again
        else:
            got = actual[j] if j < len(actual) else None
            return ["%s: item %d: expected %s, rendered %s" % (name, k, want, got)]
    if j != len(actual):
        return ["%s: %d rendered points left over" % (name, len(actual) - j)]
    return []


def draw(ai2mgl, hp2xx, workdir, ai_path, box, marks, index):
    """The SVG points of ai2mgl's HP-GL for a cut file."""
    llx, lly, urx, ury = box
    short = "d%d" % index
    subprocess.run([ai2mgl, "--ai", ai_path, "--width", str((urx - llx) * 10), "--height", str((ury - lly) * 10),
                    "--dpi", "720", "--out", os.path.join(workdir, short + ".cut"), "--hpgl",
                    os.path.join(workdir, short + ".hpgl")] + marks,
                   check=True, timeout=300, stderr=subprocess.DEVNULL)
    subprocess.run([hp2xx, "-q", "-m", "svg", "-t", "-f", short + ".svg", short + ".hpgl"], cwd=workdir,
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
    with open(os.path.join(workdir, short + ".svg")) as f:
        return svg_points(f.read())


def main():
    ai2mgl, gs, hp2xx, workdir = sys.argv[1:5]
    given = sys.argv[5:]
    if len(given) % 2:
        sys.exit("usage: check_hpgl.py AI2MGL GS HP2XX WORKDIR [AI REFERENCE]...")
    os.makedirs(workdir, exist_ok=True)
    cases = []  # (name, cut file, text whose m/l/c geometry it must draw, bounding box)
    for name, ps, extra in inputs(workdir):
        ai_path, ai = ps2ai(gs, name, ps, extra, workdir)
        cases.append((name, ai_path, ai, bbox(ai)))
    for ai_path, reference in zip(given[0::2], given[1::2]):
        with open(ai_path, encoding="latin-1") as f:
            box = bbox(f.read())
        with open(reference, encoding="latin-1") as f:
            cases.append((os.path.basename(ai_path), ai_path, f.read(), box))
    problems, curves = [], 0
    for k, (name, ai_path, ai, box) in enumerate(cases):
        strokes = geometry(ai)
        curves += sum(1 for s in strokes for i in s if i[0] == "c")
        for marks in ([], ["--marks"]):
            label = name + (" with marks" if marks else "")
            found = check(label, strokes, draw(ai2mgl, hp2xx, workdir, ai_path, box, marks, 2 * k + len(marks)))
            problems.extend(found)
            print("%s: %d strokes, %s" % (label, len(strokes), "FAIL" if found else "ok"))
    if curves == 0:
        problems.append("no input held a curve")
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
