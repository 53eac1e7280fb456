#!/usr/bin/env python3
"""Writes the cache-file fixtures (*.emf) of the MIME reader and template tests.

Cache files are Shift_JIS text with CR LF line ends: the info block, then the header and
body lines of the message as fetched. Run from anywhere; the files land next to this script.
"""
import base64
import os

HERE = os.path.dirname(os.path.abspath(__file__))
ESC = b"\x1b"


def sjis(text):
    return text.encode("cp932")


def jis(text):
    return text.encode("iso2022_jp")


def qp(data):
    """Quoted-printable form of bytes (no line breaking)."""
    out = []
    for b in data:
        if 0x21 <= b <= 0x7E and b != 0x3D:
            out.append(chr(b))
        else:
            out.append("=%02X" % b)
    return "".join(out).encode("ascii")


def info(sender="山田太郎", sender_adrs="taro@example.jp", to=(("鈴木花子", "hanako@example.jp"),),
         cc=(), subject="件名", attach=0, html=0):
    lines = ["---INFO ST---", "[XXX] %d 1 %s" % (attach, sender), "ID <fixture@example.jp>",
             "SD 2024/05/01(水) 10:00", "RD 2024/05/01(水) 10:05", "TP %d" % html, "AT %d" % attach,
             "FR %s<%s>" % (sender, sender_adrs), "F1 %s" % sender_adrs, "F2 %s" % sender]
    if to:
        for name, adrs in to:
            lines += ["TO %s" % (name or adrs), "T1 %s" % adrs, "T2 %s" % name]
    else:
        lines.append("TO 記述無し")
    if cc:
        for name, adrs in cc:
            lines += ["CC %s" % (name or adrs), "C1 %s" % adrs, "C2 %s" % name]
    else:
        lines.append("CC 記述無し")
    lines += ["FL DISP", "SZ 2KB", "ML FixtureMailer 1.0", "NO 1", "SB %s" % subject]
    return [sjis(l) for l in lines]


def write(name, info_lines, header, body):
    """header and body: lists of bytes lines (str lines are taken as ASCII)."""
    def b(l):
        return l if isinstance(l, bytes) else l.encode("ascii")
    lines = info_lines + [b"---HEAD ST---"] + [b(l) for l in header] + [b""] + [b"---BODY ST---"]
    lines += [b(l) for l in body]
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(b"\r\n".join(lines) + b"\r\n")


def common_header(content_type, extra=()):
    return ["Received: from mx.example.jp by pop.example.jp; Wed, 1 May 2024 10:05:00 +0900",
            "From: =?ISO-2022-JP?B?" + base64.b64encode(jis("山田太郎")).decode() + "?= <taro@example.jp>",
            "To: hanako@example.jp",
            "Subject: =?ISO-2022-JP?B?" + base64.b64encode(jis("件名")).decode() + "?=",
            " =?ISO-2022-JP?B?" + base64.b64encode(jis("続き")).decode() + "?="] + list(content_type) + \
           list(extra) + ["MIME-Version: 1.0"]


def single_jis():
    header = common_header(['Content-Type: text/plain; charset="ISO-2022-JP"', "Content-Transfer-Encoding: 7bit"])
    body = [jis("こんにちは。"), b"", b"", jis("本文の二行目です。"), b"End"]
    write("single_jis.emf",
          info(subject="会議abc資料", to=(("鈴木花子", "hanako@example.jp"), ("", "jiro@example.jp")),
               cc=(("佐藤", "sato@example.jp"),)), header, body)


def alternative():
    header = common_header(["Content-Type: multipart/alternative;", '\tboundary="alt-1"'])
    body = ["This is a multi-part message in MIME format.", "",
            "--alt-1", "Content-Type: text/plain; charset=ISO-2022-JP", "Content-Transfer-Encoding: 7bit", "",
            jis("本文です。"), "",
            "--alt-1", "Content-Type: text/html; charset=ISO-2022-JP", "Content-Transfer-Encoding: 7bit", "",
            b"<html><body>" + jis("本文です。") + b"</body></html>", "",
            "--alt-1--", ""]
    write("alternative.emf", info(to=(), html=1), header, body)


def nested():
    header = common_header(['Content-Type: multipart/alternative; boundary="outer"'])
    body = ["--outer", "Content-Type: text/plain; charset=ISO-2022-JP", "", jis("一"), "",
            "--outer", 'Content-Type: multipart/mixed; boundary="inner"', "",
            "--inner", "Content-Type: text/html; charset=ISO-2022-JP", "", b"<b>" + jis("二") + b"</b>", "",
            "--inner", 'Content-Type: application/octet-stream; name="x.bin"', "Content-Transfer-Encoding: base64",
            "", "AAECAw==", "",
            "--inner--", "",
            "--outer", "Content-Type: text/plain; charset=ISO-2022-JP", "", jis("三"), "",
            "--outer--"]
    write("nested.emf", info(), header, body)


def nested_last():
    # HTML with an inline image: the nested multipart is the last part of the outer one.
    header = common_header(['Content-Type: multipart/alternative; boundary="=_alt_02"'])
    body = ["--=_alt_02", "Content-Type: text/plain; charset=ISO-2022-JP", "", "plain", "",
            "--=_alt_02", 'Content-Type: multipart/related; boundary="=_rel_02"', "",
            "--=_rel_02", "Content-Type: text/html; charset=ISO-2022-JP", "", '<img src="cid:i1">', "",
            "--=_rel_02", 'Content-Type: image/png; name="image.png"', "Content-Transfer-Encoding: base64",
            "Content-ID: <i1>", "", "iVBORw0K", "",
            "--=_rel_02--", "",
            "--=_alt_02--", "", "epilogue"]
    write("nested_last.emf", info(html=1), header, body)


def attachments():
    header = common_header(['Content-Type: multipart/mixed; boundary="=_mix_01"'])
    word = "=?ISO-2022-JP?B?" + base64.b64encode(jis("資料.txt")).decode() + "?="
    body = ["--=_mix_01", "Content-Type: text/plain; charset=ISO-2022-JP", "", "see attached", "",
            "--=_mix_01", "Content-Type: application/octet-stream;",
            '\tname="C:\\Documents and Settings\\user\\a.txt"', "Content-Transfer-Encoding: base64", "",
            "YQ==", "",
            "--=_mix_01", 'Content-Type: application/octet-stream; name="%s"' % word,
            "Content-Transfer-Encoding: base64", "", "YQ==", "",
            "--=_mix_01", "Content-Type: application/pdf", "Content-Disposition: attachment; filename='b c.pdf'", "",
            "JVBERi0=", "",
            "--=_mix_01", "Content-Type: message/rfc822", "",
            "From: someone@example.jp", "Subject: inner", "", "inner body", "",
            "--=_mix_01--"]
    write("attachments.emf", info(attach=1), header, body)


def qp_jis():
    header = common_header(['Content-Type: multipart/mixed; boundary="=_qp_01"'])
    t = jis("日本語の出口です")  # 出 is 0x3D 0x50 in JIS: its first byte is "=3D" in quoted-printable
    run = t[3:-3]
    pairs = [run[i:i + 2] for i in range(0, len(run), 2)]
    lines = [qp(ESC + b"$B" + pairs[0] + pairs[1]) + b"=",         # soft break between two pairs
             qp(pairs[2] + pairs[3] + pairs[4][:1]) + b"=",        # cut after the "=3D" first byte of 出
             qp(pairs[4][1:] + pairs[5] + pairs[6][:1]) + b"=",    # cut inside the pair of で
             qp(pairs[6][1:] + pairs[7] + ESC + b"(B"),
             b"ABC=1B=",                                             # soft break right after an ESC
             qp(b"$B" + jis("春")[3:5] + ESC + b"(B"),
             b"XY=1B$=",                                             # an ESC and one byte before it
             qp(b"B" + jis("夏")[3:5] + ESC + b"(B")]
    body = ["--=_qp_01", "Content-Type: text/plain; charset=ISO-2022-JP", "Content-Transfer-Encoding: quoted-printable",
            ""] + lines + ["", "--=_qp_01--"]
    write("qp_jis.emf", info(), header, body)


def qp_cut(data, cuts):
    """Quoted-printable lines of `data` cut at the byte offsets `cuts` by soft breaks."""
    bounds = [0] + list(cuts) + [len(data)]
    pieces = [qp(data[a:b]) for a, b in zip(bounds, bounds[1:])]
    return [p + b"=" for p in pieces[:-1]] + pieces[-1:]


def qp_multibyte():
    header = common_header(['Content-Type: multipart/mixed; boundary="=_qpm_01"'])
    # Soft breaks inside characters: after one and after two bytes of a UTF-8 character, one
    # character over three lines, after the first byte of an EUC-JP and a Shift_JIS pair (表
    # has the trail byte 0x5C), and between characters.
    utf8 = qp_cut("こんにちは世界".encode("utf-8"), [4, 8, 15, 16, 17])
    euc = qp_cut("日本語のテキスト".encode("euc_jp"), [3, 7, 8, 11])
    sj = qp_cut(sjis("表示の出口"), [1, 5, 6])
    body = []
    for charset, lines in (("UTF-8", utf8), ("EUC-JP", euc), ("Shift_JIS", sj)):
        body += ["--=_qpm_01", "Content-Type: text/plain; charset=" + charset,
                 "Content-Transfer-Encoding: quoted-printable", ""] + lines + [""]
    body.append("--=_qpm_01--")
    write("qp_multibyte.emf", info(), header, body)


def base64_jis():
    header = common_header(['Content-Type: multipart/mixed; boundary="=_b64_01"'])
    run = jis("日本語のテキスト")[3:-3]
    p = [run[i:i + 2] for i in range(0, len(run), 2)]
    chunks = [b"AB" + ESC + b"$B" + p[0] + p[1],             # ends inside a double-byte run
              p[2] + p[3][:1],                               # ends inside a pair
              p[3][1:] + p[4] + ESC + b"(B" + b"O\r\n",
              b"CD" + ESC,                                   # ends with an ESC
              b"$B" + p[5] + ESC + b"(B" + b"\r\n",
              b"E" + ESC + b"$",                             # ESC and one byte of its sequence
              b"B" + p[6] + ESC + b"(B" + b"G\r\n"]
    for c in chunks:
        assert len(c) % 3 == 0, c
    body = ["--=_b64_01", "Content-Type: text/plain; charset=ISO-2022-JP", "Content-Transfer-Encoding: base64", ""]
    body += [base64.b64encode(c) for c in chunks] + ["", "--=_b64_01--"]
    write("base64_jis.emf", info(), header, body)


def utf():
    header = common_header(['Content-Type: multipart/mixed; boundary="=_utf_01"'])
    body = ["--=_utf_01", "Content-Type: text/plain; charset=UTF-8", "Content-Transfer-Encoding: base64", "",
            base64.b64encode("こんにちは世界\r\n".encode("utf-8")), "",
            "--=_utf_01", 'Content-Type: text/plain; charset="utf-8"', "Content-Transfer-Encoding: 8bit", "",
            "日本語".encode("utf-8"), "",
            "--=_utf_01", "Content-Type: text/plain; charset=UTF-7", "", "こんにちは".encode("utf-7"), "",
            "--=_utf_01--"]
    write("utf.emf", info(), header, body)


def dsn():
    header = common_header(["Content-Type: multipart/report; report-type=delivery-status;", '\tboundary="=_rep_01"'])
    body = ["--=_rep_01", "Content-Type: text/plain; charset=us-ascii", "", "Delivery failed.", "",
            "--=_rep_01", "Content-Type: message/delivery-status", "",
            "Reporting-MTA: dns; mx.example.jp", "", "Final-Recipient: rfc822; nobody@example.jp",
            "Action: failed", "",
            "--=_rep_01", "Content-Type: message/rfc822", "",
            "From: taro@example.jp", "Subject: original", "", "original body", "",
            "--=_rep_01--"]
    write("dsn.emf", info(), header, body)


def truncated():
    header = common_header(['Content-Type: multipart/mixed; boundary="=_trunc_01"'])
    body = ["--=_trunc_01", "Content-Type: text/plain; charset=ISO-2022-JP", "", "first", "",
            "--=_trunc_01", "Content-Type: text/plain; charset=ISO-2022-JP", "", "second 1", "second 2"]
    write("truncated.emf", info(), header, body)


def many_parts():
    header = common_header(['Content-Type: multipart/mixed; boundary="=_many_01"'])
    body = []
    for i in range(1, 81):
        body += ["--=_many_01", "Content-Type: text/plain", "", "part %d" % i, ""]
    body += ["--=_many_01", 'Content-Type: application/octet-stream; name="last.bin"', "", "x", "", "--=_many_01--"]
    write("many_parts.emf", info(), header, body)


if __name__ == "__main__":
    for make in (single_jis, alternative, nested, nested_last, attachments, qp_jis, qp_multibyte, base64_jis, utf, dsn, truncated, many_parts):
        make()
