#!/usr/bin/env python3
"""Draws Tavoly's artwork, its nine sounds and its sample photos from scratch.

Run it through make_art.sh, which first builds the Qt rasteriser (render.cpp): the PNG and
JPEG files are rendered by Qt's own SVG renderer from the drawings made here, and the
wordmark's letters are turned into outlines by it, so the shipped SVG files need no font.

Outputs:
  resources/art/            background.svg, corner_*.svg, icon.svg, icon_32/16.png, the
                            about box's about_logo.svg and the PNG pictures (with @2x
                            versions where the window shows them)
  resources/program/*.wav   16-bit PCM mono, 22050 Hz
  resources/program/PhotoDemo/demo01.jpg .. demo08.jpg

Cursor hot spots, which the program gives when it makes the cursors:
  hand.png     (10, 1): the tip of the index finger
  pointer.png  (10, 1): the same hand, with a small star

--preview FOLDER also writes composed pictures of the window (1x and 2x) for a look.
"""

import argparse
import base64
import math
import random
import re
import struct
import subprocess
import wave
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
ART = ROOT / "resources" / "art"
PROGRAM = ROOT / "resources" / "program"
DEMO = PROGRAM / "PhotoDemo"

TWIPS = 15  # per pixel

# Palette: deep teal and blue, warm orange accents (the nick label is RGB(255, 128, 0)).
BG_TOP = "#1f6a7d"
BG_MID = "#154d63"
BG_BOTTOM = "#0c2f45"
INK = "#15506a"        # glyphs on the light tiles
ORANGE = "#ff8000"
ORANGE_DEEP = "#e0620a"
ORANGE_LIGHT = "#ffa640"
RED = "#d8401c"

# Places the window's own controls take (twips: left, top, width, height); the drawn buttons
# come from contacts/layout.h.
GRID = (180, 1560, 2795, 1995)
STRIP = (3000, 1260, 1575, 315)
PHOTO = (3000, 1560, 1575, 1935)
PANEL = (4620, 480, 1935, 2535)
BANNER = (1500, 180, 3075, 1035)
NICK = (3060, 3120, 1455, 255)
SLOT_LEFTS = (540, 720, 960, 1140, 1380)   # the slot click areas inside the strip
MARKER_TIP = 5                              # x of the marker's point inside its 13 px


class Renderer:
    def __init__(self, program, work):
        self.program = program
        self.work = Path(work)
        self.jobs = []
        self.count = 0
        self.paths = {}

    def text(self, text, size, family="DejaVu Sans", weight=700):
        """Outline of a text as path data (baseline y 0, left x 0) and its advance."""
        key = (text, size, family, weight)
        if key not in self.paths:
            out = subprocess.run([self.program, "textpath", family, str(weight), str(size), text],
                                 check=True, capture_output=True, text=True).stdout.split("\n")
            self.paths[key] = (out[0], float(out[1]))
        return self.paths[key]

    def queue(self, svg_text, target, width, height):
        self.count += 1
        source = self.work / f"job{self.count}.svg"
        source.write_text(svg_text)
        self.jobs.append(f"{source}\t{target}\t{width}\t{height}")

    def run(self):
        subprocess.run([self.program, "render"], input="\n".join(self.jobs) + "\n",
                       check=True, text=True)
        self.jobs = []


def svg(width, height, body, defs=""):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" '
            f'version="1.2" baseProfile="tiny" width="{width}" height="{height}" '
            f'viewBox="0 0 {width} {height}">\n<defs>{defs}</defs>\n{body}\n</svg>\n')


def linear(ident, stops, x1=0, y1=0, x2=0, y2=1, user=False):
    units = ' gradientUnits="userSpaceOnUse"' if user else ""
    s = "".join(f'<stop offset="{o}" stop-color="{c}" stop-opacity="{a}"/>' for o, c, a in stops)
    return f'<linearGradient id="{ident}" x1="{x1}" y1="{y1}" x2="{x2}" y2="{y2}"{units}>{s}</linearGradient>'


def radial(ident, stops, cx, cy, r):
    s = "".join(f'<stop offset="{o}" stop-color="{c}" stop-opacity="{a}"/>' for o, c, a in stops)
    return (f'<radialGradient id="{ident}" cx="{cx}" cy="{cy}" r="{r}" fx="{cx}" fy="{cy}" '
            f'gradientUnits="userSpaceOnUse">{s}</radialGradient>')


def px(rect):
    return tuple(v / TWIPS for v in rect)


def read_layout():
    text = (ROOT / "contacts" / "layout.h").read_text()
    found = re.findall(r"constexpr Rect (k\w+)\{(\d+), (\d+), (\d+), (\d+)\}", text)
    return {name: tuple(int(v) for v in values) for name, *values in found}


def star_points(cx, cy, outer, inner, turn=-90):
    points = []
    for i in range(10):
        r = outer if i % 2 == 0 else inner
        a = math.radians(turn + 36 * i)
        points.append(f"{cx + r * math.cos(a):.2f},{cy + r * math.sin(a):.2f}")
    return " ".join(points)


# ---------------------------------------------------------------------------------------------
# Glyphs, drawn in a 16 x 16 box with round strokes; `c` the ink, `a` the accent.

def stroke(c, w=1.7, fill="none", opacity=1):
    return (f'fill="{fill}" fill-opacity="{opacity}" stroke="{c}" stroke-width="{w}" '
            f'stroke-linecap="round" stroke-linejoin="round"')


def glyph_search(c, a):
    return (f'<circle cx="6.6" cy="6.6" r="4.4" {stroke(c, 1.9, "#ffffff", .6)}/>'
            f'<path d="M4.6 5.4 Q5.3 4.4 6.6 4.2" {stroke(a, 1.1)}/>'
            f'<path d="M10 10 L14 14" {stroke(c, 2.8)}/>')


def glyph_sort(c, a):
    return (f'<path d="M1.5 7.5 L4 1.5 L6.5 7.5 M2.5 5.4 H5.5" {stroke(c, 1.5)}/>'
            f'<path d="M1.8 9.5 H6.2 L1.8 14.5 H6.2" {stroke(c, 1.5)}/>'
            f'<path d="M11.5 2 V14 M8.8 11.2 L11.5 14 L14.2 11.2" {stroke(a, 1.8)}/>')


def glyph_delete(c, a):
    return (f'<path d="M2.2 4.2 H13.8 M6 4 V2.3 H10 V4" {stroke(c, 1.5)}/>'
            f'<path d="M3.8 5.5 L4.8 14.5 H11.2 L12.2 5.5 Z" {stroke(c, 1.5, a, .25)}/>'
            f'<path d="M6.7 7.5 V12.5 M9.3 7.5 V12.5" {stroke(c, 1.2)}/>')


def glyph_import(c, a):
    return (f'<path d="M1.8 9.5 V14.2 H14.2 V9.5" {stroke(c, 1.7)}/>'
            f'<path d="M8 1.5 V10 M4.8 6.8 L8 10 L11.2 6.8" {stroke(a, 2)}/>')


def glyph_conversations(c, a):
    return (f'<path d="M3.4 2.5 H12.6 Q14.5 2.5 14.5 4.4 V9.1 Q14.5 11 12.6 11 H7.5 L4 14 V11 H3.4 '
            f'Q1.5 11 1.5 9.1 V4.4 Q1.5 2.5 3.4 2.5 Z" {stroke(c, 1.5, "#ffffff", .6)}/>'
            f'<circle cx="5" cy="6.8" r="1.05" fill="{a}"/><circle cx="8" cy="6.8" r="1.05" fill="{a}"/>'
            f'<circle cx="11" cy="6.8" r="1.05" fill="{a}"/>')


def glyph_links(c, a):
    return (f'<g transform="rotate(-45 8 8)">'
            f'<rect x="0.8" y="5.4" width="8.4" height="5.2" rx="2.6" {stroke(c, 1.7)}/>'
            f'<rect x="6.8" y="5.4" width="8.4" height="5.2" rx="2.6" {stroke(a, 1.7)}/></g>')


def glyph_home(c, a):
    return (f'<path d="M4 7.5 V14 H12 V7.5" {stroke(c, 1.6, "#ffffff", .6)}/>'
            f'<path d="M1.8 8.3 L8 2.4 L14.2 8.3" {stroke(c, 1.8)}/>'
            f'<rect x="6.9" y="10" width="2.2" height="4" fill="{a}"/>')


def glyph_help(c, a):
    return (f'<path d="M5.2 5.6 Q5.2 2.6 8 2.6 Q10.9 2.6 10.9 5.3 Q10.9 7.2 9 8 Q8 8.5 8 10.2" {stroke(c, 2)}/>'
            f'<circle cx="8" cy="13.3" r="1.3" fill="{a}"/>')


def glyph_about(c, a):
    return (f'<circle cx="8" cy="3.4" r="1.5" fill="{a}"/>'
            f'<path d="M6.2 7 H8.2 V13.6 M6 13.6 H10.2" {stroke(c, 1.9)}/>')


def glyph_options(c, a):
    teeth, outer, inner = 8, 7.2, 5.4
    points = []
    for i in range(teeth):
        base = 360 / teeth * i
        for angle, r in ((base - 13, inner), (base - 8, outer), (base + 8, outer), (base + 13, inner)):
            t = math.radians(angle)
            points.append(f"{8 + r * math.cos(t):.2f} {8 + r * math.sin(t):.2f}")
    ring = "M" + " L".join(points) + " Z"
    return (f'<path d="{ring}" fill="{c}"/>'
            f'<circle cx="8" cy="8" r="2.3" fill="#ffffff"/><circle cx="8" cy="8" r="1.2" fill="{a}"/>')


def glyph_exit(c, a):
    return (f'<path d="M4.6 4.4 A5.4 5.4 0 1 0 11.4 4.4" {stroke(a, 2)}/>'
            f'<path d="M8 1.8 V7.8" {stroke(a, 2.2)}/>')


def glyph_note(c, a):
    return (f'<path d="M3 1.8 H10 L13 4.8 V14.2 H3 Z" {stroke(c, 1.4, "#ffffff")}/>'
            f'<path d="M10 1.8 V4.8 H13" {stroke(c, 1.2)}/>'
            f'<path d="M5.3 7.5 H10.7 M5.3 9.8 H10.7 M5.3 12 H8.8" {stroke(a, 1.2)}/>')


def glyph_close(c, a):
    return f'<path d="M4.5 4.5 L11.5 11.5 M11.5 4.5 L4.5 11.5" {stroke(c, 2.4)}/>'


def glyph_speaker(c, a, on):
    body = (f'<path d="M1.8 6 H4.6 L8.4 2.6 V13.4 L4.6 10 H1.8 Z" fill="{c}" '
            f'stroke="{c}" stroke-width="1" stroke-linejoin="round"/>')
    if on:
        return body + (f'<path d="M10.6 5.6 Q12 8 10.6 10.4" {stroke(a, 1.5)}/>'
                       f'<path d="M12.4 3.6 Q15.2 8 12.4 12.4" {stroke(a, 1.5)}/>')
    return body + f'<path d="M10.4 5.6 L14.6 10.4 M14.6 5.6 L10.4 10.4" {stroke(RED, 1.8)}/>'


def glyph_camera_plus(c, a):
    """24 x 24 box."""
    return (f'<path d="M7.5 7 L9 4.5 H14 L15.5 7" {stroke(c, 1.4, c)}/>'
            f'<rect x="2" y="7" width="19" height="13" rx="2.8" {stroke(c, 1.7, "#ffffff", .7)}/>'
            f'<circle cx="11.5" cy="13.5" r="4" {stroke(c, 1.7, "#ffffff")}/>'
            f'<circle cx="11.5" cy="13.5" r="1.6" fill="{c}"/>'
            f'<circle cx="19" cy="6" r="5" fill="{a}" stroke="#ffffff" stroke-width="1.2"/>'
            f'<path d="M19 3.4 V8.6 M16.4 6 H21.6" {stroke("#ffffff", 1.7)}/>')


def glyph_view_photo(c, a):
    """24 x 24 box."""
    return (f'<rect x="1.5" y="3" width="17" height="14" rx="1.8" {stroke(c, 1.6, "#ffffff", .8)}/>'
            f'<path d="M2.5 15.5 L7.5 9.5 L10.5 12.5 L13 10 L17.5 15.5 Z" fill="{c}" fill-opacity=".75"/>'
            f'<circle cx="13.8" cy="6.8" r="1.6" fill="{a}"/>'
            f'<circle cx="15" cy="15" r="4.6" {stroke(c, 1.8, "#ffffff", .85)}/>'
            f'<path d="M18.4 18.4 L22.3 22.3" {stroke(a, 2.8)}/>')


def glyph_three_stars(a):
    """A 30 x 14 box."""
    out = []
    for cx, cy, r in ((5.5, 8.2, 4.6), (15, 7, 6.2), (24.5, 8.2, 4.6)):
        out.append(f'<polygon points="{star_points(cx, cy, r, r * 0.45)}" fill="url(#starfill)" '
                   f'stroke="{ORANGE_DEEP}" stroke-width=".9" stroke-linejoin="round"/>')
    return "".join(out)


# ---------------------------------------------------------------------------------------------
# Tiles: the drawn buttons.

TILE_DEFS = (linear("tile", [(0, "#ffffff", 1), (0.55, "#eef5f7", 1), (1, "#c9dde3", 1)])
             + linear("starfill", [(0, "#ffd27a", 1), (1, ORANGE, 1)])
             + linear("redtile", [(0, "#ff9a4a", 1), (1, "#e2551a", 1)]))


def tile(x, y, w, h, rx, inner, fill="url(#tile)"):
    x, y, w, h = x + 0.5, y + 0.5, w - 1, h - 1
    return (f'<rect x="{x}" y="{y + 1.2}" width="{w}" height="{h}" rx="{rx}" fill="#021620" fill-opacity=".38"/>'
            f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="{rx}" fill="{fill}" '
            f'stroke="#082a3a" stroke-opacity=".55"/>'
            f'<rect x="{x + 1.2}" y="{y + 1}" width="{w - 2.4}" height="{h * 0.42:.2f}" rx="{max(rx - 1.2, 0):.2f}" '
            f'fill="#ffffff" fill-opacity=".45"/>'
            + inner)


def place(glyph, cx, cy, size, box=16, box_h=None):
    """Centres a glyph drawn in a box (box wide, box_h high) at (cx, cy), size px wide."""
    box_h = box if box_h is None else box_h
    s = size / box
    return f'<g transform="translate({cx - box * s / 2:.3f} {cy - box_h * s / 2:.3f}) scale({s:.4f})">{glyph}</g>'


def glyph_tile(rect, glyph, size, round_=False, rx=6, box=16, box_h=None, fill="url(#tile)"):
    x, y, w, h = (round(v) for v in px(rect))
    r = min(w, h) / 2 if round_ else rx
    return tile(x, y, w, h, r, place(glyph, x + w / 2, y + h / 2, size, box, box_h), fill)


# ---------------------------------------------------------------------------------------------
# The window's background.

def well(x, y, w, h, rx=4, strength=1.0):
    """A soft sunken frame just around a control's place."""
    x, y, w, h = x - 1.5, y - 1.5, w + 3, h + 3
    return (f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="{rx}" fill="#03192a" '
            f'fill-opacity="{0.32 * strength:.2f}" stroke="#03141f" stroke-opacity="{0.5 * strength:.2f}"/>'
            f'<rect x="{x - 1}" y="{y - 1}" width="{w + 2}" height="{h + 2}" rx="{rx + 1}" fill="none" '
            f'stroke="#ffffff" stroke-opacity="{0.13 * strength:.2f}"/>')


def emblem(r):
    """Two chat bubbles, the front one holding a contact's silhouette; a 44 x 34 box."""
    return ('<path d="M18 2 H38 Q43 2 43 7 V18 Q43 23 38 23 H37 V28.5 L31 23 H18 Q13 23 13 18 V7 Q13 2 18 2 Z" '
            'fill="#ffffff" fill-opacity=".22" stroke="#ffffff" stroke-opacity=".55" stroke-width="1.2"/>'
            '<path d="M7 8 H27 Q32 8 32 13 V25 Q32 30 27 30 H13.5 L7 34 V30 Q2 30 2 25 V13 Q2 8 7 8 Z" '
            f'fill="url(#{r})" stroke="#7a2f00" stroke-opacity=".45" stroke-width="1"/>'
            '<path d="M7.5 9.6 H26.5 Q30.2 9.6 30.4 13.2 Q22 11.6 3.8 14.8 Q4 9.6 7.5 9.6 Z" '
            'fill="#ffffff" fill-opacity=".28"/>'
            '<circle cx="17" cy="16.2" r="4" fill="#ffffff"/>'
            '<path d="M9.6 28 Q10 21.6 17 21.6 Q24 21.6 24.4 28 Z" fill="#ffffff"/>')


def logo(render, layout):
    x, y, w, h = px(layout["kLogo"])
    word, advance = render.text("Tavoly", 20, "DejaVu Sans")
    mark, mark_advance = render.text("?", 20, "DejaVu Sans")
    total = advance + mark_advance + 1
    scale = min(1.0, (w - 4) / total)
    left = x + (w - total * scale) / 2
    base = y + h - 6
    text = (f'<g transform="translate({left:.2f} {base + 1.2:.2f}) scale({scale:.4f})" fill="#021620" fill-opacity=".45">'
            f'<path d="{word}"/><path transform="translate({advance + 1} 0)" d="{mark}"/></g>'
            f'<g transform="translate({left:.2f} {base:.2f}) scale({scale:.4f})">'
            f'<path d="{word}" fill="url(#wordmark)"/>'
            f'<path transform="translate({advance + 1} 0)" d="{mark}" fill="{ORANGE}"/></g>')
    ex, ey = x + (w - 44) / 2, y + 3
    return (f'<ellipse cx="{x + w / 2}" cy="{y + h / 2 - 2}" rx="{w * 0.62:.1f}" ry="{h * 0.56:.1f}" fill="url(#logoglow)"/>'
            f'<g transform="translate({ex:.2f} {ey:.2f})">{emblem("bubble")}</g>'
            + text)


def background(render, layout):
    W, H = 450, 275
    defs = (linear("sky", [(0, BG_TOP, 1), (0.45, BG_MID, 1), (1, BG_BOTTOM, 1)])
            + radial("glow", [(0, "#5fc2d6", 0.35), (1, "#5fc2d6", 0)], 60, 30, 190)
            + radial("glow2", [(0, "#ff9a3c", 0.16), (1, "#ff9a3c", 0)], 430, 290, 200)
            + radial("logoglow", [(0, "#ffffff", 0.16), (1, "#ffffff", 0)], 50, 40, 48)
            + linear("wordmark", [(0, "#ffffff", 1), (1, "#d5eef4", 1)])
            + linear("bubble", [(0, ORANGE_LIGHT, 1), (1, ORANGE_DEEP, 1)])
            + linear("sheen", [(0, "#ffffff", 0.10), (1, "#ffffff", 0)])
            + TILE_DEFS)
    parts = [f'<rect width="{W}" height="{H}" fill="url(#sky)"/>',
             f'<rect width="{W}" height="{H}" fill="url(#glow)"/>',
             f'<rect width="{W}" height="{H}" fill="url(#glow2)"/>',
             # broad soft waves that give the backdrop depth
             '<path d="M0 180 C90 150 170 215 270 190 C350 170 400 140 450 150 V275 H0 Z" fill="#0a2a3e" fill-opacity=".35"/>',
             '<path d="M0 225 C110 200 200 250 300 232 C370 220 420 205 450 210 V275 H0 Z" fill="#06202f" fill-opacity=".35"/>',
             '<path d="M0 0 H450 V60 C330 40 220 95 0 70 Z" fill="url(#sheen)"/>',
             f'<path d="M0 0.5 H450" stroke="#ffffff" stroke-opacity=".18"/>',
             f'<path d="M0 {H - 0.5} H450" stroke="#000000" stroke-opacity=".25"/>']

    parts.append(logo(render, layout))

    # wells under the window's controls
    bx, by, bw, bh = px(BANNER)
    parts.append(well(bx, by, bw, bh, 5, 0.8))
    sx, sy, sw, sh = px(STRIP)
    ph = px(PHOTO)
    parts.append(well(sx, sy, sw, ph[1] + ph[3] - sy, 3))
    parts.append(well(*px(GRID), 3))
    parts.append(well(*px(PANEL), 4))
    parts.append(well(*px(layout["kFind"]), 3))
    parts.append(well(*px(layout["kSoundSwitch"]), 5, 0.7))

    # the drawn buttons
    top = [("kHome", glyph_home), ("kHelp", glyph_help), ("kAbout", glyph_about),
           ("kOptions", glyph_options)]
    for name, glyph in top:
        parts.append(glyph_tile(layout[name], glyph(INK, ORANGE_DEEP), 14, round_=True))
    parts.append(glyph_tile(layout["kExit"], glyph_exit(INK, RED), 14, round_=True))
    parts.append(glyph_tile(layout["kSearch"], glyph_search(INK, ORANGE), 14, rx=5))
    bottom = [("kSort", glyph_sort), ("kDelete", glyph_delete), ("kImport", glyph_import),
              ("kConversations", glyph_conversations), ("kLinks", glyph_links)]
    for name, glyph in bottom:
        parts.append(glyph_tile(layout[name], glyph(INK, ORANGE_DEEP), 16, rx=6))
    parts.append(glyph_tile(layout["kShowRatings"], glyph_three_stars(ORANGE), 28, rx=7, box=30, box_h=14))
    parts.append(glyph_tile(layout["kShowNotes"], glyph_note(INK, ORANGE_DEEP), 17, rx=7))
    parts.append(glyph_tile(layout["kCloseRatings"], glyph_close("#ffffff", ""), 10, round_=True,
                            fill="url(#redtile)"))
    parts.append(glyph_tile(layout["kLinkPhoto"], glyph_camera_plus(INK, ORANGE), 25, rx=8, box=24))
    parts.append(glyph_tile(layout["kViewPhoto"], glyph_view_photo(INK, ORANGE_DEEP), 25, rx=8, box=24))
    return svg(W, H, "\n".join(parts), defs)


def corner(flip_x, flip_y):
    """20 x 20; the outer 4 px may be cut away by the window's edge."""
    t = []
    if flip_x:
        t.append("translate(20 0) scale(-1 1)")
    if flip_y:
        t.append("translate(0 20) scale(1 -1)")
    body = (f'<g transform="{" ".join(t)}">'
            f'<path d="M0 13.5 A13.5 13.5 0 0 0 13.5 0" fill="none" stroke="#ffffff" stroke-opacity=".35" stroke-width="1"/>'
            f'<path d="M0 10 A10 10 0 0 0 10 0" fill="none" stroke="{ORANGE}" stroke-width="2.2"/>'
            f'<path d="M0 8.6 A8.6 8.6 0 0 0 8.6 0 H0 Z" fill="#ffffff" fill-opacity=".14"/>'
            f'<circle cx="5.4" cy="5.4" r="1.6" fill="{ORANGE_LIGHT}"/></g>')
    return svg(20, 20, body)


def icon():
    defs = (linear("iconbg", [(0, "#2a8196", 1), (1, "#0d3a52", 1)])
            + linear("bubble", [(0, ORANGE_LIGHT, 1), (1, ORANGE_DEEP, 1)]))
    body = ('<rect x="2" y="2" width="60" height="60" rx="14" fill="url(#iconbg)" stroke="#06202d" stroke-width="1.5"/>'
            '<rect x="5" y="4" width="54" height="24" rx="11" fill="#ffffff" fill-opacity=".12"/>'
            f'<g transform="translate(5.5 10) scale(1.2)">{emblem("bubble")}</g>')
    return svg(64, 64, body, defs)


def about_logo(render):
    """The about box's logo, 112 x 112: the icon's tile with the emblem over the wordmark."""
    defs = (linear("iconbg", [(0, "#2a8196", 1), (1, "#0d3a52", 1)])
            + linear("bubble", [(0, ORANGE_LIGHT, 1), (1, ORANGE_DEEP, 1)])
            + linear("wordmark", [(0, "#ffffff", 1), (1, "#d5eef4", 1)]))
    word, advance = render.text("Tavoly", 20, "DejaVu Sans")
    mark, mark_advance = render.text("?", 20, "DejaVu Sans")
    total = advance + mark_advance + 1
    scale = min(1.0, 92 / total)
    left, base = (112 - total * scale) / 2, 98
    text = (f'<g transform="translate({left:.2f} {base:.2f}) scale({scale:.4f})">'
            f'<path d="{word}" fill="url(#wordmark)"/>'
            f'<path transform="translate({advance + 1} 0)" d="{mark}" fill="{ORANGE}"/></g>')
    body = ('<rect x="2" y="2" width="108" height="108" rx="22" fill="url(#iconbg)" stroke="#06202d" stroke-width="2"/>'
            '<rect x="6" y="5" width="100" height="44" rx="19" fill="#ffffff" fill-opacity=".12"/>'
            f'<g transform="translate(23.6 12) scale(1.5)">{emblem("bubble")}</g>'
            + text)
    return svg(112, 112, body, defs)


def icon_small():
    """At 16 px the back bubble is only noise: the front bubble alone."""
    defs = (linear("iconbg", [(0, "#2a8196", 1), (1, "#0d3a52", 1)])
            + linear("bubble", [(0, ORANGE_LIGHT, 1), (1, ORANGE_DEEP, 1)]))
    body = ('<rect x="0.5" y="0.5" width="15" height="15" rx="3.5" fill="url(#iconbg)"/>'
            '<path d="M4 2.5 H12 Q14 2.5 14 4.5 V9.5 Q14 11.5 12 11.5 H7 L3.5 14 V11.5 Q2 11.3 2 9.5 V4.5 Q2 2.5 4 2.5 Z" '
            'fill="url(#bubble)"/>'
            '<circle cx="8" cy="5.6" r="1.8" fill="#ffffff"/>'
            '<path d="M4.7 10.6 Q5 7.9 8 7.9 Q11 7.9 11.3 10.6 Z" fill="#ffffff"/>')
    return svg(16, 16, body, defs)


# ---------------------------------------------------------------------------------------------
# Small pictures.

def star(red):
    if red:
        fill = linear("f", [(0, "#ff8a66", 1), (0.5, "#f23a1e", 1), (1, "#b8160a", 1)])
        edge = "#8e1006"
    else:
        fill = linear("f", [(0, "#f1f3f5", 1), (1, "#b4bcc3", 1)])
        edge = "#838d96"
    body = (f'<polygon points="{star_points(6.5, 7.1, 6.2, 2.6)}" fill="url(#f)" stroke="{edge}" '
            f'stroke-width=".85" stroke-linejoin="round"/>')
    if red:
        body += f'<polygon points="{star_points(6.5, 6.4, 2.4, 1.1)}" fill="#ffffff" fill-opacity=".35"/>'
    return svg(13, 13, body, fill)


def slot_digit_centres():
    """Digit centres in px inside the strip: over each slot's click area, left of the point
    where the fill mark of that slot ends (540 + 190 n twips), and over the marker's tip."""
    centres = []
    for n, left in enumerate(SLOT_LEFTS, start=1):
        fill_end = (540 + 190 * n) / TWIPS
        centres.append(min(left / TWIPS + MARKER_TIP, fill_end - 3.4))
    return centres


def strip(render, label, colour, label_colour):
    defs = linear("bar", [(0, "#1a4f66", 1), (0.5, "#0f3a50", 1), (1, "#082637", 1)])
    parts = ['<rect width="106" height="23" fill="url(#bar)"/>',
             '<rect y="0" width="106" height="1" fill="#ffffff" fill-opacity=".22"/>',
             '<rect x="34.5" y="3" width="1" height="13" fill="#ffffff" fill-opacity=".12"/>']
    path, advance = render.text(label, 10, "DejaVu Sans Condensed")
    scale = min(1.0, 29 / advance)
    parts.append(f'<g transform="translate({17.5 - advance * scale / 2:.2f} 12.6) scale({scale:.3f})">'
                 f'<path d="{path}" fill="{label_colour}"/></g>')
    for digit, centre in enumerate(slot_digit_centres(), start=1):
        path, advance = render.text(str(digit), 10, "DejaVu Sans Condensed")
        parts.append(f'<g transform="translate({centre - advance / 2:.2f} 12.6)">'
                     f'<path d="{path}" transform="translate(0.6 0.8)" fill="#000000" fill-opacity=".4"/>'
                     f'<path d="{path}" fill="{colour}"/></g>')
    return svg(106, 23, "".join(parts), defs)


def marker():
    """13 x 6; only its top five rows show below the digits. Its point is at MARKER_TIP."""
    t = MARKER_TIP
    body = (f'<path d="M{t} 0.4 L{t + 4.4} 5 H{t - 4.4} Z" fill="{ORANGE}" stroke="{ORANGE_DEEP}" '
            f'stroke-width=".6" stroke-linejoin="round"/>')
    return svg(13, 6, body)


def anonimo(render):
    defs = (linear("paper", [(0, "#fbfbfb", 1), (1, "#cfcfcf", 1)])
            + linear("shade", [(0, "#4a4a4a", 1), (1, "#151515", 1)]))
    mark, advance = render.text("?", 30, "DejaVu Sans")
    body = ('<rect x="0.5" y="0.5" width="96" height="103" rx="3" fill="url(#paper)" stroke="#8c8c8c"/>'
            '<path d="M9 104 Q10 76 39 72 Q41 70 41 62 H56 Q56 70 58 72 Q87 76 88 104 Z" fill="url(#shade)"/>'
            '<ellipse cx="48.5" cy="41" rx="21" ry="24" fill="url(#shade)"/>'
            f'<g transform="translate({48.5 - advance / 2:.2f} 52)"><path d="{mark}" fill="#ffffff"/></g>')
    return svg(97, 104, body, defs)


HAND = ("M8.5 14 V3 A2 2 0 0 1 12.5 3 V10.6 Q12.6 9 14.5 9 Q16.5 9 16.5 11 Q16.6 9.8 18.5 9.8 "
        "Q20.5 9.8 20.5 11.8 Q20.7 11 22.2 11 Q24 11 24 13 V21 Q24 25 21.5 27 H10.5 "
        "Q8.6 25.6 7 23.2 L3.2 17.6 Q2.3 15.9 3.9 15.2 Q5.4 14.7 6.6 16.4 L8.5 18.6 Z")


def hand(with_star):
    """32 x 32 pointing hand; hot spot (10, 1), the tip of the index finger."""
    body = (f'<path d="{HAND}" fill="#ffffff" stroke="#000000" stroke-width="1.1" stroke-linejoin="round"/>'
            '<path d="M16.5 11.2 V15 M20.5 12 V15.6 M12.5 10.6 V14.6" fill="none" stroke="#000000" '
            'stroke-width=".9" stroke-linecap="round"/>'
            f'<rect x="10.5" y="27" width="11" height="4.2" rx="1" fill="{INK}" stroke="#000000" stroke-width="1"/>')
    if with_star:
        body += (f'<polygon points="{star_points(26, 6, 5, 2.2)}" fill="{ORANGE}" stroke="#7a3200" '
                 'stroke-width=".8" stroke-linejoin="round"/>')
    return svg(32, 32, body)


def has_photo():
    """12 x 14: a small instant photo of a landscape."""
    defs = linear("sky", [(0, "#6cc3e6", 1), (1, "#2f86b4", 1)])
    body = ('<rect x="0.5" y="0.5" width="11" height="13" rx="1" fill="#ffffff" stroke="#4d5c66"/>'
            '<rect x="2" y="2" width="8" height="8" fill="url(#sky)"/>'
            f'<circle cx="7.6" cy="4.3" r="1.3" fill="{ORANGE}"/>'
            '<path d="M2 10 V8.2 L4.5 5.6 L6.6 7.8 L7.6 6.9 L10 9 V10 Z" fill="#1f6b4a"/>')
    return svg(12, 14, body, defs)


def sound_switch(on):
    inner = place(glyph_speaker(INK, ORANGE_DEEP, on), 10.5, 10.5, 14)
    return svg(21, 21, tile(0, 0, 21, 21, 5, inner), TILE_DEFS)


# ---------------------------------------------------------------------------------------------
# Sample photos: stylised people and scenes drawn from shapes.

def avatar(w, h, skin, hair, shirt, bg1, bg2, style, extra=""):
    """A head-and-shoulders portrait drawn in a 100 x 130 box, scaled to cover w x h."""
    defs = (linear("bg", [(0, bg1, 1), (1, bg2, 1)])
            + linear("shirt", [(0, shirt, 1), (1, "#000000", 0.0)])
            + radial("light", [(0, "#ffffff", 0.35), (1, "#ffffff", 0)], 30, 20, 70))
    parts = ['<rect x="-100" y="-100" width="300" height="330" fill="url(#bg)"/>',
             '<rect x="-100" y="-100" width="300" height="330" fill="url(#light)"/>',
             '<circle cx="82" cy="22" r="30" fill="#ffffff" fill-opacity=".08"/>',
             '<circle cx="14" cy="104" r="22" fill="#ffffff" fill-opacity=".06"/>']
    if style == "long":
        parts.append(f'<path d="M27 52 Q24 22 50 20 Q76 22 73 52 L76 98 Q50 104 24 98 Z" fill="{hair}"/>')
    parts += [f'<path d="M8 130 Q10 96 50 92 Q90 96 92 130 Z" fill="{shirt}"/>',
              f'<path d="M8 130 Q10 96 50 92 Q90 96 92 130 Z" fill="#000000" fill-opacity=".12"/>',
              f'<path d="M41 78 H59 V94 Q50 101 41 94 Z" fill="{skin}"/>',
              f'<path d="M41 86 Q50 92 59 86 V90 Q50 96 41 90 Z" fill="#000000" fill-opacity=".12"/>',
              f'<ellipse cx="50" cy="58" rx="20" ry="24" fill="{skin}"/>',
              f'<ellipse cx="30.5" cy="60" rx="3.2" ry="5" fill="{skin}"/>',
              f'<ellipse cx="69.5" cy="60" rx="3.2" ry="5" fill="{skin}"/>',
              '<ellipse cx="42.5" cy="58" rx="2.3" ry="2.8" fill="#2b1d14"/>',
              '<ellipse cx="57.5" cy="58" rx="2.3" ry="2.8" fill="#2b1d14"/>',
              '<circle cx="43.3" cy="57.1" r=".8" fill="#ffffff"/>',
              '<circle cx="58.3" cy="57.1" r=".8" fill="#ffffff"/>',
              f'<path d="M38.5 51.5 Q42.5 49 46.5 51.2 M53.5 51.2 Q57.5 49 61.5 51.5" fill="none" stroke="{hair}" stroke-width="1.6" stroke-linecap="round"/>',
              '<path d="M50 60 Q48 66 50.5 67" fill="none" stroke="#000000" stroke-opacity=".25" stroke-width="1.2" stroke-linecap="round"/>',
              '<path d="M43.5 72 Q50 77 56.5 72" fill="none" stroke="#8a3b2e" stroke-width="1.8" stroke-linecap="round"/>',
              '<ellipse cx="38" cy="67" rx="3.6" ry="2.2" fill="#ff7a6a" fill-opacity=".25"/>',
              '<ellipse cx="62" cy="67" rx="3.6" ry="2.2" fill="#ff7a6a" fill-opacity=".25"/>']
    hair_shapes = {
        "short": f'<path d="M29 56 Q27 30 50 30 Q73 30 71 56 Q70 43 62 40 Q52 46 36 42 Q30 46 29 56 Z" fill="{hair}"/>',
        "long": f'<path d="M29 58 Q26 31 50 31 Q74 31 71 58 Q68 42 58 38 Q46 47 33 44 Z" fill="{hair}"/>',
        "curly": "".join(f'<circle cx="{50 + 21 * math.cos(math.radians(a)):.1f}" cy="{50 + 18 * math.sin(math.radians(a)):.1f}" r="8" fill="{hair}"/>'
                         for a in range(170, 375, 22)),
        "bun": (f'<circle cx="50" cy="28" r="9" fill="{hair}"/>'
                f'<path d="M29 56 Q27 32 50 32 Q73 32 71 56 Q68 41 50 40 Q33 41 29 56 Z" fill="{hair}"/>'),
        "bald": (f'<ellipse cx="31.2" cy="53" rx="2.3" ry="5.5" fill="{hair}"/>'
                 f'<ellipse cx="68.8" cy="53" rx="2.3" ry="5.5" fill="{hair}"/>'),
    }
    parts.append(hair_shapes[style])
    parts.append(extra)
    body = "".join(parts)
    scale = max(w / 100, h / 130)
    dx, dy = (w - 100 * scale) / 2, (h - 130 * scale) / 2
    return svg(w, h, f'<g transform="translate({dx:.2f} {dy:.2f}) scale({scale:.4f})">{body}</g>', defs)


def glasses():
    return ('<g fill="#ffffff" fill-opacity=".18" stroke="#1d1d1d" stroke-width="1.6">'
            '<rect x="35.5" y="52.5" width="14" height="11" rx="4"/><rect x="50.5" y="52.5" width="14" height="11" rx="4"/></g>'
            '<path d="M49.5 57 H50.5 M35.5 56 L30 54.5 M64.5 56 L70 54.5" stroke="#1d1d1d" stroke-width="1.4"/>')


def headphones():
    return (f'<path d="M27 60 Q26 26 50 26 Q74 26 73 60" fill="none" stroke="#23272e" stroke-width="4"/>'
            f'<rect x="22" y="52" width="9" height="17" rx="4" fill="{ORANGE}" stroke="#23272e" stroke-width="2"/>'
            f'<rect x="69" y="52" width="9" height="17" rx="4" fill="{ORANGE}" stroke="#23272e" stroke-width="2"/>')


def hat():
    return ('<ellipse cx="50" cy="37" rx="32" ry="6" fill="#7a4a2a"/>'
            '<path d="M33 37 Q33 15 50 15 Q67 15 67 37 Z" fill="#8c5a34"/>'
            f'<path d="M33.5 32 H66.5 V36 H33.5 Z" fill="{ORANGE}"/>')


def scene_beach(w, h):
    defs = (linear("sky", [(0, "#2b3a78", 1), (0.5, "#d9607a", 1), (1, "#ffb35c", 1)])
            + linear("sea", [(0, "#e88b6a", 1), (1, "#1f3f6e", 1)])
            + radial("sun", [(0, "#fff3b0", 1), (0.6, "#ffd36b", 1), (1, "#ffb347", 0)], 200, 168, 44))
    body = ('<rect width="400" height="180" fill="url(#sky)"/>'
            '<circle cx="200" cy="168" r="44" fill="url(#sun)"/>'
            '<circle cx="200" cy="170" r="26" fill="#fff0a8"/>'
            '<rect y="175" width="400" height="60" fill="url(#sea)"/>'
            + "".join(f'<path d="M{150 + i * 7} {185 + i * 8} H{250 - i * 7}" stroke="#fff0a8" stroke-opacity="{0.6 - i * 0.08:.2f}" stroke-width="2"/>' for i in range(6))
            + '<path d="M0 232 Q120 210 260 226 Q340 236 400 222 V300 H0 Z" fill="#e7c38d"/>'
            '<path d="M0 250 Q160 236 400 252 V300 H0 Z" fill="#d7ab72"/>'
            '<path d="M330 246 Q326 200 312 160" fill="none" stroke="#4a3020" stroke-width="5"/>'
            + "".join(f'<path d="M312 160 Q{312 + dx} {150 + dy} {312 + dx * 2} {164 + dy * 2}" fill="none" stroke="#1f4a2a" stroke-width="5" stroke-linecap="round"/>'
                      for dx, dy in ((18, -6), (-18, -6), (12, 6), (-14, 8), (2, -14)))
            + '<path d="M40 60 q6 -5 12 0 q6 -5 12 0 M80 44 q5 -4 10 0 q5 -4 10 0" fill="none" stroke="#2a2040" stroke-width="2"/>')
    return svg(w, h, f'<g transform="scale({w / 400:.4f} {h / 300:.4f})">{body}</g>', defs)


def scene_mountains(w, h):
    defs = (linear("sky", [(0, "#7fc8ef", 1), (1, "#e9f6fb", 1)])
            + linear("lake", [(0, "#3f8fb8", 1), (1, "#1c4c6e", 1)])
            + linear("far", [(0, "#8aa6c4", 1), (1, "#6d8fb0", 1)])
            + linear("near", [(0, "#3b7a5a", 1), (1, "#244f3b", 1)]))
    trees = "".join(f'<path d="M{x} {y} l-9 24 h18 z M{x} {y + 10} l-11 26 h22 z" fill="#183d2c"/>'
                    for x, y in ((60, 330), (90, 318), (118, 336), (660, 324), (700, 312), (735, 332), (770, 322)))
    body = ('<rect width="800" height="600" fill="url(#sky)"/>'
            '<circle cx="640" cy="110" r="46" fill="#fff7d6"/>'
            '<ellipse cx="200" cy="120" rx="70" ry="18" fill="#ffffff" fill-opacity=".8"/>'
            '<ellipse cx="250" cy="108" rx="50" ry="20" fill="#ffffff" fill-opacity=".8"/>'
            '<path d="M0 360 L140 200 L230 290 L360 140 L470 260 L560 180 L700 330 L800 260 V380 H0 Z" fill="url(#far)"/>'
            '<path d="M360 140 L330 176 L352 170 L372 188 L392 164 Z M140 200 L118 226 L142 220 L158 236 Z" fill="#ffffff"/>'
            '<path d="M0 380 Q200 320 420 370 Q620 410 800 350 V400 H0 Z" fill="url(#near)"/>'
            '<rect y="390" width="800" height="210" fill="url(#lake)"/>'
            '<path d="M0 400 L140 480 L230 430 L360 520 L470 450 L560 500 L700 420 L800 460 V400 Z" fill="#6d8fb0" fill-opacity=".35"/>'
            + "".join(f'<path d="M{x} {y} h{l}" stroke="#ffffff" stroke-opacity=".35" stroke-width="2"/>'
                      for x, y, l in ((100, 470, 80), (380, 500, 120), (600, 540, 70), (220, 560, 90)))
            + trees)
    return svg(w, h, f'<g transform="scale({w / 800:.4f} {h / 600:.4f})">{body}</g>', defs)


def scene_city(w, h):
    rng = random.Random(7)
    defs = (linear("night", [(0, "#0b1030", 1), (0.6, "#27306a", 1), (1, "#6a4a7a", 1)])
            + linear("water", [(0, "#1d2450", 1), (1, "#070a1c", 1)]))
    stars = "".join(f'<circle cx="{rng.uniform(0, 1800):.0f}" cy="{rng.uniform(0, 520):.0f}" r="{rng.uniform(0.8, 2.2):.1f}" '
                    f'fill="#ffffff" fill-opacity="{rng.uniform(0.4, 0.95):.2f}"/>' for _ in range(160))
    buildings, windows = [], []
    x = 0
    while x < 1800:
        bw = rng.randint(60, 150)
        bh = rng.randint(180, 560)
        top = 900 - bh
        shade = rng.choice(("#141a3a", "#1a2147", "#10152f", "#1f2650"))
        buildings.append(f'<rect x="{x}" y="{top}" width="{bw}" height="{bh}" fill="{shade}"/>')
        if rng.random() < 0.3:
            buildings.append(f'<rect x="{x + bw / 2 - 3}" y="{top - 50}" width="6" height="50" fill="{shade}"/>'
                             f'<circle cx="{x + bw / 2}" cy="{top - 52}" r="5" fill="#ff5a3c"/>')
        for wy in range(top + 18, 890, 28):
            for wx in range(x + 12, x + bw - 14, 22):
                if rng.random() < 0.45:
                    windows.append(f'<rect x="{wx}" y="{wy}" width="10" height="14" '
                                   f'fill="{rng.choice(("#ffd27a", "#ffe9a8", "#9fd8ff"))}" fill-opacity="{rng.uniform(0.6, 1):.2f}"/>')
        x += bw + rng.randint(0, 12)
    reflections = "".join(f'<rect x="{rng.uniform(0, 1800):.0f}" y="{rng.uniform(920, 1190):.0f}" width="{rng.uniform(20, 90):.0f}" height="3" '
                          f'fill="#ffd27a" fill-opacity="{rng.uniform(0.15, 0.5):.2f}"/>' for _ in range(120))
    body = ('<rect width="1800" height="1200" fill="url(#night)"/>' + stars
            + '<circle cx="1450" cy="220" r="90" fill="#fdf6d8"/>'
            + '<circle cx="1425" cy="200" r="14" fill="#e8dfbd"/><circle cx="1480" cy="250" r="20" fill="#e8dfbd"/>'
            + "".join(buildings) + "".join(windows)
            + '<rect y="900" width="1800" height="300" fill="url(#water)"/>' + reflections)
    return svg(w, h, f'<g transform="scale({w / 1800:.4f} {h / 1200:.4f})">{body}</g>', defs)


def scene_cat(w, h):
    defs = (linear("wall", [(0, "#f6d9a8", 1), (1, "#e9a86a", 1)])
            + linear("fur", [(0, "#8a8f99", 1), (1, "#5d626c", 1)]))
    body = ('<rect width="320" height="480" fill="url(#wall)"/>'
            '<rect y="380" width="320" height="100" fill="#8a5a3a"/>'
            '<rect y="376" width="320" height="8" fill="#6e4429"/>'
            '<ellipse cx="160" cy="330" rx="92" ry="80" fill="url(#fur)"/>'
            '<path d="M236 360 Q300 360 290 300 Q286 270 270 280 Q282 300 270 330 Q258 350 230 340 Z" fill="#5d626c"/>'
            '<circle cx="160" cy="210" r="74" fill="url(#fur)"/>'
            '<path d="M96 180 L92 110 L140 150 Z M224 180 L228 110 L180 150 Z" fill="#6f747e"/>'
            '<path d="M102 168 L100 128 L128 152 Z M218 168 L220 128 L192 152 Z" fill="#e8a0a0"/>'
            '<ellipse cx="132" cy="205" rx="14" ry="17" fill="#c9e86a"/><ellipse cx="188" cy="205" rx="14" ry="17" fill="#c9e86a"/>'
            '<ellipse cx="132" cy="206" rx="4" ry="13" fill="#1c1c1c"/><ellipse cx="188" cy="206" rx="4" ry="13" fill="#1c1c1c"/>'
            '<circle cx="136" cy="198" r="3" fill="#ffffff"/><circle cx="192" cy="198" r="3" fill="#ffffff"/>'
            '<path d="M152 232 H168 L160 242 Z" fill="#e07a8a"/>'
            '<path d="M160 242 Q160 254 148 254 M160 242 Q160 254 172 254" fill="none" stroke="#2c2c2c" stroke-width="2.5" stroke-linecap="round"/>'
            + "".join(f'<path d="M{x1} {y1} L{x2} {y2}" stroke="#f2f2f2" stroke-width="1.6" stroke-linecap="round"/>'
                      for x1, y1, x2, y2 in ((140, 240, 88, 228), (140, 246, 86, 250), (180, 240, 232, 228), (180, 246, 234, 250)))
            + f'<path d="M110 270 Q160 290 210 270" fill="none" stroke="{ORANGE}" stroke-width="8" stroke-linecap="round"/>'
            f'<circle cx="160" cy="288" r="8" fill="#ffd24a" stroke="#b88a1a" stroke-width="2"/>')
    return svg(w, h, f'<g transform="scale({w / 320:.4f} {h / 480:.4f})">{body}</g>', defs)


def demo_photos():
    return [
        ("demo01.jpg", 300, 400, avatar(300, 400, "#f1c9a5", "#5a3a22", "#1f7a8c", "#ffd9a0", "#f08a5d", "short")),
        ("demo02.jpg", 400, 300, scene_beach(400, 300)),
        ("demo03.jpg", 240, 240, avatar(240, 240, "#c98e62", "#8a8a8a", "#6a4c9c", "#c9b6f2", "#7a5cc2", "bald", glasses())),
        ("demo04.jpg", 800, 600, scene_mountains(800, 600)),
        ("demo05.jpg", 600, 900, avatar(600, 900, "#f5d4b8", "#c0612b", "#2f5d3a", "#9fd3e6", "#3d7fa6", "long", hat())),
        ("demo06.jpg", 1800, 1200, scene_city(1800, 1200)),
        ("demo07.jpg", 320, 480, scene_cat(320, 480)),
        ("demo08.jpg", 500, 500, avatar(500, 500, "#8d5a3b", "#2a1a12", "#e2552a", "#ffe08a", "#ff9f4a", "curly", headphones())),
    ]


# ---------------------------------------------------------------------------------------------
# Sounds: 16-bit PCM mono, 22050 Hz, a few milliseconds of fade at both ends.

RATE = 22050


def silence(seconds):
    return [0.0] * int(seconds * RATE)


def mix(into, sound, at):
    start = int(at * RATE)
    if len(into) < start + len(sound):
        into.extend([0.0] * (start + len(sound) - len(into)))
    for i, v in enumerate(sound):
        into[start + i] += v
    return into


def note(freq, seconds, partials=((1, 1.0),), attack=0.006, decay=6.0, glide_to=None):
    """A tone with an exponential decay; `partials` are (ratio, level) pairs."""
    n = int(seconds * RATE)
    out = []
    phase = [0.0] * len(partials)
    for i in range(n):
        t = i / RATE
        f = freq if glide_to is None else freq * (glide_to / freq) ** (i / n)
        env = min(1.0, t / attack) * math.exp(-decay * t)
        v = 0.0
        for k, (ratio, level) in enumerate(partials):
            phase[k] += 2 * math.pi * f * ratio / RATE
            v += level * math.sin(phase[k])
        out.append(v * env)
    return out


def noise(seconds, seed, cutoff_start, cutoff_end=None, decay=30.0, attack=0.002, highpass=False):
    """Noise through a one-pole filter whose cut-off slides from start to end."""
    rng = random.Random(seed)
    n = int(seconds * RATE)
    cutoff_end = cutoff_start if cutoff_end is None else cutoff_end
    out, low = [], 0.0
    for i in range(n):
        t = i / RATE
        cutoff = cutoff_start * (cutoff_end / cutoff_start) ** (i / max(n - 1, 1))
        alpha = 1 - math.exp(-2 * math.pi * cutoff / RATE)
        x = rng.uniform(-1, 1)
        low += alpha * (x - low)
        v = x - low if highpass else low
        out.append(v * min(1.0, t / attack) * math.exp(-decay * t))
    return out


def finish(samples, peak, fade=0.005):
    top = max(abs(v) for v in samples) or 1.0
    n = len(samples)
    f = int(fade * RATE)
    out = []
    for i, v in enumerate(samples):
        g = min(1.0, i / f, (n - 1 - i) / f)
        out.append(v / top * peak * g)
    return out


BELL = ((1, 1.0), (2.0, 0.25), (3.01, 0.12))
CHIME = ((1, 1.0), (2.76, 0.35), (5.4, 0.12))
SOFT = ((1, 1.0), (2, 0.15))


def sounds():
    s = {}
    click = mix(noise(0.03, 1, 3000, decay=160, highpass=True), note(1800, 0.05, SOFT, 0.001, 90), 0)
    s["suoni.wav"] = finish(mix(click, silence(0.1), 0), 0.45)

    piu = mix(note(659.3, 0.16, BELL, decay=14), note(987.8, 0.22, BELL, decay=12), 0.085)
    s["piu.wav"] = finish(piu, 0.5)

    meno = mix(note(880.0, 0.16, BELL, decay=14), note(587.3, 0.24, BELL, decay=11), 0.085)
    s["meno.wav"] = finish(meno, 0.5)

    trovato = silence(0.5)
    for i, f in enumerate((1046.5, 1318.5, 1568.0, 2093.0)):
        mix(trovato, note(f, 0.5 - i * 0.065, BELL, decay=9), i * 0.065)
    s["trovato.wav"] = finish(trovato, 0.5)

    low = ((1, 1.0), (2, 0.3), (3, 0.1))
    nontrovato = mix(note(311.1, 0.11, low, 0.01, 18), note(246.9, 0.16, low, 0.01, 14), 0.15)
    s["nontrovato.wav"] = finish(nontrovato, 0.55)

    ordina = silence(0.34)
    for i in range(9):
        at = 0.022 + 0.034 * i - 0.0012 * i * i
        mix(ordina, noise(0.03, 10 + i, 1800 + 350 * (i % 3), decay=120, highpass=True), at)
        mix(ordina, [0.25 * v for v in note(520 + 60 * i, 0.03, SOFT, 0.001, 110)], at)
    s["ordina.wav"] = finish(ordina, 0.5)

    foto = silence(0.22)
    mix(foto, noise(0.04, 21, 5000, decay=90, highpass=True), 0.0)
    mix(foto, [0.6 * v for v in note(140, 0.05, SOFT, 0.001, 70)], 0.0)
    mix(foto, noise(0.05, 22, 4000, decay=70, highpass=True), 0.085)
    mix(foto, [0.7 * v for v in note(110, 0.06, SOFT, 0.001, 60)], 0.085)
    s["foto.wav"] = finish(foto, 0.55)

    info = mix(note(783.99, 0.6, CHIME, 0.003, 6), note(1174.66, 0.48, CHIME, 0.003, 7), 0.12)
    s["info.wav"] = finish(info, 0.45)

    cancella = mix(noise(0.42, 31, 6000, 300, decay=3.5, attack=0.06),
                   [0.35 * v for v in note(900, 0.42, SOFT, 0.03, 5, glide_to=180)], 0)
    s["cancella.wav"] = finish(cancella, 0.5)
    return s


def write_wave(path, samples):
    with wave.open(str(path), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", int(round(v * 32767))) for v in samples))


# ---------------------------------------------------------------------------------------------
# Preview: the background with every picture placed as the window shows it.

def data_uri(path):
    return "data:image/png;base64," + base64.b64encode(path.read_bytes()).decode()


def preview(render, layout, folder, scale):
    folder.mkdir(parents=True, exist_ok=True)
    suffix = "@2x.png" if scale == 2 else ".png"

    def art(name):
        p = ART / (name + suffix)
        return data_uri(p if p.exists() else ART / (name + ".png"))

    def image(name, x, y, w, h, source=None):
        href = source or art(name)
        return f'<image x="{x}" y="{y}" width="{w}" height="{h}" xlink:href="{href}" preserveAspectRatio="none"/>'

    def file_image(path, x, y, w, h):
        """Qt's SVG renderer embeds no SVG pictures: rasterise them at the preview's scale first."""
        if path.suffix == ".svg":
            raster = render.work / f"{path.stem}@{scale}.png"
            render.queue(path.read_text(), raster, w * scale, h * scale)
            render.run()
            path = raster
        kind = "jpeg" if path.suffix == ".jpg" else "png"
        href = f"data:image/{kind};base64," + base64.b64encode(path.read_bytes()).decode()
        return f'<image x="{x}" y="{y}" width="{w}" height="{h}" preserveAspectRatio="none" xlink:href="{href}"/>'

    parts = [file_image(ART / "background.svg", 0, 0, 450, 275)]
    for name, x, y in (("corner_tl", 0, 0), ("corner_tr", 430, 0), ("corner_bl", 0, 255), ("corner_br", 430, 255)):
        parts.append(file_image(ART / f"{name}.svg", x, y, 20, 20))
    # grid with a few rows
    gx, gy, gw, gh = px(GRID)
    parts.append(f'<rect x="{gx}" y="{gy}" width="{gw}" height="{gh}" fill="#ffffff"/>')
    parts.append(f'<rect x="{gx}" y="{gy}" width="{gw}" height="16" fill="#e8eef0"/>')
    rows = ["Nick  Nome", "luna_blu  Anna", "orso72  Marco", "kiwi  Sara", "zenzero  Paolo"]
    for i, row in enumerate(rows):
        y = gy + 12 + 16 * i
        if i == 2:
            parts.append(f'<rect x="{gx}" y="{y - 12}" width="{gw}" height="16" fill="#2f7fb0"/>')
        nick, name = row.split("  ")
        colour = "#ffffff" if i == 2 else "#000000"
        parts.append(f'<text x="{gx + 4}" y="{y}" font-family="DejaVu Sans" font-size="9" fill="{colour}">{nick}</text>'
                     f'<text x="{gx + 156 * 0.82}" y="{y}" font-family="DejaVu Sans" font-size="9" fill="{colour}">{name}</text>')
        if i in (1, 2):
            parts.append(image("has_photo", gx + gw - 20, y - 11, 12, 14))
    # find box, sound switch
    fx, fy, fw, fh = px(layout["kFind"])
    parts.append(f'<rect x="{fx}" y="{fy}" width="{fw}" height="{fh}" fill="#ffffff" stroke="#7a8a90"/>')
    sx, sy, _, _ = px(layout["kSoundSwitch"])
    parts.append(image("sound_on", sx, sy, 21, 21))
    # banner
    bx, by, bw, bh = px(BANNER)
    parts.append(f'<text x="{bx + bw / 2}" y="{by + 30}" text-anchor="middle" font-family="DejaVu Sans" '
                 f'font-size="11" font-weight="bold" fill="#ffffff">Welcome to Tavoly?</text>')
    # photo strip: the orange bar cropped to two slots in use, marker under slot 2; Qt's SVG
    # renderer knows no nested viewports, so each crop is a picture of its own
    tx, ty, tw, th = px(STRIP)
    fill = round((540 + 190 * 2) / TWIPS, 2)
    cropped = render.work / f"fill@{scale}.png"
    render.queue(svg(fill, 23, image("strip_photo", 0, 0, 106, 23)), cropped, round(fill * scale), 23 * scale)
    render.run()
    bar = render.work / f"strip@{scale}.png"
    render.queue(svg(tw, th, image("strip_foto", 0, 0, 106, 23) + file_image(cropped, 0, 0, fill, 23)
                     + image("marker", 720 / TWIPS, 240 / TWIPS, 13, 6)), bar, round(tw * scale), round(th * scale))
    render.run()
    parts.append(file_image(bar, tx, ty, tw, th))
    ox, oy, ow, oh = px(PHOTO)
    demo = DEMO / "demo01.jpg"
    parts.append(file_image(demo, ox, oy, round(1995 / TWIPS * 300 / 400, 2), 1995 / TWIPS))
    nx, ny, nw, nh = px(NICK)
    for dx, colour in ((20 / TWIPS, "#ffffff"), (0, "#ff8000")):
        parts.append(f'<text x="{nx + nw / 2 + dx}" y="{ny + 12 + dx}" text-anchor="middle" font-family="DejaVu Sans" '
                     f'font-size="12" font-weight="bold" fill="{colour}">orso72</text>')
    # ratings panel
    rx, ry, rw, rh = px(PANEL)
    parts.append(f'<rect x="{rx}" y="{ry}" width="{rw}" height="{rh}" fill="#ffffff"/>')
    captions = ["Liking", "Beauty", "Intelligence", "Affinity", "Culture"]
    ratings = [4, 3, 5, 2, 1]
    for k in range(5):
        parts.append(f'<text x="{rx + rw / 2}" y="{ry + (-60 + 480 * k) / TWIPS + 12}" text-anchor="middle" '
                     f'font-family="DejaVu Sans" font-size="10" font-weight="bold" fill="#15506a">{captions[k]}</text>')
        for i in range(5):
            name = "star_red" if i < ratings[k] else "star_grey"
            parts.append(image(name, rx + (240 + 300 * i) / TWIPS, ry + (180 + 480 * k) / TWIPS, 13, 13))
    parts.append(f'<text x="{rx + (450 + 975 / 2) / TWIPS}" y="{ry + 2220 / TWIPS + 13}" text-anchor="middle" '
                 f'font-family="DejaVu Sans" font-size="12" font-weight="bold" fill="#008000">600</text>')
    parts.append(image("pointer", rx + 100, ry + 40, 32, 32))
    parts.append(image("hand", 120, 240, 32, 32))
    body = "".join(parts)
    target = folder / f"window@{scale}x.png"
    (folder / f"window@{scale}x.svg").write_text(svg(450, 275, body))
    render.queue(svg(450, 275, body), target, 450 * scale, 275 * scale)
    sheet = []
    x = 4
    for name, w, h in (("anonimo", 97, 104), ("icon_32", 32, 32), ("icon_16", 16, 16), ("hand", 32, 32),
                       ("pointer", 32, 32), ("sound_off", 21, 21), ("has_photo", 12, 14),
                       ("strip_foto", 106, 23), ("strip_photo", 106, 23)):
        sheet.append(f'<rect x="{x - 2}" y="2" width="{w + 4}" height="{h + 4}" fill="#ffffff"/>'
                     + image(name, x, 4, w, h))
        x += w + 10
    sheet.append(file_image(ART / "icon.svg", x, 4, 64, 64))
    render.queue(svg(x + 70, 112, f'<rect width="{x + 70}" height="112" fill="#7d8f96"/>' + "".join(sheet)),
                 folder / f"sheet@{scale}x.png", (x + 70) * scale, 112 * scale)


# ---------------------------------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--renderer", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--preview", type=Path)
    args = parser.parse_args()
    render = Renderer(args.renderer, args.work)
    layout = read_layout()
    ART.mkdir(parents=True, exist_ok=True)
    DEMO.mkdir(parents=True, exist_ok=True)

    (ART / "background.svg").write_text(background(render, layout))
    for name, fx, fy in (("tl", False, False), ("tr", True, False), ("bl", False, True), ("br", True, True)):
        (ART / f"corner_{name}.svg").write_text(corner(fx, fy))
    (ART / "icon.svg").write_text(icon())
    render.queue(icon(), ART / "icon_32.png", 32, 32)
    render.queue(icon_small(), ART / "icon_16.png", 16, 16)
    (ART / "about_logo.svg").write_text(about_logo(render))

    pictures = [("star_grey", star(False), 13, 13, True),
                ("star_red", star(True), 13, 13, True),
                ("strip_foto", strip(render, "Foto", "#ffffff", "#cfe3ea"), 106, 23, True),
                ("strip_photo", strip(render, "Photo", ORANGE, "#ffffff"), 106, 23, True),
                ("marker", marker(), 13, 6, True),
                ("anonimo", anonimo(render), 97, 104, True),
                ("sound_on", sound_switch(True), 21, 21, True),
                ("sound_off", sound_switch(False), 21, 21, True),
                ("has_photo", has_photo(), 12, 14, True),
                ("hand", hand(False), 32, 32, False),
                ("pointer", hand(True), 32, 32, False)]
    for name, drawing, w, h, double in pictures:
        render.queue(drawing, ART / f"{name}.png", w, h)
        if double:
            render.queue(drawing, ART / f"{name}@2x.png", w * 2, h * 2)
    for name, w, h, drawing in demo_photos():
        render.queue(drawing, DEMO / name, w, h)
    render.run()

    for name, samples in sounds().items():
        write_wave(PROGRAM / name, samples)

    if args.preview:
        for scale in (1, 2):
            preview(render, layout, args.preview, scale)
        render.run()


if __name__ == "__main__":
    main()
