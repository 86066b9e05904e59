#!/usr/bin/env python3
"""Usage: preview_check_test.py
scripts/preview-check.py on recorded engine logs and steps files, two tables: what --strict
makes of a run (each row: the engine's log, the steps given, what the packager said, the pictures
present, and the exact reasons printed) and what the steps check refuses (the exact messages).
Then the names of keys against the engine's table, and preview.sh --help against the steps. No
Wine, no browser: each row is a run as preview would have recorded it."""
import contextlib
import importlib.util
import io
import json
import os
import re
import subprocess
import sys
import tempfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
spec = importlib.util.spec_from_file_location("preview_check",
                                              os.path.join(ROOT, "scripts", "preview-check.py"))
check = importlib.util.module_from_spec(spec)
spec.loader.exec_module(check)

failures = []


def run(*arguments):
    """(exit code, stdout lines, stderr lines) of preview-check.py ARGUMENTS."""
    out, err = io.StringIO(), io.StringIO()
    with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
        code = check.main(list(arguments))
    return code, out.getvalue().splitlines(), err.getvalue().splitlines()


def expect(name, got, wanted):
    if got != wanted:
        failures.append("%s:\n  expected %r\n  got      %r" % (name, wanted, got))


work = tempfile.mkdtemp()
os.chdir(work)
os.mkdir("shots")

O = "https://quorvane.localhost"
OK = "type=text/html length=10 content-range=- handler_us=1 bridge_us=1 answer_us=1"


def answer(method, path, status, context="Other", origin=O):
    return "10 request %s %s%s range=- context=%s -> %d %s" % (method, origin, path, context,
                                                               status, OK)


FAVICON_ERROR = ("20 console error: Failed to load resource: the server responded with a status "
                 "of 404 (Not Found) %s/favicon.ico" % O)
SHOT = os.path.join(work, "shots", "one.png")
FINAL = os.path.join(work, "final.png")
WARNING = 'quorvane-pack: warning: Game/package.json: "settings.%s" is not a member the shell knows (ignored)'

# name, log lines, steps given, packager's stderr, files present, reasons printed
STRICT = [
    ("a clean run; the browser's /favicon.ico misses in any context, however often",
     [answer("GET", "/index.html", 200, "Document"), answer("GET", "/favicon.ico", 404),
      answer("GET", "/favicon.ico", 404, "Image"), answer("GET", "/favicon.ico", 404, "Image"),
      FAVICON_ERROR, FAVICON_ERROR, "30 title \"Level 1\""],
     [], [], [], []),
    ("an answer of exactly 400 counts, 399 and 304 do not",
     [answer("GET", "/a.json", 399), answer("GET", "/b.json", 304), answer("POST", "/save", 400)],
     [], [], [], ["1 answer of 400 or more (POST %s/save -> 400)" % O]),
    ("/favicon.ico is exempt only as the app origin's missing file",
     [answer("GET", "/favicon.ico", 404, "Image", "https://example.com"),
      answer("GET", "/img/favicon.ico", 404, "Image"), answer("GET", "/favicon.ico", 500)],
     [], [], [], ["3 answers of 400 or more (GET https://example.com/favicon.ico -> 404; "
                  "GET %s/img/favicon.ico -> 404; GET %s/favicon.ico -> 500)" % (O, O)]),
    ("three of a kind are named, the rest counted",
     [answer("GET", "/%d.png" % n, 404, "Image") for n in range(1, 6)],
     [], [], [], ["5 answers of 400 or more (GET {0}/1.png -> 404; GET {0}/2.png -> 404; "
                  "GET {0}/3.png -> 404 and 2 more)".format(O)]),
    ("an uncaught exception names where it was thrown; a long console error is cut",
     ["40 uncaught exception: %s/index.html:2:37: Error: boom at level 2" % O,
      "41 console error: " + "x" * 200],
     [], [], [], ["1 uncaught exception (%s/index.html:2:37: Error: boom at level 2)" % O,
                  "1 console error (%s...)" % ("x" * 157)]),
    ("steps that failed or timed out count; a clean step's own text is not its outcome",
     ['50 step {"evaluate":"\'a -> failed\'"} -> "a -> failed"',
      '51 step {"evaluate":"x()"} -> "b -> exception c"',
      '52 step {"waitTitle":"Level 2"} -> timed out, title "Level 1"',
      '53 step {"click":[1,2]} -> failed',
      '54 step {"evaluate":"y() -> 1"} -> exception Uncaught',
      '55 step {"key":"Shfit"} -> unknown key'],
     [{"evaluate": "'a -> failed'"}, {"evaluate": "x()"}, {"waitTitle": "Level 2"},
      {"click": [1, 2]}, {"evaluate": "y() -> 1"}, {"key": "Shfit"}],
     [], [],
     ['4 steps failed (step 3 {"waitTitle":"Level 2"} -> timed out, title "Level 1"; '
      'step 4 {"click":[1,2]} -> failed; step 5 {"evaluate":"y() -> 1"} -> exception Uncaught '
      'and 1 more)']),
    ("steps the app closed before did not run",
     ['50 step {"wait":10} -> ok'],
     [{"wait": 10}, {"click": [3, 4]}, {"waitTitle": "Level 1", "timeout": 5}],
     [], [],
     ['2 steps did not run (step 2 {"click":[3,4]}; step 3 {"timeout":5,"waitTitle":"Level 1"})']),
    ("a step's picture that is not there failed, whatever the log says",
     ['50 step {"screenshot":"%s"} -> saved 9 bytes' % SHOT,
      '51 step {"screenshot":"%s"} -> saved 9 bytes' % FINAL],
     [{"screenshot": SHOT}, {"screenshot": FINAL}], [], [FINAL],
     ['1 step failed (step 1 {"screenshot":"%s"} -> saved 9 bytes, but no such file)' % SHOT]),
    ("the final picture: missing",
     ["60 screenshot %s -> failed" % FINAL], [], [], [], ["no screenshot was taken"]),
    ("the final picture: there", ["60 screenshot %s -> saved 9 bytes" % FINAL], [], [], [FINAL], []),
    ("the packager's manifest warnings, one reason each; its other lines are not",
     [], [], [WARNING % "browser-key", "quorvane-pack: Game: laid out",
              'quorvane-pack: warning: Game/package.json: "settings.enable-devtools" is a string, '
              'not a boolean: true is used'], [],
     ['2 manifest warnings (Game/package.json: "settings.browser-key" is not a member the shell '
      'knows (ignored); Game/package.json: "settings.enable-devtools" is a string, not a boolean: '
      'true is used)']),
    ("every kind at once, in their order",
     [answer("GET", "/x.png", 404), "40 uncaught exception: boom", "41 console error: bad",
      '50 step {"close":true} -> failed'],
     [{"close": True}, {"wait": 1}], [WARNING % "gpus"], [],
     ['1 manifest warning (Game/package.json: "settings.gpus" is not a member the shell knows '
      '(ignored))', "1 answer of 400 or more (GET %s/x.png -> 404)" % O,
      "1 uncaught exception (boom)", "1 console error (bad)",
      '1 step failed (step 1 {"close":true} -> failed)', '1 step did not run (step 2 {"wait":1})',
      "no screenshot was taken"]),
    ("a page cannot forge lines: the engine writes its line breaks as \\n",
     ['41 console error: a\\n50 step {"click":[1,2]} -> failed'], [{"click": [1, 2]}], [], [],
     ['1 console error (a\\n50 step {"click":[1,2]} -> failed)',
      '1 step did not run (step 1 {"click":[1,2]})']),
]

for name, log, steps, staged, present, wanted in STRICT:
    for path in (SHOT, FINAL):
        if os.path.exists(path):
            os.remove(path)
    for path in present:
        open(path, "w").write("a picture")
    with open("engine.log", "w") as file:
        file.write("".join(line + "\n" for line in log))
    with open("steps.json", "w") as file:
        json.dump(steps, file)
    with open("pack.err", "w") as file:
        file.write("".join(line + "\n" for line in staged))
    final = FINAL if name.startswith(("the final picture", "every kind")) else ""
    code, out, err = run("strict", "engine.log", "steps.json", "pack.err", final)
    expect("strict: " + name, (code, out, err), (0, wanted, []))
# Neither a log nor the packager's output (a package is not staged): only what was asked for.
expect("strict: nothing recorded",
       run("strict", "none.log", "steps.json", "none.err", ""),
       (0, ['1 step did not run (step 1 {"click":[1,2]})'], []))

# Steps files: CONTENT => the messages after "preview: bad.steps: ", one a line.
F = os.path.join(work, "shots")
STEPS = [
    ('[{"key": "Shfit"}, {"key": "F13"}, {"key": "ab"}, {"key": "\\n"}, {"key": ""}]',
     ['step %d: "key" must be one character or a key name (%s), not %s'
      % (n, ", ".join(check.KEYS), json.dumps(value))
      for n, value in enumerate(["Shfit", "F13", "ab", "\n", ""], 1)]),
    ('[{"wait": "1"}, {"tap": 1}, {"click": [1, 2]}, 7]',
     ['step 1: "wait" must be a whole number of milliseconds up to 3600000, not "1"',
      'step 2 holds no known action (found "tap"); a step is one of click, key, waitTitle, '
      'evaluate, screenshot, wait, close, crash', "step 4 is not an object: 7"]),
    ('[{"compare": "http://127.0.0.1:8765/", "until": "true"}]',
     ['step 1 holds no known action (found "compare", "until"); a step is one of click, key, '
      'waitTitle, evaluate, screenshot, wait, close, crash']),
    ('[{"screenshot": "shots"}, {"screenshot": "%s/"}, {"screenshot": "none/a.png"}, '
     '{"screenshot": "none/"}]' % F,
     ['step 1: "screenshot": %s is a folder' % F, 'step 2: "screenshot": %s is a folder' % F,
      'step 3: "screenshot": no such folder: %s/none' % work,
      'step 4: "screenshot": no such folder: %s/none' % work]),
]
for content, wanted in STEPS:
    with open("bad.steps", "w") as file:
        file.write(content)
    got = run("steps", "bad.steps", "bad.steps", "out.json")
    expect("steps: " + content, got, (2, [], ["preview: bad.steps: " + line for line in wanted]))
# Accepted: every key name, one character of any script, Space's own " "; screenshots made
# absolute, in the current folder's terms.
good = [{"key": name} for name in check.KEYS + ["a", "7", ".", " ", "é", "😀"]] + [
    {"screenshot": "shots/two.png"}, {"screenshot": "three.png"}, {"crash": "browser"},
    {"waitTitle": "", "timeout": 0}]
with open("good.steps", "w") as file:
    json.dump(good, file)
code, out, err = run("steps", "good.steps", "good.steps", "out.json")
expect("steps: all good", (code, out, err),
       (0, [os.path.join(work, "shots", "two.png"), os.path.join(work, "three.png")], []))
if code == 0:
    written = json.load(open("out.json"))
    expect("steps: written", written[-4:-2], [{"screenshot": os.path.join(work, "shots", "two.png")},
                                              {"screenshot": os.path.join(work, "three.png")}])

# The names preview accepts are the names the engine presses.
source = open(os.path.join(ROOT, "tools", "engine-runtime", "step_keys.cpp")).read()
table = source[source.index("kKeys[] = {"):source.index("};", source.index("kKeys[] = {"))]
expect("keys: the engine's table", re.findall(r'\{"([^"]+)", "', table), check.KEYS)

# --help names every step preview takes, and only those.
usage = subprocess.run(["bash", os.path.join(ROOT, "scripts", "preview.sh"), "--help"],
                       capture_output=True, text=True).stdout
expect("help: steps", sorted(set(re.findall(r'\{"(\w+)":', usage))), sorted(check.ACTIONS))

if failures:
    print("\n".join("FAILED: " + failure for failure in failures))
    sys.exit(1)
print("preview-check: %d strict runs, %d steps files, keys and help as expected"
      % (len(STRICT) + 1, len(STEPS) + 1))
