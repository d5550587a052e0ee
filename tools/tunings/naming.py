"""Names and contents of tuning files, shared by every generator that writes them.

A tuning file is named Brand_Series_Model[_Variant]_Y_M_D_h_m.hdf: underscore-separated parts,
the last five a time stamp written without leading zeros. Everything before the time stamp is
the key; two files with one key are versions of one tuning, the later time stamp the newer.

The application never reads a file's content, it only moves the bytes. The contents written
here are small XML documents so that a reviewer sees believable data: crossover, equaliser,
delay and limiter settings for a loudspeaker, gain and power figures for an amplifier.
"""

import random
from dataclasses import dataclass

SPEAKER = "SpeakerTunings"
AMPLIFIER = "AmplifierData"


@dataclass(frozen=True)
class Stamp:
    year: int
    month: int
    day: int
    hour: int
    minute: int

    def parts(self):
        return [str(self.year), str(self.month), str(self.day), str(self.hour), str(self.minute)]

    def iso(self):
        return f"{self.year:04d}-{self.month:02d}-{self.day:02d}T{self.hour:02d}:{self.minute:02d}"


@dataclass(frozen=True)
class Tuning:
    folder: str      # SPEAKER or AMPLIFIER
    brand: str
    series: str
    model: str
    variant: str     # may be empty

    def key(self):
        parts = [self.brand, self.series, self.model] + ([self.variant] if self.variant else [])
        return "_".join(parts)

    def file_name(self, stamp):
        return self.key() + "_" + "_".join(stamp.parts()) + ".hdf"


def key_of(name):
    """The key of a file name; empty when the name has fewer than six parts."""
    base = name.rsplit(".", 1)[0] if "." in name else name
    parts = base.split("_")
    return "_".join(parts[:-5]) if len(parts) >= 6 else ""


def content(tuning, stamp):
    """The file's bytes: deterministic for one tuning and time stamp."""
    rng = random.Random(tuning.key() + "@" + stamp.iso())
    if tuning.folder == SPEAKER:
        return _speaker(tuning, stamp, rng)
    return _amplifier(tuning, stamp, rng)


def _header(kind, tuning, stamp):
    variant = f' variant="{tuning.variant}"' if tuning.variant else ""
    return (f'<?xml version="1.0" encoding="UTF-8"?>\n'
            f'<{kind} brand="{tuning.brand}" series="{tuning.series}" model="{tuning.model}"{variant} '
            f'revision="{stamp.iso()}" format="1">\n')


def _speaker(tuning, stamp, rng):
    sub = "sub" in tuning.model.lower() or tuning.variant.lower() in ("sub", "cardioid")
    ways = 1 if sub else rng.choice([2, 2, 3])
    lines = [_header("SpeakerTuning", tuning, stamp)]
    lines.append(f'  <Impedance nominal="{rng.choice([4, 8, 16])}" unit="ohm"/>\n')
    if sub:
        bands = [("Sub", 25 + rng.randint(0, 10), 80 + rng.randint(0, 40))]
    elif ways == 2:
        xo = rng.choice([1200, 1400, 1600, 1800, 2000])
        bands = [("Low", 45 + rng.randint(0, 25), xo), ("High", xo, 20000)]
    else:
        lo = rng.choice([220, 250, 300, 350])
        hi = rng.choice([1800, 2200, 2500])
        bands = [("Low", 40 + rng.randint(0, 20), lo), ("Mid", lo, hi), ("High", hi, 20000)]
    for name, hp, lp in bands:
        lines.append(f'  <Way name="{name}">\n')
        lines.append(f'    <HighPass frequency="{hp}" unit="Hz" type="LR" slope="24"/>\n')
        if lp < 20000:
            lines.append(f'    <LowPass frequency="{lp}" unit="Hz" type="LR" slope="24"/>\n')
        for _ in range(rng.randint(3, 6)):
            f = round(hp * (lp / hp) ** rng.random(), 1) if lp > hp else hp
            gain = round(rng.uniform(-6.0, 3.0), 1)
            q = round(rng.uniform(0.7, 4.5), 2)
            lines.append(f'    <Eq type="Bell" frequency="{f}" unit="Hz" gain="{gain}" q="{q}"/>\n')
        delay = round(rng.uniform(0.0, 1.5), 3) if name != "Low" else 0.0
        lines.append(f'    <Delay time="{delay}" unit="ms"/>\n')
        lines.append(f'    <Polarity inverted="{"true" if rng.random() < 0.2 else "false"}"/>\n')
        thr = round(rng.uniform(-6.0, 9.0), 1)
        lines.append(f'    <Limiter threshold="{thr}" unit="dBu" attack="{rng.choice([1, 2, 5])}" '
                     f'release="{rng.choice([50, 100, 200])}"/>\n')
        lines.append('  </Way>\n')
    lines.append('</SpeakerTuning>\n')
    return "".join(lines).encode("utf-8")


def _amplifier(tuning, stamp, rng):
    bridged = tuning.variant.lower() == "bridged"
    channels = 1 if bridged else rng.choice([2, 4])
    watts8 = rng.choice([600, 900, 1200, 1500, 2400])
    lines = [_header("AmplifierData", tuning, stamp)]
    lines.append(f'  <Channels count="{channels}" mode="{"bridged" if bridged else "stereo"}"/>\n')
    lines.append(f'  <Gain value="{rng.choice([26, 29, 32, 35])}" unit="dB"/>\n')
    lines.append(f'  <Sensitivity value="{round(rng.uniform(1.0, 4.0), 2)}" unit="Vrms"/>\n')
    for ohms, factor in ((8, 1.0), (4, 1.6), (2, 2.2)):
        power = int(watts8 * factor * (2 if bridged else 1))
        lines.append(f'  <Power load="{ohms}" unit="W" value="{power}"/>\n')
    lines.append(f'  <Latency value="{round(rng.uniform(0.2, 2.0), 2)}" unit="ms"/>\n')
    lines.append('</AmplifierData>\n')
    return "".join(lines).encode("utf-8")


def S(folder, brand, series, model, variant=""):
    return Tuning(folder, brand, series, model, variant)


# The factory set: what the application carries in its resources, each with its time stamp.
FACTORY = [
    (S(SPEAKER, "Vessant", "LX", "LX12", "Main"), Stamp(2014, 1, 16, 19, 32)),
    (S(SPEAKER, "Vessant", "LX", "LX12", "Monitor"), Stamp(2014, 1, 16, 19, 40)),
    (S(SPEAKER, "Vessant", "LX", "LX15", "Main"), Stamp(2014, 2, 3, 9, 5)),
    (S(SPEAKER, "Vessant", "VR", "VR8", "Fill"), Stamp(2015, 6, 22, 14, 10)),
    (S(SPEAKER, "Vessant", "VR", "VR10", "Main"), Stamp(2015, 6, 22, 14, 25)),
    (S(SPEAKER, "Vessant", "SB", "SB18", "Sub"), Stamp(2014, 11, 8, 11, 0)),
    (S(SPEAKER, "Vessant", "SB", "SB218", "Cardioid"), Stamp(2016, 3, 1, 8, 45)),
    (S(SPEAKER, "Brova", "Arc", "Arc10", "Std"), Stamp(2013, 9, 30, 16, 20)),
    (S(SPEAKER, "Brova", "Arc", "Arc12", "Std"), Stamp(2013, 10, 2, 10, 15)),
    (S(SPEAKER, "Brova", "Kt", "Kt218", "Sub"), Stamp(2014, 5, 12, 13, 30)),
    (S(SPEAKER, "Brova", "Kt", "Kt12", "Wedge"), Stamp(2014, 5, 12, 13, 55)),
    (S(SPEAKER, "Orlin", "Pillar", "P6", "Column"), Stamp(2015, 1, 20, 17, 5)),
    (S(SPEAKER, "Orlin", "Pillar", "P8", "Column"), Stamp(2015, 1, 20, 17, 30)),
    (S(SPEAKER, "Orlin", "Flat", "F5", "Ceiling"), Stamp(2016, 7, 4, 12, 0)),
    (S(SPEAKER, "Tessary", "Mono", "M1", ""), Stamp(2012, 12, 1, 10, 10)),
    (S(SPEAKER, "Tessary", "Mono", "M2", ""), Stamp(2012, 12, 1, 10, 20)),
    (S(SPEAKER, "Tessary", "Duo", "D210", "Main"), Stamp(2013, 4, 18, 15, 40)),
    (S(SPEAKER, "Kavel", "Stage", "S12", "Monitor"), Stamp(2017, 2, 14, 9, 30)),
    (S(SPEAKER, "Kavel", "Stage", "S15", "Monitor"), Stamp(2017, 2, 14, 9, 50)),
    (S(SPEAKER, "Kavel", "Install", "I4", "Surface"), Stamp(2017, 8, 9, 18, 15)),
    (S(SPEAKER, "Custom", "Install", "Ceiling", "Zone1"), Stamp(2016, 10, 10, 10, 10)),
    (S(SPEAKER, "Custom", "Install", "Ceiling", "Zone2"), Stamp(2016, 10, 10, 10, 12)),
    (S(AMPLIFIER, "Vessant", "PA", "PA2400", "Stereo"), Stamp(2014, 3, 3, 12, 0)),
    (S(AMPLIFIER, "Vessant", "PA", "PA2400", "Bridged"), Stamp(2014, 3, 3, 12, 5)),
    (S(AMPLIFIER, "Vessant", "PA", "PA4800", "Stereo"), Stamp(2015, 9, 14, 8, 0)),
    (S(AMPLIFIER, "Brova", "Q", "Q1500", "Stereo"), Stamp(2013, 11, 21, 16, 0)),
    (S(AMPLIFIER, "Brova", "Q", "Q1500", "Bridged"), Stamp(2013, 11, 21, 16, 10)),
    (S(AMPLIFIER, "Harnow", "X", "X4", "Quad"), Stamp(2016, 5, 30, 11, 45)),
    (S(AMPLIFIER, "Harnow", "X", "X2", "Stereo"), Stamp(2016, 5, 30, 11, 50)),
]


def factory_stamp(tuning):
    for t, stamp in FACTORY:
        if t == tuning:
            return stamp
    raise KeyError(tuning.key())


def find(key):
    for t, _ in FACTORY:
        if t.key() == key:
            return t
    raise KeyError(key)
