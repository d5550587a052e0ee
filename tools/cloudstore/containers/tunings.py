"""The tuning containers of the local cloud store.

"cz-speaker-tunings" and "cz-amplifier-data" hold a "Manifest" (one file name a line) and the
files it lists: newer versions of some factory files, tunings the factory set lacks, and one
version older than the factory's (which the application must not fetch). The "-test"
containers, used in validation mode, hold the same plus a pre-release tuning.
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tunings"))
import naming  # noqa: E402
from naming import AMPLIFIER, SPEAKER, Stamp, S, find  # noqa: E402

RELEASE = [
    (find("Vessant_LX_LX12_Main"), Stamp(2018, 4, 11, 15, 20)),
    (S(SPEAKER, "Vessant", "LX", "LX10", "Main"), Stamp(2018, 4, 11, 15, 45)),
    (find("Vessant_VR_VR8_Fill"), Stamp(2015, 6, 22, 14, 10)),      # same as the factory's
    (find("Brova_Kt_Kt218_Sub"), Stamp(2017, 9, 1, 10, 0)),
    (find("Orlin_Flat_F5_Ceiling"), Stamp(2018, 2, 27, 16, 5)),
    (find("Tessary_Mono_M1"), Stamp(2011, 6, 1, 9, 0)),              # older than the factory's
    (S(SPEAKER, "Kavel", "Install", "I6", "Surface"), Stamp(2018, 3, 3, 11, 11)),
    (find("Harnow_X_X2_Stereo"), Stamp(2018, 1, 19, 13, 40)),
    (S(AMPLIFIER, "Vessant", "PA", "PA9600", "Stereo"), Stamp(2018, 5, 2, 9, 0)),
]

TEST_ONLY = [
    (find("Vessant_SB_SB18_Sub"), Stamp(2018, 6, 30, 18, 0)),
    (S(AMPLIFIER, "Brova", "Q", "Q3000", "Stereo"), Stamp(2018, 6, 30, 18, 30)),
]

CONTAINERS = {
    SPEAKER: ("cz-speaker-tunings", "cz-speaker-tunings-test"),
    AMPLIFIER: ("cz-amplifier-data", "cz-amplifier-data-test"),
}


def write_container(out_dir, name, entries):
    folder = out_dir / name
    folder.mkdir(parents=True, exist_ok=True)
    names = []
    for tuning, stamp in entries:
        file_name = tuning.file_name(stamp)
        (folder / file_name).write_bytes(naming.content(tuning, stamp))
        names.append(file_name)
    (folder / "Manifest").write_bytes(("\r\n".join(names) + "\r\n").encode("utf-8"))


def generate(out_dir):
    for folder, (release, test) in CONTAINERS.items():
        write_container(out_dir, release, [e for e in RELEASE if e[0].folder == folder])
        write_container(out_dir, test, [e for e in RELEASE + TEST_ONLY if e[0].folder == folder])
