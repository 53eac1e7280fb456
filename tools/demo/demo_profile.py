#!/usr/bin/env python3
"""Prepares the settings folder of the demo check.

    demo_profile.py HOME

Writes HOME/pelmora.reg (the native build's registry file) with the spam check of the standard
profile switched on, and the spam pattern list HOME/Quillon/Corvex/SpamList.999 with one
pattern: the subject "*未承諾広告*", every other condition off, deleted at once. The account
itself is stored by corvex-check --save.
"""
import base64
import pathlib
import sys

ROOT_KEY = r"HKEY_CURRENT_USER\Software\Quillon\Ravelin98"

# Condition kinds of a pattern field: 1 a pattern, 2 not a condition.
KIND_PATTERN = 1
KIND_IGNORE = 2
NOT_A_CONDITION = "条件にしない"


def stored_text(text: str) -> str:
    """The storage encoding of the list files: Base64 of the ISO-2022-JP form and its NUL."""
    return base64.b64encode(text.encode("iso2022_jp") + b"\0").decode("ascii")


def condition(kind: int, text: str) -> str:
    return stored_text(f"{kind}:{text}")


def spam_line(subject_pattern: str, mode: int) -> str:
    """recipient, sender, subject, mailer, attachment (2 = any), type (2 = any), mode (0 = at once)."""
    off = condition(KIND_IGNORE, NOT_A_CONDITION)
    return f"{off} {off} {condition(KIND_PATTERN, subject_pattern)} {off} 2 2 {mode}"


def main() -> int:
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    home = pathlib.Path(sys.argv[1])
    data = home / "Quillon" / "Corvex"
    data.mkdir(parents=True, exist_ok=True)
    registry = ["REGEDIT4", "", f"[{ROOT_KEY}]", '"CheckSpam"="ON"', ""]
    (home / "pelmora.reg").write_bytes(("\r\n".join(registry) + "\r\n").encode("cp932"))
    (data / "SpamList.999").write_bytes((spam_line("*未承諾広告*", 0) + "\r\n").encode("ascii"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
