"""Reads an exported session the way a reviewer's tools would: Python's csv and json modules.

Usage: check_export.py DIR QUESTION. Exits non-zero, saying why, on the first fault."""
import csv
import datetime
import json
import pathlib
import sys

out = pathlib.Path(sys.argv[1])
question = sys.argv[2]


def fail(why):
    sys.exit(f"export: {why}")


def table(name):
    raw = (out / f"{name}.csv").read_bytes()
    if not raw.startswith(b"\xef\xbb\xbf"):
        fail(f"{name}.csv has no byte-order mark")
    if not raw.endswith(b"\r\n"):
        fail(f"{name}.csv does not end with CR LF")
    with open(out / f"{name}.csv", newline="", encoding="utf-8-sig") as f:
        rows = list(csv.reader(f))
    for i, row in enumerate(rows):
        if len(row) != len(rows[0]):
            fail(f"{name}.csv row {i} has {len(row)} fields, the header {len(rows[0])}")
    return rows[0], rows[1:]


def iso(text):
    t = datetime.datetime.fromisoformat(text)
    if t.utcoffset() is None:
        fail(f"{text} has no UTC offset")
    return t


doc = json.loads((out / "session.json").read_text(encoding="utf-8"))
head, ticks = table("tick")
if "cha [counts]" not in head or "freq_a [Hz]" not in head or "temperature [°F]" not in head:
    fail(f"tick.csv header without units: {head}")
if len(ticks) != len(doc["tick"]) or not ticks:
    fail(f"{len(ticks)} ticks in the CSV, {len(doc['tick'])} in the JSON")
times = [iso(row[head.index("time [ISO 8601]")]) for row in ticks]
if times != sorted(times):
    fail("tick times out of order")
head, words = table("word")
if [row[head.index("entry")] for row in words] != [w["entry"] for w in doc["word"]]:
    fail("the words of the CSV and of the JSON differ")
head, questions = table("question")
if questions[0][head.index("text")] != question or doc["question"][0]["text"] != question:
    fail(f"the question came back as {questions[0][head.index('text')]!r}")
iso(doc["session"]["start"])
head, reports = table("raw_report")
if len(reports) != len(doc["raw_report"]) or any(len(r[head.index("report [9 bytes, hex]")]) not in (0, 18) for r in reports):
    fail("raw reports are not 9 bytes each")
head, baseline = table("baseline")
session_row = [r for r in baseline if r[0] == "" and r[1] == "all"]
if len(session_row) != 1 or float(session_row[0][head.index("observed_words")]) != len(words):
    fail(f"the baseline's session row does not count the {len(words)} words: {baseline}")
if [w["entry"] for w in doc["word"]] and not doc["baseline"]:
    fail("the JSON has no baseline")
print("export: every check passed")
