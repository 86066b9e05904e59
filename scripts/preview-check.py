#!/usr/bin/env python3
"""The checks of scripts/preview.sh that are easier in Python; each prints a clear message and
exits 2 on bad input, never a traceback.

  preview-check.py steps GIVEN_PATH FILE OUT   checks a steps file and writes it to OUT, with
                                               screenshot paths made absolute (relative to the
                                               current folder); prints each screenshot path.
                                               Every bad step is named, one a line.
  preview-check.py strict ENGINE_LOG STEPS STAGING_ERRORS SCREENSHOT
                                               prints, one per line, what makes a run fail
                                               under --strict: STEPS is the checked steps file
                                               (OUT above), STAGING_ERRORS what the packager
                                               said while laying out the copy (a missing file:
                                               nothing), SCREENSHOT the --screenshot file (or "")
"""
import json
import os
import re
import sys


class Refused(Exception):
    pass


def is_whole(value, low, high):
    return isinstance(value, int) and not isinstance(value, bool) and low <= value <= high


def is_number(value):
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def is_text(value):
    return isinstance(value, str) and value != ""


# The engine's named keys (tools/engine-runtime/step_keys.cpp); besides, any one character.
KEYS = ["Enter", "Escape", "Space", "Tab", "Backspace", "Delete", "Insert", "Home", "End",
        "PageUp", "PageDown", "ArrowLeft", "ArrowRight", "ArrowUp", "ArrowDown", "Shift",
        "Control", "Alt"] + ["F%d" % n for n in range(1, 13)]


def is_key(value):
    if not isinstance(value, str):
        return False
    if value in KEYS:
        return True
    # One character that types something: no control character, no half of a surrogate pair.
    return len(value) == 1 and not (ord(value) < 0x20 or 0x7F <= ord(value) < 0xA0
                                    or 0xD800 <= ord(value) <= 0xDFFF)


# Each action: what its value must be, the members it may have besides, and what to say.
ACTIONS = {
    "click": (lambda v: isinstance(v, list) and len(v) == 2 and all(map(is_number, v)), (),
              "an [x, y] pair of numbers"),
    "key": (is_key, (), "one character or a key name (%s)" % ", ".join(KEYS)),
    "waitTitle": (lambda v: isinstance(v, str), ("timeout",), "a text"),
    "evaluate": (is_text, (), "a script"),
    "screenshot": (is_text, (), "a file name"),
    "wait": (lambda v: is_whole(v, 0, 3600000), (), "a whole number of milliseconds up to 3600000"),
    "close": (lambda v: v is True, (), "true"),
    "crash": (lambda v: v in ("renderer", "browser"), (), "\"renderer\" or \"browser\""),
}
MODIFIERS = {
    "timeout": (lambda v: is_whole(v, 0, 3600000), "a whole number of milliseconds up to 3600000"),
}


def check_step(number, step):
    """What is wrong with one step, or None."""
    where = "step %d" % number
    if not isinstance(step, dict):
        return "%s is not an object: %s" % (where, json.dumps(step))
    actions = [name for name in step if name in ACTIONS]
    if len(actions) > 1:
        return "%s holds more than one action (%s)" % (where, ", ".join(map(json.dumps, actions)))
    if not actions:
        found = ", ".join(json.dumps(name) for name in step) or "nothing"
        return "%s holds no known action (found %s); a step is one of %s" % (
            where, found, ", ".join(ACTIONS))
    action = actions[0]
    valid, allowed, expected = ACTIONS[action]
    if not valid(step[action]):
        return "%s: \"%s\" must be %s, not %s" % (where, action, expected, json.dumps(step[action]))
    for name, value in step.items():
        if name == action:
            continue
        if name not in allowed:
            return "%s: \"%s\" does not go with \"%s\"" % (where, name, action)
        valid, expected = MODIFIERS[name]
        if not valid(value):
            return "%s: \"%s\" must be %s, not %s" % (where, name, expected, json.dumps(value))
    if action == "screenshot":
        # The app runs from a copy that is deleted afterwards: a relative name means the folder
        # preview was started from.
        path = os.path.abspath(step["screenshot"])
        if os.path.isdir(path):
            return "%s: \"screenshot\": %s is a folder" % (where, path)
        folder = path if step["screenshot"].endswith("/") else os.path.dirname(path)
        if not os.path.isdir(folder):
            return "%s: \"screenshot\": no such folder: %s" % (where, folder)
        step["screenshot"] = path
    return None


def steps(given, path, out):
    try:
        with open(path, "rb") as file:
            text = file.read().decode("utf-8-sig")
    except UnicodeDecodeError:
        raise Refused("%s: not UTF-8 text" % given)
    except OSError as error:
        raise Refused("%s: cannot be read (%s)" % (given, error.strerror))
    try:
        loaded = json.loads(text)
    except ValueError as error:
        raise Refused("%s: not valid JSON (line %d, column %d: %s)"
                      % (given, error.lineno, error.colno, error.msg))
    if not isinstance(loaded, list):
        raise Refused("%s: must hold a JSON array of steps, not %s"
                      % (given, type(loaded).__name__.replace("dict", "an object")))
    wrong = [problem for problem in (check_step(n, step) for n, step in enumerate(loaded, 1))
             if problem]
    if wrong:
        raise Refused("\npreview: ".join("%s: %s" % (given, problem) for problem in wrong))
    for step in loaded:
        if "screenshot" in step:
            print(step["screenshot"])
    with open(out, "w") as file:
        json.dump(loaded, file)


def read_lines(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as file:
            return file.read().splitlines()
    except OSError:
        return []


# "MS request METHOD URL range=R context=C -> STATUS type=..." for an answered request.
REQUEST = re.compile(r"^\d+ request (\S+) (\S+) range=\S* context=\S+ -> (\d+) type=")
# The browser asks for /favicon.ico by itself when a page names no icon (once or more, in any
# context); a page is not at fault when the app has none.
FAVICON = "https://quorvane.localhost/favicon.ico"
FAVICON_ERROR = ("Failed to load resource: the server responded with a status of 404 (Not Found) "
                 + FAVICON)
# How a step that went wrong ends; anything else (ok, saved N bytes, an evaluated JSON value)
# went as asked.
FAILURES = ("failed", "timed out", "exception ", "unknown ", "cannot write")


def step_lines(lines):
    """(step as logged, outcome) for each "MS step {...} -> OUTCOME" line, in order. The step is
    read as the JSON it is, so its own text (a script holding " -> failed") is never taken for
    the outcome."""
    found = []
    decoder = json.JSONDecoder()
    for line in lines:
        match = re.match(r"^\d+ step (?=\{)", line)
        if not match:
            continue
        try:
            step, end = decoder.raw_decode(line, match.end())
        except ValueError:
            continue
        if line.startswith(" -> ", end):
            found.append((line[match.end():end], line[end + 4:]))
    return found


def strict(log, steps_file, staging_errors, screenshot):
    """Reasons in order of kind, at most three of a kind named."""
    kinds = [("manifest warning", "manifest warnings"), ("answer of 400 or more", "answers of 400 or more"),
             ("uncaught exception", "uncaught exceptions"), ("console error", "console errors"),
             ("step failed", "steps failed"), ("step did not run", "steps did not run")]
    seen = {kind[0]: [] for kind in kinds}
    for line in read_lines(staging_errors):
        if ": warning: " in line:
            seen["manifest warning"].append(line.split(": warning: ", 1)[1])
    lines = read_lines(log)
    for line in lines:
        match = REQUEST.match(line)
        if match:
            method, url, status = match.groups()
            if int(status) >= 400 and not (method == "GET" and url == FAVICON and status == "404"):
                seen["answer of 400 or more"].append("%s %s -> %s" % (method, url, status))
        elif re.match(r"^\d+ uncaught exception: ", line):
            seen["uncaught exception"].append(line.split(": ", 1)[1])
        elif re.match(r"^\d+ console error: ", line):
            text = line.split(": ", 1)[1]
            if text != FAVICON_ERROR:
                seen["console error"].append(text)
    try:
        with open(steps_file, encoding="utf-8") as file:
            given = json.load(file)
    except (OSError, ValueError):
        given = []
    ran = step_lines(lines)
    for number, (step, outcome) in enumerate(ran, 1):
        if outcome.startswith(FAILURES):
            seen["step failed"].append("step %d %s -> %s" % (number, step, outcome))
        elif (number <= len(given) and isinstance(given[number - 1], dict)
              and "screenshot" in given[number - 1]
              and not os.path.isfile(given[number - 1]["screenshot"])):
            seen["step failed"].append("step %d %s -> %s, but no such file" % (number, step, outcome))
    for number in range(len(ran) + 1, len(given) + 1):
        seen["step did not run"].append(
            "step %d %s" % (number, json.dumps(given[number - 1], separators=(",", ":"),
                                               sort_keys=True, ensure_ascii=False)))
    for one, many in kinds:
        found = seen[one]
        if not found:
            continue
        named = "; ".join(text if len(text) <= 160 else text[:157] + "..." for text in found[:3])
        more = " and %d more" % (len(found) - 3) if len(found) > 3 else ""
        print("%d %s (%s%s)" % (len(found), one if len(found) == 1 else many, named, more))
    if screenshot and not os.path.isfile(screenshot):
        print("no screenshot was taken")


def main(arguments):
    try:
        if arguments[:1] == ["steps"] and len(arguments) == 4:
            steps(*arguments[1:])
        elif arguments[:1] == ["strict"] and len(arguments) == 5:
            strict(*arguments[1:])
        else:
            raise Refused("usage: preview-check.py steps|strict ...")
    except Refused as refused:
        print("preview: %s" % refused, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
