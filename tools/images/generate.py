#!/usr/bin/python3
"""Draws the application's images into resources/images.

Every picture the screens show is made here from the palette and shapes below, so that a
changed colour or size is one edit followed by one run:

    /usr/bin/python3 tools/images/generate.py

Needs Pillow (Debian: python3-pil) and the Liberation Sans fonts (fonts-liberation2).
The output is committed together with this script.
"""

import math
import os
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

import appicons
import wizards
import mixertypes

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
OUT = os.path.join(ROOT, "resources", "images")

# Palette: dark stage surfaces, one warm accent, high-contrast text.
BG_TOP = (20, 24, 31)
BG_BOTTOM = (9, 11, 15)
GRID = (255, 255, 255, 9)
ACCENT = (242, 153, 46)       # amber, readable in the dark without glare
ACCENT_DIM = (150, 92, 28)
TEXT = (236, 239, 244)
TEXT_DIM = (150, 158, 170)
PANEL = (30, 35, 44)
PANEL_EDGE = (58, 66, 80)
ICON = (236, 239, 244, 255)

FONT_DIR = "/usr/share/fonts/truetype/liberation2"
FONT_DIR_OLD = "/usr/share/fonts/truetype/liberation"

SS = 4  # supersampling factor for smooth edges


def font(size, bold=False):
    name = "LiberationSans-Bold.ttf" if bold else "LiberationSans-Regular.ttf"
    for folder in (FONT_DIR, FONT_DIR_OLD):
        path = os.path.join(folder, name)
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    sys.exit("generate.py: Liberation Sans not found (install fonts-liberation2)")


def vertical_gradient(size, top, bottom):
    w, h = size
    img = Image.new("RGB", size, top)
    draw = ImageDraw.Draw(img)
    for y in range(h):
        t = y / max(1, h - 1)
        c = tuple(int(top[i] + (bottom[i] - top[i]) * t) for i in range(3))
        draw.line([(0, y), (w, y)], fill=c)
    return img


def save(img, rel, **kw):
    path = os.path.join(OUT, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    img.save(path, **kw)
    print("wrote", os.path.relpath(path, ROOT))


def background():
    """BG.png: a dark gradient with a faint measurement grid, like a scope screen at night."""
    w, h = 1920, 1200
    img = vertical_gradient((w, h), BG_TOP, BG_BOTTOM).convert("RGBA")
    grid = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    d = ImageDraw.Draw(grid)
    step = 48
    for x in range(0, w, step):
        d.line([(x, 0), (x, h)], fill=GRID, width=1)
    for y in range(0, h, step):
        d.line([(0, y), (w, y)], fill=GRID, width=1)
    img = Image.alpha_composite(img, grid)
    # A soft warm glow low on the left, where the eye rests least.
    glow = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    gd = ImageDraw.Draw(glow)
    gd.ellipse([-w // 3, h // 2, w // 2, h + h // 2], fill=ACCENT + (22,))
    glow = glow.filter(ImageFilter.GaussianBlur(160))
    img = Image.alpha_composite(img, glow)
    save(img.convert("RGB"), "BG.png", optimize=True)


def draw_wave(d, box, color, width, cycles=2.5, amp=0.38, phase=0.0):
    x0, y0, x1, y1 = box
    mid = (y0 + y1) / 2
    pts = []
    n = 240
    for i in range(n + 1):
        t = i / n
        env = math.sin(math.pi * t)
        y = mid - (y1 - y0) * amp * env * math.sin(2 * math.pi * cycles * t + phase)
        pts.append((x0 + (x1 - x0) * t, y))
    d.line(pts, fill=color, width=width, joint="curve")


def logo_mark(size):
    """The round mark: a ring with a waveform through it."""
    s = size * SS
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    pad = s * 0.06
    d.ellipse([pad, pad, s - pad, s - pad], outline=ACCENT + (255,), width=int(s * 0.055))
    draw_wave(d, (s * 0.18, s * 0.2, s * 0.82, s * 0.8), TEXT + (255,), int(s * 0.05), cycles=2.0, amp=0.42)
    return img.resize((size, size), Image.LANCZOS)


def splash():
    """Splash_Screen.png: the start-up panel's picture: a processor front panel under stage light."""
    w, h = 1200, 520
    img = Image.new("RGBA", (w * 2, h * 2), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    S = 2
    # Rack unit.
    rx0, ry0, rx1, ry1 = 60 * S, 170 * S, 1140 * S, 350 * S
    d.rounded_rectangle([rx0, ry0, rx1, ry1], radius=14 * S, fill=(26, 30, 38, 255), outline=PANEL_EDGE + (255,), width=3 * S)
    for ex in (rx0 + 26 * S, rx1 - 26 * S):
        for ey in (ry0 + 34 * S, ry1 - 34 * S):
            d.ellipse([ex - 9 * S, ey - 9 * S, ex + 9 * S, ey + 9 * S], fill=(12, 14, 18, 255), outline=PANEL_EDGE + (255,), width=2 * S)
    # Display window with a response curve.
    dx0, dy0, dx1, dy1 = rx0 + 90 * S, ry0 + 34 * S, rx0 + 520 * S, ry1 - 34 * S
    d.rounded_rectangle([dx0, dy0, dx1, dy1], radius=8 * S, fill=(8, 10, 13, 255), outline=(70, 78, 92, 255), width=2 * S)
    pts = []
    for i in range(301):
        t = i / 300
        y = 0.5 - 0.22 * math.exp(-((t - 0.28) / 0.08) ** 2) + 0.18 * math.exp(-((t - 0.72) / 0.12) ** 2)
        pts.append((dx0 + 16 * S + (dx1 - dx0 - 32 * S) * t, dy0 + (dy1 - dy0) * y))
    d.line(pts, fill=ACCENT + (255,), width=4 * S, joint="curve")
    d.line([(dx0 + 16 * S, (dy0 + dy1) / 2), (dx1 - 16 * S, (dy0 + dy1) / 2)], fill=(70, 78, 92, 255), width=1 * S)
    # Meter ladders.
    for ch in range(6):
        mx = rx0 + 570 * S + ch * 46 * S
        for seg in range(10):
            my = ry1 - 44 * S - seg * 10 * S
            lit = seg < (9 - abs(ch - 2.5) * 2)
            col = (64, 200, 110, 255) if seg < 7 else (240, 190, 40, 255) if seg < 9 else (230, 60, 50, 255)
            d.rectangle([mx, my, mx + 30 * S, my + 6 * S], fill=col if lit else (40, 46, 56, 255))
    # Knobs.
    for k in range(3):
        cx = rx0 + 880 * S + k * 72 * S
        cy = (ry0 + ry1) / 2
        r = 24 * S
        d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=(44, 50, 62, 255), outline=(90, 98, 112, 255), width=2 * S)
        a = math.radians(-220 + k * 70)
        d.line([(cx, cy), (cx + r * 0.8 * math.cos(a), cy + r * 0.8 * math.sin(a))], fill=TEXT + (255,), width=4 * S)
    # Light beam from above.
    beam = Image.new("RGBA", img.size, (0, 0, 0, 0))
    bd = ImageDraw.Draw(beam)
    bd.polygon([(w * S * 0.45, 0), (w * S * 0.55, 0), (w * S * 0.85, h * S), (w * S * 0.15, h * S)], fill=ACCENT + (20,))
    beam = beam.filter(ImageFilter.GaussianBlur(40 * S))
    img = Image.alpha_composite(beam, img)
    # Status LED row.
    d = ImageDraw.Draw(img)
    for i in range(4):
        lx = rx0 + 40 * S + 0
        ly = ry0 + 50 * S + i * 26 * S
        col = ACCENT + (255,) if i == 0 else (64, 200, 110, 255)
        d.ellipse([lx, ly, lx + 12 * S, ly + 12 * S], fill=col)
    img = img.resize((w, h), Image.LANCZOS)
    save(img, "Splash_Screen.png", optimize=True)


def icon_canvas(size=96):
    s = size * SS
    return Image.new("RGBA", (s, s), (0, 0, 0, 0)), s


def finish_icon(img, rel, size=96):
    save(img.resize((size, size), Image.LANCZOS), rel, optimize=True)


def icon_home():
    img, s = icon_canvas()
    d = ImageDraw.Draw(img)
    lw = int(s * 0.07)
    d.line([(s * 0.14, s * 0.50), (s * 0.50, s * 0.18), (s * 0.86, s * 0.50)], fill=ICON, width=lw, joint="curve")
    d.line([(s * 0.25, s * 0.44), (s * 0.25, s * 0.84), (s * 0.75, s * 0.84), (s * 0.75, s * 0.44)], fill=ICON, width=lw, joint="curve")
    d.rectangle([s * 0.43, s * 0.60, s * 0.57, s * 0.84], fill=ICON)
    finish_icon(img, "Menu/Home.png")


def icon_presets():
    img, s = icon_canvas()
    d = ImageDraw.Draw(img)
    lw = int(s * 0.06)
    for i, y in enumerate((0.28, 0.50, 0.72)):
        d.line([(s * 0.14, s * y), (s * 0.86, s * y)], fill=ICON, width=lw)
        x = s * (0.32, 0.64, 0.45)[i]
        r = s * 0.09
        d.ellipse([x - r, s * y - r, x + r, s * y + r], fill=(0, 0, 0, 0), outline=ICON, width=lw)
        d.ellipse([x - r * 0.45, s * y - r * 0.45, x + r * 0.45, s * y + r * 0.45], fill=ICON)
    finish_icon(img, "Menu/Presets.png")


def icon_wizard():
    img, s = icon_canvas()
    d = ImageDraw.Draw(img)
    lw = int(s * 0.075)
    d.line([(s * 0.18, s * 0.84), (s * 0.62, s * 0.40)], fill=ICON, width=lw)

    def star(cx, cy, r):
        pts = []
        for k in range(8):
            a = math.pi / 4 * k - math.pi / 2
            rr = r if k % 2 == 0 else r * 0.38
            pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
        d.polygon(pts, fill=ICON)
    star(s * 0.70, s * 0.30, s * 0.20)
    star(s * 0.32, s * 0.24, s * 0.09)
    star(s * 0.82, s * 0.66, s * 0.08)
    finish_icon(img, "Menu/Wizard.png")


def icon_utilities():
    img, s = icon_canvas()
    d = ImageDraw.Draw(img)
    cx = cy = s / 2
    teeth = 8
    pts = []
    for k in range(teeth * 4):
        a = 2 * math.pi * k / (teeth * 4)
        r = s * (0.40 if (k % 4) in (0, 1) else 0.30)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    d.polygon(pts, fill=ICON)
    r = s * 0.13
    d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=(0, 0, 0, 0))
    finish_icon(img, "Menu/Utilities.png")


def icon_discovery():
    img, s = icon_canvas()
    d = ImageDraw.Draw(img)
    lw = int(s * 0.065)
    cx, cy = s * 0.5, s * 0.72
    d.ellipse([cx - s * 0.06, cy - s * 0.06, cx + s * 0.06, cy + s * 0.06], fill=ICON)
    for r in (0.22, 0.38, 0.54):
        rr = s * r
        d.arc([cx - rr, cy - rr, cx + rr, cy + rr], start=225, end=315, fill=ICON, width=lw)
    finish_icon(img, "Menu/Discovery.png")


def icon_mute():
    img, s = icon_canvas()
    d = ImageDraw.Draw(img)
    d.polygon([(s * 0.14, s * 0.38), (s * 0.30, s * 0.38), (s * 0.52, s * 0.18), (s * 0.52, s * 0.82), (s * 0.30, s * 0.62), (s * 0.14, s * 0.62)], fill=ICON)
    lw = int(s * 0.07)
    d.line([(s * 0.64, s * 0.36), (s * 0.88, s * 0.64)], fill=ICON, width=lw)
    d.line([(s * 0.88, s * 0.36), (s * 0.64, s * 0.64)], fill=ICON, width=lw)
    finish_icon(img, "Menu/Mute.png")


def icon_help():
    img, s = icon_canvas()
    d = ImageDraw.Draw(img)
    lw = int(s * 0.07)
    d.ellipse([s * 0.1, s * 0.1, s * 0.9, s * 0.9], outline=ICON, width=lw)
    f = font(int(s * 0.56), bold=True)
    d.text((s * 0.5, s * 0.53), "?", font=f, fill=ICON, anchor="mm")
    finish_icon(img, "Menu/Help.png")


def logo():
    save(logo_mark(128), "Logo.png", optimize=True)


# Home-screen block icons: one pictogram per block of the signal flow, light strokes on a
# transparent ground (the button behind gives the dark stage), the accent for what the block does
# to the signal, and a red mark on the muted variants.
HOME_ICON = 128
STROKE = (236, 239, 244, 255)
ACCENT_A = ACCENT + (255,)
MUTE_RED = (240, 85, 74, 255)
DIM_STROKE = (150, 158, 170, 255)
BAND_COLOURS = [(242, 153, 46), (64, 200, 110), (80, 160, 240), (230, 90, 160), (240, 200, 50), (150, 110, 240),
                (60, 200, 200), (240, 110, 80), (170, 210, 70), (110, 140, 255), (255, 150, 200), (200, 170, 120),
                (120, 220, 170), (220, 120, 240)]


def home_canvas():
    s = HOME_ICON * SS
    return Image.new("RGBA", (s, s), (0, 0, 0, 0)), s


def home_save(img, name):
    save(img.resize((HOME_ICON, HOME_ICON), Image.LANCZOS), os.path.join("Home", name), optimize=True)


def home_curve(d, s, fn, x0=0.14, x1=0.86, colour=STROKE, width=0.055, n=200):
    """A thick curve drawn as a dense row of round dabs, so steep parts keep their width."""
    r = s * width / 2
    prev = None
    for i in range(n + 1):
        t = i / n
        p = (s * (x0 + (x1 - x0) * t), s * fn(t))
        if prev is not None:
            steps = max(1, int(math.hypot(p[0] - prev[0], p[1] - prev[1]) / (r * 0.3)))
            for k in range(1, steps + 1):
                x = prev[0] + (p[0] - prev[0]) * k / steps
                y = prev[1] + (p[1] - prev[1]) * k / steps
                d.ellipse([x - r, y - r, x + r, y + r], fill=colour)
        prev = p


def home_axes(d, s):
    lw = int(s * 0.03)
    d.line([(s * 0.16, s * 0.12), (s * 0.16, s * 0.84), (s * 0.88, s * 0.84)], fill=DIM_STROKE, width=lw, joint="curve")


def home_mute_badge(img, s):
    """A red no-entry badge in the lower right corner."""
    d = ImageDraw.Draw(img)
    cx, cy, r = s * 0.76, s * 0.76, s * 0.2
    d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=(20, 22, 28, 255), outline=MUTE_RED, width=int(s * 0.045))
    k = r * 0.62
    d.line([(cx - k, cy + k), (cx + k, cy - k)], fill=MUTE_RED, width=int(s * 0.05))


def home_faders(d, s, count, caps, x0=0.2, x1=0.8, top=0.16, bottom=0.84, colour=STROKE):
    step = (x1 - x0) / max(1, count - 1)
    lw = int(s * 0.03)
    for i in range(count):
        x = s * (x0 + step * i)
        d.line([(x, s * top), (x, s * bottom)], fill=DIM_STROKE, width=lw)
        y = s * (top + (bottom - top) * caps[i])
        w, h = s * 0.075, s * 0.05
        d.rounded_rectangle([x - w, y - h, x + w, y + h], radius=int(s * 0.015), fill=colour)


def home_mixer_picture():
    img, s = home_canvas()
    d = ImageDraw.Draw(img)
    home_faders(d, s, 3, [0.35, 0.6, 0.25], x0=0.26, x1=0.74)
    d.line([(s * 0.12, s * 0.9), (s * 0.88, s * 0.9)], fill=ACCENT_A, width=int(s * 0.04))
    return img, s


def icon_mixer():
    img, _ = home_mixer_picture()
    home_save(img, "ICN_Mixer.png")
    img, s = home_mixer_picture()
    faded = Image.new("RGBA", img.size, (0, 0, 0, 0))
    faded = Image.blend(faded, img, 0.55)
    home_mute_badge(faded, s)
    home_save(faded, "ICN_MixerMute.png")


def icon_afs():
    """Feedback suppression: a flat response with narrow notches cut into it."""
    img, s = home_canvas()
    d = ImageDraw.Draw(img)

    def f(t):
        y = 0.22
        for c, depth in ((0.3, 0.26), (0.55, 0.18), (0.76, 0.3)):
            y += depth * math.exp(-((t - c) / 0.03) ** 2)
        return y
    home_curve(d, s, f, colour=ACCENT_A, n=400)
    # A microphone below, the source of the howl.
    cx = s * 0.5
    lw = int(s * 0.04)
    d.rounded_rectangle([cx - s * 0.08, s * 0.6, cx + s * 0.08, s * 0.78], radius=int(s * 0.08), outline=STROKE, width=lw)
    d.arc([cx - s * 0.13, s * 0.6, cx + s * 0.13, s * 0.84], start=0, end=180, fill=STROKE, width=lw)
    d.line([(cx, s * 0.84), (cx, s * 0.92)], fill=STROKE, width=lw)
    home_save(img, "ICN_AFS.png")


def icon_graphic_eq():
    img, s = home_canvas()
    d = ImageDraw.Draw(img)
    caps = [0.55, 0.4, 0.3, 0.38, 0.55, 0.62, 0.45]
    home_faders(d, s, 7, caps, x0=0.14, x1=0.86, colour=ACCENT_A)
    home_save(img, "ICN_GraphicEQ.png")


def icon_sub_synth():
    """A fast wave and, under it, the octave below it, heavier."""
    img, s = home_canvas()
    d = ImageDraw.Draw(img)
    home_curve(d, s, lambda t: 0.3 - 0.1 * math.sin(2 * math.pi * 4 * t), width=0.035)
    home_curve(d, s, lambda t: 0.66 - 0.18 * math.sin(2 * math.pi * 2 * t), colour=ACCENT_A, width=0.075)
    home_save(img, "ICN_SubSynth.png")


def icon_auto_eq():
    """A measurement microphone over a correction curve."""
    img, s = home_canvas()
    d = ImageDraw.Draw(img)
    home_curve(d, s, lambda t: 0.72 - 0.1 * math.sin(2 * math.pi * 1.5 * t) * (1 - t), colour=ACCENT_A)
    lw = int(s * 0.045)
    # Microphone: a slim body pointing down-left with a round head.
    d.line([(s * 0.78, s * 0.12), (s * 0.5, s * 0.42)], fill=STROKE, width=int(s * 0.07))
    r = s * 0.07
    d.ellipse([s * 0.45 - r, s * 0.47 - r, s * 0.45 + r, s * 0.47 + r], fill=STROKE)
    d.line([(s * 0.2, s * 0.86), (s * 0.8, s * 0.86)], fill=DIM_STROKE, width=lw // 2)
    home_save(img, "ICN_AutoEQ.png")


def icon_compressor():
    """Transfer curve: unity up to the knee, then flattened."""
    img, s = home_canvas()
    d = ImageDraw.Draw(img)
    home_axes(d, s)
    lw = int(s * 0.06)
    d.line([(s * 0.16, s * 0.84), (s * 0.5, s * 0.5), (s * 0.86, s * 0.36)], fill=ACCENT_A, width=lw, joint="curve")
    d.line([(s * 0.5, s * 0.5), (s * 0.84, s * 0.16)], fill=DIM_STROKE, width=int(s * 0.025))
    r = s * 0.045
    d.ellipse([s * 0.5 - r, s * 0.5 - r, s * 0.5 + r, s * 0.5 + r], fill=STROKE)
    home_save(img, "ICN_Compressor.png")


def icon_gate():
    """Transfer curve of a gate: closed below the threshold, open above it."""
    img, s = home_canvas()
    d = ImageDraw.Draw(img)
    home_axes(d, s)
    lw = int(s * 0.06)
    d.line([(s * 0.3, s * 0.84), (s * 0.44, s * 0.56), (s * 0.86, s * 0.14)], fill=ACCENT_A, width=lw, joint="curve")
    d.line([(s * 0.44, s * 0.14), (s * 0.44, s * 0.84)], fill=DIM_STROKE, width=int(s * 0.02))
    home_save(img, "ICN_Gate.png")


def icon_agc():
    """Levels pulled towards a target line from above and below."""
    img, s = home_canvas()
    d = ImageDraw.Draw(img)
    lw = int(s * 0.055)
    d.line([(s * 0.12, s * 0.5), (s * 0.88, s * 0.5)], fill=ACCENT_A, width=lw)
    for x, down in ((0.3, True), (0.7, False)):
        cx = s * x
        if down:
            d.line([(cx, s * 0.12), (cx, s * 0.38)], fill=STROKE, width=lw)
            d.polygon([(cx - s * 0.09, s * 0.32), (cx + s * 0.09, s * 0.32), (cx, s * 0.44)], fill=STROKE)
        else:
            d.line([(cx, s * 0.88), (cx, s * 0.62)], fill=STROKE, width=lw)
            d.polygon([(cx - s * 0.09, s * 0.68), (cx + s * 0.09, s * 0.68), (cx, s * 0.56)], fill=STROKE)
    home_save(img, "ICN_AGC.png")


def icon_crossover():
    """A low-pass and a high-pass slope crossing."""
    img, s = home_canvas()
    d = ImageDraw.Draw(img)

    def lp(t):
        return 0.3 + 0.5 / (1 + math.exp(-(t - 0.55) * 14))

    def hp(t):
        return 0.3 + 0.5 / (1 + math.exp((t - 0.45) * 14))
    home_curve(d, s, lp, colour=STROKE)
    home_curve(d, s, hp, colour=ACCENT_A)
    home_save(img, "ICN_Crossover.png")


def icon_para_eq():
    """A bell and a dip with their handles."""
    img, s = home_canvas()
    d = ImageDraw.Draw(img)

    def f(t):
        return 0.5 - 0.26 * math.exp(-((t - 0.32) / 0.1) ** 2) + 0.2 * math.exp(-((t - 0.72) / 0.09) ** 2)
    d.line([(s * 0.12, s * 0.5), (s * 0.88, s * 0.5)], fill=DIM_STROKE, width=int(s * 0.02))
    home_curve(d, s, f, colour=ACCENT_A)
    for t in (0.32, 0.72):
        x, y = s * (0.14 + 0.72 * t), s * f(t)
        r = s * 0.05
        d.ellipse([x - r, y - r, x + r, y + r], fill=STROKE)
    home_save(img, "ICN_ParaEQ.png")


def icon_limiter():
    """A wave whose peaks stop at a ceiling."""
    img, s = home_canvas()
    d = ImageDraw.Draw(img)
    top, bottom = 0.26, 0.74
    d.line([(s * 0.1, s * top), (s * 0.9, s * top)], fill=ACCENT_A, width=int(s * 0.05))
    d.line([(s * 0.1, s * bottom), (s * 0.9, s * bottom)], fill=ACCENT_A, width=int(s * 0.05))
    home_curve(d, s, lambda t: min(bottom - 0.05, max(top + 0.05, 0.5 - 0.36 * math.sin(2 * math.pi * 2 * t))), width=0.05, n=400)
    home_save(img, "ICN_Limiter.png")


def icon_alignment_delay():
    """A stopwatch."""
    img, s = home_canvas()
    d = ImageDraw.Draw(img)
    cx, cy, r = s * 0.5, s * 0.56, s * 0.31
    lw = int(s * 0.055)
    d.ellipse([cx - r, cy - r, cx + r, cy + r], outline=STROKE, width=lw)
    d.rectangle([cx - s * 0.06, s * 0.1, cx + s * 0.06, s * 0.17], fill=STROKE)
    d.line([(cx, s * 0.17), (cx, cy - r)], fill=STROKE, width=lw)
    d.line([(cx, cy), (cx + r * 0.55, cy - r * 0.55)], fill=ACCENT_A, width=lw)
    d.line([(cx, cy), (cx, cy - r * 0.75)], fill=STROKE, width=int(s * 0.035))
    rr = s * 0.04
    d.ellipse([cx - rr, cy - rr, cx + rr, cy + rr], fill=ACCENT_A)
    home_save(img, "ICN_AlignmentDelay.png")


def icon_rta():
    """Analyser bars with the measurement microphone."""
    img, s = home_canvas()
    d = ImageDraw.Draw(img)
    heights = [0.34, 0.5, 0.62, 0.46, 0.56, 0.4, 0.3]
    w = 0.72 / len(heights)
    for i, h in enumerate(heights):
        x0 = s * (0.14 + i * w)
        d.rectangle([x0 + s * 0.012, s * (0.86 - h), x0 + s * w - s * 0.012, s * 0.86], fill=ACCENT_A if i % 2 else STROKE)
    d.line([(s * 0.7, s * 0.1), (s * 0.88, s * 0.28)], fill=STROKE, width=int(s * 0.06))
    r = s * 0.05
    d.ellipse([s * 0.66 - r, s * 0.07 - r + s * 0.02, s * 0.66 + r, s * 0.07 + r + s * 0.02], fill=STROKE)
    home_save(img, "ICN_RTAmic.png")


def icon_input():
    """A three-pin connector with the signal going in."""
    img, s = home_canvas()
    d = ImageDraw.Draw(img)
    cx, cy, r = s * 0.6, s * 0.5, s * 0.28
    d.ellipse([cx - r, cy - r, cx + r, cy + r], outline=STROKE, width=int(s * 0.05))
    for a in (210, 330, 90):
        px, py = cx + r * 0.5 * math.cos(math.radians(a)), cy + r * 0.5 * math.sin(math.radians(a))
        pr = s * 0.045
        d.ellipse([px - pr, py - pr, px + pr, py + pr], fill=ACCENT_A)
    lw = int(s * 0.05)
    d.line([(s * 0.08, cy), (s * 0.28, cy)], fill=STROKE, width=lw)
    d.polygon([(s * 0.26, cy - s * 0.08), (s * 0.36, cy), (s * 0.26, cy + s * 0.08)], fill=STROKE)
    home_save(img, "ICN_Input.png")


def home_speaker(muted):
    img, s = home_canvas()
    d = ImageDraw.Draw(img)
    d.polygon([(s * 0.12, s * 0.38), (s * 0.28, s * 0.38), (s * 0.5, s * 0.16), (s * 0.5, s * 0.84), (s * 0.28, s * 0.62),
               (s * 0.12, s * 0.62)], fill=STROKE)
    lw = int(s * 0.05)
    if muted:
        d.line([(s * 0.62, s * 0.36), (s * 0.88, s * 0.64)], fill=MUTE_RED, width=int(s * 0.07))
        d.line([(s * 0.88, s * 0.36), (s * 0.62, s * 0.64)], fill=MUTE_RED, width=int(s * 0.07))
    else:
        for rr in (0.14, 0.26):
            r = s * rr
            d.arc([s * 0.52 - r, s * 0.5 - r, s * 0.52 + r, s * 0.5 + r], start=-50, end=50, fill=ACCENT_A, width=lw)
    return img


def icon_output():
    home_save(home_speaker(False), "ICN_Output.png")
    home_save(home_speaker(True), "ICN_OutputMute.png")


def icon_signal_generator():
    """A sine in an output jack's frame."""
    img, s = home_canvas()
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([s * 0.1, s * 0.22, s * 0.9, s * 0.78], radius=int(s * 0.1), outline=STROKE, width=int(s * 0.045))
    home_curve(d, s, lambda t: 0.5 - 0.16 * math.sin(2 * math.pi * 1.5 * t), x0=0.2, x1=0.8, colour=ACCENT_A, width=0.06)
    home_save(img, "ICN_SignalGenerator.png")


def icon_meters():
    """Three level ladders, green to red."""
    img, s = home_canvas()
    d = ImageDraw.Draw(img)
    for i, lit in enumerate((7, 9, 5)):
        x = s * (0.2 + i * 0.24)
        for seg in range(10):
            y = s * (0.84 - seg * 0.07)
            col = (64, 200, 110, 255) if seg < 6 else (240, 190, 40, 255) if seg < 8 else (230, 60, 50, 255)
            d.rectangle([x, y - s * 0.045, x + s * 0.14, y], fill=col if seg < lit else (60, 66, 78, 255))
    home_save(img, "ICN_Meters.png")


def button_backgrounds():
    """ButtonBG1..14 (one colour per EQ band) and ButtonBGS (the sub band): the face of a band
    button, its colour as a bar along the left edge and a soft wash."""
    w, h = 160, 64
    for n in range(1, 16):
        colour = (160, 168, 180) if n == 15 else BAND_COLOURS[n - 1]
        img = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))
        d = ImageDraw.Draw(img)
        d.rounded_rectangle([0, 0, w * SS - 1, h * SS - 1], radius=8 * SS, fill=(35, 42, 53, 255), outline=(58, 66, 80, 255), width=SS * 2)
        wash = Image.new("RGBA", img.size, (0, 0, 0, 0))
        ImageDraw.Draw(wash).rounded_rectangle([0, 0, w * SS - 1, h * SS - 1], radius=8 * SS, fill=colour + (46,))
        img = Image.alpha_composite(img, wash)
        d = ImageDraw.Draw(img)
        d.rounded_rectangle([4 * SS, 6 * SS, 12 * SS, h * SS - 6 * SS], radius=3 * SS, fill=colour + (255,))
        name = "ButtonBGS.png" if n == 15 else "ButtonBG%d.png" % n
        save(img.resize((w, h), Image.LANCZOS), name, optimize=True)


def home_icons():
    icon_mixer()
    icon_afs()
    icon_graphic_eq()
    icon_sub_synth()
    icon_auto_eq()
    icon_compressor()
    icon_gate()
    icon_agc()
    icon_crossover()
    icon_para_eq()
    icon_limiter()
    icon_alignment_delay()
    icon_rta()
    icon_input()
    icon_output()
    icon_signal_generator()
    icon_meters()
    button_backgrounds()


# Help cards: what each screen is for, shown over it when the help button is pressed.
HELP = [
    ("HelpAGC.jpg", "Automatic Gain Control", ["Keeps the programme level steady.", "Set the target level, the maximum gain and how fast it reacts.", "The meter shows the gain being applied right now."]),
    ("Parametric-EQ.jpg", "Parametric EQ", ["Shape the output band with up to eight filters.", "Drag a point on the graph, or type frequency (Hz), gain (dB) and Q.", "Bypass compares the result with the flat response."]),
    ("Auto-EQ.jpg", "Auto EQ", ["Measures the room through the RTA microphone", "and proposes a correction curve.", "Review the target and the response before applying it."]),
    ("Graph-EQ.jpg", "Graphic EQ", ["31 bands at third-octave spacing, ±12 dB each.", "Quick Curve gives a starting shape; Flat resets every band.", "Stereo links left and right."]),
    ("RTA.jpg", "Real-Time Analyser", ["Shows the spectrum at the measurement input in dB.", "Pick the input and the averaging; the display refreshes continuously."]),
    ("Signal-Generator.jpg", "Signal Generator", ["Pink noise, white noise or a sine at a chosen frequency.", "Set the level in dBu before unmuting it.", "Mute the generator before the show."]),
    ("AFS.jpg", "Advanced Feedback Suppression", ["Fixed filters are set during setup; live filters follow the show.", "Mode chooses speech or music; Type chooses the filter width.", "Clear Live releases the live filters."]),
    ("HelpGate.jpg", "Gate", ["Silences the channel below the threshold (dB).", "Attack, hold and release shape how it opens and closes."]),
    ("Output-Delay.jpg", "Output Delay", ["Aligns the output band in time, in ms, feet or metres.", "Use it to line up fills and delay towers with the main system."]),
    ("HelpMixers.jpg", "Mixers", ["Sets the level of every input in the mix, in dB.", "Mute an input with its button; the fader shows the level sent."]),
    ("NewWizard.jpg", "Setup Wizard", ["Follows the processor's own wizard step by step:", "system setup, Auto EQ and feedback suppression.", "The processor keeps the answers when you go back."]),
    ("Preset.jpg", "Presets", ["Recall, store and rename the presets in the processor.", "Copy presets between the processor and this PC.", "The dot on the menu bar shows unsaved changes."]),
    ("Limiter.jpg", "Limiter", ["Protects the amplifiers and speakers of the output band.", "Set the threshold in dBu, attack and release in ms.", "The meter shows the gain reduction in dB."]),
    ("Input-Delay.jpg", "Input Delay", ["Delays an input, in ms, to align it with a back line or stage source."]),
    ("Crossover.jpg", "Crossover", ["Splits the signal into high, mid and low bands.", "Set each band's high-pass and low-pass frequency (Hz) and slope.", "Polarity inverts a band."]),
    ("Utilities.jpg", "Utilities", ["Application and firmware updates, settings transfer,", "usage reporting, device name and reboot."]),
    ("HomeScreen.jpg", "Home", ["The signal flow of the processor, from the inputs on the left", "to the outputs on the right.", "Press a block to open its screen; the menu bar leads to presets,", "the wizard, the utilities and back to the device list."]),
    ("Compressor.jpg", "Compressor", ["Reduces the dynamic range above the threshold (dB).", "Ratio, attack and release set how firmly it acts.", "The meter shows the gain reduction in dB."]),
    ("Subharmonic-Synth.jpg", "Sub-harmonic Synthesis", ["Adds low octave content below the programme.", "Set the 24Hz-36Hz and 36Hz-56Hz levels in %."]),
    ("HelpConfig.jpg", "Configuration", ["Edit the processing chain block by block.", "Changes are sent to the processor when you apply them;", "the processor is busy while it rebuilds."]),
    ("Output-Meter.jpg", "Output Meters", ["Input and output levels with headroom in dB.", "A red clip light holds for a moment after an overload."]),
    ("HelpManageTunings.jpg", "Manage Tunings", ["The library of speaker tunings and amplifier data.", "Filter by brand, series, type and state;", "choose files to add to or remove from the processor."]),
    ("HelpInputRouter.jpg", "Input Router", ["Assigns each input slot to an input source."]),
]


def wrap(d, text, fnt, width):
    rows, row = [], ""
    for word in text.split():
        trial = (row + " " + word).strip()
        if row and d.textlength(trial, font=fnt) > width:
            rows.append(row)
            row = word
        else:
            row = trial
    if row:
        rows.append(row)
    return rows


def help_card(name, title, lines):
    w, h = 1024, 640
    img = vertical_gradient((w, h), (26, 31, 40), (14, 17, 22))
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, w, 8], fill=ACCENT)
    mark = logo_mark(72)
    img.paste(mark, (48, 48), mark)
    d.text((140, 60), title, font=font(44, bold=True), fill=TEXT)
    d.text((142, 114), "Help", font=font(22), fill=ACCENT)
    d.line([(48, 168), (w - 48, 168)], fill=PANEL_EDGE, width=2)
    y = 206
    body = font(30)
    # Consecutive entries form one point when the first does not end a sentence.
    points = []
    for line in lines:
        if points and not points[-1].rstrip().endswith((".", ":")):
            points[-1] += " " + line
        else:
            points.append(line)
    for point in points:
        d.ellipse([52, y + 12, 64, y + 24], fill=ACCENT)
        for row in wrap(d, point, body, w - 84 - 48):
            d.text((84, y), row, font=body, fill=TEXT)
            y += 42
        y += 14
    d.text((48, h - 56), "Tap anywhere to close.", font=font(22), fill=TEXT_DIM)
    save(img, os.path.join("Help", name), quality=90, optimize=True)


# Screen help with a picture: for the screens of the fixed-chain model, a small drawing of what
# the screen shows on the left and what each of its controls does on the right.
HELP_BLUE = (108, 180, 255)
HELP_GREEN = (47, 191, 85)
HELP_YELLOW = (232, 194, 31)
HELP_RED = (232, 57, 43)
WELL = (7, 9, 12)


class Canvas:
    """A supersampled drawing area for one help picture, in its own coordinates (0..w, 0..h)."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.img = Image.new("RGBA", (w * SS, h * SS), PANEL + (255,))
        self.d = ImageDraw.Draw(self.img)

    def p(self, x, y):
        return (x * SS, y * SS)

    def line(self, pts, fill, width=2, dash=None):
        pts = [self.p(x, y) for x, y in pts]
        if not dash:
            self.d.line(pts, fill=fill, width=int(width * SS), joint="curve")
            return
        on, off = dash[0] * SS, dash[1] * SS
        for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
            length = math.hypot(x1 - x0, y1 - y0)
            t = 0.0
            while t < length:
                t1 = min(length, t + on)
                a = (x0 + (x1 - x0) * t / length, y0 + (y1 - y0) * t / length)
                b = (x0 + (x1 - x0) * t1 / length, y0 + (y1 - y0) * t1 / length)
                self.d.line([a, b], fill=fill, width=int(width * SS))
                t += on + off

    def rect(self, box, fill=None, outline=None, width=1, radius=0):
        x0, y0, x1, y1 = box
        self.d.rounded_rectangle([x0 * SS, y0 * SS, x1 * SS, y1 * SS], radius=radius * SS, fill=fill,
                                 outline=outline, width=int(width * SS))

    def ellipse(self, box, fill=None, outline=None, width=1):
        x0, y0, x1, y1 = box
        self.d.ellipse([x0 * SS, y0 * SS, x1 * SS, y1 * SS], fill=fill, outline=outline, width=int(width * SS))

    def text(self, xy, text, size=14, fill=TEXT_DIM, bold=False, anchor="la"):
        self.d.text(self.p(*xy), text, font=font(size * SS, bold), fill=fill, anchor=anchor)

    def image(self):
        return self.img.resize((self.w, self.h), Image.LANCZOS)


def help_plot(c, box, lo, hi, curve, markers=(), xlabel="Input (dB)", ylabel="Output (dB)", step=20):
    """Axes with a dB grid, the unity line and a curve (a list of (in, out) points)."""
    x0, y0, x1, y1 = box

    def at(vx, vy):
        return (x0 + (vx - lo) / (hi - lo) * (x1 - x0), y1 - (vy - lo) / (hi - lo) * (y1 - y0))

    c.rect(box, fill=WELL + (255,), outline=PANEL_EDGE + (255,), width=1)
    v = math.ceil(lo / step) * step
    while v <= hi:
        gx, _ = at(v, lo)
        _, gy = at(lo, v)
        c.line([(gx, y0), (gx, y1)], PANEL_EDGE + (255,), 1)
        c.line([(x0, gy), (x1, gy)], PANEL_EDGE + (255,), 1)
        label = ("\u2212%d" % -v) if v < 0 else ("+%d" % v if v > 0 else "0")
        c.text((gx, y1 + 6), label, 12, anchor="ma")
        c.text((x0 - 6, gy), label, 12, anchor="rm")
        v += step
    c.text(((x0 + x1) / 2, y1 + 24), xlabel, 13, TEXT, True, anchor="ma")
    side = Image.new("RGBA", (200 * SS, 24 * SS), (0, 0, 0, 0))
    ImageDraw.Draw(side).text((100 * SS, 12 * SS), ylabel, font=font(13 * SS, True), fill=TEXT, anchor="mm")
    side = side.rotate(90, expand=True)
    c.img.alpha_composite(side, (int((x0 - 52) * SS), int(((y0 + y1) / 2 - 100) * SS)))
    c.line([at(lo, lo), at(hi, hi)], TEXT_DIM + (255,), 1, dash=(2, 4))
    for kind, value, label in markers:
        if kind == "v":
            mx, _ = at(value, lo)
            c.line([(mx, y0), (mx, y1)], HELP_BLUE + (255,), 1.5, dash=(6, 4))
            c.text((mx + 5, y0 + 6), label, 12, HELP_BLUE)
        else:
            _, my = at(lo, value)
            c.line([(x0, my), (x1, my)], HELP_BLUE + (255,), 1.5, dash=(6, 4))
            c.text((x0 + 6, my - 16), label, 12, HELP_BLUE)
    pts = [at(a, max(lo, min(hi, b))) for a, b in curve]
    c.line(pts, ACCENT + (255,), 3)
    return at


def sweep(f, lo, hi, n=200):
    return [(lo + (hi - lo) * i / n, f(lo + (hi - lo) * i / n)) for i in range(n + 1)]


def draw_compressor(c):
    t, r, knee = -30.0, 4.0, 10.0

    def f(x):
        over = x - t
        if abs(over) * 2 <= knee:
            return x + (1 / r - 1) * (over + knee / 2) ** 2 / (2 * knee)
        return x if over < 0 else t + over / r
    help_plot(c, (64, 20, 364, 320), -80, 20, sweep(f, -80, 20), [("v", t, "Threshold")])
    c.text((214, 372), "Above the threshold the level rises 1 dB", 13, anchor="ma")
    c.text((214, 390), "for every 4 dB in (ratio 4:1).", 13, anchor="ma")


def draw_gate(c):
    t, r, rng = -50.0, 2.0, 30.0
    help_plot(c, (64, 20, 364, 320), -100, 0, sweep(lambda x: x if x >= t else max(t + (x - t) * r, x - rng), -100, 0),
              [("v", t, "Threshold")])
    c.text((214, 372), "Below the threshold the level falls faster,", 13, anchor="ma")
    c.text((214, 390), "never by more than Max Attenuation.", 13, anchor="ma")


def draw_agc(c):
    target, window, gain, low, limit = -20.0, 4.0, 6.0, -50.0, -8.0

    def f(x):
        y = x
        if x >= low:
            if x < target - window / 2:
                y = x + min(gain, target - window / 2 - x)
            elif x > target + window / 2:
                y = target + window / 2
        return min(y, limit)
    help_plot(c, (64, 20, 364, 320), -80, 0, sweep(f, -80, 0),
              [("h", target, "Target"), ("v", low, "Low Threshold"), ("h", limit, "Limit")])
    c.text((214, 372), "Quiet programme is raised, loud programme", 13, anchor="ma")
    c.text((214, 390), "lowered, toward the target.", 13, anchor="ma")


def draw_limiter(c):
    t = 0.0
    help_plot(c, (64, 20, 364, 320), -40, 20, sweep(lambda x: min(x, t), -40, 20), [("v", t, "Threshold"), ("h", t + 3, "Overshoot")],
              step=10)
    c.text((214, 372), "Nothing leaves above the threshold;", 13, anchor="ma")
    c.text((214, 390), "short peaks may pass by the overshoot.", 13, anchor="ma")


def draw_subharmonic(c):
    x0, y0, x1, y1 = 50, 30, 360, 320
    c.rect((x0, y0, x1, y1), fill=WELL + (255,), outline=PANEL_EDGE + (255,))

    def fx(hz):
        return x0 + (x1 - x0) * math.log(hz / 18) / math.log(125 / 18)
    for hz in (20, 30, 40, 50, 60, 80, 100, 125):
        c.line([(fx(hz), y0), (fx(hz), y1)], PANEL_EDGE + (255,), 1)
        c.text((fx(hz), y1 + 6), str(hz), 12, anchor="ma")
    c.text(((x0 + x1) / 2, y1 + 24), "Frequency (Hz)", 13, TEXT, True, anchor="ma")
    c.rect((fx(56), y0 + 80, x1, y1), fill=(90, 98, 112, 255))
    c.text((fx(56) + 8, y0 + 88), "Programme", 12, TEXT)
    for (a, b, level, label) in ((24, 36, 0.45, "24Hz-36Hz"), (36, 56, 0.65, "36Hz-56Hz")):
        top = y1 - (y1 - y0) * level
        c.rect((fx(a) + 1, top, fx(b) - 1, y1), fill=ACCENT + (255,))
        c.text(((fx(a) + fx(b)) / 2, top - 18), label, 12, TEXT, True, anchor="ma")
    c.text((205, 372), "Two octaves below the bass are added,", 13, anchor="ma")
    c.text((205, 390), "each at its own level.", 13, anchor="ma")


def fader_strip(c, x, label, cap, level, muted=False, pan=None):
    c.text((x + 45, 24), label, 13, TEXT, True, anchor="ma")
    c.rect((x + 6, 48, x + 20, 270), fill=WELL + (255,), outline=PANEL_EDGE + (255,))
    lit = 270 - 222 * level
    for lo, hi, col in ((0.0, 0.55, HELP_GREEN), (0.55, 0.85, HELP_YELLOW), (0.85, 1.0, HELP_RED)):
        top, bottom = 270 - 222 * hi, 270 - 222 * lo
        if lit < bottom:
            c.rect((x + 8, max(top, lit), x + 18, bottom), fill=col + (255,))
    c.rect((x + 56, 48, x + 60, 270), fill=WELL + (255,))
    cy = 270 - 222 * cap
    c.rect((x + 38, cy - 10, x + 78, cy + 10), fill=(217, 222, 230, 255), outline=(20, 24, 31, 255), radius=3)
    c.line([(x + 42, cy), (x + 74, cy)], (20, 24, 31, 255), 2)
    if pan is not None:
        c.rect((x + 6, 290, x + 84, 294), fill=WELL + (255,))
        px = x + 6 + 78 * pan
        c.rect((px - 5, 283, px + 5, 301), fill=(217, 222, 230, 255))
    c.rect((x + 4, 318, x + 86, 346), fill=(224, 56, 44, 255) if muted else (43, 50, 61, 255), outline=PANEL_EDGE + (255,), radius=5)
    c.text((x + 45, 332), "MUTE", 12, TEXT, True, anchor="mm")


def draw_mixer(c):
    fader_strip(c, 20, "Input A", 0.8, 0.7, pan=0.0)
    fader_strip(c, 140, "Input B", 0.8, 0.55, pan=1.0)
    fader_strip(c, 260, "Input C", 0.0, 0.3, muted=True, pan=0.5)
    c.text((205, 372), "Level, fader, pan and mute of each input;", 13, anchor="ma")
    c.text((205, 390), "pan only on the stereo mixer.", 13, anchor="ma")


def speaker(c, x, y, w=40, h=66):
    c.rect((x, y, x + w, y + h), fill=(35, 42, 53, 255), outline=PANEL_EDGE + (255,), radius=5)
    c.ellipse((x + w * 0.28, y + h * 0.1, x + w * 0.72, y + h * 0.37), fill=WELL + (255,), outline=TEXT_DIM + (255,))
    c.ellipse((x + w * 0.15, y + h * 0.45, x + w * 0.85, y + h * 0.88), fill=WELL + (255,), outline=TEXT_DIM + (255,))


def ruler(c, x0, x1, y, metres, longest=50):
    def fx(m):
        return x0 + (x1 - x0) * m / longest
    c.line([(x0, y), (x1, y)], PANEL_EDGE + (255,), 2)
    for m in range(0, longest + 1, 10):
        c.line([(fx(m), y + 6), (fx(m), y + 12)], TEXT_DIM + (255,), 1)
        c.text((fx(m), y + 16), "%d m" % m if m == longest else str(m), 11, anchor="ma")
    c.line([(x0, y), (fx(metres), y)], ACCENT + (255,), 6)
    for k in range(3):
        cx = x0 + (fx(metres) - x0) * (k + 1) / 4
        c.ellipse((cx - 8, y - 18 - 4 * k, cx + 8, y + 18 + 4 * k), outline=ACCENT + (110 + 50 * k,), width=2)
    c.ellipse((fx(metres) - 10, y - 10, fx(metres) + 10, y + 10), fill=ACCENT + (255,))
    c.text((fx(metres), y - 44), "%.1f m" % metres, 18, TEXT, True, anchor="ma")


def draw_output_delay(c):
    c.text((205, 24), "Time (ms)   Distance (m)   Distance (ft)", 13, TEXT, True, anchor="ma")
    for i, v in enumerate(("58.31", "20.00", "65.62")):
        c.rect((20 + i * 126, 44, 136 + i * 126, 80), fill=WELL + (255,), outline=PANEL_EDGE + (255,), radius=5)
        c.text((126 + i * 126, 62), v, 16, TEXT, True, anchor="rm")
    speaker(c, 24, 170)
    ruler(c, 84, 380, 203, 20.0)
    c.text((205, 312), "One amount, shown as time and as the", 13, anchor="ma")
    c.text((205, 330), "distance sound covers in that time.", 13, anchor="ma")


def draw_input_delay(c):
    # A loud source on stage and the system, which waits for it.
    c.rect((24, 160, 84, 236), fill=(60, 44, 30, 255), outline=PANEL_EDGE + (255,), radius=4)
    c.rect((30, 168, 78, 196), fill=(30, 24, 20, 255))
    c.text((54, 246), "Stage", 12, anchor="ma")
    ruler(c, 100, 380, 203, 8.0)
    c.text((205, 312), "The whole system waits for the sound", 13, anchor="ma")
    c.text((205, 330), "coming from the stage.", 13, anchor="ma")


def draw_output_meters(c):
    names = ["A", "B", "C", "1", "2", "3", "4", "5", "6"]
    levels = [0.7, 0.62, 0.2, 0.75, 0.74, 0.6, 0.58, 0.96, 0.5]
    for i, (n, lv) in enumerate(zip(names, levels)):
        x = 22 + i * 41 + (12 if i >= 3 else 0)
        c.ellipse((x, 30, x + 14, 44), fill=(HELP_RED if lv > 0.93 else (58, 34, 34)) + (255,))
        c.rect((x + 1, 54, x + 13, 300), fill=WELL + (255,), outline=PANEL_EDGE + (255,))
        lit = 300 - 244 * lv
        for lo, hi, col in ((0.0, 0.6, HELP_GREEN), (0.6, 0.88, HELP_YELLOW), (0.88, 1.0, HELP_RED)):
            top, bottom = 300 - 244 * hi, 300 - 244 * lo
            if lit < bottom:
                c.rect((x + 3, max(top, lit), x + 11, bottom), fill=col + (255,))
        c.text((x + 7, 308), n, 13, TEXT, True, anchor="ma")
    c.text((70, 340), "Inputs", 13, anchor="ma")
    c.text((280, 340), "Outputs", 13, anchor="ma")
    c.text((205, 372), "A lit light above a meter: that channel clipped.", 13, anchor="ma")


def draw_rta(c):
    x0, y0, x1, y1 = 40, 24, 380, 300
    c.rect((x0, y0, x1, y1), fill=WELL + (255,), outline=PANEL_EDGE + (255,))
    bands = 31
    w = (x1 - x0 - 8) / bands
    for b in range(bands):
        level = 0.55 + 0.2 * math.sin(b * 0.45) - 0.006 * b + 0.08 * math.sin(b * 1.7)
        top = y1 - (y1 - y0) * level
        col = HELP_GREEN if level < 0.7 else HELP_YELLOW
        c.rect((x0 + 4 + b * w + 1, top, x0 + 4 + (b + 1) * w - 1, y1 - 1), fill=col + (255,))
    for label, b in (("20", 0), ("100", 7), ("1k", 17), ("10k", 27), ("20k", 30)):
        c.text((x0 + 4 + (b + 0.5) * w, y1 + 6), label, 12, anchor="ma")
    c.text(((x0 + x1) / 2, y1 + 24), "Frequency (Hz), 31 bands", 13, TEXT, True, anchor="ma")
    for db, frac in (("0", 0.0), ("\u221245", 0.5), ("\u221290", 1.0)):
        c.text((x0 - 6, y0 + (y1 - y0) * frac), db, 12, anchor="rm")
    c.text((205, 372), "The level of each third of an octave, in dB.", 13, anchor="ma")


def draw_signal_generator(c):
    c.rect((30, 30, 380, 150), fill=WELL + (255,), outline=PANEL_EDGE + (255,))
    pts = [(40 + i * 330 / 300, 90 - 40 * math.sin(i / 300 * 6 * math.pi)) for i in range(301)]
    c.line(pts, ACCENT + (255,), 3)
    c.text((44, 36), "Sine", 13, TEXT, True)
    c.rect((30, 180, 380, 300), fill=WELL + (255,), outline=PANEL_EDGE + (255,))
    seed = 7
    pts = []
    for i in range(201):
        seed = (seed * 1103515245 + 12345) % 2147483648
        pts.append((40 + i * 330 / 200, 240 + (seed / 2147483648 - 0.5) * 70))
    c.line(pts, (236, 170, 190, 255), 1.5)
    c.text((44, 186), "Pink / White Noise", 13, TEXT, True)
    c.text((205, 336), "Switch it off before the show.", 13, HELP_RED, True, anchor="ma")


def draw_utilities(c):
    rows = [("Device name", "Cadenzo Tarn"), ("Reboot", "REBOOT"), ("Usage reports", "ON"), ("Check on start", "ON")]
    for i, (label, value) in enumerate(rows):
        y = 34 + i * 74
        c.rect((20, y, 390, y + 58), fill=(35, 42, 53, 255), outline=PANEL_EDGE + (255,), radius=6)
        c.text((36, y + 29), label, 15, TEXT, True, anchor="lm")
        col = ACCENT if value in ("ON", "REBOOT") else WELL
        c.rect((230, y + 10, 376, y + 48), fill=col + (255,), radius=5)
        c.text((303, y + 29), value, 14, (20, 24, 31) if col == ACCENT else TEXT, True, anchor="mm")
    c.text((205, 340), "Updates and settings transfer live here too.", 13, anchor="ma")


def draw_home(c):
    blocks = ["MIX", "GEQ", "CMP", "XOV"]
    for i, b in enumerate(blocks):
        x = 14 + i * 72
        c.rect((x, 150, x + 56, 206), fill=(35, 42, 53, 255), outline=ACCENT + (255,) if b == "CMP" else PANEL_EDGE + (255,), radius=6)
        c.text((x + 28, 178), b, 14, TEXT, True, anchor="mm")
        if i < len(blocks) - 1:
            c.line([(x + 58, 178), (x + 70, 178)], TEXT_DIM + (255,), 2)
    c.text((14 + 2 * 72 + 28, 216), "press", 12, ACCENT, anchor="ma")
    for j, (name, y) in enumerate((("High", 90), ("Mid", 178), ("Low", 266))):
        c.line([(302, 178), (318, y)], TEXT_DIM + (255,), 2)
        c.rect((320, y - 24, 396, y + 24), fill=(35, 42, 53, 255), outline=PANEL_EDGE + (255,), radius=6)
        c.text((358, y), name, 13, TEXT, True, anchor="mm")
    c.text((30, 120), "Inputs", 13, TEXT_DIM)
    c.text((330, 36), "Outputs", 13, TEXT_DIM)
    c.text((205, 330), "From the inputs on the left to the", 13, anchor="ma")
    c.text((205, 348), "low, mid and high outputs on the right.", 13, anchor="ma")


HELP_DETAILED = [
    ("Compressor.jpg", "Compressor", "Evens out the level: above the threshold it turns the programme down.", draw_compressor, [
        ("ON / OFF", "Switches the compressor in; Bypassed passes the signal unchanged."),
        ("Threshold (dB)", "The level where compression starts."),
        ("Ratio (n:1)", "How firmly: at 4:1, 4 dB more in gives 1 dB more out; Inf:1 holds the level."),
        ("OverEasy", "Softens the knee around the threshold (Off: hard knee)."),
        ("Gain (dB)", "Make-up gain after the compressor."),
        ("Attack, Hold, Release", "How fast it acts (ms) and lets go (dB/s)."),
        ("Meters", "Input level, and the gain reduction it applies now."),
    ]),
    ("HelpGate.jpg", "Noise Gate", "Keeps quiet noise out: below the threshold it turns the channel down.", draw_gate, [
        ("ON / OFF", "Switches the gate in."),
        ("Threshold (dB)", "Below this level the gate closes."),
        ("Ratio (1:n)", "How quickly the level falls below the threshold."),
        ("Max Attenuation (dB)", "The most it turns down; 80 dB is silence."),
        ("Attack, Hold, Release", "How fast it opens (ms), how long it stays open (ms), how fast it closes (dB/s)."),
        ("Gain Reduction", "How far the gate turns down right now."),
    ]),
    ("HelpAGC.jpg", "Automatic Gain Control", "Keeps the programme near a target level, quiet talkers and loud ones alike.", draw_agc, [
        ("Target (dB)", "The level it aims for; Window (dB) is the range left alone around it."),
        ("Max Gain (dB)", "The most it raises a quiet programme."),
        ("Low Threshold (dB)", "Below this the signal counts as noise and is not raised."),
        ("Attack, Release (dB/s)", "How fast it turns down and up."),
        ("Limiter", "Threshold, attack and release of the peak limiter behind it."),
        ("Gain Reduction", "The gain applied now: up is boost, down is cut."),
    ]),
    ("Limiter.jpg", "Limiter", "Protects the amplifiers and speakers of one output band.", draw_limiter, [
        ("Band tabs", "Low, Mid and High Outputs: the bands the crossover uses."),
        ("Threshold (dB)", "The highest level that leaves the output."),
        ("OverEasy", "Softens the knee (Off: hard knee)."),
        ("Overshoot (dB)", "How far short peaks may pass the threshold."),
        ("Attack, Hold, Release", "How fast it acts (ms) and recovers (dB/s)."),
        ("Gain Reduction", "How much it holds back now; often lit means the threshold is low."),
    ]),
    ("Subharmonic-Synth.jpg", "Sub-harmonic Synthesis", "Adds deep bass an octave below what the programme holds.", draw_subharmonic, [
        ("ON / OFF", "Switches the synthesis in."),
        ("Subharmonics (%)", "How much low octave is made from the programme."),
        ("24Hz-36Hz (%)", "Level of the lowest added octave."),
        ("36Hz-56Hz (%)", "Level of the octave above it."),
        ("Tip", "Start low: the added bass takes amplifier power and speaker excursion."),
    ]),
    ("HelpMixers.jpg", "Input Mixer", "Mixes inputs A, B and C into the processing chain.", draw_mixer, [
        ("Level", "Each input's level in dB; the light above it shows clipping."),
        ("Gain fader", "The input's level in the mix; at the bottom it is Off."),
        ("Pan", "Places the input between left and right (stereo mixer only)."),
        ("Mute A, B, C", "Silences one input; Mute All silences the mixer."),
        ("Stereo or mono", "The mixer follows the running preset."),
    ]),
    ("Output-Delay.jpg", "Alignment Delay", "Lines up an output band in time with the rest of the system.", draw_output_delay, [
        ("Band tabs", "Low, Mid and High Outputs: the bands the crossover uses."),
        ("Time (ms), Distance (m, ft)", "One amount; type it in any unit and press Enter."),
        ("Slider and \u2212 / +", "Coarse and fine setting; the step grows with the amount."),
        ("ON / OFF", "Switches the delay in."),
        ("Rule of thumb", "1 ms is about 34 cm of sound travel."),
    ]),
    ("Input-Delay.jpg", "Backline Delay", "Holds the whole system back so it lines up with a loud source on stage.", draw_input_delay, [
        ("Time (ms), Distance (m, ft)", "The distance from the stage source to the main speakers."),
        ("Slider and \u2212 / +", "Coarse and fine setting."),
        ("ON / OFF", "Switches the delay in."),
    ]),
    ("Output-Meter.jpg", "Output Meters", "The headroom of every input and output at a glance.", draw_output_meters, [
        ("Meters", "Level in dB: green is fine, yellow is loud, red is near the top."),
        ("Clip lights", "Light when a channel overloads; they hold for a moment."),
        ("Mutes and gains", "Each output's mute and level."),
    ]),
    ("RTA.jpg", "Real-Time Analyser", "The spectrum of the chosen input in 31 bands.", draw_rta, [
        ("Input Source", "The RTA microphone or input A, B or C."),
        ("Gain (dB)", "Raises a quiet microphone into view."),
        ("Averaging", "Fast follows every change; Slow shows the long-term balance."),
    ]),
    ("Signal-Generator.jpg", "Signal Generator", "A test signal into the system: noise or a sine.", draw_signal_generator, [
        ("ON / OFF", "Starts and stops the signal."),
        ("Signal Type", "Pink Noise, White Noise or Sine."),
        ("Frequency (Hz)", "The pitch of the sine."),
        ("Amplitude (dB)", "Start low and bring it up."),
    ]),
    ("Utilities.jpg", "Utilities", "The processor's name and restart, and how this application behaves.", draw_utilities, [
        ("Device name", "The name the processor shows in the device list."),
        ("Reboot", "Restarts the processor; the link returns when it is back."),
        ("Usage reports", "Sends anonymous screen views to help improve the application."),
        ("Check on start", "Looks for new versions when the application starts."),
    ]),
    ("HomeScreen.jpg", "Home", "The processing chain of the processor, from the inputs to the outputs.", draw_home, [
        ("Blocks", "Press a block to open its screen; its colour shows whether it is on."),
        ("Muted blocks", "Show a crossed-out icon."),
        ("Outputs", "Low, mid and high bands, as the crossover uses them, with meters and mutes."),
        ("Menu bar", "Presets, the wizard, utilities and the device list; 1\u20136 mute the outputs."),
    ]),
]


def help_card_detailed(name, title, purpose, draw, entries):
    w, h = 1024, 640
    img = vertical_gradient((w, h), (26, 31, 40), (14, 17, 22)).convert("RGBA")
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, w, 8], fill=ACCENT)
    mark = logo_mark(60)
    img.paste(mark, (40, 32), mark)
    d.text((118, 30), title, font=font(38, bold=True), fill=TEXT)
    d.text((120, 80), purpose, font=font(20), fill=ACCENT)
    d.line([(40, 122), (w - 40, 122)], fill=PANEL_EDGE, width=2)

    c = Canvas(410, 410)
    draw(c)
    pic = c.image()
    frame = Image.new("RGBA", (414, 414), PANEL_EDGE + (255,))
    img.paste(frame, (38, 140))
    img.paste(pic, (40, 142))

    x, y, width = 484, 146, w - 484 - 40
    term_font, body_font = font(20, bold=True), font(18)
    for term, text in entries:
        d.text((x, y), term, font=term_font, fill=TEXT)
        y += 25
        for row in wrap(d, text, body_font, width):
            d.text((x, y), row, font=body_font, fill=TEXT_DIM)
            y += 22
        y += 9
    if y > h - 50:
        sys.exit("generate.py: the help text of %s does not fit" % name)
    d.text((40, h - 44), "Tap anywhere to close.", font=font(20), fill=TEXT_DIM)
    save(img.convert("RGB"), os.path.join("Help", name), quality=90, optimize=True)


def main():
    background()
    splash()
    logo()
    icon_home()
    icon_presets()
    icon_wizard()
    icon_utilities()
    icon_discovery()
    icon_mute()
    icon_help()
    home_icons()
    detailed = {entry[0] for entry in HELP_DETAILED}
    for name, title, lines in HELP:
        if name not in detailed:
            help_card(name, title, lines)
    for name, title, purpose, draw, entries in HELP_DETAILED:
        help_card_detailed(name, title, purpose, draw, entries)
    appicons.generate(logo_mark)
    wizards.draw_all(save, font)
    mixertypes.make_all(sys.modules[__name__])


if __name__ == "__main__":
    main()
