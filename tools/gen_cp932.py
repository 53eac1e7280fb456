#!/usr/bin/env python3
"""Generates dorvik/tables/cp932_table.cpp: code page 932 (Windows Shift_JIS) in both directions.

    tools/gen_cp932.py [OUTPUT]      write the table (default: dorvik/tables/cp932_table.cpp)
    tools/gen_cp932.py --check       fail when the committed table differs from a fresh one

The mappings come from glibc's iconv "CP932" converter (through ctypes), corrected where Windows
behaves differently; Python's own "cp932" codec is a second opinion that is only reported on.
The goal is the behaviour of Windows' MultiByteToWideChar(932) and
WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS): tests/win32/test_cp932_platform.cpp compares the
table with the real functions under Wine.

Decisions where the sources disagree (each checked against Microsoft's published CP932 table,
bestfit932.txt at unicode.org, and reports of Windows' own results):

 1. Several codes for one character (NEC row 13, NEC-selected IBM extensions in rows 89-92 and
    IBM extensions in rows 115-119 repeat characters). Every code reads as its character; the
    character is written as Windows writes it: the JIS X 0208 code first (U+2252 -> 81E0,
    U+FFE2 -> 81CA, U+2235 -> 81E6), then NEC row 13 (U+2160 -> 8754, U+3231 -> 878D), then the
    IBM extension (U+2170 -> FA40, U+7E8A -> FA5C, U+FF07 -> FA56); the NEC-selected IBM
    extensions (ED40-EEFC) are read only. glibc agrees; Python's codec writes ED/EE codes instead.
 2. One-way mappings of glibc: U+00A5 -> 5C, U+203E -> 7E, U+00A2 -> 8191, U+00A3 -> 8192,
    U+00AC -> 81CA, U+2014 -> 815C, U+2016 -> 8161, U+2212 -> 817C, U+301C -> 8160. In Windows
    these are best-fit mappings (the codes read as U+005C, U+007E, U+FFE0, U+FFE1, U+FFE2,
    U+2015, U+2225, U+FF0D, U+FF5E), which WC_NO_BEST_FIT_CHARS refuses: the units have no form
    here. In general a unit is written only when its code reads back as the same unit.
 3. Single bytes 80, A0, FD, FE, FF: glibc rejects them; Windows reads them as U+0080, U+F8F0,
    U+F8F1, U+F8F2, U+F8F3 and writes those units back as the same bytes. Added. (Wine reads
    them the same way, but with MB_ERR_INVALID_CHARS it reports a single byte that reads as a
    private-use unit as invalid; the Wine test compares those four without the flag.)
 4. User-defined area F040-F9FC reads as U+E000-U+E757 and back, as in Windows (glibc agrees).
 5. Surrogate units (D800-DFFF) have no form: the conversion is one unit at a time, so a
    surrogate is always unpaired there. Unit 0 is the terminator of the callers' unit arrays and
    maps to byte 00 (kept out of the tables).
 6. Undefined double-byte codes read as nothing (0); Windows substitutes U+30FB, which
    MB_ERR_INVALID_CHARS reports as an error, and that is what the Wine test compares against.
"""
import argparse
import ctypes
import ctypes.util
import pathlib
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
DEFAULT_OUT = ROOT / "dorvik" / "tables" / "cp932_table.cpp"

LEADS = list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD))
TRAILS = [t for t in range(0x40, 0xFD) if t != 0x7F]
TRAIL_FIRST, TRAIL_COUNT = 0x40, 0xFD - 0x40  # rows keep 0x7F as an empty slot

# Decision 3: single bytes that Windows maps and glibc does not.
EXTRA_SINGLE = {0x80: 0x0080, 0xA0: 0xF8F0, 0xFD: 0xF8F1, 0xFE: 0xF8F2, 0xFF: 0xF8F3}
# Decision 2, listed so that a change in glibc shows up.
EXPECTED_ONE_WAY = {0x00A2, 0x00A3, 0x00A5, 0x00AC, 0x2014, 0x2016, 0x203E, 0x2212, 0x301C}


class Iconv:
    def __init__(self, to: str, frm: str):
        libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
        libc.iconv_open.restype = ctypes.c_void_p
        libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
        libc.iconv.restype = ctypes.c_size_t
        pp = ctypes.POINTER(ctypes.c_char_p)
        ps = ctypes.POINTER(ctypes.c_size_t)
        libc.iconv.argtypes = [ctypes.c_void_p, pp, ps, pp, ps]
        self.libc = libc
        self.cd = libc.iconv_open(to.encode(), frm.encode())
        if self.cd == ctypes.c_void_p(-1).value:
            sys.exit(f"iconv cannot convert {frm} to {to}")

    def __call__(self, data: bytes):
        self.libc.iconv(self.cd, None, None, None, None)
        inb = ctypes.create_string_buffer(data, len(data))
        outb = ctypes.create_string_buffer(16)
        ip, il = ctypes.c_char_p(ctypes.addressof(inb)), ctypes.c_size_t(len(data))
        op, ol = ctypes.c_char_p(ctypes.addressof(outb)), ctypes.c_size_t(16)
        r = self.libc.iconv(self.cd, ctypes.byref(ip), ctypes.byref(il), ctypes.byref(op), ctypes.byref(ol))
        if r == ctypes.c_size_t(-1).value or il.value:
            return None
        return outb.raw[: 16 - ol.value]


def code_rank(code: int) -> int:
    """Which of several codes of one character Windows writes (lower wins), decision 1."""
    lead = code >> 8
    if lead == 0x87:
        return 1  # NEC row 13
    if 0xFA <= lead <= 0xFC:
        return 2  # IBM extensions
    if 0xED <= lead <= 0xEE:
        return 3  # NEC-selected IBM extensions
    return 0  # single bytes, JIS X 0208, user-defined area


def build():
    to_utf16 = Iconv("UTF-16LE", "CP932")
    from_utf16 = Iconv("CP932", "UTF-16LE")

    single = {}
    for b in range(1, 0x100):
        out = to_utf16(bytes([b]))
        if out is not None and len(out) == 2:
            single[b] = int.from_bytes(out, "little")
    for b, u in EXTRA_SINGLE.items():
        assert b not in single, f"glibc now maps {b:02X}; recheck decision 3"
        single[b] = u

    double = {}
    for lead in LEADS:
        for trail in TRAILS:
            out = to_utf16(bytes([lead, trail]))
            if out is not None and len(out) == 2:
                double[(lead << 8) | trail] = int.from_bytes(out, "little")

    # Unicode -> CP932 from the reading direction, duplicates resolved by code_rank.
    wide = {}
    for code, u in list(single.items()) + list(double.items()):
        if u not in wide or (code_rank(code), code) < (code_rank(wide[u]), wide[u]):
            wide[u] = code

    # Cross-check with glibc's own writing direction.
    one_way = set()
    for u in range(1, 0x10000):
        if 0xD800 <= u < 0xE000:
            continue
        out = from_utf16(u.to_bytes(2, "little"))
        g = None if out is None else int.from_bytes(out, "big")
        if g is not None and single.get(g) != u and double.get(g) != u:
            one_way.add(u)
            continue
        if g != wide.get(u) and not (g is None and u in EXTRA_SINGLE.values()):
            sys.exit(f"glibc writes U+{u:04X} as {g}, the table as {wide.get(u)}: recheck decision 1")
    if one_way != EXPECTED_ONE_WAY:
        sys.exit("glibc's one-way mappings changed: " + " ".join(f"U+{u:04X}" for u in sorted(one_way)))
    return single, double, wide


def python_notes(single, double, wide):
    """Differences from Python's codec, reported on stderr for the developer."""
    reads = writes = 0
    for code, u in list(single.items()) + list(double.items()):
        raw = bytes([code]) if code < 0x100 else code.to_bytes(2, "big")
        try:
            reads += raw.decode("cp932") != chr(u)
        except UnicodeDecodeError:
            reads += 1
    for u, code in wide.items():
        try:
            writes += int.from_bytes(chr(u).encode("cp932"), "big") != code
        except UnicodeEncodeError:
            writes += 1
    print(f"gen_cp932: {reads} reading and {writes} writing differences from Python's cp932 "
          "(writing: the NEC-selected IBM extensions, decision 1)", file=sys.stderr)


def rows_of(values, per_line=16):
    lines = []
    for i in range(0, len(values), per_line):
        lines.append("    " + " ".join(f"0x{v:04X}," if v else "0," for v in values[i : i + per_line]))
    return lines


def render(single, double, wide) -> str:
    out = [
        "// Generated by tools/gen_cp932.py from glibc's CP932 converter with the Windows",
        "// corrections listed there; do not edit.",
        "// clang-format off",
        '#include "cp932_table.h"',
        "",
        "namespace dorvik::cp932_data {",
        "",
        "// Single byte -> UTF-16 (0: a lead byte or no character).",
        "const uint16_t kByteToWide[256] = {",
    ]
    out += rows_of([0] + [single.get(b, 0) for b in range(1, 0x100)])
    out += ["};", ""]

    lead_rows = [lead for lead in LEADS if any(((lead << 8) | t) in double for t in TRAILS)]
    index = [0] * 256
    for n, lead in enumerate(lead_rows, 1):
        index[lead] = n
    out += ["// Lead byte -> row of kPairToWide plus one (0: no double-byte codes with this lead).",
            "const uint8_t kLeadRow[256] = {"]
    out += ["    " + " ".join(f"{v}," for v in index[i : i + 32]) for i in range(0, 256, 32)]
    out += ["};", "",
            f"// Double-byte code -> UTF-16, one row per lead byte, trail bytes 0x{TRAIL_FIRST:02X}-0xFC.",
            f"const uint16_t kPairToWide[{len(lead_rows)}][{TRAIL_COUNT}] = {{"]
    for lead in lead_rows:
        out.append(f"    {{ // lead 0x{lead:02X}")
        out += ["    " + line for line in rows_of([double.get((lead << 8) | (TRAIL_FIRST + i), 0)
                                                    for i in range(TRAIL_COUNT)])]
        out.append("    },")
    out += ["};", ""]

    pages = [p for p in range(256) if any(((p << 8) | i) in wide for i in range(256))]
    index = [0] * 256
    for n, page in enumerate(pages, 1):
        index[page] = n
    out += ["// High byte of a UTF-16 unit -> page of kWideToCode plus one (0: nothing maps).",
            "const uint8_t kWidePage[256] = {"]
    out += ["    " + " ".join(f"{v}," for v in index[i : i + 32]) for i in range(0, 256, 32)]
    out += ["};", "",
            "// UTF-16 unit -> CP932: 0 no form, below 0x100 one byte, else lead << 8 | trail.",
            f"const uint16_t kWideToCode[{len(pages)}][256] = {{"]
    for page in pages:
        out.append(f"    {{ // U+{page:02X}00")
        out += ["    " + line for line in rows_of([wide.get((page << 8) | i, 0) for i in range(256)])]
        out.append("    },")
    out += ["};", "", f"const unsigned kPairRows = {len(lead_rows)};",
            f"const unsigned kWidePages = {len(pages)};", "", "} // namespace dorvik::cp932_data", ""]
    return "\n".join(out)


def main() -> int:
    ap = argparse.ArgumentParser()
    ap.add_argument("output", nargs="?", default=str(DEFAULT_OUT))
    ap.add_argument("--check", action="store_true", help="compare with the existing file")
    args = ap.parse_args()
    single, double, wide = build()
    python_notes(single, double, wide)
    text = render(single, double, wide)
    path = pathlib.Path(args.output)
    if args.check:
        if not path.exists() or path.read_text(encoding="ascii") != text:
            print(f"{path} is not what gen_cp932.py generates", file=sys.stderr)
            return 1
        return 0
    path.write_text(text, encoding="ascii", newline="\n")
    print(f"gen_cp932: {len(single)} single bytes, {len(double)} double-byte codes, "
          f"{len(wide)} units written", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
