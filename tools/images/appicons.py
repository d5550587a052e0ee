"""The application's desktop icons: the round mark on a dark rounded tile, at the sizes the
desktop's icon theme asks for, into packaging/linux/icons/hicolor/<n>x<n>/apps/tarn-control.png.

Called from generate.py with its mark drawer, so that the icon follows the logo.
"""
import os

from PIL import Image, ImageDraw

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
OUT = os.path.join(ROOT, "packaging", "linux", "icons", "hicolor")
SIZES = (32, 48, 64, 128, 256, 512)
TILE = (20, 24, 31, 255)
EDGE = (58, 66, 80, 255)


def icon(size, logo_mark):
    ss = 4
    s = size * ss
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    pad = s * 0.04
    d.rounded_rectangle([pad, pad, s - pad, s - pad], radius=s * 0.2, fill=TILE, outline=EDGE, width=max(1, s // 64))
    img = img.resize((size, size), Image.LANCZOS)
    mark = logo_mark(int(size * 0.8))
    img.alpha_composite(mark, (int(size * 0.1), int(size * 0.1)))
    return img


def generate(logo_mark):
    for size in SIZES:
        path = os.path.join(OUT, f"{size}x{size}", "apps", "tarn-control.png")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        icon(size, logo_mark).save(path, optimize=True)
        print("wrote", os.path.relpath(path, ROOT))
