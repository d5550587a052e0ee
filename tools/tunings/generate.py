#!/usr/bin/python3
"""Writes the factory tuning set and the offline model's starting set.

    /usr/bin/python3 tools/tunings/generate.py

- resources/TuningFiles/Local/SpeakerTunings and .../AmplifierData: the factory set that the
  application carries and copies into its local library (naming.FACTORY).
- offline-model/tunings/: what the offline model's "/SpeakerTunings" and "/AmplifierData"
  folders hold when they are first made (PROCESSOR below), with the resource list
  offline-model/tunings.qrc. Some files equal the factory's, some are older versions of
  them, one exists only on the processor, so every state shows on the tuning screen.

The output is deterministic and committed together with this script.
"""

import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import naming  # noqa: E402
from naming import AMPLIFIER, SPEAKER, Stamp, S, find, factory_stamp  # noqa: E402

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
FACTORY_OUT = os.path.join(ROOT, "resources", "TuningFiles", "Local")
MODEL_OUT = os.path.join(ROOT, "offline-model", "tunings")
MODEL_QRC = os.path.join(ROOT, "offline-model", "tunings.qrc")

# The processor's starting set: (tuning, time stamp); None means the factory's own stamp.
PROCESSOR = [
    (find("Brova_Arc_Arc10_Std"), None),                       # Loaded
    (find("Brova_Arc_Arc12_Std"), None),
    (find("Vessant_VR_VR8_Fill"), Stamp(2014, 8, 2, 10, 0)),    # older: Has Update
    (find("Vessant_VR_VR10_Main"), None),
    (find("Orlin_Pillar_P6_Column"), Stamp(2013, 3, 7, 9, 15)),  # older: Has Update
    (find("Kavel_Stage_S12_Monitor"), Stamp(2018, 1, 5, 14, 0)),  # newer than the factory's: Loaded
    (find("Kavel_Stage_S15_Monitor"), None),
    (S(SPEAKER, "Custom", "Stage", "Wedge", "Left"), Stamp(2016, 5, 3, 12, 0)),  # only here
    (find("Brova_Q_Q1500_Stereo"), None),
    (find("Brova_Q_Q1500_Bridged"), None),
    (find("Harnow_X_X4_Quad"), Stamp(2015, 2, 10, 8, 30)),     # older: Has Update
]


def write_set(out, entries):
    shutil.rmtree(out, ignore_errors=True)
    written = []
    for tuning, stamp in entries:
        folder = os.path.join(out, tuning.folder)
        os.makedirs(folder, exist_ok=True)
        name = tuning.file_name(stamp)
        with open(os.path.join(folder, name), "wb") as f:
            f.write(naming.content(tuning, stamp))
        written.append(f"{tuning.folder}/{name}")
    for folder in (SPEAKER, AMPLIFIER):
        os.makedirs(os.path.join(out, folder), exist_ok=True)
    return sorted(written)


def main():
    factory = write_set(FACTORY_OUT, naming.FACTORY)
    model = write_set(MODEL_OUT, [(t, s or factory_stamp(t)) for t, s in PROCESSOR])
    with open(MODEL_QRC, "w") as f:
        f.write("<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n  <qresource prefix=\"/offline-model/tunings\">\n")
        for rel in model:
            f.write(f"    <file alias=\"{rel}\">tunings/{rel}</file>\n")
        f.write("  </qresource>\n</RCC>\n")
    print(f"{len(factory)} factory files, {len(model)} offline-model files")


if __name__ == "__main__":
    main()
