#!/usr/bin/env python3
"""Writes the offline model's state-variable table for the configurable processor.

The configurable processor's objects are whatever its configuration document says; the offline
model turns each object of the running document into catalogue entries when it starts and after
every "Reconfig". What those entries are comes from two sources kept in the repository:

  - the fixed-chain catalogue (offline-model/catalogue/tarn.json): names, kinds, units, ranges,
    choices and live behaviour of every block kind both processors share;
  - the template library (QuarraConfigBuilderTemplates.json): which class each template has,
    its counts ("Attributes"), its initial values ("SVValues") and the crossover defaults.

This script joins them into offline-model/catalogue/quarra.json, so the table can never drift
from either. Run from anywhere:

    tools/gen_quarra_catalogue.py           rewrite the file
    tools/gen_quarra_catalogue.py --check   exit 1 when the committed file differs

Entries are catalogue entries (offline-model/README.md) with a few bindings the model resolves
per object: a "for" range whose "to" names an attribute, "max"/"bands" naming an attribute,
"fromAttribute" (initial value
taken from an attribute; with "flag" 0 or 1), "initial" given per value of an attribute
("byAttribute"/"values"), and "{object}" inside paths.
"""

import copy
import json
import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
TARN_PATH = ROOT / "offline-model/catalogue/tarn.json"
LIBRARY_PATH = ROOT / "resources/json/SDKs/Halden/Extensions/norv/Objects/Quarra/QuarraConfigBuilderTemplates.json"
OUT_PATH = ROOT / "offline-model/catalogue/quarra.json"

IDENTITY = {
    "Node\\AT\\Class_Name": "norvCadenzoQuarra",
    "Node\\AT\\Instance_Name": "Quarra Offline",
    "Node\\SV\\DeviceName": "Cadenzo Quarra",
}
CHAIN = "Chain"

# Template class (and, where one class serves several kinds, its ".type") -> kind.
CLASS_KINDS = {
    "CadenzoSignalGenerator": "SignalGenerator",
    "norvQuarraMixer/RTAMixer": "RTARouter",
    "norvQuarraMixer": "Mixer",
    "norvQuarraFixedRouter": "Router",
    "CadenzoRTA": "RTA",
    "CadenzoMeter": "Meters",
    "CadenzoGain": "Gains",
    "norvQuarraOutput": "Gains",
    "CadenzoAFS": "AFS",
    "CadenzoGEQ": "GEQ",
    "norvQuarPEQ": "PEQ",
    "norvQuarAutoEQPEQ": "AutoEQ",
    "norvAutoEQ": "AutoEQ",
    "norvQuarCompressor": "Compressor",
    "norvGate": "Gate",
    "norvAGC": "AGC",
    "norvQuarLimiter": "Limiter",
    "CadenzoDelay": "Delay",
    "QuarraSubHarmonicSynth": "SubharmonicSynth",
    "QuarraCrossover": "Crossover",
    "CadenzoCrossover": "TarnCrossover",
    "norvQuarraInputRouter": "Plain",
    "norvQuarraChipInput": "Plain",
    "norvQuarraChipOutput": "Plain",
    "norvLevelAssist": "Plain",
    "norvFindChirpGain": "Plain",
}
# Fixed objects whose behaviour follows their name rather than their class.
OBJECT_KINDS = {"OutputMeters": "OutputMeters"}


def count_for(entry, attribute):
    """Binds the entry's numeric "for" range to an attribute of the object."""
    entry = copy.deepcopy(entry)
    (var, items), = entry["for"].items()
    assert isinstance(items, dict), entry
    entry["for"] = {var: {"from": 1, "to": attribute}}
    return entry


def extend(values, count, more):
    """A per-item initial list lengthened to `count` items by `more(i)` (0-based)."""
    values = list(values)
    while len(values) < count:
        values.append(more(len(values)))
    return values


def tarn_class(tarn, name):
    return copy.deepcopy(tarn["classes"][name])


def retarget(entries, tarn_object):
    """Paths into the fixed-chain object itself become paths into the object being served."""
    text = json.dumps(entries).replace(f"Preset\\\\{tarn_object}\\\\", "Preset\\\\{object}\\\\")
    return json.loads(text)


def max_attribute(templates, kind_of, kind, attribute):
    return max(t["Attributes"].get(attribute, 0) for name, t in templates.items() if kind_of(name, t) == kind)


def mixer_inputs(numbered_gain, numbered_mute):
    """Mixer inputs numbered 1..NumInputs, as the templates' SVValues name them."""
    gain = count_for({**numbered_gain, "for": {"n": {"from": 1, "to": 1}}}, "NumInputs")
    gain["name"] = "Input_{n}_Gain"
    gain["initial"] = 0
    mute = count_for({**numbered_mute, "for": {"n": {"from": 1, "to": 1}}}, "NumInputs")
    mute["name"] = "Input_{n}_Mute"
    return [gain, mute]


def crossover_kind(tarn, library, sub_flag):
    base = {e["name"]: e for e in tarn_class(tarn, "Crossover")}
    defaults = library[".crossoverIIRDefaults"]
    band_keys = sorted(defaults, key=lambda k: len(defaults[k]))
    most = max(len(defaults[k]) for k in band_keys)
    by_count = {str(len(defaults[k])): defaults[k] for k in band_keys}

    def per_band(column):
        return {"byAttribute": "NumBands",
                "values": {n: [bands[f"Band_{b}"][column] for b in range(1, int(n) + 1)]
                           for n, bands in by_count.items()}}

    entries = []
    num_bands = dict(base["NumBands"], choices=[str(n) for n in range(1, most + 1)], fromAttribute="NumBands")
    num_bands.pop("initial")
    mono_sub = dict(base["MonoSub"], fromAttribute=sub_flag)
    mono_sub.pop("initial")
    if sub_flag != "MonoSub":
        mono_sub["flag"] = True
    # The application's link addresses these two as attributes only for an object named
    # "Crossover"; for every other name it asks the same words as state variables.
    for attribute in (num_bands, mono_sub):
        entries.append(attribute)
        entries.append({k: v for k, v in attribute.items() if k != "attribute"})
    columns = {"HPFrequency": 0, "HPType": 1, "LPFrequency": 2, "LPType": 3}
    for name, entry in base.items():
        if name.startswith("Band_"):
            entry = count_for(entry, "NumBands")
            suffix = name[len("Band_{n}_"):]
            if suffix in columns:
                entry["initial"] = per_band(columns[suffix])
            entries.append(entry)
        elif name.startswith("MonoSub_"):
            entries.append(entry)  # served with or without subs, as the fixed chain does
    return entries


def kinds(tarn, library, templates, kind_of):
    peq_bands = max_attribute(templates, kind_of, "PEQ", "NumBands")
    peq = []
    for e in tarn_class(tarn, "PEQ"):
        if "for" in e:
            e = count_for(e, "NumBands")
            if isinstance(e.get("initial"), list):
                # Bands past the fixed-chain eight are flat bells above its top shelf.
                tail = {"Band_{n}_Frequency": lambda i: round(8000 * 1.5 ** (i - 7)),
                        "Band_{n}_Gain": lambda i: 0, "Band_{n}_Q": lambda i: 0.7,
                        "Band_{n}_Type": lambda i: "Bell"}[e["name"]]
                e["initial"] = extend(e["initial"], peq_bands, tail)
        peq.append(e)

    auto_eq = []
    auto_bands = max_attribute(templates, kind_of, "AutoEQ", "NumBands")
    for e in tarn_class(tarn, "RoomEQ"):
        if "for" in e:
            e = count_for(e, "NumBands")
            if isinstance(e.get("initial"), list):
                assert len(e["initial"]) >= auto_bands, e
        auto_eq.append(e)

    afs = [count_for(e, "NumFilters") if "for" in e else e for e in tarn_class(tarn, "Afs")]
    mono = {e["name"]: e for e in tarn_class(tarn, "MonoMixer")}
    inputs = mixer_inputs(mono["Input_{ch}_Gain"], mono["Input_{ch}_Mute"])
    router_inputs = max_attribute(templates, kind_of, "RTARouter", "NumInputs")
    rta_router = tarn_class(tarn, "RTARouter")
    rta_router[0]["choices"] = [rta_router[0]["choices"][0]] + [f"Input {n}" for n in range(1, router_inputs + 1)]
    rta = tarn_class(tarn, "RTA")
    rta[0]["bands"] = "NumBands"
    delay = tarn_class(tarn, "Delay")
    for e in delay:
        if e["name"] == "Amount":
            e["max"] = "MaxDelay"

    def per_channel(name):
        return [count_for(e, "NumChans") if "for" in e else e for e in retarget(tarn_class(tarn, name), name)]

    return {
        "SignalGenerator": tarn_class(tarn, "SignalGenerator") + [{"name": "Mute", "kind": "onoff", "initial": "Off"}],
        "RTARouter": rta_router + inputs,
        "RTA": rta,
        "Meters": per_channel("InputMeters"),
        "OutputMeters": per_channel("OutputMeters"),
        "Gains": per_channel("OutputGains"),
        "Mixer": inputs + [mono["Mute"]],
        "Router": [mono["Mute"]],
        "AFS": afs,
        "GEQ": tarn_class(tarn, "GEQ"),
        "PEQ": peq,
        "AutoEQ": auto_eq,
        "Compressor": tarn_class(tarn, "Compressor"),
        "Gate": tarn_class(tarn, "Gate"),
        "AGC": tarn_class(tarn, "AGC"),
        "Limiter": tarn_class(tarn, "Limiter"),
        "Delay": delay,
        "SubharmonicSynth": tarn_class(tarn, "SubHarmonicSynth"),
        "Crossover": crossover_kind(tarn, library, "NumSubCabinets"),
        "TarnCrossover": crossover_kind(tarn, library, "MonoSub"),
        "Plain": [],
    }


def kind_of_template(name, templ):
    if name in OBJECT_KINDS:
        return OBJECT_KINDS[name]
    cls = templ["ClassName"]
    typ = templ.get(".type")
    if isinstance(typ, str) and f"{cls}/{typ}" in CLASS_KINDS:
        return CLASS_KINDS[f"{cls}/{typ}"]
    return CLASS_KINDS[cls]


def served_names(entries, attributes):
    """The state-variable names a kind's entries give an object with these attributes."""
    names = set()
    for e in entries:
        if e.get("attribute"):
            continue
        if "for" in e:
            (var, items), = e["for"].items()
            if isinstance(items, list):
                values = items
            else:
                to = items["to"]
                to = attributes.get(to, 0) if isinstance(to, str) else to
                values = range(items["from"], to + 1)
            names.update(e["name"].replace("{" + var + "}", str(v)) for v in values)
        else:
            names.add(e["name"])
    return names


def check(library, templates, kind_table, kind_of):
    for name, templ in templates.items():
        kind = kind_of(name, templ)
        assert kind in kind_table, (name, kind)
        served = served_names(kind_table[kind], templ.get("Attributes", {}))
        missing = set(templ.get("SVValues", {})) - served
        assert not missing, (name, sorted(missing))
    # Every crossover layout's band count has its defaults.
    defaults = library[".crossoverIIRDefaults"]
    counts = {len(v) for v in defaults.values()}
    assert counts == set(range(1, 7)), counts


# Which fixed-chain class each kind follows, for the table in the README.
KIND_SOURCES = {
    "SignalGenerator": "SignalGenerator", "RTARouter": "RTARouter + MonoMixer inputs", "RTA": "RTA",
    "Meters": "InputMeters", "OutputMeters": "OutputMeters", "Gains": "OutputGains", "Mixer": "MonoMixer",
    "Router": "MonoMixer (Mute only)", "AFS": "Afs", "GEQ": "GEQ", "PEQ": "PEQ", "AutoEQ": "RoomEQ",
    "Compressor": "Compressor", "Gate": "Gate", "AGC": "AGC", "Limiter": "Limiter", "Delay": "Delay",
    "SubharmonicSynth": "SubHarmonicSynth", "Crossover": "Crossover", "TarnCrossover": "Crossover", "Plain": "—",
}
README_PATH = ROOT / "offline-model/README.md"
TABLE_BEGIN = "<!-- quarra kinds: written by tools/gen_quarra_catalogue.py -->"
TABLE_END = "<!-- end of quarra kinds -->"


def describe(entry):
    name = entry["name"]
    if "for" in entry:
        (var, items), = entry["for"].items()
        if isinstance(items, list):
            name = name.replace("{" + var + "}", f"{{{var}}}") + f" ({len(items)})"
        else:
            name += f" ({{{var}}} = {items['from']}…{items['to']})"
    if entry.get("attribute"):
        name = "AT " + name
    return name


def readme_table(out):
    lines = [TABLE_BEGIN, "", "| kind | classes (templates) | state variables | as the fixed-chain class |",
             "|---|---|---|---|"]
    for kind, entries in out["kinds"].items():
        classes = sorted(k for k, v in out["classes"].items() if v == kind)
        classes += [f"object {k}" for k, v in out["objects"].items() if v == kind]
        templates = sorted(k for k, v in out["templates"].items() if v == kind)
        names = ", ".join(describe(e) for e in entries) or "attributes only"
        lines.append(f"| {kind} | {', '.join(classes)} ({', '.join(templates)}) | {names} | {KIND_SOURCES[kind]} |")
    lines += ["", TABLE_END]
    return "\n".join(lines)


def with_table(readme, table):
    if TABLE_BEGIN in readme and TABLE_END in readme:
        head, rest = readme.split(TABLE_BEGIN, 1)
        return head + table + rest.split(TABLE_END, 1)[1]
    return readme.rstrip("\n") + "\n\n" + table + "\n"


def main(argv):
    tarn = json.loads(TARN_PATH.read_text(encoding="utf-8"))
    library = json.loads(LIBRARY_PATH.read_text(encoding="utf-8"))
    templates = {k: v for k, v in library.items() if not k.startswith(".")}
    kind_table = kinds(tarn, library, templates, kind_of_template)
    check(library, templates, kind_table, kind_of_template)

    node = copy.deepcopy(tarn["node"])
    for entry in node:
        if entry.get("path") in IDENTITY:
            entry["initial"] = IDENTITY[entry["path"]]
    router = library["InputRouter"]["Attributes"]
    slots = router["NumOutputs"]
    local = [router[f"Source{n}Name"] for n in range(1, slots + 1)]
    cards = {variant: names[4:] for variant, names in tarn["sourceNames"].items()}
    classes = {}
    for key, kind in CLASS_KINDS.items():
        classes[key] = kind
    out = {
        "format": "tarn-offline-quarra",
        "version": 1,
        "model": "Quarra",
        "note": "Generated by tools/gen_quarra_catalogue.py from the fixed-chain catalogue and the template "
                "library; do not edit. offline-model/README.md explains the table.",
        "formats": tarn["formats"],
        "node": node,
        "storage": tarn["storage"],
        "presets": {"slots": tarn["presets"]["slots"], "initial": 1,
                    "stored": [{"slot": 1, "name": "Default", "configuration": CHAIN}]},
        "sourceNames": {variant: local + extra for variant, extra in cards.items()},
        "configuration": CHAIN,
        "classes": classes,
        "objects": OBJECT_KINDS,
        "templates": {name: kind_of_template(name, t) for name, t in sorted(templates.items())},
        "kinds": kind_table,
    }
    outputs = {
        OUT_PATH: json.dumps(out, indent=1, ensure_ascii=False) + "\n",
        README_PATH: with_table(README_PATH.read_text(encoding="utf-8"), readme_table(out)),
    }
    if "--check" in argv:
        stale = [p for p, text in outputs.items() if not p.exists() or p.read_text(encoding="utf-8") != text]
        for p in stale:
            print(f"out of date: {p.relative_to(ROOT)} (run tools/gen_quarra_catalogue.py)", file=sys.stderr)
        return 1 if stale else 0
    for path, text in outputs.items():
        path.write_text(text, encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
