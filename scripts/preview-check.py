#!/usr/bin/env python3
"""The checks of scripts/preview.sh that are easier in Python; each prints a clear message and
exits 2 on bad input, never a traceback.

  preview-check.py steps GIVEN_PATH FILE OUT   checks a steps file and writes it to OUT, with
                                               screenshot paths made absolute (relative to the
                                               current folder); prints each screenshot path
  preview-check.py strict ENGINE_LOG           prints, one per line, what makes a run fail
                                               under --strict
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


# Each action: what its value must be, the members it may have besides, and what to say.
ACTIONS = {
    "click": (lambda v: isinstance(v, list) and len(v) == 2 and all(map(is_number, v)), (),
              "an [x, y] pair of numbers"),
    "key": (is_text, (), "a key name such as \"F11\" or \"a\""),
    "waitTitle": (lambda v: isinstance(v, str), ("timeout",), "a text"),
    "evaluate": (is_text, (), "a script"),
    "screenshot": (is_text, (), "a file name"),
    "wait": (lambda v: is_whole(v, 0, 3600000), (), "a whole number of milliseconds up to 3600000"),
    "close": (lambda v: v is True, (), "true"),
    "compare": (is_text, ("until",), "a URL"),
    "crash": (lambda v: v in ("renderer", "browser"), (), "\"renderer\" or \"browser\""),
}
MODIFIERS = {
    "timeout": (lambda v: is_whole(v, 0, 3600000), "a whole number of milliseconds up to 3600000"),
    "until": (lambda v: isinstance(v, str), "a script"),
}


def check_step(number, step):
    where = "step %d" % number
    if not isinstance(step, dict):
        raise Refused("%s is not an object: %s" % (where, json.dumps(step)))
    actions = [name for name in step if name in ACTIONS]
    if len(actions) > 1:
        raise Refused("%s holds more than one action (%s)"
                      % (where, ", ".join(json.dumps(name) for name in actions)))
    if not actions:
        found = ", ".join(json.dumps(name) for name in step) or "nothing"
        raise Refused("%s holds no known action (found %s); a step is one of %s"
                      % (where, found, ", ".join(ACTIONS)))
    action = actions[0]
    valid, allowed, expected = ACTIONS[action]
    if not valid(step[action]):
        raise Refused("%s: \"%s\" must be %s, not %s"
                      % (where, action, expected, json.dumps(step[action])))
    for name, value in step.items():
        if name == action:
            continue
        if name not in allowed:
            raise Refused("%s: \"%s\" does not go with \"%s\"" % (where, name, action))
        valid, expected = MODIFIERS[name]
        if not valid(value):
            raise Refused("%s: \"%s\" must be %s, not %s"
                          % (where, name, expected, json.dumps(value)))


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
    for number, step in enumerate(loaded, 1):
        try:
            check_step(number, step)
        except Refused as refused:
            raise Refused("%s: %s" % (given, refused))
        # The app runs from a copy that is deleted afterwards: a relative name means the folder
        # preview was started from.
        if "screenshot" in step:
            step["screenshot"] = os.path.abspath(step["screenshot"])
            print(step["screenshot"])
    with open(out, "w") as file:
        json.dump(loaded, file)


REQUEST = re.compile(r"^\d+ request (\S+) (\S+) .* -> (\d+) type=")
FAILED_STEP = re.compile(r"^\d+ (step .*) -> (failed|timed out|exception |unknown step|cannot write)")
BROWSER_FAVICON = re.compile(r"^\d+ (request GET https://[^/]+/favicon\.ico range=- context=Other -> 404 "
                             r"|console error: Failed to load resource: .* 404 .* https://[^/]+/favicon\.ico$)")
FINAL_SHOT = re.compile(r"^\d+ screenshot .* -> (failed|cannot write)")


def strict(log):
    """Reasons in order of kind: answers of 400 or more, uncaught exceptions, console errors,
    failed steps. At most three of a kind are named."""
    kinds = [("answer", "answers", "of 400 or more"), ("uncaught exception", "uncaught exceptions", ""),
             ("console error", "console errors", ""), ("step failed", "steps failed", "")]
    seen = {kind[0]: [] for kind in kinds}
    try:
        lines = open(log, encoding="utf-8", errors="replace").read().splitlines()
    except OSError:
        lines = []
    for line in lines:
        # The browser asks for /favicon.ico by itself when a page names no icon; a page is not
        # at fault when there is none.
        if BROWSER_FAVICON.match(line):
            continue
        match = REQUEST.match(line)
        if match and int(match.group(3)) >= 400:
            seen["answer"].append("%s %s -> %s" % match.groups())
        elif re.match(r"^\d+ uncaught exception: ", line):
            seen["uncaught exception"].append(line.split(": ", 1)[1].splitlines()[0])
        elif re.match(r"^\d+ console error: ", line):
            seen["console error"].append(line.split(": ", 1)[1])
        elif FAILED_STEP.match(line):
            seen["step failed"].append(line.split(" ", 1)[1])
        elif FINAL_SHOT.match(line):
            seen["step failed"].append(line.split(" ", 1)[1])
    for one, many, tail in kinds:
        found = seen[one]
        if not found:
            continue
        named = "; ".join(text if len(text) <= 160 else text[:157] + "..." for text in found[:3])
        more = " and %d more" % (len(found) - 3) if len(found) > 3 else ""
        print("%d %s%s (%s%s)" % (len(found), one if len(found) == 1 else many,
                                 " " + tail if tail else "", named, more))


def main(arguments):
    try:
        if arguments[:1] == ["steps"] and len(arguments) == 4:
            steps(*arguments[1:])
        elif arguments[:1] == ["strict"] and len(arguments) == 2:
            strict(arguments[1])
        else:
            raise Refused("usage: preview-check.py steps|strict ...")
    except Refused as refused:
        print("preview: %s" % refused, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
