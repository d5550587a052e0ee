#!/usr/bin/env python3
"""Writes the configurable model's template library and its crossover layout list.

Both documents come from the compact tables below, so that the 51 crossover layouts, their
derived flags and their XML description can never drift apart. Run from anywhere:

    tools/gen_quarra_config_data.py           rewrite both files
    tools/gen_quarra_config_data.py --check   exit 1 when a committed file differs
"""

import json
import pathlib
import sys
from xml.sax.saxutils import escape, quoteattr

ROOT = pathlib.Path(__file__).resolve().parent.parent
TEMPLATES_PATH = ROOT / "resources/json/SDKs/Halden/Extensions/norv/Objects/Quarra/QuarraConfigBuilderTemplates.json"
LAYOUTS_PATH = ROOT / "resources/xml/CrossoverConfigurations.xml"

TEMPLATES_VERSION = 19
BUILDER_CONFIG_VERSION = 5

# Physical and logical channel counts of the chain.
PHYSICAL_INPUTS = ["Analog1", "Analog2", "Analog3", "AES1", "AES2", "AES3", "AES4"] + \
    [f"OptionCard{i}" for i in range(1, 9)]
INPUT_SLOTS = 7          # sources the input router selects
IN_ROWS = 3              # processed input channels (1-3 after the mixers, A-C after the inserts)
MID_ROWS = 6
OUT_ROWS = 6
CHIP_LINK_1_TO_2 = INPUT_SLOTS + 2 * IN_ROWS

# ---------------------------------------------------------------------------------------------
# Crossover layouts

# word, code digit, main cabinets, main inputs, input tag, output tag
MAIN_FORMATS = {
    "Mono": (1, 1, 1, "M", "M"),
    "Stereo": (2, 2, 2, "L+R", "L/R"),
    "LCR": (3, 3, 3, "L+C+R", "L/C/R"),
    "Mono x2": (4, 2, 1, "M", "2xM"),
    "Mono x3": (5, 3, 1, "M", "3xM"),
}
# word, code digit, output tag
SUB_FORMATS = {
    "None": (0, ""),
    "Mono": (1, "M"),
    "Stereo": (2, "L/R"),
    "LCR": (3, "L/C/R"),
    "Aux Fed": (4, "A"),
}
BAND_WORDS = ["Fullrange", "2-Way", "3-Way", "4-Way", "5-Way", "6-Way"]
DEFAULT_KEYS = ["Full-Range", "2-Way", "3-Way", "4-Way", "5-Way", "6-Way"]

# Which layouts exist: main format -> bands -> list of (sub format, sub cabinets).
LAYOUT_TABLE = {
    "Mono": {
        1: [("None", 0), ("Mono", 1), ("Aux Fed", 1), ("Mono", 2), ("Aux Fed", 2)],
        2: [("None", 0), ("Mono", 1), ("Aux Fed", 1), ("Mono", 2), ("Aux Fed", 2)],
        3: [("None", 0), ("Mono", 1), ("Aux Fed", 1)],
        4: [("None", 0), ("Mono", 1), ("Aux Fed", 1)],
        5: [("None", 0), ("Mono", 1), ("Aux Fed", 1)],
        6: [("None", 0)],
    },
    "Stereo": {
        1: [("None", 0), ("Mono", 1), ("Mono", 2), ("Stereo", 2), ("Aux Fed", 1), ("Aux Fed", 2)],
        2: [("None", 0), ("Mono", 1), ("Stereo", 2), ("Aux Fed", 1), ("Aux Fed", 2)],
        3: [("None", 0)],
    },
    "LCR": {
        1: [("None", 0), ("Mono", 1), ("Stereo", 2), ("LCR", 3), ("Aux Fed", 1), ("Aux Fed", 2),
            ("Aux Fed", 3)],
        2: [("None", 0)],
    },
    "Mono x2": {
        1: [("None", 0), ("Mono", 1), ("Aux Fed", 1)],
        2: [("None", 0), ("Mono", 1), ("Aux Fed", 1)],
        3: [("None", 0)],
    },
    "Mono x3": {
        1: [("None", 0), ("Mono", 1), ("Aux Fed", 1)],
        2: [("None", 0)],
    },
}
# List order: grouped by sub format, then main format, bands and sub count.
SUB_ORDER = ["Aux Fed", "Mono", "Stereo", "LCR", "None"]
MAIN_ORDER = ["Mono", "Mono x2", "Mono x3", "LCR", "Stereo"]

# Crossover points per band layout, highest band first.
CROSSOVER_POINTS = {
    1: [],
    2: ["2.5kHz"],
    3: ["5kHz", "500Hz"],
    4: ["8kHz", "1.6kHz", "250Hz"],
    5: ["10kHz", "3.15kHz", "800Hz", "160Hz"],
    6: ["12.5kHz", "5kHz", "1.6kHz", "500Hz", "125Hz"],
}

# Fixed-chain crossover layouts: slots x outputs -> [slots, bands, mono sub].
TARN_TYPES = {
    "1x1": [1, 1, 0], "1x2": [1, 2, 0], "1x3": [1, 3, 0], "1x4": [1, 4, 0], "1x5": [1, 5, 0],
    "1x6": [1, 6, 0], "2x2": [2, 1, 0], "2x3": [2, 1, 1], "2x4": [2, 2, 0], "2x5": [2, 2, 1],
    "2x6": [2, 3, 0],
}


# A stereo or LCR sub is two or three cabinets by definition; only copies of one sub signal are
# counted in the name.
def layout_name(main, bands, sub, subs):
    name = f"{main} {BAND_WORDS[bands - 1]}"
    if sub != "None":
        name += f" with {sub} Sub"
        if subs > 1 and sub in ("Mono", "Aux Fed"):
            name += f" x{subs}"
    return name


def display_name(main, bands, sub, subs):
    name = f"{main} Main" if bands == 1 else f"{main} {bands}-Way"
    if sub != "None":
        name += f" + {sub} Sub"
        if subs > 1 and sub in ("Mono", "Aux Fed"):
            name += f" x{subs}"
    return name


def derived_flags(main, bands, sub, subs):
    """The flags the builder derives from the five words (same rule as the C++ builder)."""
    mains = MAIN_FORMATS[main][1]
    has_sub = subs > 0
    sum_mono = sub == "Mono"
    sum_stereo = sub == "Stereo" and main == "LCR"
    aux = sub == "Aux Fed"
    return {
        "AuxSub": int(aux),
        "CabByBand": int(bands > 1),
        "CabByN": int(main in ("Mono x2", "Mono x3") and mains > 1),
        "CutMain": int(has_sub and not aux),
        "CutSub": int(has_sub),
        "Format": MAIN_FORMATS[main][0],
        "NumBands": bands,
        "NumMainCabinets": mains,
        "NumSubCabinets": subs,
        "SubByFormat": int(sub in ("Stereo", "LCR")),
        "SubByN": int(sub in ("Mono", "Aux Fed") and subs > 1),
        "SubFormat": SUB_FORMATS[sub][0],
        "SubNoSum": int(has_sub and not sum_mono and not sum_stereo),
        "SubSumMono": int(sum_mono),
        "SubSumStereo": int(sum_stereo),
    }


def layouts():
    rows = []
    for sub in SUB_ORDER:
        for main in MAIN_ORDER:
            for bands, subs_list in LAYOUT_TABLE[main].items():
                for s, count in subs_list:
                    if s == sub:
                        rows.append((main, bands, s, count))
    return rows


def layout_record(main, bands, sub, subs):
    code_main, mains, main_inputs, in_tag, out_tag = MAIN_FORMATS[main]
    code_sub, sub_tag = SUB_FORMATS[sub]
    aux = sub == "Aux Fed"
    inputs = main_inputs + (1 if aux else 0)
    outputs = mains * bands + subs
    name = layout_name(main, bands, sub, subs)
    out_name = f"{out_tag} MAIN" if bands == 1 else f"{out_tag} {bands}WAY"
    if subs:
        out_name += "+" + (f"{subs}x" if subs > 1 and sub in ("Mono", "Aux Fed") else "") + f"{sub_tag} SUB"
    po = {
        ".info": f"{inputs}x{outputs}",
        ".type": "IIR " + name,
        "Attributes": derived_flags(main, bands, sub, subs),
        "AutoWire": True,
        "ClassName": "QuarraCrossover",
        "Properties": {"DSP": "dsp3"},
    }
    return {
        "name": name,
        "words": [main, f"Mains={mains}", BAND_WORDS[bands - 1], sub, f"Subs={subs}"],
        "code": f"{code_main}{mains}{bands}{code_sub}{subs}",
        "display": display_name(main, bands, sub, subs),
        "inputs": inputs,
        "inputs_name": in_tag + ("+A" if aux else ""),
        "outputs": outputs,
        "outputs_name": out_name,
        "po": po,
    }


def crossover_defaults():
    table = {}
    for bands, key in enumerate(DEFAULT_KEYS, start=1):
        points = CROSSOVER_POINTS[bands]
        entry = {}
        for b in range(1, bands + 1):
            hp = points[b - 1] if b <= len(points) else "50Hz"
            hp_slope = "LR 48" if b <= len(points) else "BW 18"
            lp = "Out" if b == 1 else points[b - 2]
            lp_slope = "BW 6" if b == 1 else "LR 48"
            entry[f"Band_{b}"] = [hp, hp_slope, lp, lp_slope]
        table[key] = entry
    return table

# ---------------------------------------------------------------------------------------------
# Processing-object templates


def channel_values(count, *suffixes, value="Off"):
    return {f"Channel_{c}_{s}": value for c in range(1, count + 1) for s in suffixes}


def template(class_name, dsp, attributes, *, info=None, type_=None, pattern=None, auto_wire=False,
             sv=None, sources=None, keep_null_type=False):
    t = {"ClassName": class_name, "AutoWire": auto_wire, "Properties": {"DSP": dsp},
         "Attributes": attributes}
    if sv:
        t["SVValues"] = sv
    if type_ is not None or keep_null_type:
        t[".type"] = type_
    if info is not None:
        t[".info"] = info
    if pattern is not None:
        builder = {"NamePattern": pattern}
        if sources is not None:
            builder["Sources"] = sources
        t[".builder"] = builder
    return t


def mixer_sv(inputs):
    sv = {}
    for i in range(1, inputs + 1):
        sv[f"Input_{i}_Gain"] = "0dB"
        sv[f"Input_{i}_Mute"] = "On"
    return sv


def fixed_templates():
    meter = "CadenzoMeter"
    return {
        # measurement variant
        "FindChirpGain": template("norvFindChirpGain", "dsp1", {"NumChans": 1}, info="SIG", type_="ChirpGain"),
        "LevelAssist": template("norvLevelAssist", "dsp1", {"NumChans": 1}, info="LVL", type_="LevelAssist"),
        "AutoEQ": template("norvAutoEQ", "dsp1", {"NumChans": 1, "NumBands": 8}, info="AEQ", type_="AutoEQMeasure"),
        "AutoEQMixer": template("norvQuarraMixer", "dsp1",
                                {"NumInputs": INPUT_SLOTS, "NumOutputs": 1, "NumChans": 1},
                                info="MIX", type_="AutoEQMixer", sv=mixer_sv(INPUT_SLOTS)),
        # everyday variant
        "SignalGenerator": template("CadenzoSignalGenerator", "dsp1", {"NumChans": 1}, info="SIG",
                                    type_="SignalGenerator", sv={"Mute": "On"}),
        "RTARouter": template("norvQuarraMixer", "dsp1",
                              {"NumInputs": INPUT_SLOTS, "NumOutputs": 1, "NumChans": 1},
                              info="MIX", type_="RTAMixer", sv=mixer_sv(INPUT_SLOTS)),
        "RTA": template("CadenzoRTA", "dsp1", {"NumChans": 1, "NumBands": 31}, info="RTA", type_="RTA"),
        "MidMeters": template(meter, "dsp2", {"NumChans": MID_ROWS}, info="MTR", type_="Meters"),
        # always
        "InputMeters": template(meter, "dsp1", {"NumChans": INPUT_SLOTS}, info="MTR", type_="Meters"),
        "InputGains": template("CadenzoGain", "dsp1", {"NumChans": INPUT_SLOTS}, info="GAN",
                               type_="InputGain", sv=channel_values(INPUT_SLOTS, "Mute")),
        "Meters123": template(meter, "dsp1", {"NumChans": IN_ROWS}, info="MTR", type_="Meters"),
        "MetersABC": template(meter, "dsp1", {"NumChans": IN_ROWS}, info="MTR", type_="Meters"),
        "OutputMeters": template(meter, "dsp3", {"NumChans": OUT_ROWS}, info="MTR", type_="Meters"),
        "Inputs1": template("norvQuarraChipInput", "dsp1", {"NumChans": len(PHYSICAL_INPUTS)}, info="INP", type_="ChipInput"),
        "Inputs2": template("norvQuarraChipInput", "dsp2", {"NumChans": CHIP_LINK_1_TO_2}, info="INP", type_="ChipInput"),
        "Inputs3": template("norvQuarraChipInput", "dsp3", {"NumChans": MID_ROWS}, info="INP", type_="ChipInput"),
        "Outputs1": template("norvQuarraChipOutput", "dsp1", {"NumChans": CHIP_LINK_1_TO_2, "ProcessDelay": 0},
                             info="OUT", type_="ChipOutput"),
        "Outputs2": template("norvQuarraChipOutput", "dsp2", {"NumChans": MID_ROWS, "ProcessDelay": 0},
                             info="OUT", type_="ChipOutput"),
        "Outputs3": template("norvQuarraChipOutput", "dsp3", {"NumChans": OUT_ROWS, "ProcessDelay": 0},
                             info="OUT", type_="ChipOutput"),
    }


def insert(class_name, dsp, type_, info, pattern, extra=None, sv=None):
    attrs = {"NumChans": 1}
    attrs.update(extra or {})
    return template(class_name, dsp, attrs, info=info, type_=type_, pattern=pattern, auto_wire=True,
                    sv=sv)


def column_templates():
    t = {}
    router_attrs = {"NumInputs": len(PHYSICAL_INPUTS), "NumOutputs": INPUT_SLOTS}
    for slot in range(1, INPUT_SLOTS + 1):
        router_attrs[f"Slot{slot}Source"] = slot - 1
    for n, name in enumerate(PHYSICAL_INPUTS, start=1):
        router_attrs[f"Source{n}Name"] = name
    t["InputRouter"] = template("norvQuarraInputRouter", "dsp1", router_attrs, info="INR",
                                type_="InputRouter", pattern="InputRouter")

    in_sources = [f"In{i}" for i in range(1, INPUT_SLOTS + 1)]
    t["In_Mixer"] = template("norvQuarraMixer", "dsp1",
                             {"NumInputs": INPUT_SLOTS + 1, "NumOutputs": 1, "NumChans": 1},
                             info="MIX", type_="8x1InputMixer", pattern="In_Mixer#",
                             sv=mixer_sv(INPUT_SLOTS + 1), sources=in_sources + ["Gen"])
    for i in range(1, INPUT_SLOTS + 1):
        t[f"In_Router_In{i}"] = template("norvQuarraFixedRouter", "dsp1",
                                         {"NumInputs": 1, "NumOutputs": 1, "NumChans": 1, "RouteMix": f"In{i}"},
                                         info="MIX", type_="FixedInputRoute", pattern="In_Router#",
                                         sources=[f"In{i}"])

    t["In_AFS"] = insert("CadenzoAFS", "dsp1", "AFS", "AFS", "AFS#", {"NumFilters": 12})
    t["In_AGC"] = insert("norvAGC", "dsp1", "AGC", "AGC", "AGC#")
    t["In_Delay"] = insert("CadenzoDelay", "dsp1", "InDelay", "DLY", "InDelay#", {"MaxDelay": 500})
    t["In_Compressor"] = insert("norvQuarCompressor", "dsp1", "Compressor", "CMP", "Compressor#")
    t["In_GEQ"] = insert("CadenzoGEQ", "dsp1", "GraphicEQ", "GEQ", "GEQ#", {"NumBands": 31})
    t["In_Gate"] = insert("norvGate", "dsp1", "Gate", "GAT", "Gate#")
    t["In_PEQ"] = insert("norvQuarPEQ", "dsp1", "ParametricEQ", "PEQ", "PEQIn#",
                         {"NumBands": 8, "PEQType": "Parametric"})
    t["In_SubharmonicSynth"] = insert("QuarraSubHarmonicSynth", "dsp1", "SubharmonicSynth", "SUB", "SubSynth#")

    mixer_attrs = lambda n: {"NumInputs": n, "NumOutputs": 1, "NumChans": 1}
    t["Mid_Mixer_Inputs"] = template("norvQuarraMixer", "dsp2", mixer_attrs(INPUT_SLOTS), info="MIX",
                                     type_="MidMixerInputs", pattern="Mid_Mixer#", sv=mixer_sv(INPUT_SLOTS),
                                     sources=in_sources)
    t["Mid_Mixer_123"] = template("norvQuarraMixer", "dsp2", mixer_attrs(IN_ROWS), info="MIX",
                                  type_="MidMixer123", pattern="Mid_Mixer#", sv=mixer_sv(IN_ROWS),
                                  sources=["1", "2", "3"])
    t["Mid_Mixer_ABC"] = template("norvQuarraMixer", "dsp2", mixer_attrs(IN_ROWS), info="MIX",
                                  type_="MidMixerABC", pattern="Mid_Mixer#", sv=mixer_sv(IN_ROWS),
                                  sources=["A", "B", "C"])
    for i in range(1, INPUT_SLOTS + 1):
        attrs = mixer_attrs(1)
        attrs["RouteMix"] = f"In{i}"
        t[f"Mid_Router_In{i}"] = template("norvQuarraFixedRouter", "dsp2", attrs, info="MIX",
                                          type_=f"MidRouter{i}", pattern="Mid_Router#", sources=[f"In{i}"])
    for group, type_ in ((["1", "2", "3"], "MidRouter123"), (["A", "B", "C"], "MidRouterABC")):
        for combo in ([group[0]], [group[1]], [group[2]], group[0:2], group[1:3], group):
            mix = "+".join(combo)
            attrs = mixer_attrs(len(combo))
            attrs["RouteMix"] = mix
            t[f"Mid_Router_{mix}"] = template("norvQuarraFixedRouter", "dsp2", attrs, info="MIX",
                                              type_=type_, pattern="Mid_Router#", sources=list(combo))

    t["Mid_AutoEQ"] = insert("norvQuarAutoEQPEQ", "dsp2", "AutoEQ", "AEQ", "AutoEQPEQ#",
                             {"NumBands": 8, "PEQType": "AutoEQ"})
    t["Mid_AGC"] = insert("norvAGC", "dsp2", "AGC", "AGC", "MidAGC#")
    t["Mid_Delay"] = insert("CadenzoDelay", "dsp2", "MidDelay", "DLY", "MidDelay#", {"MaxDelay": 500})
    t["Mid_Compressor"] = insert("norvQuarCompressor", "dsp2", "Compressor", "CMP", "MidCompressor#")
    t["Mid_Gate"] = insert("norvGate", "dsp2", "Gate", "GAT", "MidGate#")
    t["Mid_SubharmonicSynth"] = insert("QuarraSubHarmonicSynth", "dsp2", "SubharmonicSynth", "SUB", "MidSubSynth#")

    t["Out_CrossoverIIR"] = template("QuarraCrossover", "dsp3", derived_flags("Mono", 1, "None", 0),
                                     info="IIR", keep_null_type=True, pattern="Crossover#", auto_wire=True)
    t["Out_CrossoverTarn"] = template("CadenzoCrossover", "dsp3", {"NumSlots": 1, "NumBands": 1, "MonoSub": 0},
                                      info="XOR", keep_null_type=True, pattern="Crossover#", auto_wire=True)
    t["Out_CrossoverFIR"] = template("QuarraCrossover", "dsp3", derived_flags("Mono", 1, "None", 0),
                                     info="FIR", keep_null_type=True, pattern="Crossover#", auto_wire=True)
    t["Out_PEQ"] = insert("norvQuarPEQ", "dsp3", "ParametricEQ", "PEQ", "PEQOut#",
                          {"NumBands": 10, "PEQType": "Parametric"})
    t["Out_ZoneGain"] = insert("CadenzoGain", "dsp3", "ZoneGain", "GAN", "ZoneGains", {"NumChans": OUT_ROWS},
                               sv=channel_values(OUT_ROWS, "Mute"))
    t["Out_Gain"] = insert("CadenzoGain", "dsp3", "OutputGain", "GAN", "OutputGains",
                           {"NumChans": OUT_ROWS, "MasterGain": 1}, sv=channel_values(OUT_ROWS, "Mute"))
    t["Out_Limiter"] = insert("norvQuarLimiter", "dsp3", "Limiter", "LMT", "Limiter#")
    t["Out_Delay"] = insert("CadenzoDelay", "dsp3", "OutDelay", "DLY", "OutDelay#", {"MaxDelay": 100})
    t["Output"] = insert("norvQuarraOutput", "dsp3", "Output", "OUP", "Output#",
                         {"OutputName": "Output", "ProcessDelay": 0}, sv=channel_values(1, "Mute"))
    return t


IN_INSERTS = ["In_AGC", "In_Delay", "In_Compressor", "In_GEQ", "In_Gate", "In_PEQ", "In_SubharmonicSynth"]
MID_INSERTS = ["Mid_AGC", "Mid_Delay", "Mid_Compressor", "Mid_Gate", "Mid_SubharmonicSynth"]


def slots(templates):
    mid_mixers = ["Mid_Mixer_Inputs", "Mid_Mixer_123", "Mid_Mixer_ABC"] + \
        [k for k in templates if k.startswith("Mid_Router_")]
    return {
        "Column_InputRouter": ["InputRouter"],
        "Column_In_Mixer": ["In_Mixer"] + [f"In_Router_In{i}" for i in range(1, INPUT_SLOTS + 1)],
        "Column_In_AFS": ["In_AFS"],
        "Column_In_Insert1": IN_INSERTS,
        "Column_In_Insert2": IN_INSERTS,
        "Column_Mid_Mixer": mid_mixers,
        "Column_Mid_AutoEQ": ["Mid_AutoEQ"],
        "Column_Mid_Insert": MID_INSERTS,
        "Column_Out_Crossover": ["Out_CrossoverIIR", "Out_CrossoverTarn"],
        "Column_Out_PEQ": ["Out_PEQ"],
        "Column_Out_ZoneGain": ["Out_ZoneGain"],
        "Column_Out_Gain": ["Out_Gain"],
        "Column_Out_Limiter": ["Out_Limiter"],
        "Column_Out_Delay": ["Out_Delay"],
        "Column_Output": ["Output"],
    }


def default_builder_config():
    def repeat(cell, n):
        return [list(cell) for _ in range(n)]
    return {
        "Format": "BuilderConfig",
        "Device": "Quarra",
        "Version": BUILDER_CONFIG_VERSION,
        "Columns": [
            ["Column_InputRouter",
             ["InputRouter", list(range(INPUT_SLOTS)), [f"OptionCard{i}" for i in range(1, 9)]]],
            ["Column_In_Mixer"] + repeat(["In_Mixer"], IN_ROWS),
            ["Column_In_AFS"] + repeat(["In_AFS", 1], IN_ROWS),
            ["Column_In_Insert1"] + repeat(["In_PEQ", 1], IN_ROWS),
            ["Column_In_Insert2"] + repeat(["In_Compressor", 1], IN_ROWS),
            ["Column_Mid_Mixer", ["Mid_Router_A"], ["Mid_Router_B"], ["Mid_Router_C"],
             ["Mid_Router_A+B"], ["Mid_Router_A+B+C"], ["Mid_Mixer_ABC"]],
            ["Column_Mid_AutoEQ"] + repeat(["Mid_AutoEQ", 1], MID_ROWS),
            ["Column_Mid_Insert"] + repeat(["Mid_Delay", 1], MID_ROWS),
            ["Column_Out_Crossover"] + repeat(["Out_CrossoverIIR", "Mono Fullrange"], OUT_ROWS),
            ["Column_Out_PEQ"] + repeat(["Out_PEQ", 1], OUT_ROWS),
            ["Column_Out_ZoneGain", ["Out_ZoneGain", OUT_ROWS]],
            ["Column_Out_Gain", ["Out_Gain", OUT_ROWS]],
            ["Column_Out_Limiter"] + repeat(["Out_Limiter", 1], OUT_ROWS),
            ["Column_Out_Delay"] + repeat(["Out_Delay", 1], OUT_ROWS),
            ["Column_Output"] + [["Output", f"Output {i}"] for i in range(1, OUT_ROWS + 1)],
        ],
    }

# ---------------------------------------------------------------------------------------------
# Name lists and display names


def recommended_output_names():
    names = [f"Output {i}" for i in range(1, 7)]
    names += ["Mono Main", "Left Main", "Right Main", "Center Main",
              "Mono Sub", "Left Sub", "Right Sub", "Center Sub", "Aux Sub"]
    for side in ("Left", "Right", "Center", "Mono"):
        names += [f"{side} High", f"{side} Mid", f"{side} Low"]
    for side in ("Left", "Right", "Center", "Mono"):
        names += [f"{side} Mid High", f"{side} Mid Low"]
    names += ["Front Fill", "Left Front Fill", "Right Front Fill", "Center Front Fill",
              "Under Balcony", "Left Under Balcony", "Right Under Balcony", "Over Balcony",
              "Delay 1", "Delay 2", "Delay 3", "Delay 4", "Left Delay", "Right Delay"]
    names += [f"Monitor {i}" for i in range(1, 9)]
    names += ["Side Fill", "Left Side Fill", "Right Side Fill", "Drum Fill", "Out Fill",
              "Left Out Fill", "Right Out Fill", "Lobby", "Green Room", "Dressing Room",
              "Backstage", "Foyer", "Bar", "Patio", "Stage", "Choir", "Pulpit", "Balcony",
              "Mezzanine", "Gallery"]
    names += [f"Zone {i}" for i in range(1, 9)]
    names += ["Record Left", "Record Right", "Broadcast Left", "Broadcast Right",
              "Assisted Listening", "Hearing Loop", "Ceiling", "Left Ceiling", "Right Ceiling",
              "Wedge 1", "Wedge 2", "Wedge 3", "Wedge 4", "In-Ear Left", "In-Ear Right", "Spare"]
    return names


def recommended_input_names():
    names = [f"Parvane {i}" for i in range(1, 9)]
    names += ["Mono", "Left", "Right", "Center", "Aux Sub"]
    names += [f"Aux Send {i}" for i in range(1, 9)]
    names += [f"Mic {i}" for i in range(1, 9)]
    names += [f"Wireless {i}" for i in range(1, 5)]
    names += ["Playback Left", "Playback Right"]
    names += [f"Matrix {i}" for i in range(1, 5)]
    names += ["Podium", "Lectern", "Background Music", "Paging", "Talkback", "RTA Mic", "Option Card"]
    return names


def block_names():
    names = {
        "InputRouter": ("INR", "Input Router", None),
        "8x1InputMixer": ("MIX", "Mix Inputs", ("MIXER", "Input Mixer")),
        "FixedInputRoute": ("RTE", "Route Input", ("ROUTER", "Input Route")),
        "AFS": ("AFS", "Feedback Suppression", ("AFS", "Advanced Feedback Suppression")),
        "AGC": ("AGC", "Automatic Gain Control", None),
        "InDelay": ("DLY", "Backline Delay", None),
        "MidDelay": ("DLY", "Fill Delay", None),
        "OutDelay": ("DLY", "Alignment Delay", None),
        "Compressor": ("CMP", "Compressor", None),
        "GraphicEQ": ("GEQ", "Graphic EQ", None),
        "Gate": ("GAT", "Noise Gate", None),
        "ParametricEQ": ("PEQ", "Parametric EQ", None),
        "SubharmonicSynth": ("SUB", "Subharmonic Synth", None),
        "MidMixerInputs": ("MIX", "Mix Inputs", ("MIXER", "Mid Mixer")),
        "MidMixer123": ("MIX", "Mix Channels 1-3", ("MIXER", "Mid Mixer")),
        "MidMixerABC": ("MIX", "Mix Channels A-C", ("MIXER", "Mid Mixer")),
        "MidRouter123": ("RTE", "Route Channels 1-3", ("ROUTER", "Mid Route")),
        "MidRouterABC": ("RTE", "Route Channels A-C", ("ROUTER", "Mid Route")),
        "AutoEQ": ("AEQ", "Auto EQ", None),
        "ZoneGain": ("GAN", "Zone Gains", None),
        "OutputGain": ("GAN", "Output Gains", None),
        "Limiter": ("LMT", "Limiter", None),
        "Output": ("OUP", "Output", None),
        "SignalGenerator": ("SIG", "Signal Generator", None),
        "RTA": ("RTA", "Real-Time Analyser", None),
        "RTAMixer": ("MIX", "RTA Input", ("MIXER", "RTA Input")),
        "AutoEQMixer": ("MIX", "Measurement Input", None),
        "AutoEQMeasure": ("AEQ", "Auto EQ Measurement", None),
        "ChirpGain": ("SIG", "Measurement Signal", None),
        "LevelAssist": ("LVL", "Level Assist", None),
        "Meters": ("MTR", "Meters", None),
        "InputGain": ("GAN", "Input Gains", None),
        "ChipInput": ("INP", "Chip Input", None),
        "ChipOutput": ("OUT", "Chip Output", None),
    }
    for i in range(1, INPUT_SLOTS + 1):
        names[f"MidRouter{i}"] = ("RTE", f"Route Input {i}", ("ROUTER", "Mid Route"))
    out = {}
    for key in sorted(names):
        short, long_, app = names[key]
        entry = {"short": short, "long": long_}
        if app:
            entry["app"] = {"short": app[0], "long": app[1]}
        out[key] = entry
    return out


def library():
    fixed = fixed_templates()
    columns = column_templates()
    lib = {
        ".version": TEMPLATES_VERSION,
        ".slots": slots(columns),
        ".default": default_builder_config(),
        ".recommendedOutputNames": recommended_output_names(),
        ".recommendedInputNames": recommended_input_names(),
        ".copyPasteCompatibility": [
            ["In_AGC", "Mid_AGC"], ["In_Delay", "Mid_Delay", "Out_Delay"],
            ["In_Compressor", "Mid_Compressor"], ["In_Gate", "Mid_Gate"],
            ["In_SubharmonicSynth", "Mid_SubharmonicSynth"], ["In_PEQ", "Out_PEQ"],
            ["Out_ZoneGain", "Out_Gain"],
        ],
        ".copyPasteTypeCompatibility": [
            ["In_AGC", "Mid_AGC"], ["In_Delay", "Mid_Delay"], ["In_Compressor", "Mid_Compressor"],
            ["In_Gate", "Mid_Gate"], ["In_SubharmonicSynth", "Mid_SubharmonicSynth"],
        ],
        ".names": block_names(),
        ".crossoverTarnTypes": TARN_TYPES,
        ".crossoverIIRTypes": {r["name"]: r["words"] for r in map(lambda l: layout_record(*l), layouts())},
        ".crossoverIIRDefaults": crossover_defaults(),
        ".crossoverFIRTypes": {},
    }
    lib.update(fixed)
    lib.update(columns)
    return lib


def check_tables(lib, records):
    assert len(records) == 51, len(records)
    assert records[0]["name"] == "Mono Fullrange with Aux Fed Sub"
    assert records[-1]["name"] == "Stereo 3-Way"
    assert len({r["name"] for r in records}) == 51
    assert len({r["code"] for r in records}) == 51
    assert len({r["display"] for r in records}) == 51
    for r in records:
        assert r["outputs"] <= OUT_ROWS and r["inputs"] <= r["outputs"], r
    assert len(lib[".recommendedOutputNames"]) == 101, len(lib[".recommendedOutputNames"])
    assert len(set(lib[".recommendedOutputNames"])) == 101
    assert len(lib[".recommendedInputNames"]) == 46, len(lib[".recommendedInputNames"])
    assert len(set(lib[".recommendedInputNames"])) == 46
    by_code = {r["code"]: r["name"] for r in records}
    assert by_code["11100"] == "Mono Fullrange"
    assert by_code["11111"] == "Mono Fullrange with Mono Sub"
    assert by_code["11141"] == "Mono Fullrange with Aux Fed Sub"
    for column, allowed in lib[".slots"].items():
        for name in allowed:
            assert name in lib, (column, name)

# ---------------------------------------------------------------------------------------------
# Writers


def _flat(value):
    if isinstance(value, list):
        return all(not isinstance(v, (dict, list)) for v in value)
    return not isinstance(value, dict)


def dump_json(value, indent=0):
    """Objects one member per line, arrays of scalars on one line: readable and diff-friendly."""
    pad = "  " * indent
    inner = "  " * (indent + 1)
    if isinstance(value, dict):
        if not value:
            return "{}"
        items = [f"{inner}{json.dumps(k)}: {dump_json(v, indent + 1)}" for k, v in value.items()]
        return "{\n" + ",\n".join(items) + "\n" + pad + "}"
    if isinstance(value, list):
        if all(not isinstance(v, (dict, list)) for v in value):
            return "[" + ", ".join(json.dumps(v) for v in value) + "]"
        if all(_flat(v) for v in value) and len(json.dumps(value)) < 100:
            return "[" + ", ".join(dump_json(v) for v in value) + "]"
        items = [inner + dump_json(v, indent + 1) for v in value]
        return "[\n" + ",\n".join(items) + "\n" + pad + "]"
    return json.dumps(value)


def layouts_xml(records):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<CrossoverTypes>"]
    for number, r in enumerate(records, start=1):
        po = json.dumps(r["po"], sort_keys=True, separators=(",", ":"))
        lines.append(f'  <CrossoverType id={quoteattr(f"{number:2d}")} code={quoteattr(r["code"])}>')
        lines.append(f"    <configName>{escape(r['name'])}</configName>")
        lines.append(f"    <DisplayName>{escape(r['display'])}</DisplayName>")
        lines.append(f"    <Inputs name={quoteattr(r['inputs_name'])}>{r['inputs']}</Inputs>")
        lines.append(f"    <Outputs name={quoteattr(r['outputs_name'])}>{r['outputs']}</Outputs>")
        lines.append(f"    <poAttributes>{escape(po)}</poAttributes>")
        lines.append("  </CrossoverType>")
    lines.append("</CrossoverTypes>")
    return "\n".join(lines) + "\n"


def main(argv):
    records = [layout_record(*l) for l in layouts()]
    lib = library()
    check_tables(lib, records)
    outputs = {
        TEMPLATES_PATH: dump_json(lib) + "\n",
        LAYOUTS_PATH: layouts_xml(records),
    }
    if "--check" in argv:
        stale = [p for p, text in outputs.items() if not p.exists() or p.read_text(encoding="utf-8") != text]
        for p in stale:
            print(f"out of date: {p.relative_to(ROOT)}", file=sys.stderr)
        return 1 if stale else 0
    for path, text in outputs.items():
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text, encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
