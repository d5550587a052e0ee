#!/usr/bin/env bash
# Guards against a Debian package that misses files, fails lintian, or does not start: built by
# CPack from this build, its extracted tarn-control must reach the home screen under Xvfb.
# Usage: check_package.sh BUILD_DIR
set -euo pipefail
BUILD=$1
WORK=$(mktemp -d "${TMPDIR:-/tmp}/tarn-package-XXXXXX")
trap 'rm -rf "$WORK"' EXIT

(cd "$BUILD" && cpack -G DEB -B "$WORK/out" >/dev/null)
DEB=$(ls "$WORK"/out/tarn-control_*_amd64.deb)
VERSION=$(sed -n 's/^project(TarnControl VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
[ "$(basename "$DEB")" = "tarn-control_${VERSION}_amd64.deb" ] || { echo "unexpected name $DEB"; exit 1; }
lintian --fail-on error "$DEB"
dpkg-deb -f "$DEB" Depends | grep -q 'qml-module-qtquick-controls2' || { echo "no QML dependency"; exit 1; }
dpkg-deb -f "$DEB" Depends | grep -q 'libqt5xmlpatterns5' || { echo "no Qt library dependency"; exit 1; }

dpkg -x "$DEB" "$WORK/root"
for f in usr/bin/tarn-control usr/bin/tarn-offline-model usr/share/applications/example.tessil.TarnControl.desktop \
         usr/share/metainfo/example.tessil.TarnControl.metainfo.xml usr/share/icons/hicolor/256x256/apps/tarn-control.png \
         usr/share/doc/tarn-control/copyright; do
  [ -e "$WORK/root/$f" ] || { echo "missing $f"; exit 1; }
done

# The extracted program, with nothing of this build tree in reach.
mkdir -p "$WORK/config" "$WORK/data" "$WORK/tmp"
PORT=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
env -u TARN_OFFLINE_MODEL XDG_CONFIG_HOME="$WORK/config" XDG_DATA_HOME="$WORK/data" TMPDIR="$WORK/tmp" \
    TARN_DEVICE_PORT="$PORT" TARN_CLOUD_URL=http://127.0.0.1:9 QT_QPA_PLATFORM=xcb QT_QUICK_BACKEND=software \
    xvfb-run -a -n $((100 + $$ % 20000)) -s "-screen 0 1280x800x24" \
    "$WORK/root/usr/bin/tarn-control" --offline --screenshot "$WORK/shot.png" --quit-after 8000 >/dev/null
LOG="$WORK/data/norv/Tarn/ui.log"
grep -q "Offline model started." "$LOG" || { echo "the offline model did not start"; cat "$LOG"; exit 1; }
grep -q 'About to load ...  "qrc:/qml/TarnHomeScreen.qml"' "$LOG" || { echo "no home screen"; tail -40 "$LOG"; exit 1; }
[ -s "$WORK/shot.png" ] || { echo "no screenshot"; exit 1; }
mkdir -p "$BUILD/screenshots" && cp "$WORK/shot.png" "$BUILD/screenshots/package-offline.png"
echo "package $(basename "$DEB") checked"
