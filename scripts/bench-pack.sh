#!/usr/bin/env bash
# Usage: bench-pack.sh [MIB]
# Prints figures (it is no test): quorvane-pack.exe (under Wine) packaging an app whose www/ holds
# MIB MiB (default 200) laid out like a game's (three quarters media that does not compress, a
# quarter scripts, data and text that do), against Info-ZIP's `zip -6 -r` of the same files, in
# one run: the zip's size against zip -6 of the package folder, and the whole packaging time
# (checks, stamping, copying, zipping, moving into place) against zip -6 of www/. Each time is the
# best of three runs. Goal: within 5% of the size, at most 1.5 times the time.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
mib="${1:-200}"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" Quorvane quorvane-pack >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/quorvane-bench.XXXXXX")"
export QV_BUILD_DIR="$build" QV_WINE_PREFIX_NAME=wineprefix-dist
. "$root/scripts/wine-env.sh"
bash "$root/scripts/wine-prefix.sh" "$build" >&2
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

python3 - "$work/app" "$mib" <<'PY'
import os, random, sys
app, mib = sys.argv[1], int(sys.argv[2])
rng = random.Random(7)
www = os.path.join(app, "www")
os.makedirs(www)
with open(os.path.join(app, "package.json"), "w") as f:
    f.write('{"name": "Bench Game", "version": "1.0.0"}')
with open(os.path.join(www, "index.html"), "w") as f:
    f.write("<!DOCTYPE html><title>Bench</title>")
words = [("".join(rng.choice("abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))))
         for _ in range(3000)]
media = mib * 3 // 4 << 20
done = 0
while done < media:  # audio, video, compressed images: 64 KiB to 8 MiB each
    size = min(rng.choice([64 << 10, 300 << 10, 1 << 20, 3 << 20, 8 << 20]), media - done)
    folder = os.path.join(www, rng.choice(["audio", "video", "img"]))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, f"asset{done}.bin"), "wb") as f:
        f.write(rng.randbytes(size))
    done += size
text = (mib << 20) - media
done = 0
while done < text:  # scripts, level data, shaders: 4 KiB to 1 MiB of words and numbers
    size = min(rng.choice([4 << 10, 40 << 10, 200 << 10, 1 << 20]), text - done)
    parts, length = [], 0
    while length < size:
        part = rng.choice(words) + (" = " + str(rng.randint(0, 9999)) + ";\n" if rng.random() < 0.2 else " ")
        parts.append(part)
        length += len(part)
    folder = os.path.join(www, rng.choice(["js", "data", "shaders"]))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, f"part{done}.js"), "w") as f:
        f.write("".join(parts)[:size])
    done += size
PY
files="$(find "$work/app/www" -type f | wc -l)"

# A warm Wine: the server and its services are up before anything is timed.
wine wineboot </dev/null >/dev/null 2>&1 || true
best() {  # COMMAND...: the best of three wall-clock times in seconds, after a cleanup each
  local best="" start end
  for _ in 1 2 3; do
    rm -rf "$work/out" "$work/www.zip"
    sync
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    if [ -z "$best" ] || [ $((end - start)) -lt "$best" ]; then best=$((end - start)); fi
  done
  echo "$best"
}
pack_time=$(best bash -c 'cd "$1" && LC_ALL=C.UTF-8 wine "$2" app out' - "$work" "$build/app/quorvane-pack.exe")
zip_time=$(best bash -c 'cd "$1/app" && zip -6 -r -q ../www.zip www' - "$work")
(cd "$work" && LC_ALL=C.UTF-8 wine "$build/app/quorvane-pack.exe" app out >/dev/null)
ours=$(stat -c %s "$work/out/Bench Game.zip")
(cd "$work/out" && zip -6 -r -q ../reference.zip "Bench Game")
theirs=$(stat -c %s "$work/reference.zip")

python3 - "$mib" "$files" "$ours" "$theirs" "$pack_time" "$zip_time" <<'PY'
import sys
mib, files, ours, theirs, pack, zip6 = (int(v) for v in sys.argv[1:])
print(f"www/: {mib} MiB in {files} files (3/4 incompressible media, 1/4 text)")
print(f"zip size:       quorvane-pack {ours} bytes, zip -6 {theirs} bytes: {(ours - theirs) * 100 / theirs:+.2f}%")
print(f"packaging time: quorvane-pack {pack / 1e9:.2f} s, zip -6 of www/ {zip6 / 1e9:.2f} s: "
      f"{pack / zip6:.2f}x")
PY
