#!/usr/bin/env python3
"""Checks the project's targets against the includes of their sources.

Reads the manifest the build writes (build/layers.txt: target, widget-free,
folder, sources, direct links) and fails when
- a source includes one of our headers that no target lists,
- a source includes a header of a target its own target does not reach
  through its links (the header's target is neither itself nor below it),
- a widget-free target reaches Qt Widgets or Print Support, a target that is
  not widget-free, or includes a header of those Qt modules.

Usage: checklayers.py MANIFEST ROOT QT_INCLUDE_DIR...
       checklayers.py --self-test
"""
import os
import re
import sys
import tempfile

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
WIDGET_MODULES = ("Qt5::Widgets", "Qt5::PrintSupport")
CODE = (".h", ".hpp", ".cpp", ".cc")


def read_manifest(path):
    targets = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line:
                continue
            name, free, folder, sources, links = (line.split("\t") + [""] * 5)[:5]
            files = []
            for s in filter(None, sources.split(";")):
                files.append(os.path.normpath(s if os.path.isabs(s) else os.path.join(folder, s)))
            targets[name] = {
                "free": free.upper() in ("ON", "TRUE", "1", "YES"),
                "sources": files,
                "links": [l for l in links.split(";") if l],
            }
    return targets


def closure(targets, name):
    seen, stack = set(), [name]
    while stack:
        for link in targets.get(stack.pop(), {}).get("links", []):
            # Link entries may be generator expressions around a target.
            link = re.sub(r"^\$<LINK_ONLY:(.*)>$", r"\1", link)
            if link not in seen:
                seen.add(link)
                stack.append(link)
    return seen


def resolve(include, source, roots):
    for base in [os.path.dirname(source)] + roots:
        candidate = os.path.normpath(os.path.join(base, include))
        if os.path.isfile(candidate):
            return candidate
    return None


def qt_module_header(include, qt_dirs):
    name = include.split("/")[-1]
    for d in qt_dirs:
        if os.path.isfile(os.path.join(d, name)) and os.path.basename(d) in ("QtWidgets", "QtPrintSupport"):
            return os.path.basename(d)
    first = include.split("/")[0]
    return first if first in ("QtWidgets", "QtPrintSupport") else None


def check(targets, root, qt_dirs):
    owners = {}
    for name, t in targets.items():
        for s in t["sources"]:
            owners.setdefault(s, set()).add(name)
    roots = [root, os.path.join(root, "tests")]
    errors = []
    for name, t in sorted(targets.items()):
        reach = closure(targets, name)
        if t["free"]:
            for bad in sorted(reach):
                if bad in WIDGET_MODULES:
                    errors.append(f"{name}: widget-free but links {bad}")
                elif bad in targets and not targets[bad]["free"]:
                    errors.append(f"{name}: widget-free but links {bad}, which is not")
        for source in t["sources"]:
            if not source.endswith(CODE) or not os.path.isfile(source):
                continue
            rel = os.path.relpath(source, root)
            with open(source, encoding="utf-8", errors="replace") as f:
                text = f.read()
            for kind, include in INCLUDE.findall(text):
                if kind == "<":
                    module = qt_module_header(include, qt_dirs) if t["free"] else None
                    if module:
                        errors.append(f"{rel} ({name}, widget-free): includes <{include}> of {module}")
                    continue
                base = os.path.basename(include)
                if base.startswith(("ui_", "moc_")) or base.endswith(".moc"):
                    continue
                header = resolve(include, source, roots)
                if header is None:
                    errors.append(f"{rel} ({name}): includes \"{include}\", which does not exist")
                    continue
                owning = owners.get(header)
                if not owning:
                    errors.append(f"{rel} ({name}): includes \"{include}\", which no target lists")
                elif name not in owning and not (owning & reach):
                    errors.append(f"{rel} ({name}): includes \"{include}\" of {', '.join(sorted(owning))}, "
                                  f"which {name} does not link")
    return errors


def self_test():
    """The checker against small made-up trees: each case must give its errors."""
    cases = [
        ("a lower header is fine", {"low/a.h": "", "up/b.cpp": '#include "low/a.h"\n'}, [], 0),
        ("an upward include fails", {"low/a.cpp": '#include "up/b.h"\n', "up/b.h": ""}, [], 1),
        ("an unlisted header fails", {"up/b.cpp": '#include "low/c.h"\n', "low/c.h": ""}, [], 1),
        ("a widget include in the core fails", {"low/a.cpp": "#include <QtWidgets/QWidget>\n"}, [], 1),
        ("a widget library under the core fails", {"low/a.h": ""}, ["Qt5::Widgets"], 1),
    ]
    failed = 0
    for title, files, extra_links, expected in cases:
        with tempfile.TemporaryDirectory() as root:
            for rel, text in files.items():
                os.makedirs(os.path.join(root, os.path.dirname(rel)), exist_ok=True)
                with open(os.path.join(root, rel), "w") as f:
                    f.write(text)
            listed = lambda folder: [os.path.join(root, r) for r in files if r.startswith(folder)
                                     and not r.endswith("c.h")]
            targets = {
                "low": {"free": True, "sources": listed("low/"), "links": ["Qt5::Core"] + extra_links},
                "up": {"free": False, "sources": listed("up/"), "links": ["low", "Qt5::Widgets"]},
            }
            errors = check(targets, root, [])
            ok = len(errors) == expected
            print(f"{'PASS' if ok else 'FAIL'}: {title}" + ("" if ok else f" -> {errors}"))
            failed += not ok
    print(f"{len(cases) - failed} passed, {failed} failed")
    return 1 if failed else 0


def main(argv):
    if len(argv) == 2 and argv[1] == "--self-test":
        return self_test()
    if len(argv) < 3:
        print(__doc__)
        return 2
    targets = read_manifest(argv[1])
    errors = check(targets, os.path.normpath(argv[2]), argv[3:])
    for e in errors:
        print(e)
    print(f"{len(targets)} targets checked, {len(errors)} layer faults")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
