#!/usr/bin/python3
"""Serves a folder as the local cloud store: nginx from Debian, with a configuration of its own,
on 127.0.0.1 only.

    serve.py --root DIR [--port N] [--state DIR]

Port 0 (the default) takes a free port. Once nginx answers, one line is printed on standard
output:  cloudstore ready http://127.0.0.1:PORT
nginx then runs in the foreground until this script is stopped (SIGTERM or SIGINT), and dies
with it. The state folder (logs, pid, temporary files) is made if missing; by default it is a
new temporary folder removed at exit.
"""
import argparse
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

NGINX = shutil.which("nginx") or "/usr/sbin/nginx"
START_TIMEOUT_S = 10
PORT_ATTEMPTS = 5

CONF = """\
{user}
worker_processes 1;
daemon off;
pid {state}/nginx.pid;
error_log {state}/error.log warn;
events {{ worker_connections 256; }}
http {{
    access_log {state}/access.log;
    client_body_temp_path {state}/body;
    proxy_temp_path {state}/proxy;
    fastcgi_temp_path {state}/fastcgi;
    uwsgi_temp_path {state}/uwsgi;
    scgi_temp_path {state}/scgi;
    types {{
        application/xml xml;
        application/json json;
        text/plain txt;
    }}
    default_type application/octet-stream;
    sendfile on;
    server {{
        listen 127.0.0.1:{port};
        server_name localhost;
        root {root};
        autoindex off;
        location / {{ try_files $uri =404; }}
    }}
}}
"""


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def answers(port, proc):
    deadline = time.monotonic() + START_TIMEOUT_S
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            return False
        try:
            urllib.request.urlopen(f"http://127.0.0.1:{port}/", timeout=1)
            return True
        except urllib.error.HTTPError:
            return True  # a 404 of the root is an answer
        except OSError:
            time.sleep(0.05)
    return False


def start(root, port, state):
    conf = os.path.join(state, "nginx.conf")
    # As root, nginx's workers would drop to "nobody" and could not read a private folder.
    user = "user root;" if os.geteuid() == 0 else ""
    with open(conf, "w") as f:
        f.write(CONF.format(user=user, state=state, port=port, root=root))
    return subprocess.Popen([NGINX, "-p", state, "-c", conf, "-e", os.path.join(state, "error.log")],
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, preexec_fn=os.setpgrp)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--root", required=True)
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--state")
    args = ap.parse_args()

    root = os.path.realpath(args.root)
    if not os.path.isdir(root):
        sys.exit(f"serve.py: no such folder: {root}")
    own_state = args.state is None
    state = os.path.realpath(args.state or tempfile.mkdtemp(prefix="tarn-cloudstore-"))
    os.makedirs(state, exist_ok=True)

    proc = None
    for _ in range(PORT_ATTEMPTS if args.port == 0 else 1):
        port = args.port or free_port()
        proc = start(root, port, state)
        if answers(port, proc):
            break
        proc.kill()
        proc.wait()
        proc = None
    if proc is None:
        log = os.path.join(state, "error.log")
        detail = open(log).read().strip() if os.path.exists(log) else ""
        sys.exit(f"serve.py: nginx did not start: {detail}")

    def stop(*_):
        if proc.poll() is None:
            os.killpg(proc.pid, signal.SIGTERM)
            try:
                proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.killpg(proc.pid, signal.SIGKILL)
        if own_state:
            shutil.rmtree(state, ignore_errors=True)
        sys.exit(0)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    signal.signal(signal.SIGHUP, stop)
    print(f"cloudstore ready http://127.0.0.1:{port}", flush=True)
    # nginx dying on its own ends the script with its status; the parent dying (our stdin
    # or the parent's pipe closing) is noticed by the parent's kill at exit.
    code = proc.wait()
    if own_state:
        shutil.rmtree(state, ignore_errors=True)
    sys.exit(code)


if __name__ == "__main__":
    main()
