#!/usr/bin/env bash
# Usage: bench-engine.sh
# Prints figures (it is no test): how long pages take to load when the shell serves them to the
# real engine (headless Chromium behind tools/engine-runtime) against the same www served by a
# plain loopback HTTP server (Python's http.server) to the same browser, in one run; and the
# bridge's own cost per request (from the request's dispatch to the answer being sent, less the
# shell's handler), reported apart. Pages: the example app and a page of 300 images and 20 range
# fetches. Each page is loaded twice from the shell (the first load starts the renderer) and twice
# from the HTTP server; the second loads are compared.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" Quorvane qv_engine_runtime >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/quorvane-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
lay_out() {  # FOLDER
  cp "$build/app/Quorvane.exe" "$1/Quorvane.exe"
  cp "$build/tools/engine-runtime/bin/WebView2Loader.dll" "$1/WebView2Loader.dll"
}
# The example, as the main job lays it out.
bash "$root/scripts/make-example.sh" "$work/example"
lay_out "$work/example"
# The load page of the real-page tests with its 300 images and its range blob.
mkdir -p "$work/load"
echo '{"name": "Engine Bench", "window": {"width": 1024, "height": 640}}' >"$work/load/package.json"
cp -r "$root/tests/engine/pages/load" "$work/load/www"
python3 - "$work/load/www" <<'PY'
import os, struct, sys
www = sys.argv[1]
os.makedirs(os.path.join(www, "img"), exist_ok=True)
for n in range(300):
    header = b"BM" + struct.pack("<IIIIiiHHIIiiII", 70, 0, 54, 40, 2, 2, 1, 24, 0, 16, 2835, 2835, 0, 0)
    pixel = bytes([n * 13 % 256, n * 7 % 256, n % 256])
    open(os.path.join(www, "img", "i%d.bmp" % n), "wb").write(header + (pixel * 2 + b"\0\0") * 2)
open(os.path.join(www, "blob.bin"), "wb").write(bytes((i * 31 + 7) % 256 for i in range(1 << 20)))
PY
lay_out "$work/load"

steps() {  # UNTIL -> a steps file that loads the page twice from each side
  cat <<JSON
[{"wait": 4000},
 {"compare": "http://127.0.0.1:8765/index.html", "until": "$1"},
 {"evaluate": "location.reload()"}, {"wait": 4000},
 {"compare": "http://127.0.0.1:8765/index.html?again", "until": "$1"},
 {"close": true}]
JSON
}
steps "document.title.includes('Level 1')" >"$work/example.steps"
# The plain server answers no ranges: the page's verdict differs, its loading is what is compared.
steps "document.title.startsWith('DONE:')" >"$work/load.steps"

cat >"$work/run.sh" <<'RUN'
set -u
for app in example load; do
  python3 -m http.server 8765 --bind 127.0.0.1 --directory "$WORK/$app/www" >/dev/null 2>&1 &
  server=$!
  sleep 0.5
  (cd "$WORK/$app" && QV_ENGINE_LOG="$WORK/$app.log" QV_ENGINE_STEPS="$WORK/$app.steps" \
     timeout 120 wine Quorvane.exe </dev/null >/dev/null 2>&1)
  kill "$server"
done
RUN
mkdir -p "$build/preview" "$work/pids"
WORK="$work" QV_ENGINE_PID_DIR="$work/pids" \
  bash "$root/scripts/in-netns.sh" bash "$root/scripts/with-wine.sh" "$build/preview" bash "$work/run.sh"
bash "$root/scripts/end-browsers.sh" "$work/pids" >/dev/null || true

python3 - "$work" <<'PY'
import re, statistics, sys
work = sys.argv[1]
print("Load-event times (ms from navigation start), second loads compared:")
print("%-10s %14s %14s %14s %14s %7s" % ("page", "shell cold", "shell warm", "http first", "http second", "ratio"))
bridge, handler, answer = [], [], []
for app in ("example", "load"):
    lines = open("%s/%s.log" % (work, app)).read().splitlines()
    shell = [float(m.group(1)) for l in lines for m in [re.search(r"\d+ load event ([\d.]+) ms$", l)] if m and "step" not in l]
    http = [float(m.group(1)) for l in lines for m in [re.search(r'"compare".*-> load event ([\d.]+) ms$', l)] if m]
    for l in lines:
        m = re.search(r"handler_us=(\d+) bridge_us=(\d+) answer_us=(\d+)$", l)
        if m:
            handler.append(int(m.group(1)))
            bridge.append(int(m.group(2)))
            answer.append(int(m.group(3)))
    if len(shell) < 2 or len(http) < 2:
        print("%-10s run incomplete: %s" % (app, [l for l in lines if "load event" in l or "failed" in l]))
        continue
    print("%-10s %14.1f %14.1f %14.1f %14.1f %6.2fx" % (app, shell[0], shell[1], http[0], http[1], shell[1] / http[1]))
if bridge:
    p90 = lambda values: sorted(values)[int(len(values) * 0.9)]
    print("Per request, %d requests answered by the shell, in microseconds (median / mean / p90):" % len(bridge))
    print("  shell's handler                                   %7d / %7d / %7d" % (
        statistics.median(handler), statistics.mean(handler), p90(handler)))
    print("  bridge: dispatch to answer sent, less the handler %7d / %7d / %7d" % (
        statistics.median(bridge), statistics.mean(bridge), p90(bridge)))
    print("    of it, reading, encoding and sending the body   %7d / %7d / %7d" % (
        statistics.median(answer), statistics.mean(answer), p90(answer)))
    print("    (the rest is waiting: one thread reads all bodies, as the runtime does)")
PY
