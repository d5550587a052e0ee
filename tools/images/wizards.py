"""The wizard pictures (resources/images/Wizards): the pictures of the wizard's choices and
messages, and the rear panels the connection pages mark up. Called by generate.py.

Each picture is a small scene drawn from a few shapes (speakers, amplifiers, a console, a
microphone, curves) in the application's palette, so they read as one family at a glance.
"""

import math

from PIL import Image, ImageDraw

SS = 4
W, H = 480, 300
BG = (26, 31, 40)
EDGE = (58, 66, 80)
LINE = (236, 239, 244)
DIM = (150, 158, 170)
FAINT = (90, 98, 112)
AMBER = (242, 153, 46)
GREEN = (64, 200, 110)
RED = (240, 85, 74)
GOLD = (217, 184, 28)
GREY = (176, 176, 176)
BLUE = (80, 160, 240)


class Pic:
    """A supersampled picture in its own coordinates (0..w, 0..h)."""

    def __init__(self, font, w=W, h=H, bg=BG):
        self.w, self.h, self.font = w, h, font
        self.img = Image.new("RGBA", (w * SS, h * SS), bg + (255,))
        self.d = ImageDraw.Draw(self.img)

    def _p(self, pts):
        return [(x * SS, y * SS) for x, y in pts]

    def line(self, pts, fill=LINE, width=3):
        self.d.line(self._p(pts), fill=fill, width=int(width * SS), joint="curve")
        for x, y in (pts[0], pts[-1]):
            r = width / 2
            self.d.ellipse([(x - r) * SS, (y - r) * SS, (x + r) * SS, (y + r) * SS], fill=fill)

    def rect(self, box, fill=None, outline=LINE, width=3, radius=6):
        x0, y0, x1, y1 = box
        self.d.rounded_rectangle([x0 * SS, y0 * SS, x1 * SS, y1 * SS], radius=radius * SS, fill=fill,
                                 outline=outline, width=int(width * SS) if outline else 0)

    def circle(self, cx, cy, r, fill=None, outline=LINE, width=3):
        self.d.ellipse([(cx - r) * SS, (cy - r) * SS, (cx + r) * SS, (cy + r) * SS], fill=fill, outline=outline,
                       width=int(width * SS) if outline else 0)

    def poly(self, pts, fill=None, outline=None):
        self.d.polygon(self._p(pts), fill=fill, outline=outline)

    def text(self, xy, s, size=22, fill=LINE, bold=True, anchor="mm"):
        self.d.text((xy[0] * SS, xy[1] * SS), s, font=self.font(size * SS, bold), fill=fill, anchor=anchor)

    def curve(self, fn, x0, x1, fill=LINE, width=3, n=120):
        self.line([(x0 + (x1 - x0) * i / n, fn(i / n)) for i in range(n + 1)], fill, width)

    def arrow(self, a, b, fill=AMBER, width=4, head=12):
        self.line([a, b], fill, width)
        ang = math.atan2(b[1] - a[1], b[0] - a[0])
        left = (b[0] - head * math.cos(ang - 0.45), b[1] - head * math.sin(ang - 0.45))
        right = (b[0] - head * math.cos(ang + 0.45), b[1] - head * math.sin(ang + 0.45))
        self.poly([b, left, right], fill=fill)

    def image(self):
        return self.img.resize((self.w, self.h), Image.LANCZOS)


# --- the things in the pictures ----------------------------------------------------------------

def speaker(p, x, y, w, h, drivers=2, colour=LINE):
    p.rect((x, y, x + w, y + h), fill=(40, 46, 58), outline=colour, width=3, radius=5)
    if drivers == 1:
        p.circle(x + w / 2, y + h / 2, min(w, h) * 0.36, outline=colour, width=3)
        p.circle(x + w / 2, y + h / 2, min(w, h) * 0.1, fill=colour, outline=None)
        return
    horn = h * 0.18
    p.rect((x + w * 0.2, y + h * 0.08, x + w * 0.8, y + h * 0.08 + horn), outline=colour, width=2, radius=3)
    rest = drivers - 1
    slot = (h * 0.86 - horn) / rest
    for i in range(rest):
        cy = y + h * 0.12 + horn + slot * (i + 0.5)
        r = min(w * 0.36, slot * 0.42)
        p.circle(x + w / 2, cy, r, outline=colour, width=3)
        p.circle(x + w / 2, cy, r * 0.3, fill=colour, outline=None)


def sub(p, x, y, w, h, colour=LINE):
    p.rect((x, y, x + w, y + h), fill=(40, 46, 58), outline=colour, width=3, radius=5)
    p.circle(x + w / 2, y + h / 2, min(w, h) * 0.38, outline=colour, width=4)
    p.circle(x + w / 2, y + h / 2, min(w, h) * 0.12, fill=colour, outline=None)


def amp(p, x, y, w=120, h=44, channels=2, colour=LINE, knobs=None):
    p.rect((x, y, x + w, y + h), fill=(40, 46, 58), outline=colour, width=3, radius=4)
    for i in range(channels):
        cx = x + w * (i + 1) / (channels + 1)
        p.circle(cx, y + h / 2, h * 0.26, outline=colour, width=2)
        angle = (knobs[i] if knobs else 0.6) * 270 - 135 - 90
        a = math.radians(angle)
        p.line([(cx, y + h / 2), (cx + math.cos(a) * h * 0.22, y + h / 2 + math.sin(a) * h * 0.22)], AMBER, 3)


def console(p, x, y, w=150, h=80, faders=(0.6, 0.4, 0.7, 0.5, 0.3)):
    p.poly([(x, y + h), (x + w, y + h), (x + w - 14, y), (x + 14, y)], fill=(40, 46, 58), outline=LINE)
    for i, f in enumerate(faders):
        fx = x + 26 + i * (w - 52) / (len(faders) - 1)
        p.line([(fx, y + 14), (fx, y + h - 12)], DIM, 2)
        fy = y + h - 12 - f * (h - 26)
        p.rect((fx - 7, fy - 4, fx + 7, fy + 4), fill=AMBER, outline=None, radius=2)


def processor(p, x, y, w=150, h=46, label="TARN"):
    p.rect((x, y, x + w, y + h), fill=(32, 38, 48), outline=AMBER, width=3, radius=5)
    p.text((x + w * 0.3, y + h / 2), label, 18, AMBER)
    for i in range(6):
        p.circle(x + w * 0.58 + i * w * 0.07, y + h / 2, 3, fill=GREEN if i < 4 else FAINT, outline=None)


def mic(p, x, y, size=1.0, colour=LINE, stand=True):
    s = size
    p.rect((x - 9 * s, y, x + 9 * s, y + 34 * s), fill=(40, 46, 58), outline=colour, width=3, radius=9 * s)
    p.line([(x, y + 34 * s), (x, y + 46 * s)], colour, 3)
    if stand:
        p.line([(x, y + 46 * s), (x, y + 110 * s)], DIM, 3)
        p.line([(x - 24 * s, y + 118 * s), (x, y + 110 * s), (x + 24 * s, y + 118 * s)], DIM, 3)


def wedge(p, x, y, w=110, h=60, colour=LINE):
    p.poly([(x, y + h), (x + w, y + h), (x + w, y + h * 0.35), (x + w * 0.25, y)], fill=(40, 46, 58), outline=colour)
    p.line([(x, y + h), (x + w, y + h), (x + w, y + h * 0.35), (x + w * 0.25, y), (x, y + h)], colour, 3)
    p.circle(x + w * 0.58, y + h * 0.6, h * 0.22, outline=colour, width=2)


def earbud(p, x, y, colour=LINE):
    p.circle(x, y, 18, fill=(40, 46, 58), outline=colour, width=3)
    p.line([(x + 10, y + 14), (x + 30, y + 60), (x + 70, y + 80)], colour, 3)


def waves(p, x, y, n=3, colour=AMBER, r0=18, dr=14, start=-40, end=40):
    for i in range(n):
        r = r0 + i * dr
        p.d.arc([(x - r) * SS, (y - r) * SS, (x + r) * SS, (y + r) * SS], start, end, fill=colour, width=3 * SS)


def socket(p, x, y, r=16, label="", colour=LINE, lit=False):
    p.circle(x, y, r, fill=(20, 24, 31), outline=AMBER if lit else colour, width=4 if lit else 3)
    for a in (210, 330, 90):
        t = math.radians(a)
        p.circle(x + math.cos(t) * r * 0.5, y - math.sin(t) * r * 0.5, 2.5, fill=colour, outline=None)
    if label:
        p.text((x, y - r - 14), label, 16, AMBER if lit else DIM)


def plot_frame(p, x0, y0, x1, y1):
    p.rect((x0, y0, x1, y1), fill=(14, 17, 22), outline=EDGE, width=2, radius=4)
    for i in range(1, 4):
        y = y0 + (y1 - y0) * i / 4
        p.line([(x0 + 4, y), (x1 - 4, y)], (40, 46, 58), 1)


# --- the pictures --------------------------------------------------------------------------------

def pictures(font):
    out = {}

    def new():
        return Pic(font)

    def chain(p, y=130):
        console(p, 24, y - 10, 120, 70)
        p.arrow((150, y + 25), (178, y + 25))
        processor(p, 184, y + 2, 110, 46)
        p.arrow((300, y + 25), (328, y + 25))
        amp(p, 334, y + 4, 70, 42, 2)
        speaker(p, 414, y - 40, 50, 120, 3)

    p = new(); chain(p); out["SetupWizard"] = p
    p = new(); plot_frame(p, 170, 40, 450, 250)
    p.curve(lambda t: 145 + 40 * math.sin(t * 9) * (1 - t) + 25 * math.sin(t * 23), 176, 444, GREY, 3)
    p.curve(lambda t: 145 + 6 * math.sin(t * 7), 176, 444, GREEN, 4)
    mic(p, 80, 70, 1.4); out["AutoEQ"] = p
    p = new(); mic(p, 80, 60, 1.4)
    waves(p, 150, 110, 3, RED, 20, 16)
    plot_frame(p, 230, 50, 450, 250)
    p.curve(lambda t: 80 + 130 * math.exp(-((t - 0.45) * 22) ** 2) + 60 * math.exp(-((t - 0.75) * 30) ** 2), 236, 444, AMBER, 4)
    out["AFS"] = p
    p = new()
    for i, c in enumerate("ABC"):
        socket(p, 120 + i * 120, 170, 34, "INPUT " + c, lit=i == 0)
    p.text((240, 60), "What is connected?", 24, DIM, False); out["InputSetup"] = p
    p = new(); plot_frame(p, 40, 40, 440, 260)
    for i in range(12):
        x = 70 + i * 31
        v = 150 - 60 * math.sin(i / 11 * math.pi * 1.2 + 0.4)
        p.line([(x, 60), (x, 240)], FAINT, 2)
        p.rect((x - 10, v - 6, x + 10, v + 6), fill=AMBER, outline=None, radius=2)
    out["GEQSetup"] = p
    p = new(); amp(p, 40, 130, 150, 50, 2); p.arrow((200, 155), (270, 155)); speaker(p, 290, 50, 80, 200, 3)
    out["SpeakerSetup"] = p
    p = new(); processor(p, 30, 120, 150, 50, "LINK")
    p.line([(180, 145), (300, 145)], BLUE, 5)
    p.rect((300, 110, 450, 180), fill=(32, 38, 48), outline=BLUE, width=3, radius=5)
    for i in range(6):
        p.rect((314 + i * 22, 132, 330 + i * 22, 158), outline=LINE, width=2, radius=2)
    p.text((375, 200), "NETWORK SWITCH", 16, DIM); out["DigitalLink"] = p
    p = new(); p.rect((170, 40, 310, 250), fill=(40, 46, 58), outline=LINE, width=3, radius=6)
    p.line([(240, 110), (240, 180)], AMBER, 8); p.line([(205, 145), (275, 145)], AMBER, 8); out["NewSetup"] = p
    p = new(); processor(p, 110, 100, 200, 60)
    p.circle(370, 130, 34, fill=GREEN, outline=None); p.line([(354, 130), (366, 144), (388, 116)], (20, 24, 31), 7)
    out["CurrentSettings"] = p
    p = new(); console(p, 20, 150, 120, 70); speaker(p, 170, 60, 60, 160, 3); sub(p, 250, 140, 90, 80); wedge(p, 360, 160, 100, 60)
    out["SetupAll"] = p
    p = new()
    for i, c in enumerate("ABC"):
        socket(p, 140 + i * 100, 150, 30, c, lit=True)
    out["SetupInputs"] = p
    p = new(); amp(p, 30, 200, 130, 46, 2); speaker(p, 200, 40, 70, 200, 3); speaker(p, 310, 40, 70, 200, 3)
    out["SetupSpeakers"] = p
    p = new(); wedge(p, 90, 110, 150, 90); wedge(p, 270, 110, 150, 90); out["SetupMonitors"] = p

    def feed(p, lines, labels, y0=150):
        console(p, 20, y0 - 40, 130, 80)
        for i, (lab, lit) in enumerate(labels):
            y = y0 - 30 + i * 60 if len(labels) > 1 else y0
            p.line([(150, y0), (200, y)], AMBER if lit else FAINT, 3)
            socket(p, 230, y, 22, "", lit=lit)
            p.text((290, y), lab, 22, AMBER if lit else DIM)
    p = new(); feed(p, 1, [("MONO", True)]); speaker(p, 380, 90, 60, 130, 2); out["MonoPAInFormat"] = p
    p = new(); feed(p, 2, [("LEFT", True), ("RIGHT", True)]); speaker(p, 380, 90, 60, 130, 2); out["LRPAInFormat"] = p
    p = new(); processor(p, 170, 20, 140, 46)
    p.arrow((220, 70), (110, 130)); p.arrow((260, 70), (370, 130))
    speaker(p, 70, 140, 70, 140, 2); speaker(p, 340, 140, 70, 140, 2)
    p.text((60, 110), "L", 24, AMBER); p.text((420, 110), "R", 24, AMBER); out["LRPAOutFormat"] = p
    p = new(); processor(p, 170, 20, 140, 46)
    p.arrow((220, 70), (110, 130)); p.arrow((260, 70), (370, 130))
    speaker(p, 70, 140, 70, 140, 2); speaker(p, 340, 140, 70, 140, 2)
    p.text((240, 200), "L + R", 28, AMBER); out["MonoPAOutFormat"] = p
    for i, c in enumerate("ABC"):
        p = new()
        for j, d in enumerate("ABC"):
            socket(p, 120 + j * 120, 170, 34 if j == i else 26, "INPUT " + d, lit=j == i)
        out["Input" + c] = p
    p = new(); speaker(p, 60, 40, 70, 160, 2); speaker(p, 350, 40, 70, 160, 2); sub(p, 180, 150, 120, 110, AMBER)
    out["WithSubs"] = p
    p = new(); speaker(p, 110, 60, 80, 180, 2); speaker(p, 290, 60, 80, 180, 2); out["NoSubs"] = p

    def sub_feed(p, aux):
        console(p, 10, 40, 130, 70)
        processor(p, 180, 50, 120, 42)
        p.line([(140, 70), (180, 70)], LINE, 3)
        if aux:
            p.line([(75, 110), (75, 200), (330, 200)], AMBER, 4)
            p.text((150, 220), "AUX SEND", 16, AMBER)
        else:
            p.line([(240, 92), (240, 200), (330, 200)], AMBER, 4)
        speaker(p, 330, 20, 50, 110, 2); speaker(p, 410, 20, 50, 110, 2); sub(p, 330, 160, 130, 110, AMBER)
    p = new(); sub_feed(p, True); out["StereoInputWithAuxSub"] = p
    p = new(); sub_feed(p, False); out["StereoInputWithSub"] = p
    p = new(); amp(p, 40, 130, 140, 50, 2); p.arrow((190, 155), (250, 155)); sub(p, 270, 70, 160, 170); out["SubPassive"] = p
    p = new(); sub(p, 150, 60, 180, 190)
    p.circle(390, 80, 30, outline=AMBER, width=5); p.line([(390, 50), (390, 80)], AMBER, 5); out["SubPowered"] = p

    def drive(p, ways):
        amp(p, 30, 120, 150, 56, ways, knobs=[0.6] * ways)
        colours = [AMBER, GREEN, BLUE]
        for i in range(ways):
            y = 100 + i * 50 if ways > 1 else 148
            p.line([(180, 148), (260, y), (300, y)], colours[i], 4)
        speaker(p, 310, 40, 120, 220, ways + (1 if ways == 1 else 0))
    p = new(); drive(p, 1); out["FullRange"] = p
    p = new(); drive(p, 2); out["BiAmp"] = p
    p = new(); drive(p, 3); out["TriAmp"] = p
    p = new(); amp(p, 170, 30, 140, 50, 2)
    p.line([(210, 80), (110, 140)], AMBER, 4); p.line([(270, 80), (370, 140)], AMBER, 4)
    speaker(p, 70, 140, 80, 140, 2); speaker(p, 330, 140, 80, 140, 2); out["AmpStereo"] = p
    p = new(); amp(p, 170, 30, 140, 50, 2)
    p.line([(210, 80), (240, 140)], AMBER, 4); p.line([(270, 80), (240, 140)], AMBER, 4)
    sub(p, 170, 140, 140, 140, AMBER); p.text((380, 55), "BRIDGED", 18, AMBER); out["AmpBridged"] = p
    p = new(); wedge(p, 110, 110, 170, 100)
    p.circle(370, 110, 36, fill=AMBER, outline=None); p.line([(370, 90), (370, 130)], (20, 24, 31), 8)
    p.line([(350, 110), (390, 110)], (20, 24, 31), 8); out["MonitorAdd"] = p
    p = new(); wedge(p, 150, 110, 170, 100, FAINT); p.line([(140, 90), (340, 230)], RED, 6); out["NoMonitor"] = p
    p = new(); wedge(p, 130, 90, 220, 130); out["Wedge"] = p
    p = new(); earbud(p, 170, 110); earbud(p, 300, 110); p.rect((330, 200, 430, 260), outline=LINE, width=3, radius=6)
    p.text((380, 230), "IEM", 18, DIM); out["InEar"] = p

    def note(p, x, y, s=1.0, colour=AMBER):
        p.circle(x, y, 14 * s, fill=colour, outline=None)
        p.line([(x + 13 * s, y), (x + 13 * s, y - 70 * s)], colour, 5)
        p.line([(x + 13 * s, y - 70 * s), (x + 40 * s, y - 55 * s)], colour, 5)
    p = new(); note(p, 190, 200, 1.3); note(p, 290, 170, 1.0, LINE); out["Music"] = p

    def bubble(p, x, y, w, h, colour=LINE):
        p.rect((x, y, x + w, y + h), outline=colour, width=4, radius=20)
        p.poly([(x + 30, y + h), (x + 20, y + h + 30), (x + 60, y + h)], fill=colour)
        for i in range(3):
            p.line([(x + 24, y + 26 + i * 22), (x + w - 24 - i * 30, y + 26 + i * 22)], colour, 4)
    p = new(); mic(p, 100, 90, 1.3); bubble(p, 200, 60, 220, 110); out["Speech"] = p
    p = new(); p.circle(200, 150, 100, fill=(40, 46, 58), outline=LINE, width=4); p.circle(200, 150, 14, fill=AMBER, outline=None)
    for r in (40, 60, 80):
        p.circle(200, 150, r, outline=FAINT, width=1)
    p.line([(380, 60), (330, 180), (250, 180)], LINE, 5); p.circle(380, 60, 12, fill=LINE, outline=None); out["DJ"] = p
    p = new(); bubble(p, 60, 60, 200, 100); note(p, 350, 220, 1.2); out["SpeechMusic"] = p
    p = new()
    for i, (h, c) in enumerate(((150, AMBER), (110, GREEN), (170, BLUE))):
        x = 140 + i * 80
        p.rect((x, 260 - h, x + 50, 260), fill=c, outline=None, radius=3)
    p.line([(110, 110), (380, 110)], LINE, 3); p.text((240, 40), "MATCH", 22, DIM); out["LevelAssist"] = p
    for n in (2, 3, 4):
        p = new(); p.rect((60, 30, 420, 270), outline=EDGE, width=3, radius=4)
        p.rect((140, 40, 340, 70), fill=(40, 46, 58), outline=FAINT, width=2, radius=3); p.text((240, 55), "STAGE", 14, DIM)
        spots = [(180, 160), (300, 180), (230, 230), (350, 120)]
        for i in range(n):
            p.circle(spots[i][0], spots[i][1], 16, fill=AMBER, outline=None)
            p.text(spots[i], str(i + 1), 18, (20, 24, 31))
        for i in range(n, 4):
            p.circle(spots[i][0], spots[i][1], 12, outline=FAINT, width=2)
        out["Measure%d" % n] = p
    targets = {
        "Flat": lambda t: 150,
        "House": lambda t: 150 - 40 * max(0.0, 0.3 - t) / 0.3 + 30 * max(0.0, t - 0.65) / 0.35,
        "Speech": lambda t: 150 + 70 * max(0.0, 0.25 - t) / 0.25 + 15 * max(0.0, t - 0.75) / 0.25,
        "Music": lambda t: 150 - 55 * max(0.0, 0.35 - t) / 0.35 + 25 * max(0.0, t - 0.6) / 0.4,
    }
    for name, fn in targets.items():
        p = new(); plot_frame(p, 40, 40, 440, 260)
        p.line([(46, 150), (434, 150)], FAINT, 2)
        p.curve(fn, 46, 434, GOLD, 6)
        out["Target" + name] = p
    p = new(); mic(p, 90, 70, 1.3); p.line([(90, 130), (90, 250), (330, 250), (330, 190)], AMBER, 4)
    socket(p, 330, 160, 28, "RTA MIC", lit=True); out["RtaMic"] = p
    p = new(); speaker(p, 30, 60, 80, 180, 2)
    p.curve(lambda t: 150 + 40 * math.sin(t * t * 60), 130, 300, AMBER, 3)
    mic(p, 340, 80, 1.1)
    p.rect((390, 60, 420, 240), fill=(14, 17, 22), outline=EDGE, width=2, radius=3)
    p.rect((394, 130, 416, 236), fill=GREEN, outline=None, radius=2); out["ChirpLevel"] = p
    p = new(); p.rect((40, 30, 440, 270), outline=EDGE, width=3, radius=4)
    speaker(p, 70, 40, 40, 80, 2); speaker(p, 370, 40, 40, 80, 2)
    mic(p, 240, 120, 0.9); p.circle(240, 120, 40, outline=AMBER, width=3); out["MicPosition"] = p

    def faders(p, level, arrow_up):
        console(p, 60, 100, 360, 170, faders=[level] * 6)
        if arrow_up is not None:
            p.arrow((440, 230 if arrow_up else 90), (440, 90 if arrow_up else 230), AMBER, 6, 18)
    p = new(); faders(p, 0.55, True); out["RaiseMixerOutputs"] = p
    p = new(); faders(p, 0.05, False); out["FadersDown"] = p
    p = new(); mic(p, 150, 60, 1.3); wedge(p, 230, 170, 160, 90); waves(p, 170, 80, 3, RED, 30, 18, 100, 180)
    out["StageMic"] = p
    p = new()
    for i in range(3):
        amp(p, 90, 50 + i * 70, 300, 54, 2, knobs=[0.0, 0.0])
    out["AmpsDown"] = p
    p = new()
    for i, c in enumerate("ABC"):
        socket(p, 300, 70 + i * 80, 24, "", lit=i < 2)
        p.text((350, 70 + i * 80), c, 24, AMBER if i < 2 else DIM)
    console(p, 20, 110, 140, 80)
    p.line([(160, 140), (276, 70)], AMBER, 4); p.line([(160, 160), (276, 150)], AMBER, 4); out["InputJacks"] = p
    p = new(); p.rect((40, 70, 440, 230), fill=(32, 38, 48), outline=LINE, width=3, radius=5)
    p.text((120, 100), "INPUT LEVEL", 16, DIM)
    for i, lab in enumerate(("+4", "+14", "+20")):
        p.text((90 + i * 60, 190), lab, 18, AMBER if i == 2 else DIM)
    p.rect((80, 130, 260, 160), outline=AMBER, width=3, radius=4); p.rect((205, 134, 250, 156), fill=AMBER, outline=None, radius=3)
    socket(p, 340, 150, 26); socket(p, 400, 150, 26); p.text((240, 260), "KESTREL  REAR PANEL", 16, DIM)
    out["KestrelRear"] = p
    p = Pic(font, 640, 320); p.rect((20, 60, 620, 260), fill=(32, 38, 48), outline=LINE, width=3, radius=6)
    p.rect((300, 90, 600, 230), fill=(24, 28, 36), outline=BLUE, width=3, radius=4); p.text((450, 110), "LINK CARD", 16, BLUE)
    for i, lab in enumerate(("PRIMARY", "SECONDARY")):
        x = 360 + i * 130
        p.rect((x - 40, 140, x + 40, 200), outline=AMBER if i == 0 else LINE, width=4, radius=4)
        p.rect((x - 22, 156, x + 22, 184), fill=(14, 17, 22), outline=None, radius=2)
        p.text((x, 215), lab, 14, AMBER if i == 0 else DIM)
    for i in range(3):
        socket(p, 70 + i * 70, 160, 20)
    out["OptionCard"] = p
    # The rear panel of the processor the connection page marks up: sockets at fixed places
    # (inputs A B C at 10 %, 19 %, 28 %, RTA mic at 39 %, outputs 1 … 6 from 54 % in steps of
    # 8 %, all at 55 % of the height).
    p = Pic(font, 960, 260); p.rect((6, 20, 954, 240), fill=(32, 38, 48), outline=LINE, width=3, radius=8)
    for i, c in enumerate(("A", "B", "C")):
        socket(p, 960 * (0.10 + i * 0.09), 143, 26, "INPUT " + c)
    socket(p, 960 * 0.39, 143, 26, "RTA MIC")
    for i in range(6):
        socket(p, 960 * (0.54 + i * 0.08), 143, 26, "OUT %d" % (i + 1))
    p.line([(960 * 0.465, 40), (960 * 0.465, 220)], EDGE, 2)
    out["RearPanel"] = p
    return out


def draw_all(save, font):
    for name, pic in pictures(font).items():
        save(pic.image().convert("RGB"), "Wizards/%s.png" % name, optimize=True)
