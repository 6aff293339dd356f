#!/usr/bin/env python3
"""Writes the seed inputs of every fuzz target into corpora/<target>/, from
the same kinds of data the tests use. Run again after changing it; inputs the
fuzzers found (regressions) live beside the seeds under names of their own."""
import io
import os
import struct
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    folder = os.path.join(HERE, "corpora", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("latin-1")
    with open(os.path.join(folder, "seed-" + name), "wb") as f:
        f.write(data)


def lobby():
    nul = "\0"
    login = [
        "USER 1 me 127.0.0.1 user 1 00-11", "USER 2 alice 10.0.0.2 admin 2 m2",
        "USER 3 bob 10.0.0.3 mod 3 m3", "USER 4 big_bob 10.0.0.4 user 4 m4",
        "USERSTATE 2 HOST 4 NONE", "USERSTATE 3 CLIENT 2 1", "USERSTATE 4 CLIENT 2",
        "USERSTATUS 3 away", "GAME 2 Big\xffGame", "MAPPACKOK 3 TRUE", "MODPACKOK 3 FALSE",
        "NWROOM 1 war_room alice NONE", "NWROOM 2 secret bob pw", "ENDUSERS",
        "MOTDLINE Welcome\xffhere", "MSG alice hi\xff:)\xffthere 0 0", "CLAN bob clan\xffline 0 1",
        "ME alice waves 0 0", "PUBMSG notice\xfftext", "MAPPACK 2 1234ABCD mypack 3",
        "MODPACK 2 OFF", "CONSTANT 2 TRUE", "FRIENDLY 2 TRUE", "USECUSTOMPALS 2 TRUE",
        "BLUE 2 255 65280 16711680 0", "RED 2 1 2 3 4", "USERSTATE 3 IDLE", "USERSTATE 2 GAMING",
        "USER 2 NONE 10.0.0.2 admin 2 m2",
    ]
    # Two header bytes: own slot and the split point / box answers.
    put("lobby", "login", "\x01\x07" + nul.join(login) + nul)
    put("lobby", "own-host", "\x01\x03" + nul.join([
        "USER 1 me 127.0.0.1 user 1 m", "USER 5 gina 1.1.1.1 user 5 m", "USERSTATE 1 HOST 3 NONE",
        "USERSTATE 5 CLIENT 1 2", "MAPPACK 1 OFF", "USERSTATE 5 IDLE", "USERSTATE 1 WARPHOST 2 pw",
        "USERSTATE 1 BEIDLE"]) + nul)
    put("lobby", "rooms", "\x00\x00" + nul.join([
        "NWROOM 32767 last x NONE", "NWROOM 0 main x NONE", "NWROOM -1 neg x NONE",
        "NWROOM 5 five x NONE", "MSG x hi 0 5", "MSG x hi 0 32768", "MSG x hi 0 1.5"]) + nul)


def kaf_archive(files, spare=2):
    num = len(files) + spare - 1
    header = struct.pack("<i", num)
    data_start = 4 + (num + 1) * 281
    table = b""
    blobs = b""
    for name, blob in files:
        offset = data_start + len(blobs) + 1
        rec = name.ljust(255, b"\0") + b"2026-12-10" + b"12:00:00" + struct.pack("<ii", offset, len(blob))
        table += rec
        blobs += blob
    for _ in range(spare):
        table += b"\0" * 255 + b" " * 18 + struct.pack("<ii", 0, 0)
    return header + table + blobs


def kaf():
    archive = kaf_archive([(b"mappack.txt", b"LEVEL:\r\nOne\r\n"), (b"levl2001.dat", b"\x01\x02\x03"),
                           (b"levl2001.hdr", b"H" * 100)])
    # Archive, NUL, then operations (op byte + argument) split at 0x01.
    put("kaf", "archive", archive)
    put("kaf", "ops", archive + b"\0" + b"\x00new.txt\x01\x01levl2001.dat\x01\x02\x01\x03\x05\x01\x04mappack.txt")
    put("kaf", "empty", kaf_archive([], spare=1))


def zips():
    def build(entries, comment=b""):
        buf = io.BytesIO()
        with zipfile.ZipFile(buf, "w") as z:
            for name, data, compress in entries:
                info = zipfile.ZipInfo(name, date_time=(2026, 12, 10, 12, 0, 0))
                info.compress_type = zipfile.ZIP_DEFLATED if compress else zipfile.ZIP_STORED
                z.writestr(info, data)
            z.comment = comment
        return buf.getvalue()
    plain = build([("top.txt", b"top", False), ("sub/", b"", False), ("sub/inner.txt", b"inner" * 20, True),
                   ("old.txt", b"new", False), ("with space.txt", b"s", False)], b"comment")
    hostile = build([("../escape.txt", b"x", False), ("out/keep.txt", b"x", False), ("keep.txt", b"x", False)])
    # Two option bytes, then the archive.
    for n, opts in enumerate([b"\x03\x00", b"\x13\x10", b"\x02\x01", b"\x02\x02", b"\x2e\x03", b"\xff\x0c"]):
        put("unzip", "plain-%d" % n, opts + plain)
    put("unzip", "hostile", b"\x03\x00" + hostile)
    put("zipname", "names", b"sub/inner.txt")
    put("zipname", "dots", b"a/../b")
    put("zipname", "win", b"C:\\x\\..\\y")


def texts():
    put("texts", "servers", "newserver\r\nMain lobby\r\nlobby.example.org\r\n8001\r\nNEWSERVER x\nb\nhost\n70000\n")
    put("texts", "version", "Zorbel1\0Zorbel1\r\n1.0.10\r\nhttp://host/zorbel.zip\r\nupdater\r\n1.0\r\nu.zip\r\n"
        "\0Zorbel\r\n1.2\r\nhttp://x/u.zip\r\n/opt/zorbel/Zorbel1\r\n")


def ini():
    put("ini", "qx", "[SECTION=GENERAL]\r\nwebhost=http://x\r\n[EOS]\r\n[SECTION=PATHS]\r\nLAUNCHER=wine\r\n[EOS]\r\n"
        "\0paths\0launcher\0wine64\0")
    put("ini", "link", "[SECTION=A]\nK=v\n\0a\0k\0new\r\nvalue\0link")


def systemreg():
    put("systemreg", "reg", "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n\n"
        "[Software\\\\Bullfrog Productions Ltd\\\\Populous: The Beginning] 1\n"
        "\"InstallPath\"=\"C:\\\\Games\\\\Populous\"\n@=\"default\"\n\"D\"=dword:0000001f\n"
        "\"E\"=str(2):\"%SystemRoot%\\x41\\101\"\n\"Blob\"=hex:00,01,\\\n  02,03\n")


def manifest():
    put("manifest", "mappack", "LEVEL:\r\nFirst level\r\nDAT:maps\\levl2001.dat\r\nHDR:levl2001.hdr\r\n"
        "CREATOR:me\r\n\r\nLANG:720:Name\r\n")
    put("manifest", "modpack", "creator\r\ntitle\r\nEXTRASRC:tex.dat\r\nEXTRADST:data\\tex.dat\r\n")
    put("manifest", "header", "H" * 120)


def journal():
    put("journal", "map", "COPY\r\n@P/backup/levl2001.dat\r\n@G/levels/levl2001.dat\r\nDELETE\r\n"
        "@G/levels/new.dat\r\nCOPY\r\n@P/backup/x\r\n@G/out/keep.txt\r\nDELETE\r\n@G/keep.txt\r\n"
        "DELETE\r\n@W/../outside/keep.txt\r\n\x01DELETE\r\n@G/levels/levl2001.hdr\r\n\x01x\x01y")


def langpal():
    lang = "".join(ch + "\0" for ch in "line") + "\0\0" + "".join(ch + "\0" for ch in "two") + "\0\0"
    put("langpal", "lang", "\x05Text\0" + lang)
    put("langpal", "palette", bytes(range(256)) * 4 + b"tail")


def chatlog():
    put("chatlog", "smileys", ":\x01)\x01 :( :D\x01\x02:p\x01;)\r\n:glass:\x01|:|\0bad\r\nword\r\n\x01a BAD wordy line")
    put("chatlog", "long", ":)" * 500 + "\0x\x01" + "x" * 300)


for make in (lobby, kaf, zips, texts, ini, systemreg, manifest, journal, langpal, chatlog):
    make()
