#!/usr/bin/python3
"""Writes the page, one self-contained HTML file: the template with the
version, the style sheet, the module's script, and the page's script with
the WebAssembly and the completion sound in it as base64.

    assemble_page.py --version V --module calvora.js --wasm calvora.wasm \\
        --output calvora.html page.html page.css page.js glass_a.wav

Refuses (exit 1) a part that would end its element early or that names
anything outside the file: every byte the page needs is in it.
"""

import argparse
import base64
import re
import sys


def read_text(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def check_inline(name, text, element):
    """A style or script element ends at the first '</style' or '</script'."""
    if re.search(r"</%s|<!--" % element, text, re.I):
        sys.exit("assemble_page.py: %s holds '</%s' or '<!--'" % (name, element))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version", required=True)
    parser.add_argument("--module", required=True)
    parser.add_argument("--wasm", required=True)
    parser.add_argument("--output", required=True)
    parser.add_argument("template")
    parser.add_argument("style")
    parser.add_argument("script")
    parser.add_argument("chime")
    args = parser.parse_args()

    style = read_text(args.style)
    module = read_text(args.module).strip()
    script = read_text(args.script)
    for placeholder, path in (("@WASM@", args.wasm), ("@CHIME@", args.chime)):
        with open(path, "rb") as f:
            data = base64.b64encode(f.read()).decode("ascii")
        if placeholder not in script:
            sys.exit("assemble_page.py: the script has no %s" % placeholder)
        script = script.replace(placeholder, data)
    check_inline(args.style, style, "style")
    check_inline(args.module, module, "script")
    check_inline(args.script, script, "script")

    page = read_text(args.template)
    for placeholder, text in (("@VERSION@", args.version), ("@STYLE@", style.strip()),
                              ("@MODULE@", module), ("@SCRIPT@", script.strip())):
        if placeholder not in page:
            sys.exit("assemble_page.py: the template has no %s" % placeholder)
        page = page.replace(placeholder, text)
    # Nothing may be fetched: no address of another document or server.
    found = re.search(r"""(?:src|href)\s*=\s*["']?(?!data:|#)[^"'\s>]|url\(\s*["']?(?!data:)""", page)
    if found:
        sys.exit("assemble_page.py: the page refers to something outside it: %r"
                 % page[found.start():found.start() + 60])
    with open(args.output, "w", encoding="utf-8", newline="\n") as f:
        f.write(page)


if __name__ == "__main__":
    main()
