#!/usr/bin/python3
"""Measures the screens of the running application against the offline model:

  * the time from a navigation command to the first frame of the new screen, for every screen
    of the screen tour (the application's own --tour log lines), over several rounds;
  * the CPU use of tarn-control (and, for comparison, of the offline model) while the home
    screen shows its meters, from /proc/<pid>/stat over a fixed window.

    tools/measure/screens.py [--build build] [--rounds 3] [--cpu-seconds 10]

Runs under Xvfb (xvfb-run) in private settings, data and temporary folders, on a free port.
Goals: each screen under 200 ms; the home screen under 10 % of one core.
"""

import argparse
import os
import re
import shutil
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
TOUR = os.path.join(ROOT, "tests", "e2e", "screentour.txt")
LOCK_NAME = "TESSIL_NORV_CADENZO_TARN_LOCK_FILE"
SHOWN = re.compile(r"Tour: (\S+) shown ([0-9.]+) ms after (.*)$")
BACK_HOME = re.compile(r"Tour: back home ([0-9.]+) ms after")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Session:
    """One run of tarn-control --offline under Xvfb in folders of its own."""

    def __init__(self, build, extra_args, timeout_s, environment=None):
        self.dir = tempfile.mkdtemp(prefix="tarn-measure-")
        for sub in ("config", "data", "tmp"):
            os.makedirs(os.path.join(self.dir, sub))
        env = dict(os.environ)
        env.update({
            "XDG_CONFIG_HOME": os.path.join(self.dir, "config"),
            "XDG_DATA_HOME": os.path.join(self.dir, "data"),
            "TMPDIR": os.path.join(self.dir, "tmp"),
            "TARN_DEVICE_PORT": str(free_port()),
            "QT_QPA_PLATFORM": "xcb",
        })
        env.pop("QT_QUICK_BACKEND", None)
        env.pop("TARN_OFFLINE_MODEL", None)
        env.update(environment or {})
        self.log_path = os.path.join(self.dir, "data", "norv", "Tarn", "ui.log")
        self.deadline = time.monotonic() + timeout_s
        command = ["xvfb-run", "-a", "-n", str(100 + os.getpid() % 20000), "-s", "-screen 0 1280x800x24",
                   os.path.join(build, "bin", "tarn-control"), "--offline",
                   "--quit-after", str(int(timeout_s * 1000))] + extra_args
        self.process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        start_new_session=True)

    def log(self):
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def wait_for(self, text):
        while time.monotonic() < self.deadline:
            if text in self.log():
                return True
            if self.process.poll() is not None:
                return False
            time.sleep(0.2)
        return False

    def pid(self, pattern):
        if pattern == "app":
            try:
                with open(os.path.join(self.dir, "tmp", LOCK_NAME)) as f:
                    return int(f.readline().strip())
            except (OSError, ValueError):
                return 0
        m = re.findall(r"Offline model listening, pid (\d+)", self.log())
        return int(m[-1]) if m else 0

    def close(self):
        app = self.pid("app")
        if app:
            try:
                os.kill(app, signal.SIGTERM)
            except ProcessLookupError:
                pass
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


def cpu_ticks(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime, after the command field


def measure_tour(build, rounds):
    per_screen = {}
    home_again = []
    for r in range(rounds):
        session = Session(build, ["--tour", TOUR], timeout_s=240)
        try:
            if not session.wait_for("Tour finished:"):
                sys.exit("screens.py: the tour did not finish (round %d); log in %s" % (r + 1, session.log_path))
            for line in session.log().splitlines():
                m = SHOWN.search(line)
                if m:
                    per_screen.setdefault(m.group(1), []).append(float(m.group(2)))
                m = BACK_HOME.search(line)
                if m:
                    home_again.append(float(m.group(1)))
        finally:
            session.close()
    if home_again:
        per_screen.setdefault("TarnHomeScreen", []).extend(home_again)
    return per_screen


def measure_cpu(build, seconds, settle_s, environment=None):
    session = Session(build, [], timeout_s=seconds + settle_s + 90, environment=environment)
    try:
        if not session.wait_for("Entering state: HomeScreen"):
            sys.exit("screens.py: the home screen did not come up; log in %s" % session.log_path)
        time.sleep(settle_s)
        app, model = session.pid("app"), session.pid("model")
        hz = os.sysconf("SC_CLK_TCK")
        start = time.monotonic()
        a0, m0 = cpu_ticks(app), cpu_ticks(model) if model else 0
        time.sleep(seconds)
        a1, m1 = cpu_ticks(app), cpu_ticks(model) if model else 0
        wall = time.monotonic() - start
        return 100.0 * (a1 - a0) / hz / wall, (100.0 * (m1 - m0) / hz / wall) if model else None
    finally:
        session.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--cpu-seconds", type=float, default=10.0)
    parser.add_argument("--settle-seconds", type=float, default=5.0)
    parser.add_argument("--env", action="append", default=[], metavar="NAME=VALUE",
                        help="extra environment of the measured application (e.g. QT_QUICK_BACKEND=software)")
    parser.add_argument("--cpu-only", action="store_true")
    args = parser.parse_args()
    if not shutil.which("xvfb-run"):
        sys.exit("screens.py: xvfb-run is not installed")

    environment = dict(item.split("=", 1) for item in args.env)
    if args.cpu_only:
        app, model = measure_cpu(args.build, args.cpu_seconds, args.settle_seconds, environment)
        print("tarn-control %.1f %%, tarn-offline-model %.1f %%" % (app, model or 0))
        return
    per_screen = measure_tour(args.build, max(1, args.rounds))
    print("Time from the navigation command to the first frame of the screen (goal: under 200 ms)")
    print("%-22s %6s %9s %9s %9s" % ("screen", "runs", "median", "max", "goal"))
    for name in sorted(per_screen):
        values = per_screen[name]
        worst = max(values)
        print("%-22s %6d %7.1f ms %7.1f ms %9s" % (name, len(values), statistics.median(values), worst,
                                                    "met" if worst < 200 else "MISSED"))

    app, model = measure_cpu(args.build, args.cpu_seconds, args.settle_seconds, environment)
    print()
    print("CPU on the home screen with its meters running, over %.0f s (goal: tarn-control under 10 %% of one core)"
          % args.cpu_seconds)
    print("tarn-control        %5.1f %% of one core  %s" % (app, "met" if app < 10 else "MISSED"))
    if model is not None:
        print("tarn-offline-model  %5.1f %% of one core" % model)


if __name__ == "__main__":
    main()
