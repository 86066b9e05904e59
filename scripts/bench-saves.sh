#!/usr/bin/env bash
# Usage: bench-saves.sh
# Prints figures (it is no test): the round trip of a save through the page API in the real engine
# (headless Chromium behind tools/engine-runtime, the built shell under Wine) against the
# browser's own localStorage in the same page and the same run. Each round writes a text of 1 KiB
# or 1 MiB and reads it back: quorvane.saves.write + read (a request and an answer each way, the
# file replaced atomically and flushed to the disk) against localStorage.setItem + getItem. The
# medians of the rounds are printed, in milliseconds (a localStorage round is timed over 50
# calls: the page's clock is too coarse for one). Then the shell's side alone
# (tests/messaging/save_bench.exe): the file work with and without the flush to the disk, and the
# UI thread's part.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" Quorvane qv_engine_runtime save_bench >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/quorvane-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/app/www"
cp "$build/app/Quorvane.exe" "$work/app/Quorvane.exe"
cp "$build/tools/engine-runtime/bin/WebView2Loader.dll" "$work/app/WebView2Loader.dll"
echo '{"name": "Quorvane Saves Bench", "saves-folder": "local"}' >"$work/app/package.json"
cat >"$work/app/www/index.html" <<'HTML'
<!doctype html><meta charset="utf-8"><title>bench</title>
<script>
const median = (values) => values.sort((a, b) => a - b)[Math.floor(values.length / 2)];
// |repeat| rounds are timed together and divided: the page's clock is coarse (0.1 ms), too coarse
// for one localStorage call.
async function rounds(count, round, repeat = 1) {
  const times = [];
  for (let i = 0; i < count; i++) {
    const start = performance.now();
    for (let j = 0; j < repeat; j++) await round(i);
    times.push((performance.now() - start) / repeat);
  }
  return median(times);
}
(async () => {
  const results = {};
  for (const [label, size, count] of [["1 KiB", 1024, 60], ["1 MiB", 1 << 20, 20]]) {
    const text = (i) => String(i % 10).repeat(size);
    results[label] = {
      api: await rounds(count, async (i) => {
        await quorvane.saves.write("bench", text(i));
        if ((await quorvane.saves.read("bench")).length !== size) throw new Error("short read");
      }),
      localStorage: await rounds(count, async (i) => {
        localStorage.setItem("bench", text(i));
        if (localStorage.getItem("bench").length !== size) throw new Error("short read");
      }, 50),
    };
  }
  localStorage.removeItem("bench");
  await quorvane.saves.remove("bench");
  document.title = "BENCH " + JSON.stringify(results);
  await quorvane.app.quit(0);
})().catch((error) => { document.title = "BENCH FAILED " + error; });
</script>
HTML

cat >"$work/run.sh" <<'RUN'
set -u
(cd "$WORK/app" && QV_ENGINE_LOG="$WORK/engine.log" timeout 300 wine Quorvane.exe </dev/null >/dev/null 2>&1)
wine "$BENCH" >"$WORK/shell-side.txt" 2>/dev/null </dev/null
RUN
mkdir -p "$build/preview" "$work/pids"
WORK="$work" BENCH="$build/tests/messaging/save_bench.exe" QV_ENGINE_PID_DIR="$work/pids" \
  bash "$root/scripts/in-netns.sh" bash "$root/scripts/with-wine.sh" "$build/preview" bash "$work/run.sh"
bash "$root/scripts/end-browsers.sh" "$work/pids" >/dev/null || true

python3 - "$work/engine.log" <<'PY'
import json, re, sys
titles = [m.group(1) for l in open(sys.argv[1]).read().splitlines()
          for m in [re.search(r' title "BENCH (.*)"$', l)] if m]
if not titles or titles[-1].startswith("FAILED"):
    sys.exit("bench-saves: the page did not finish: %s" % (titles[-1] if titles else "no result"))
results = json.loads(json.loads('"' + titles[-1] + '"'))
print("Median round trip, write then read back, in ms (one page, one run):")
print("%-8s %22s %26s %8s" % ("text", "quorvane.saves", "localStorage set+get", "ratio"))
for label, figures in results.items():
    print("%-8s %22.3f %26.3f %7.0fx" % (label, figures["api"], figures["localStorage"],
                                         figures["api"] / max(figures["localStorage"], 0.001)))
PY
echo
echo "The shell's side, medians in ms (write+read of the files; the same unflushed; a read alone):"
cat "$work/shell-side.txt"
