#!/usr/bin/env python3
"""Writes the small generated seeds of fuzz/corpus/. Run from anywhere; rewrites the files."""
import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
DATA = os.path.join(HERE, "..", "tests", "data")


def put(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("latin-1"))


def field(gsi, offset, width, value):
    gsi[offset:offset + width] = b" " * width
    value = value.encode("latin-1")[:width]
    gsi[offset:offset + len(value)] = value


def gsi(subtitles, blocks=None, dfc="STL25.01"):
    g = bytearray(b" " * 1024)
    for offset, width, value in [(0, 3, "850"), (3, 8, dfc), (11, 1, "1"), (12, 2, "00"),
                                 (14, 2, "09"), (16, 32, "Programme"), (208, 16, "TAPE0001"),
                                 (224, 6, "110523"), (230, 6, "110524"), (236, 2, "01"),
                                 (238, 5, "%05d" % (subtitles if blocks is None else blocks)),
                                 (243, 5, "%05d" % subtitles), (248, 3, "001"), (251, 2, "40"),
                                 (253, 2, "23"), (255, 1, "1"), (256, 8, "10000000"),
                                 (264, 8, "10000000"), (272, 1, "1"), (273, 1, "1"),
                                 (274, 3, "GBR")]:
        field(g, offset, width, value)
    return bytes(g)


def tti(number, text, ebn=0xFF):
    t = bytearray(b"\x8f" * 128)
    t[0:5] = bytes([0, number & 0xFF, number >> 8, ebn, 0])
    t[5:16] = bytes(range(5, 16))
    raw = text.encode("latin-1")[:112]
    t[16:16 + len(raw)] = raw
    return bytes(t)


def stl_seeds():
    seeds = {
        "two-blocks.stl": gsi(2) + tti(1, "Hello\x8aworld") + tti(2, "\x8a\x8aBye"),
        "zero-page.stl": gsi(2) + tti(0, "ZERO PAGE") + tti(1, "text \x20\x8a"),
        "user-data.stl": gsi(2) + tti(1, "a\x8ab") + tti(1, "\x8a\x8a", ebn=0xFE),
        "blocks-above-subtitles.stl": gsi(1, blocks=3) + tti(1, "one", 0) + tti(1, "two", 1)
        + tti(1, "three"),
        "thirty-fps.stl": gsi(1, dfc="stl30.01") + tti(1, "x"),
        "no-blocks.stl": gsi(0),
        "short-last-block.stl": gsi(2) + tti(1, "a") + tti(2, "b")[:60],
    }
    for name, data in seeds.items():
        for target in ("stl_reader", "convert", "qc", "text"):
            put(target, name, data)
    # Every kind of text code: the five tables, marks, teletext and open subtitle styles,
    # extension blocks out of order, unused space in the middle.
    codes = "".join(chr(c) for c in range(0x20)) + "\xc2e\xc8\x8a\xc1" + "".join(
        chr(c) for c in range(0x80, 0x8f)) + "\xa4\xc0\x7f"
    for table in ("00", "01", "02", "03", "04", "7 "):
        g = bytearray(gsi(4, blocks=5))
        field(g, 12, 2, table)
        put("text", "table-%s.stl" % table.strip(), bytes(g) + tti(1, codes, 1) + tti(1, "\xc3", 0)
            + tti(1, "a\x8fb\x8f") + tti(2, "\x0b\x0b\x80it\x81\x8a\x8a\x0d\x1dx" * 10, 0)
            + tti(1, "back"))
    for name in sorted(os.listdir(DATA)):
        if name.endswith(".stl"):
            for target in ("stl_reader", "convert", "qc", "text"):
                shutil.copy(os.path.join(DATA, name), os.path.join(CORPUS, target, name))


def playlist_seeds():
    put("playlist", "two-clips.ply",
        "#TAPEID T0012345\n\"CLIP_A\";0.00;1500.00\n#TAPEID T0012346\n\"CLIP_B\";1500.00;1530.00\n")
    put("playlist", "crlf-remarks.ply",
        "remark\r\n#TAPEID T1\r\n\r\n  \"x\r\n\"A\";  1.5 ; 4 ;x\r\n#TAPEID T2\r\n\"a\";0;1")
    put("playlist", "odd-fields.ply", "#TAPEID\n\";0;1\n#TAPEID \n\"B\";1e308;-1e308\n\"C\"\n")
    put("playlist", "nul-and-cr.ply", "#TAPEID T\x001\r\"A\";0;1\r\n#TAPEID T2\n\"\x00\";nan;inf\n")


def settings_seeds():
    utf8 = ("Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\Batch]\n"
            "\"DestinationFolder\"=\"/srv/out \\\"q\\\" \\\\x\"\n"
            "\"TapeIDSource\"=dword:00000002\n"
            "\"ClipsDurationThreasholdSeconds\"=hex:00,00,00,00,\\\n  00,00,29,40\n"
            "; comment\n\n"
            "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\Batch\\HexFindReplace]\n"
            "\"HexFindReplace_Count\"=dword:00000001\n"
            "[HKEY_CURRENT_USER\\Software\\Velmora\\Caplin\\Empty]\n")
    put("settings", "utf8.reg", utf8)
    put("settings", "bom-crlf.reg", b"\xef\xbb\xbf" + utf8.replace("\n", "\r\n").encode("latin-1"))
    put("settings", "utf16le.reg", b"\xff\xfe" + utf8.replace("\n", "\r\n").encode("utf-16-le"))
    put("settings", "regedit4.reg",
        "REGEDIT4\n[HKEY_CURRENT_USER\\a\\\\b\\]\n\"@\"=\"\"\n\"x\"=dword:ffffffff\n"
        "\"bad\"=dword:zz\n\"h\"=hex:\n\"\"=\"empty name\"\nnot a value\n[broken\n")
    put("settings", "not-settings.reg", "just text\n")
    put("settings", "names-differ-in-case.reg",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\K]\n\"A\"=\"1\"\n\"a\"=dword:1\n"
        "[HKEY_CURRENT_USER\\k]\n\"B\"=hex:01\n")


def hex_seeds():
    def item(num, find, replace):
        return bytes([num]) + struct.pack("<ii", find, replace)
    text = b"Hello\x8a\x8aworld\x8a" + b"\x8f" * 20
    put("hex", "one-byte.bin", bytes([1]) + item(0, 0x8A, 0x20) + text)
    put("hex", "pairs.bin", bytes([3]) + item(1, 0x8A8A, 0x0D0A) + item(0, 0x8F, 0x00)
        + item(1, 0x0000, 0xFFFF) + text)
    put("hex", "invalid-item.bin", bytes([2]) + item(0x83, 0x8A, 0x20) + item(0, 1, 2) + text)
    put("hex", "wide-values.bin", bytes([1]) + item(0x41, -1, 0x12345678) + b"\xff\xff\x00")


if __name__ == "__main__":
    stl_seeds()
    playlist_seeds()
    settings_seeds()
    hex_seeds()
