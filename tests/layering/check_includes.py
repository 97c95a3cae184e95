#!/usr/bin/python3
"""Checks that the program's folders use each other in one direction only:
core, then present (the result texts), then dialog (which places them and
acts through the toolkit header platform/Toolkit.h), then the backends
platform/win32 and platform/qt (which implement that header and start the
program); the companion, cli, uses core and present alone; the browser
page, web, uses core, present, dialog (its catalogue and texts, never the
toolkit) and cli. The toolkit header itself includes nothing of the
program's.

    check_includes.py SOURCE_DIR

Reads every #include "..." of the product's sources, prints the folder graph
and every include that breaks the order or closes a cycle; exits 1 if any.
"""

import os
import re
import sys

ALLOWED = {
    "core": set(),
    "present": {"core", "version"},
    "dialog": {"core", "present", "platform", "version"},
    "platform": set(),
    "platform/win32": {"core", "present", "dialog", "platform", "version"},
    "platform/qt": {"core", "present", "dialog", "platform", "version"},
    "cli": {"core", "present", "version"},
    "web": {"core", "present", "dialog", "cli", "version"},
}


def folder_of(path):
    """The folder a source path (relative to the tree) belongs to."""
    if path == "CalvoraVersion.h":  # generated from project()
        return "version"
    parts = path.split("/")
    if parts[0] == "platform" and len(parts) > 2:
        return "platform/" + parts[1]
    return parts[0] if len(parts) > 1 else None


def main():
    root = sys.argv[1]
    edges = {folder: set() for folder in ALLOWED}
    broken = []
    for folder in ALLOWED:
        top = os.path.join(root, folder)
        for base, dirs, files in os.walk(top):
            if folder == "platform":
                dirs.clear()  # the backends are folders of their own
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(base, name)
                text = open(path, encoding="utf-8").read()
                for included in re.findall(r'^\s*#\s*include\s+"([^"]+)"', text, re.M):
                    target = folder_of(included)
                    if target is None or target == folder:
                        continue
                    edges[folder].add(target)
                    if target not in ALLOWED[folder]:
                        broken.append("%s includes %s" % (os.path.relpath(path, root), included))
    for folder in ALLOWED:
        print("%-14s -> %s" % (folder, ", ".join(sorted(edges[folder])) or "-"))
    for start in ALLOWED:
        seen, todo = set(), list(edges[start])
        while todo:
            f = todo.pop()
            if f == start:
                broken.append("%s reaches itself again through its includes" % start)
                break
            if f not in seen:
                seen.add(f)
                todo.extend(edges.get(f, ()))
    for b in broken:
        print("FAILED: " + b)
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
