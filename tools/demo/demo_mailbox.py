#!/usr/bin/env python3
"""Writes the demo mailbox: sample Japanese mails as a server would hold them.

    demo_mailbox.py OUTDIR

One file per message (CR LF lines), named 01-....eml and so on, in delivery order. They cover
subjects and names in ISO-2022-JP, EUC-JP, UTF-8, UTF-7 and Shift_JIS, Base64 and
quoted-printable bodies, multipart mail with attachments, HTML mail, a message without any
header, and one that the demo spam pattern (subject "*未承諾広告*") matches.
"""
import base64
import pathlib
import quopri
import sys


def word(text: str, charset: str, enc: str = "B") -> str:
    """An RFC 2047 encoded word."""
    data = text.encode(charset)
    label = {"iso2022_jp": "ISO-2022-JP", "euc_jp": "EUC-JP", "utf-8": "UTF-8", "utf-7": "UTF-7",
             "shift_jis": "Shift_JIS"}[charset]
    if enc == "B":
        return f"=?{label}?B?{base64.b64encode(data).decode()}?="
    q = "".join(chr(b) if 0x21 <= b < 0x7F and chr(b) not in "=?_" else "=%02X" % b for b in data)
    return f"=?{label}?Q?{q}?="


def b64_lines(data: bytes) -> str:
    text = base64.b64encode(data).decode()
    return "\n".join(text[i:i + 76] for i in range(0, len(text), 76))


def header(n: int, frm: str, subject: str, extra: str = "", to: str = "demo@localhost") -> str:
    return (f"Return-Path: <sender{n}@example.jp>\n"
            f"Received: from mx.example.jp by localhost; Tue, 8 Dec 2026 {9 + n:02d}:1{n % 10}:00 +0900\n"
            f"Message-ID: <demo-{n}@example.jp>\n"
            f"Date: Tue, 8 Dec 2026 {9 + n:02d}:0{n % 10}:00 +0900\n"
            f"From: {frm}\n"
            f"To: {to}\n"
            f"Subject: {subject}\n"
            "MIME-Version: 1.0\n" + extra)


def messages():
    jis_body = "お世話になっております。\n来週の打ち合わせの件でご連絡しました。\n".encode("iso2022_jp").decode("ascii")
    yield "iso-2022-jp", header(
        1, f"{word('山田太郎', 'iso2022_jp')} <yamada@example.jp>", word("会議の日程について", "iso2022_jp"),
        "Content-Type: text/plain; charset=ISO-2022-JP\nContent-Transfer-Encoding: 7bit\n") + "\n" + jis_body

    euc = "EUC-JPで書かれた本文です。\n".encode("euc_jp")
    yield "euc-jp", header(
        2, f"{word('佐藤花子', 'euc_jp')} <sato@example.jp>", word("見積書の送付", "euc_jp"),
        "Content-Type: text/plain; charset=EUC-JP\nContent-Transfer-Encoding: base64\n") + "\n" + b64_lines(euc) + "\n"

    utf8 = "UTF-8 の本文です。絵文字なしの普通の文章。\n".encode("utf-8")
    yield "utf-8-qp", header(
        3, f"{word('鈴木一郎', 'utf-8', 'Q')} <suzuki@example.jp>", word("お知らせ：システム更新", "utf-8"),
        "Content-Type: text/plain; charset=UTF-8\nContent-Transfer-Encoding: quoted-printable\n") + "\n" + \
        quopri.encodestring(utf8).decode("ascii")

    utf7 = "UTF-7 の本文\n".encode("utf-7")
    yield "utf-7", header(
        4, f"{word('高橋', 'utf-7')} <takahashi@example.jp>", word("旧式メーラーから", "utf-7"),
        "Content-Type: text/plain; charset=UTF-7\n") + "\n" + utf7.decode("ascii")

    sjis_body = "Shift_JIS の本文です。\n".encode("shift_jis")
    yield "shift-jis", header(
        5, f"{word('伊藤', 'shift_jis')} <ito@example.jp>", word("社内報 12月号", "shift_jis"),
        "Content-Type: text/plain; charset=Shift_JIS\nContent-Transfer-Encoding: base64\n") + "\n" + \
        b64_lines(sjis_body) + "\n"

    pdf = b"%PDF-1.4\n% demo attachment\n" * 20
    yield "multipart-attachment", header(
        6, f"{word('経理部', 'iso2022_jp')} <keiri@example.jp>", word("請求書を添付します", "iso2022_jp"),
        'Content-Type: multipart/mixed; boundary="demo-mixed"\n') + (
        "\nThis is a multi-part message in MIME format.\n\n--demo-mixed\n"
        "Content-Type: text/plain; charset=ISO-2022-JP\n\n" +
        "請求書をお送りします。\n".encode("iso2022_jp").decode("ascii") + "\n--demo-mixed\n"
        f'Content-Type: application/pdf; name="{word("請求書.pdf", "iso2022_jp")}"\n'
        "Content-Transfer-Encoding: base64\n"
        f'Content-Disposition: attachment; filename="{word("請求書.pdf", "iso2022_jp")}"\n\n' +
        b64_lines(pdf) + "\n--demo-mixed--\n")

    html = "<html><body><p>HTML の<b>お知らせ</b>です。</p><br>詳しくはサイトへ。</body></html>\n"
    yield "html-alternative", header(
        7, "Newsletter <news@example.com>", word("今月のニュースレター", "utf-8"),
        'Content-Type: multipart/alternative; boundary="demo-alt"\n') + (
        "\n--demo-alt\nContent-Type: text/plain; charset=UTF-8\nContent-Transfer-Encoding: base64\n\n" +
        b64_lines("テキスト版のお知らせです。\n".encode("utf-8")) + "\n--demo-alt\n"
        "Content-Type: text/html; charset=UTF-8\nContent-Transfer-Encoding: base64\n\n" +
        b64_lines(html.encode("utf-8")) + "\n--demo-alt--\n")

    yield "no-header", "\nThis message has no header at all.\n"

    yield "spam", header(
        9, "Bargain <shop@spam.example>", word("未承諾広告※今だけ大特価", "iso2022_jp"),
        "Content-Type: text/plain; charset=ISO-2022-JP\n") + "\n" + \
        "今すぐクリック！\n".encode("iso2022_jp").decode("ascii")


def main() -> int:
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    out = pathlib.Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for i, (name, text) in enumerate(messages(), 1):
        data = text.replace("\r\n", "\n").replace("\n", "\r\n").encode("ascii")
        (out / f"{i:02d}-{name}.eml").write_bytes(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
