#!/usr/bin/env python3
"""Writes a program's resources from its .rc file as the host stand-in's resource tables
(standin/include/standin/resources.h), so the host flavour finds the same menus, dialogs and bitmaps
that windres links into the Windows executable.

The .rc subset: #include lines (quoted ones are included in the output), and one statement per line:
  NAME MENU / POPUP "text" / MENUITEM "text", ID[, CHECKED|GRAYED] / MENUITEM SEPARATOR
  NAME DIALOG x, y, cx, cy / STYLE expr / EXSTYLE expr / CAPTION "text" / FONT n, "face"
  CONTROL text, ID, "class", style, x, y, cx, cy[, exstyle]   (text: "string" or a resource number)
  NAME BITMAP "file"
with BEGIN/END (or braces) around menu and dialog bodies. Names, ids and styles stay C expressions.

usage: rc2table.py INPUT.rc OUTPUT.cpp
"""
import os
import re
import sys


def split_args(text):
    """Splits at commas outside strings and parentheses; strips each part."""
    parts, depth, cur, quoted = [], 0, "", False
    i = 0
    while i < len(text):
        c = text[i]
        if quoted:
            cur += c
            if c == '"':
                if i + 1 < len(text) and text[i + 1] == '"':
                    cur += '"'
                    i += 1
                else:
                    quoted = False
        elif c == '"':
            quoted = True
            cur += c
        elif c == "(":
            depth += 1
            cur += c
        elif c == ")":
            depth -= 1
            cur += c
        elif c == "," and depth == 0:
            parts.append(cur.strip())
            cur = ""
        else:
            cur += c
        i += 1
    if cur.strip():
        parts.append(cur.strip())
    return parts


def c_string(rc):
    """An .rc string literal ("" for a quote) as a C literal."""
    body = rc[1:-1].replace('""', '"')
    return '"' + body.replace("\\", "\\\\").replace('"', '\\"') + '"'


def flags(expr):
    return " | ".join("MF_" + f.strip() for f in expr.split(",") if f.strip()) or "0"


def main():
    source, target = sys.argv[1], sys.argv[2]
    lines = [l.split("//")[0].rstrip() for l in open(source, encoding="latin-1")]
    includes, menus, dialogs, bitmaps = [], [], [], []
    i = 0

    def body(start):
        """Lines of a BEGIN/END body starting at `start` (the BEGIN line); returns (lines, next)."""
        depth, out, j = 0, [], start
        while j < len(lines):
            s = lines[j].strip()
            if s in ("BEGIN", "{"):
                depth += 1
                if depth > 1:
                    out.append(s)
            elif s in ("END", "}"):
                depth -= 1
                if depth == 0:
                    return out, j + 1
                out.append(s)
            elif s:
                out.append(s)
            j += 1
        raise SystemExit("%s: unterminated block" % source)

    while i < len(lines):
        s = lines[i].strip()
        i += 1
        if not s:
            continue
        m = re.match(r'#include\s+"([^"]+)"', s)
        if m:
            includes.append(m.group(1))
            continue
        if s.startswith("#"):
            continue
        m = re.match(r"(\w+)\s+MENU\b", s)
        if m:
            while not lines[i].strip():
                i += 1
            items, i = body(i)
            out, depth = [], 0
            for item in items:
                if item in ("BEGIN", "{"):
                    depth += 1
                elif item in ("END", "}"):
                    depth -= 1
                elif item.startswith("POPUP"):
                    args = split_args(item[5:])
                    out.append("{%d, MF_POPUP, 0, %s}" % (depth, c_string(args[0])))
                elif item.startswith("MENUITEM SEPARATOR"):
                    out.append("{%d, MF_SEPARATOR, 0, \"\"}" % depth)
                elif item.startswith("MENUITEM"):
                    args = split_args(item[8:])
                    out.append("{%d, %s, %s, %s}" % (depth, flags(",".join(args[2:])), args[1], c_string(args[0])))
            menus.append((m.group(1), out))
            continue
        m = re.match(r"(\w+)\s+DIALOG(?:EX)?\s+(.*)", s)
        if m:
            geometry = split_args(m.group(2))[:4]
            style, exstyle, caption = "0", "0", '""'
            while lines[i].strip() not in ("BEGIN", "{"):
                t = lines[i].strip()
                if t.startswith("STYLE"):
                    style = t[5:].strip()
                elif t.startswith("EXSTYLE"):
                    exstyle = t[7:].strip()
                elif t.startswith("CAPTION"):
                    caption = c_string(t[7:].strip())
                i += 1
            items, i = body(i)
            controls = []
            for item in items:
                if not item.startswith("CONTROL"):
                    raise SystemExit("%s: only CONTROL statements in dialogs: %s" % (source, item))
                args = split_args(item[7:])
                text = c_string(args[0]) if args[0].startswith('"') else '"#" RC_NUMBER(%s)' % args[0]
                ex = args[8] if len(args) > 8 else "0"
                controls.append('{%s, %s, %s, WS_CHILD | WS_VISIBLE | (%s), %s, %s, %s, %s, %s}' %
                                (args[2], text, args[1], args[3], ex, args[4], args[5], args[6], args[7]))
            dialogs.append((m.group(1), style, exstyle, geometry, caption, controls))
            continue
        m = re.match(r'(\w+)\s+BITMAP\s+(?:\w+\s+)*"([^"]+)"', s)
        if m:
            path = os.path.join(os.path.dirname(source), m.group(2))
            bitmaps.append((m.group(1), open(path, "rb").read()))
            continue
        raise SystemExit("%s:%d: not understood: %s" % (source, i, s))

    out = ["// Generated by scripts/rc2table.py from %s; do not edit." % os.path.basename(source),
           "#include <windows.h>", '#include "standin/resources.h"']
    out += ["#define RC_DIGITS(n) #n", "#define RC_NUMBER(n) RC_DIGITS(n)  // a resource number as text"]
    out += ['#include "%s"' % inc for inc in includes]
    out.append("namespace {")
    table = []
    for n, (name, items) in enumerate(menus):
        out.append("const StandinMenuItem kMenu%d[] = {%s};" % (n, ", ".join(items)))
        table.append("{STANDIN_RT_MENU, WORD(%s), kMenu%d, %d}" % (name, n, len(items)))
    for n, (name, style, exstyle, g, caption, controls) in enumerate(dialogs):
        out.append("const StandinDialogItem kDialogItems%d[] = {\n    %s};" % (n, ",\n    ".join(controls)))
        out.append("const StandinDialogTemplate kDialog%d = {DWORD(%s), DWORD(%s), %s, %s, %s, %s, %s, %d, kDialogItems%d};" %
                   (n, style, exstyle, g[0], g[1], g[2], g[3], caption, len(controls), n))
        table.append("{STANDIN_RT_DIALOG, WORD(%s), &kDialog%d, 1}" % (name, n))
    for n, (name, data) in enumerate(bitmaps):
        rows = [", ".join(str(b) for b in data[k:k + 24]) for k in range(0, len(data), 24)]
        out.append("const unsigned char kBitmap%d[] = {\n    %s};" % (n, ",\n    ".join(rows)))
        table.append("{STANDIN_RT_BITMAP, WORD(%s), kBitmap%d, %d}" % (name, n, len(data)))
    out.append("const StandinResource kResources[] = {\n    %s};" % ",\n    ".join(table))
    out.append("struct Registration {\n  Registration() { StandinRegisterResources(nullptr, kResources, %d); }\n} registration;" % len(table))
    out.append("}  // namespace")
    with open(target, "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
