#!/usr/bin/env python3
"""Writes the seed corpora in fuzz/corpus/<target>/: a few well-formed inputs per target, in
the layout each fuzz target's header describes, so that fuzzing starts from files the program
really reads. Run from anywhere; it replaces the seeds it writes and leaves others alone."""

import os
import shutil
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
TEMPLATES = os.path.join(HERE, "..", "data", "templates")


def seed(target, name, data):
    directory = os.path.join(CORPUS, target)
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, name), "wb") as out:
        out.write(data)


# ---- project files -------------------------------------------------------------------------

def short_text(text, room=255):
    text = text[:room]
    return bytes([len(text)]) + text + bytes(room - len(text))


def colour(text, rgb):
    return short_text(text, 7), struct.pack("<I", rgb)


def record(site_type=0, template=0, texts=(b"",) * 6, font=0, ticks_personal=(1,) + (0,) * 8,
           ticks_business=(1,) + (0,) * 13, flags=(0, 0, 1, 0)):
    r = bytearray(1664)
    r[0] = site_type
    r[1] = template
    for i, text in enumerate(texts):
        r[2 + 256 * i:2 + 256 * (i + 1)] = short_text(text)
    r[1538] = font
    t, v = colour(b"#000000", 0)
    r[1539:1547], r[1548:1552] = t, v
    r[1552], r[1553] = 20, 0
    for text_at, value_at, decoration_at, (t, rgb) in (
            (1554, 1564, 1568, (b"#0000FF", 0xFF0000)), (1569, 1580, 1584, (b"#0000FF", 0xFF0000)),
            (1585, 1596, 1600, (b"#FF0000", 0x0000FF)), (1601, 1612, 1616, (b"#800080", 0x800080))):
        r[text_at:text_at + 8], r[value_at:value_at + 4] = colour(t, rgb)
        r[decoration_at] = 0
    r[1617], r[1618], r[1619] = 1, 0, 1
    r[1620:1628], r[1628:1632] = colour(b"#000000", 0)
    r[1632:1636] = bytes(flags)
    r[1636:1645] = bytes(ticks_personal)
    r[1645:1659] = bytes(ticks_business)
    return bytes(r)


def project_input(lists, project_file, pages):
    data = bytes([lists]) + struct.pack("<H", project_file if isinstance(project_file, int)
                                        else len(project_file))
    if not isinstance(project_file, int):
        data += project_file
    for kind, body in pages:
        data += bytes([kind]) + struct.pack("<H", len(body)) + body
    return data


bodies = [(2, b"<p>page %d</p>\r\n" % n) for n in range(1, 15)]
seed("projectfiles", "default", project_input(0x21, record(), bodies))
seed("projectfiles", "everything-on", project_input(0x3F, record(
    site_type=1, template=14, font=8,
    texts=(b"T" * 255, b"Caf\xe9 \x80 \"quoted\"", b"a,b", b"2001-2024", b"/home/a/logo.jpg",
           b"\x00zero"),
    ticks_personal=(1,) * 9, ticks_business=(1,) * 14, flags=(1, 1, 1, 1)), bodies))
seed("projectfiles", "short-record", project_input(0x21, record()[:1663], bodies))
seed("projectfiles", "page7-missing",
     project_input(0x21, record(ticks_business=(1, 1) + (0,) * 12), bodies[:6] + [(0, b"")]))
seed("projectfiles", "page3-directory", project_input(0x21, record(), bodies[:2] + [(1, b"")]))
seed("projectfiles", "no-project-file", project_input(0x21, 0xFFFF, []))
seed("projectfiles", "damaged-bytes", project_input(0x10, bytes(range(256)) * 7, bodies[:3]))


# ---- page rendering ------------------------------------------------------------------------

def render_input(flags, page, texts, body, template, name=b"t"):
    data = bytes([flags | (page - 1) << 4])
    for text in texts:
        data += bytes([len(text)]) + text
    return data + struct.pack("<H", len(body)) + body + bytes([len(name)]) + name + template


site_texts = (b"My Site", b"A \"site\"", b"a,b", b"2024", b"/home/a/logo.png", b"Hello")
for name in ("Classic", "Midnight"):
    with open(os.path.join(TEMPLATES, name + ".t"), "rb") as template:
        seed("renderpage", name.lower(),
             render_input(7, 1, site_texts, b"<p>Welcome</p>\r\n<p>Two</p>", template.read()))
seed("renderpage", "image-block", render_input(1, 3, site_texts, b"x", (
    b"<!--$NAV$-->\r\n  <!--$IMG$-->\r\na.gif\r\nb b.jpg\r\n<!--$ENDIMG$-->\r\n"
    b"<!--$TEXTNAV$-->\r\n<!--$CONTENT$-->")))
seed("renderpage", "line-feeds-only", render_input(0, 2, site_texts, b"",
                                                   b"<!--$TITLE$-->\n<!--$NAV$-->\n"))
seed("renderpage", "ctrl-z-open-block", render_input(6, 14, (b"",) * 6, b"body", (
    b"\t<!--$COPYBOTTOM$--> \r\n<!--$MADE$-->\r<!--$IMG$-->\r\nt.t\r\n\x1a<!--$ENDIMG$-->")))
seed("renderpage", "quoted-name", render_input(1, 4, site_texts, b"", b"<!--$NAV$-->\r\n",
                                               b"Say \"hi\" \\ </script> #1?%20"))
seed("renderpage", "accented-name", render_input(0, 9, site_texts, b"", b"<!--$NAV$-->\r\n",
                                                 b" Caf\xe9:\x80\r\n"))
seed("renderpage", "path-in-block", render_input(0, 5, site_texts, b"",
                                                 b"<!--$IMG$-->\r\n../x\r\n<!--$ENDIMG$-->\r\n"))


# ---- markup tools --------------------------------------------------------------------------

seed("markupcounts", "list", b"\x00abc\n3\nApples\n\nPears")
seed("markupcounts", "list-hex", b"\x00$1F\n" + b"item\n" * 31)
seed("markupcounts", "list-negative", b"\x00-1")
seed("markupcounts", "table", b"\x01x2\n 2\n0x3")
seed("markupcounts", "table-too-big", b"\x012147483647\n2")
seed("markupcounts", "table-zero", b"\x010\n3")
seed("markupcounts", "heading", b"\x029\n-3\n3rd\nWelcome")
seed("markupcounts", "heading-cancelled", b"\x02\nText")
seed("markupcounts", "overflow", b"\x00-2147483649\n+2147483648\n-0x80000000")


# ---- update file ---------------------------------------------------------------------------

seed("updatefile", "current", b"v1.0\r\n")
seed("updatefile", "newer-lines", b"v1.1\r\nsecond line\r\n")
seed("updatefile", "line-feed", b"v1.0\nv1.1")
seed("updatefile", "ctrl-z", b"v1.0\x1a\r\n")
seed("updatefile", "empty", b"")
seed("updatefile", "long-line", b"v" * 1500 + b"\r\n")


# ---- JPEG pictures -------------------------------------------------------------------------

with tempfile.TemporaryDirectory() as work:
    def picture(name, *arguments):
        path = os.path.join(work, name + ".jpg")
        subprocess.run(["convert", *arguments, path], check=True)
        with open(path, "rb") as made:
            return made.read()

    seed("jpeg", "rgb", picture("rgb", "-size", "16x12", "gradient:red-blue", "-quality", "80"))
    seed("jpeg", "grey", picture("grey", "-size", "8x8", "gradient:", "-colorspace", "Gray"))
    seed("jpeg", "progressive",
         picture("progressive", "-size", "24x16", "plasma:fractal", "-seed", "3",
                 "-interlace", "JPEG"))
    seed("jpeg", "cmyk", picture("cmyk", "-size", "8x8", "xc:orange", "-colorspace", "CMYK"))
    seed("jpeg", "subsampled",
         picture("subsampled", "-size", "17x9", "xc:teal", "-sampling-factor", "2x2"))
    whole = picture("cut", "-size", "32x32", "plasma:", "-seed", "5")
    seed("jpeg", "cut-short", whole[:len(whole) // 2])
