#!/usr/bin/python3
"""Assembles the local cloud store's folder tree.

    build.py OUT

Every module in containers/ offers generate(out_dir) and writes its containers below OUT
(one folder per container, e.g. OUT/cz-speaker-tunings/Manifest). OUT is emptied first, so
the tree holds exactly what the generators produce; their output is deterministic.
"""
import pathlib
import runpy
import shutil
import sys


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = pathlib.Path(sys.argv[1]).resolve()
    if out == pathlib.Path("/") or out == pathlib.Path.home():
        sys.exit(f"build.py: refusing to empty {out}")
    shutil.rmtree(out, ignore_errors=True)
    out.mkdir(parents=True)
    here = pathlib.Path(__file__).resolve().parent / "containers"
    for path in sorted(here.glob("*.py")):
        runpy.run_path(str(path), run_name=path.stem)["generate"](out)
    print(f"cloudstore tree in {out}")


if __name__ == "__main__":
    main()
