#!/usr/bin/env python3
"""Compares the text of every subtitle that `caplin-cli text --json` prints for the real STL
files with what ttconv's STL reader makes of the same files.

    ttconv_compare.py CAPLIN_CLI STL_FOLDER

A subtitle's text is its rows joined with a space, runs of spaces as one, trimmed. Each
difference must be in KNOWN_DIFFERENCES with its reason; an unexplained one, or a known one
that no longer shows, fails. Exits 77 (skipped) when ttconv or the folder is missing.
"""

import io
import json
import os
import re
import subprocess
import sys

# Why the two readers may differ, each with the test that the difference is that one: the
# texts must agree once the fault is taken out.
REASONS = {
    "blank cells": (
        "ttconv keeps a space, or gives a control code a space, only when it stands alone "
        "between two printable characters: a run of two or more blank cells (spaces, control "
        "codes) vanishes and joins the words either side, which are apart on air",
        lambda mine, theirs: mine.replace(" ", "") == theirs.replace(" ", "")),
    "A4h": (
        "ttconv decodes A4h of table 00 as the currency sign, where the table has the dollar "
        "sign (its currency sign is A8h)",
        lambda mine, theirs: mine.replace("$", "\u00a4") == theirs),
}

# (file relative to STL_FOLDER, subtitle number): the reason the two readers differ there.
KNOWN_DIFFERENCES = {
    ("IRT-Open-Source__scf/requirement-0161-001.stl", 10): "blank cells",
    ("IRT-Open-Source__scf/requirement-0161-001.stl", 11): "blank cells",
    ("asticode__go-astisub/example-opn-in.stl", 1): "A4h",
    ("asticode__go-astisub/example-opn-in.stl", 2): "A4h",
    ("asticode__go-astisub/example-opn-in.stl", 3): "A4h",
    ("asticode__go-astisub/example-opn-in.stl", 4): "A4h",
    **{("sandflow__ttconv/requirement-%s.stl" % name, 1): "blank cells" for name in (
        "0061-002", "0061-004_modified", "0062-002_modified", "0062-004", "0071-001", "0072-001",
        "0074-001", "0077-001", "0077-002", "0079-001", "0079-003", "0079-005", "0079-006",
        "0080-001", "0080-003", "0081-001", "0081-003", "0082-001", "0082-003", "0083-001",
        "0083-003", "0084-001", "0084-003", "0085-001", "0085-003", "0086-001", "0087-001",
        "0091-001", "0091-002", "0091-003", "0091-004", "0091-005", "0091-006", "0091-007",
        "0091-008", "0091-009")},
}

SKIP = 77


def import_ttconv():
    """ttconv as Debian installs it, for whichever python3 runs this script."""
    try:
        import ttconv  # noqa: F401
    except ImportError:
        system = "/usr/bin/python3"
        if os.path.exists(system) and os.path.realpath(sys.executable) != os.path.realpath(system):
            os.execv(system, [system] + sys.argv)
        print("skipped: ttconv is not installed (apt-get install python3-ttconv)")
        sys.exit(SKIP)


def normalised(text):
    return re.sub(" +", " ", text).strip(" ")


def ttconv_texts(path):
    """[(subtitle number, text)] in the order ttconv's reader decodes them."""
    import logging

    from ttconv import model
    from ttconv.stl import datafile, tf

    logging.disable(logging.CRITICAL)
    texts = []
    number = [None]

    def text_of(element):
        parts = []
        for child in element:
            if isinstance(child, model.Br):
                parts.append(" ")
            elif isinstance(child, model.Text):
                parts.append(child.get_text())
            else:
                parts.append(text_of(child))
        return "".join(parts)

    original = tf.to_model

    def to_model(element, is_teletext, cct, text_field):
        scratch = model.P(element.get_doc())
        original(scratch, is_teletext, cct, text_field)
        texts.append((number[0], normalised(text_of(scratch))))

    tf.to_model = to_model
    try:
        with open(path, "rb") as f:
            data = datafile.DataFile(f.read(1024))
            while True:
                block = f.read(128)
                if len(block) < 128:
                    break
                number[0] = block[1] | (block[2] << 8)
                data.process_tti_block(block)
    finally:
        tf.to_model = original
    return texts


def caplin_texts(cli, paths):
    """{path: [(number, text)]} for the files caplin-cli opens."""
    run = subprocess.run([cli, "text", "--json"] + paths, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, check=False)
    entries = json.loads(run.stdout.decode("utf-8"))
    texts = {}
    for entry in entries:
        subtitles = []
        for s in entry["subtitles"]:
            rows = ["".join(span["text"] for span in row) for row in s["rows"]]
            subtitles.append((s["number"], normalised(" ".join(rows))))
        texts[entry["file"]] = subtitles
    return texts


def synthetic_file(path, table, texts):
    """An open subtitle file in table ("00" to "04"): one subtitle for each text (bytes)."""
    gsi = bytearray(b" " * 1024)
    gsi[0:16] = b"850STL25.010" + table.encode() + b"09"
    count = b"%05d" % len(texts)
    gsi[238:243] = count
    gsi[243:248] = count
    gsi[248:251] = b"001"
    blocks = bytearray()
    for number, text in enumerate(texts, 1):
        second = number % 60
        head = bytes([0, number & 0xFF, number >> 8, 0xFF, 0, 0, 0, second, 0, 0, 0, second, 10,
                      22, 2, 0])
        blocks += head + text + b"\x8f" * (112 - len(text))
    with open(path, "wb") as f:
        f.write(gsi + blocks)


# Each table's characters, one to a subtitle, and in table 00 each diacritical mark before
# each letter, the space and a digit.
def synthetic_texts(table):
    texts = [bytes([b]) for b in list(range(0x21, 0x80)) + list(range(0xA0, 0x100))
             if table != "00" or not 0xC1 <= b <= 0xCF]
    if table == "00":
        texts += [bytes([mark, letter]) for mark in range(0xC1, 0xD0)
                  for letter in b" 1ABCDEGHIJKLNORSTUWYZabcdeghijklnorstuwyz"]
    return texts


# The combining character of each diacritical mark of table 00 (C9h is the old umlaut).
COMBINING = dict(zip(range(0xC1, 0xD0), "\u0300\u0301\u0302\u0303\u0304\u0306\u0307\u0308"
                                         "\u0308\u030a\u0327\u0332\u030b\u0328\u030c"))

# (table, bytes) where ttconv decodes a character of its own, and why ours differs.
TABLE_DIFFERENCES = {
    ("00", b"\xa4"): "A4h",
    ("00", b"\xd0"): "ttconv decodes D0h as the em dash (U+2014); ISO 6937 has the horizontal bar "
                     "(U+2015) there",
    ("00", b"\xe2"): "ttconv decodes E2h as the capital eth (U+00D0); ISO 6937 has the capital D "
                     "with stroke (U+0110) there, whose small letter F2h both decode as U+0111",
    **{(table, b"\x7f"): "Python's codecs, which ttconv uses for tables 01 to 04, pass 7Fh (DEL) "
                         "through as a control character; it has no character to show"
       for table in ("01", "02", "03", "04")},
}


def lacking_in_ttconv(text, mine):
    """Where ttconv has no character for a text of table 00 (A6h, and a mark before anything
    its short list of pairs lacks), ours must be what Unicode composes of the two."""
    import unicodedata
    if text == b"\xa6":
        return mine == "#"
    if len(text) != 2 or text[0] not in COMBINING:
        return False
    if text[1:] == b" ":
        return len(mine) == 1 and unicodedata.category(mine) in ("Sk", "Sm", "Lm", "Pc")
    if text == b"\xc2g":
        return mine == "\u0123"  # ISO 6937 writes g with cedilla as acute and g
    return mine == unicodedata.normalize("NFC", chr(text[1]) + COMBINING[text[0]])


def compare_tables(cli):
    """{(table, bytes): (caplin, ttconv)} where the two decode a character differently."""
    import tempfile
    differences = {}
    with tempfile.TemporaryDirectory() as folder:
        for table in ("00", "01", "02", "03", "04"):
            path = os.path.join(folder, f"table{table}.stl")
            texts = synthetic_texts(table)
            synthetic_file(path, table, texts)
            mine = caplin_texts(cli, [path])[path]
            theirs = ttconv_texts(path)
            if len(mine) != len(texts) or len(theirs) != len(texts):
                differences[(table, b"")] = (f"{len(mine)} subtitles", f"{len(theirs)}")
                continue
            for text, (_, a), (_, b) in zip(texts, mine, theirs):
                if a != b:
                    differences[(table, text)] = (a, b)
    return differences


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    cli, folder = sys.argv[1], sys.argv[2]
    if not os.path.isdir(folder):
        print("skipped: no real STL files at " + folder)
        return SKIP
    import_ttconv()

    paths = sorted(os.path.join(root, name) for root, _, names in os.walk(folder)
                   for name in names if name.endswith(".stl"))
    ours = caplin_texts(cli, paths)
    differences = {}
    compared = 0
    notes = []
    for path in paths:
        if path not in ours:
            notes.append(f"{os.path.relpath(path, folder)}: caplin-cli does not open it")
            continue
        relative = os.path.relpath(path, folder)
        mine = ours[path]
        at = 0
        for number, theirs in ttconv_texts(path):
            # ttconv leaves out subtitles it cannot time; match each of its own by number.
            k = next((i for i in range(at, len(mine)) if mine[i][0] == number), None)
            if k is None:
                notes.append(f"{relative}: subtitle {number} only in ttconv")
                continue
            skipped = k - at
            if skipped:
                notes.append(f"{relative}: {skipped} subtitle(s) before {number} not in ttconv")
            at = k + 1
            compared += 1
            if mine[k][1] != theirs:
                differences[(relative, number)] = (mine[k][1], theirs)

    failed = False
    lacking = 0
    table_differences = compare_tables(cli)
    for (table, text), (mine, theirs) in sorted(table_differences.items()):
        reason = TABLE_DIFFERENCES.get((table, text))
        if reason is None and table == "00" and theirs == "\ufffd" and lacking_in_ttconv(text,
                                                                                        mine):
            lacking += 1
            continue
        print(f"{'known' if reason else 'DIFFERENT'}: table {table} bytes {text.hex()}: caplin "
              f"{mine!r}, ttconv {theirs!r}" + (f" ({reason})" if reason else ""))
        failed = failed or reason is None
    for key in sorted(set(TABLE_DIFFERENCES) - set(table_differences)):
        print(f"STALE: table {key[0]} bytes {key[1].hex()} is listed as different but is not")
        failed = True
    print(f"character tables 00 to 04: {len(table_differences)} differ, {lacking} of them where "
          "ttconv has no character and ours is Unicode's composition")
    for note in notes:
        print("note: " + note)
    for key, (mine, theirs) in sorted(differences.items()):
        reason = KNOWN_DIFFERENCES.get(key)
        explained = reason is not None and REASONS[reason][1](mine, theirs)
        print(f"{'known' if explained else 'DIFFERENT'}: {key[0]} subtitle {key[1]}"
              + (f" ({reason})" if reason else ""))
        print(f"    caplin: {mine!r}\n    ttconv: {theirs!r}")
        failed = failed or not explained
    for key in sorted(set(KNOWN_DIFFERENCES) - set(differences)):
        print(f"STALE: {key[0]} subtitle {key[1]} is listed as different but is not")
        failed = True
    for name, (text, _) in REASONS.items():
        print(f"reason \"{name}\": {text}")
    print(f"{compared} subtitles of {len(ours)} files compared, {len(differences)} differ "
          f"({len(differences) - sum(k in KNOWN_DIFFERENCES for k in differences)} unexplained)")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
