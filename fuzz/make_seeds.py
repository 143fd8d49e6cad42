#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora (corpus/NAME/) and the job ticket
dictionary (dict/job.dict) from the repository's examples and the shapes of
the tests' own files. Run from anywhere after a build that made spotgen and
prnhost:  fuzz/make_seeds.py BUILD_DIR  (the other dictionaries are kept by
hand). The corpora are kept in the repository; this script remakes them."""
import os
import re
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FUZZ = os.path.join(ROOT, "fuzz")


def put(target, name, data):
    folder = os.path.join(FUZZ, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("latin-1"))


def read(path):
    with open(os.path.join(ROOT, path), "rb") as f:
        return f.read()


def cut_files():
    square = "%!PS-Adobe-3.0\r\n%%Note: AI_ParserStart\r\n0 0 m\r\n100 0 l\r\n100 100 l\r\n0 100 l\r\n0 0 l\r\n%%Note: AI_ParserStop\r\n"
    curve = "%!PS-Adobe-3.0\n%%Note: AI_ParserStart\n10 10 m\n20 40 60 40 70 10 c\n70 10 l\n%%Note: AI_ParserStop\n9 9 l\n"
    open_end = "%%Note: AI_ParserStart\n0 0 m\n10 10 l\n"
    odd = "%%Note: AI_ParserStart\n1e308 -1e9 m\nnan inf l\n0x1p3 12.5 L\n-0 7 c\n%%Note: AI_ParserStop\n"
    operators = read("tests/cutting/data/all_operators.ai").decode("latin-1")  # every path operator
    # Lines as PostScript reads them: comments, strings, arrays, procedures over lines, words that are no number.
    syntax = ("%%Note: AI_ParserStart\n/m {moveto} def 0 0 m % 5 5 l\n(to 500 (500) l\\) now\\\n) Tx [1 2 l] pop 10 0 l\n"
              "{ 3 4 l\n} bind <</A 1>> d 10 10 l 1e-400 5 l\n100,5 100 l\n5 10 10 m\n20 20 m 30 30 l S <41 42\n"
              "%%Note: AI_ParserStop\n")
    # Lines and curves with no current point: before any move, after moves the reader does not take, after painting.
    nowhere = ("%%Note: AI_ParserStart\n10 10 l\n10 10m\n20 20 l\n10 10 M 5 5 moveto\n1 2 3 4 5 6 c\n"
               "0 0 m\n30 0 l\nS\n40 40 l\n50 0 m 60 0 l f 1 1 2 2 v\nN\nf\n%%Note: AI_ParserStop\n")
    for i, text in enumerate([square, curve, open_end, odd, operators, syntax, nowhere]):
        for choice in (0x00, 0x01, 0x03, 0x1A):  # CJV30 / CJV300, marks, feed, cutting mode
            put("cut_file", "%d-%02x" % (i, choice), bytes([choice]) + text.encode())


def spot_files(build):
    put("spot_file", "example", read("examples/700_720x720dpi.spt"))
    spotgen = os.path.join(build, "bin", "spotgen")
    with tempfile.TemporaryDirectory() as tmp:
        for args in (["--type", "2", "--size1", "8", "--size2", "4"],
                     ["--type", "2", "--size1", "3", "--size2", "7", "--block"],
                     ["--type", "10", "--size1", "8", "--size2", "3"],
                     ["--type", "10", "--size1", "13", "--size2", "5", "--block"]):
            out = os.path.join(tmp, "s.spt")
            subprocess.run([spotgen] + args + [out], check=True, stdout=subprocess.DEVNULL)
            with open(out, "rb") as f:
                put("spot_file", "gen-" + "-".join(a.strip("-") for a in args), f.read())


def ini_files():
    put("ini_file", "defaults",
        "; set HalftoneThreadCount=-1 enables parallel halftoning\n[DebugTif]\nWriteInputTiff=0\n"
        "WriteInputTiffSep=0\nWriteOutputTiff=0\nWriteOutputTiffSep=0\n[Special]\nHalftoneThreadCount=-1\n"
        "UseTimeForRandom=0\nAutoCleaning=0\nUseNewTIL=1\n")
    put("ini_file", "commented", "[Special]\n#HalftoneThreadCount=0\n;[Old]\n  key = value  \r\nHalftoneThreadCount = 9\n")
    put("ini_file", "empty", "")


def visual_corrections():
    def block(name, points, offset):
        text = "%s\n%d\n" % (name, len(points)) + "".join("%g %g\n" % p for p in points)
        text += "".join("%d %d\n" % (v, (v + offset) & 255) for v in range(256))
        return text + "END\n"
    diagonal = [(0.0, 0.0), (1.0, 1.0)]
    put("visual_correction", "hdr8", "HDR8\n" + "".join(block("C%d" % b, diagonal, b) for b in range(8)))
    put("visual_correction", "hdr4", "HDR4\n" + block("C", [(0.0, 0.0), (0.25, 0.5), (1.0, 1.0)], 0)
        + "".join(block("C", diagonal, 0) for _ in range(3)))
    put("visual_correction", "no-header", block("BEGIN", [(1.0, 0.0), (0.0, 1.0)], 99) + block("C", diagonal, 0))


def lin_files():
    put("epl_file", "standin-example", read("stand-ins/epl/examples/cmyk.lin"))
    put("epl_file", "example", read("examples/cmyk.lin"))
    put("epl_file", "curves-only", "EPLSTANDIN 1\nkind 1\ncurve 0 3  0 0  128 1800  255 4095\ncurve 3 2  0 0  255 3500\n")


def tickets():
    for name in ("jv33", "jv3", "jv4", "jv33-screening"):
        put("ticket_text", name, read("examples/%s.ticket" % name))
    put("ticket_text", "forms", '[system]\nSystem/OEMID = 0\n[job]\nInput/Title = "Poster \\"A\\"\\n\\x41\\101"\n'
        "Process/InfoMessage[] = \"first\"\nProcess/InfoMessage[] = \"second\"\nX/Y = 1e-3\n[printer 700]\n"
        "[host-printer 3]\nA/B = -7\n")


def jobs():
    # Byte 0 the model (index), byte 1 width and pages, byte 2 height; then the
    # ticket, whose paths are relative to the repository root (where the target runs).
    for i, name in enumerate(("jv33", "jv3", "jv4", "jv33-screening")):
        text = read("examples/%s.ticket" % name).decode()
        for model in range(8):
            put("job", "%s-%d" % (name, model), bytes([model, 0x47 if i % 2 else 0x0F, 5]) + text.encode())


def images():
    put("image_reader", "p6", b"P6\n4 2\n255\n" + bytes(range(24)))
    put("image_reader", "p5", b"P5\n# grey\n3 3\n255\n" + bytes(range(9)))
    put("image_reader", "pam-cmyk", b"P7\nWIDTH 2\nHEIGHT 2\nDEPTH 4\nMAXVAL 255\nTUPLTYPE CMYK\nENDHDR\n" + bytes(range(16)))
    put("image_reader", "pam-cmykog", b"P7\nWIDTH 1\nHEIGHT 2\nDEPTH 6\nMAXVAL 255\nTUPLTYPE CMYKOG\nENDHDR\n" + bytes(range(12)))
    put("image_reader", "pam-stream", (b"P7\nWIDTH 2\nHEIGHT 1\nDEPTH 4\nMAXVAL 255\nTUPLTYPE CMYK\nENDHDR\n" +
                                        bytes(range(8)) + b"\n") * 2)
    put("image_reader", "tiff-rgb", rgb_tiff(1))
    put("image_reader", "tiff-rgb-pages", rgb_tiff(3, reduced=1))


def rgb_tiff(pages, reduced=None):
    """A 3 x 2 RGB TIFF of pages directories (the one at index reduced a
    reduced-resolution image), one strip each, uncompressed, little-endian."""
    pixels = bytes(range(18))
    out = b"II" + struct.pack("<HI", 42, 8)
    for page in range(pages):
        entries = [(256, 3, 1, 3), (257, 3, 1, 2), (258, 3, 3, 0), (259, 3, 1, 1), (262, 3, 1, 2),
                   (273, 4, 1, 0), (277, 3, 1, 3), (278, 3, 1, 2), (279, 4, 1, len(pixels)), (284, 3, 1, 1)]
        if page == reduced:
            entries.insert(0, (254, 4, 1, 1))
        ifd_at = len(out)
        ifd_size = 2 + 12 * len(entries) + 4
        bits_at = ifd_at + ifd_size
        data_at = bits_at + 6
        next_at = data_at + len(pixels) if page + 1 < pages else 0
        out += struct.pack("<H", len(entries))
        for tag, kind, count, value in entries:
            if tag == 258:
                value = bits_at
            if tag == 273:
                value = data_at
            out += struct.pack("<HHI", tag, kind, count) + (struct.pack("<HH", value, 0) if kind == 3 and count == 1
                                                            else struct.pack("<I", value))
        out += struct.pack("<I", next_at) + struct.pack("<HHH", 8, 8, 8) + pixels
    return out


def prn_streams(build):
    prnhost = os.path.join(build, "bin", "prnhost")
    with tempfile.TemporaryDirectory() as tmp:
        picture = os.path.join(tmp, "p.pam")
        with open(picture, "wb") as f:
            f.write(b"P7\nWIDTH 24\nHEIGHT 6\nDEPTH 4\nMAXVAL 255\nTUPLTYPE CMYK\nENDHDR\n")
            f.write(bytes((i * 37) & 255 for i in range(24 * 6 * 4)))
        for name in ("jv33", "jv3", "jv4"):
            out = os.path.join(tmp, name + ".prn")
            subprocess.run([prnhost, "--ticket", os.path.join(ROOT, "examples", name + ".ticket"),
                            "--image", picture, "--out", out], check=True, cwd=ROOT,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            with open(out, "rb") as f:
                put("prndump", name, f.read())


def packbits():
    put("packbits", "runs", bytes([0] * 200 + [1, 2, 3] + [7] * 3 + [9]))
    put("packbits", "literal", bytes(range(256)))
    put("packbits", "mixed", bytes([0x80, 0x80, 1, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 2]))


def job_dictionary():
    keys = set()
    pattern = re.compile(r'"((?:Output|Process|Input|System|Workflow|Debug|ContourCutting)/[A-Za-z0-9_/]+)"')
    for folder, _, files in os.walk(os.path.join(ROOT, "Src")):
        for name in files:
            if name.endswith((".cpp", ".h")):
                with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
                    keys.update(pattern.findall(f.read()))
    lines = ["# Keys the plug-in reads from a job ticket (from its sources), and the text form's pieces.",
             '"[job]"', '"[system]"', '" = "', '"\\x0a"', '"[]"', '"\\""', '".0"', '"-1"', '"2147483647"', '"1e308"']
    lines += ['"%s = "' % k for k in sorted(keys)]
    with open(os.path.join(FUZZ, "dict", "job.dict"), "w") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build")
    cut_files()
    spot_files(build)
    ini_files()
    visual_corrections()
    lin_files()
    tickets()
    jobs()
    images()
    prn_streams(build)
    packbits()
    job_dictionary()
