"""The routing pictures of the configurable model's mixers and routers (images/MixerTypes):
which inputs a fixed router passes on or sums, drawn as the sources on the left joined into the
one output on the right. Called from generate.py; writes resources/images/MixerTypes/*.png.
"""

from PIL import Image, ImageDraw

W, H = 360, 220
SS = 3


def _picture(generate, file_name, sources, chosen, title, output):
    """Every source on the left, the chosen ones joined into the output on the right."""
    font, save = generate.font, generate.save
    img = Image.new("RGBA", (W * SS, H * SS), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    s = SS
    d.rounded_rectangle([2 * s, 2 * s, (W - 2) * s, (H - 2) * s], radius=14 * s, fill=generate.PANEL + (235,),
                        outline=generate.PANEL_EDGE + (255,), width=2 * s)
    d.text((18 * s, 12 * s), title, font=font(17 * s, bold=True), fill=generate.TEXT_DIM)
    top, bottom = 50 * s, (H - 18) * s
    step = (bottom - top) / max(1, len(sources))
    sum_x, sum_y, r = (W - 120) * s, (top + bottom) / 2, 16 * s
    label_font = font(15 * s, bold=True)
    for i, name in enumerate(sources):
        y = top + step * (i + 0.5)
        on = name in chosen
        colour = generate.ACCENT + (255,) if on else generate.PANEL_EDGE + (255,)
        d.text((18 * s, y - 9 * s), name, font=label_font, fill=generate.TEXT if on else generate.TEXT_DIM)
        d.ellipse([70 * s - 6 * s, y - 6 * s, 70 * s + 6 * s, y + 6 * s], fill=colour)
        if on:
            d.line([(76 * s, y), (sum_x - r, sum_y)], fill=colour, width=4 * s)
    d.ellipse([sum_x - r, sum_y - r, sum_x + r, sum_y + r], outline=generate.ACCENT + (255,), width=4 * s)
    if len(chosen) > 1:
        d.line([(sum_x - 8 * s, sum_y), (sum_x + 8 * s, sum_y)], fill=generate.ACCENT + (255,), width=4 * s)
        d.line([(sum_x, sum_y - 8 * s), (sum_x, sum_y + 8 * s)], fill=generate.ACCENT + (255,), width=4 * s)
    d.line([(sum_x + r, sum_y), ((W - 40) * s, sum_y)], fill=generate.ACCENT + (255,), width=4 * s)
    d.polygon([((W - 40) * s, sum_y - 9 * s), ((W - 22) * s, sum_y), ((W - 40) * s, sum_y + 9 * s)],
              fill=generate.ACCENT + (255,))
    d.text(((W - 96) * s, sum_y + 16 * s), output, font=label_font, fill=generate.TEXT)
    save(img.resize((W, H), Image.LANCZOS), "MixerTypes/%s_Large.png" % file_name, optimize=True)


def make_all(generate):
    slots = ["In%d" % n for n in range(1, 8)]
    for n in range(1, 8):
        _picture(generate, "InMixIn%d" % n, slots, ["In%d" % n], "Input slot %d" % n, "Row")
        _picture(generate, "MidMixIn%d" % n, slots, ["In%d" % n], "Input slot %d" % n, "Channel")
    for mix in ("A", "B", "C", "A+B", "B+C", "A+B+C"):
        _picture(generate, "MidMix" + mix, ["A", "B", "C"], mix.split("+"), "Input rows " + mix, "Channel")
    for mix in ("1", "2", "3", "1+2", "2+3", "1+2+3"):
        _picture(generate, "MidMix" + mix, ["1", "2", "3"], mix.split("+"), "Mixer rows " + mix, "Channel")
