#!/usr/bin/env python3
"""Turns a UTF-8 text table into a C++ header of Shift_JIS (code page 932) byte strings.

Input lines:   kName = text       (blank lines and lines starting with '#' are ignored;
                                   \\n, \\r, \\t and \\\\ escapes are understood in the text)
Output:        inline constexpr char kName[] = "\\x83...";   in namespace given by --namespace
"""
import argparse
import sys


def unescape(text: str) -> str:
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            n = text[i + 1]
            out.append({"n": "\n", "r": "\r", "t": "\t", "\\": "\\", "s": " "}.get(n, "\\" + n))
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def c_literal(data: bytes) -> str:
    parts = []
    for b in data:
        if 0x20 <= b < 0x7F and chr(b) not in '"\\?':
            parts.append(chr(b))
        else:
            parts.append("\\x%02x\"\"" % b)
    return '"' + "".join(parts) + '"'


def main() -> int:
    ap = argparse.ArgumentParser()
    ap.add_argument("input")
    ap.add_argument("output")
    ap.add_argument("--namespace", required=True)
    args = ap.parse_args()
    lines = []
    with open(args.input, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            raw = raw.rstrip("\n")
            if not raw.strip() or raw.lstrip().startswith("#"):
                continue
            name, sep, text = raw.partition("=")
            if not sep:
                print(f"{args.input}:{number}: expected 'kName = text'", file=sys.stderr)
                return 1
            name = name.strip()
            text = unescape(text[1:] if text.startswith(" ") else text)
            try:
                data = text.encode("cp932")
            except UnicodeEncodeError as e:
                print(f"{args.input}:{number}: no Shift_JIS form: {e}", file=sys.stderr)
                return 1
            lines.append(f"inline constexpr char {name}[] = {c_literal(data)};  // {text!r}")
    header = ["// Generated from " + args.input.split("/")[-1] + " by gen_texts.py; do not edit.",
              "#pragma once", "", f"namespace {args.namespace} {{", ""] + lines + ["", "}", ""]
    with open(args.output, "w", encoding="utf-8") as f:
        f.write("\n".join(header))
    return 0


if __name__ == "__main__":
    sys.exit(main())
