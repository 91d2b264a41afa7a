"""The viewer's fixed texts, read from player/texts.h, as the Shift_JIS
(code page 932) bytes the Windows build must hold and print."""

import os
import re

TEXTS_H = os.path.join(os.path.dirname(__file__), "..", "..", "player", "texts.h")

_ESCAPES = {"n": "\n", "t": "\t", "0": "\0", "\\": "\\", '"': '"'}


def _unescape(literal):
    return re.sub(r"\\(.)", lambda m: _ESCAPES[m.group(1)], literal)


def texts():
    """{macro name: UTF-8 source text as str}."""
    found = {}
    with open(TEXTS_H, encoding="utf-8") as f:
        for line in f:
            m = re.match(r'#define (TEXT_\w+) "((?:[^"\\]|\\.)*)"\s*$', line)
            if m:
                found[m.group(1)] = _unescape(m.group(2))
    return found


def sjis(name):
    return texts()[name].encode("cp932")
