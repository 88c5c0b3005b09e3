#!/usr/bin/env python3
"""Fails when a source file includes a folder its own folder may not reach.

    python3 scripts/check-includes.py              (checks the tree, lists every breach)
    python3 scripts/check-includes.py --self-test  (proves on a small made-up tree that
                                                    each kind of breach is caught)

The layers of docs/ARCHITECTURE.md, lowest first; a folder includes only itself and the
folders below it:

    platform/  <-  engine/  <-  controls/  <-  app/, setup/, updater/

engine/ and platform/ include nothing of Qt, and updater/ neither app/ nor setup/ (the
three programs share only what is below them). tools/, fuzz/, bench/ and tests/ sit on
top of whatever they exercise and are not checked.

Inside app/ the folders by role may include only what APP_FOLDERS lists (each page's
folder under app/pages/ includes no other page's); a file that needs more is named in
APP_EXCEPTIONS with the reason. Every include of the form "<folder>/..." counts, in .h
and .cpp files alike.
"""

import os
import re
import subprocess
import sys
import tempfile

# Which top folders each checked folder may include (itself always).
LAYERS = {
    "platform": set(),
    "engine": {"platform"},
    "controls": {"engine", "platform"},
    "app": {"controls", "engine", "platform"},
    "setup": {"controls", "engine", "platform"},
    "updater": {"controls", "engine", "platform"},
}
# Folders whose files include nothing of Qt.
QT_FREE = {"platform", "engine"}

# app/'s folders and the app/ folders each may include (itself always).
APP_FOLDERS = {
    "common": set(),
    "stores": set(),
    "drives": {"common", "stores"},
    "trees": {"common", "drives"},
    "runs": {"common", "stores"},
    "runwindows": {"common", "runs", "stores"},
    "pages": {"common", "drives", "runs", "runwindows", "stores", "trees"},
    "mainwindow": {"common", "drives", "pages", "runs", "runwindows", "stores", "trees"},
}
# Files that reach further than their folder, each as (file, include) with the reason.
# Empty while every folder keeps its rules.
APP_EXCEPTIONS = set()

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.MULTILINE)
QT_HEADER = re.compile(r"^(?:Q[A-Za-z]|Qt)")
SOURCE = re.compile(r"\.(?:h|cpp)$")


def app_folder(path):
    """`pages/sync` for app/pages/sync/x.h, `runs` for app/runs/x.h, None for app/main.cpp."""
    parts = path.split("/")
    if len(parts) < 3:
        return None
    if parts[1] == "pages" and len(parts) >= 4:
        return "pages/" + parts[2]
    return parts[1]


def breaches(path, text):
    """The rule breaches of one file, `path` relative to the tree's root."""
    top = path.split("/", 1)[0]
    if top not in LAYERS:
        return []
    found = []
    for kind, name in INCLUDE.findall(text):
        if kind == "<":
            if top in QT_FREE and QT_HEADER.match(name):
                found.append(f"{path}: includes <{name}>, but {top}/ uses no Qt")
            continue
        if "/" not in name:
            continue
        target = name.split("/", 1)[0]
        if target not in LAYERS:
            continue
        if target != top and target not in LAYERS[top]:
            found.append(f'{path}: includes "{name}", but {top}/ may not include {target}/')
            continue
        if top != "app" or target != "app" or (path, name) in APP_EXCEPTIONS:
            continue
        own, other = app_folder(path), app_folder(name)
        if own is None or other is None or own == other:
            continue
        own_role, other_role = own.split("/")[0], other.split("/")[0]
        if own_role == "pages" and other_role == "pages":
            found.append(f'{path}: includes "{name}", another page\'s folder')
        elif other_role not in APP_FOLDERS.get(own_role, set()) and own_role != other_role:
            found.append(f'{path}: includes "{name}", but app/{own_role}/ may not include '
                         f"app/{other_role}/")
    return found


def check(root, files):
    found = []
    for path in files:
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            found += breaches(path, f.read())
    return found


def tracked_sources(root):
    listed = subprocess.run(["git", "ls-files"], cwd=root, check=True, capture_output=True,
                            text=True).stdout.split("\n")
    return [p for p in listed if SOURCE.search(p) and os.path.isfile(os.path.join(root, p))]


# The made-up tree of the self-test: file, its text, whether it breaks a rule.
SELF_TEST = [
    ("engine/job.cpp", '#include "platform/fileio.h"\n#include <queue>\n', False),
    ("engine/bad.cpp", '#include "app/runs/jobrequest.h"\n', True),
    ("platform/qt.cpp", "#include <QString>\n", True),
    ("controls/bad.h", '#include "setup/installer.h"\n', True),
    ("updater/bad.cpp", '#include "app/stores/settingsstore.h"\n', True),
    ("setup/ok.cpp", '#include "controls/skin.h"\n#include <QWidget>\n', False),
    ("app/runs/bad.h", '#include "app/pages/sync/synclistmodel.h"\n', True),
    ("app/runs/ok.h", '#include "app/stores/settingsinforce.h"\n', False),
    ("app/pages/sync/ok.cpp", '#include "app/pages/sync/syncpage.h"\n#include "app/runs/x.h"\n',
     False),
    ("app/pages/sync/bad.cpp", '#include "app/pages/backup/backuppagemodel.h"\n', True),
    ("app/pages/restore/bad.cpp", '#include "app/mainwindow/mainwindowmodel.h"\n', True),
    ("app/mainwindow/ok.cpp", '#include "app/pages/backup/backuppage.h"\n', False),
    ("app/main.cpp", '#include "app/mainwindow/qmoorprogram.h"\n', False),
    ("tests/app/any_test.cpp", '#include "app/mainwindow/frmmain.h"\n#include <QTest>\n', False),
]


def self_test():
    with tempfile.TemporaryDirectory() as root:
        for path, text, _ in SELF_TEST:
            os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
            with open(os.path.join(root, path), "w", encoding="utf-8") as f:
                f.write(text)
        found = check(root, [path for path, _, _ in SELF_TEST])
    failures = []
    for path, _, bad in SELF_TEST:
        reported = any(line.startswith(path + ":") for line in found)
        if reported != bad:
            failures.append(f"{path}: {'not caught' if bad else 'reported, but keeps the rules'}")
    for line in failures:
        print(line)
    print("Include rules self-test: " + ("FAILED" if failures else "every breach caught"))
    return 1 if failures else 0


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    if sys.argv[1:] == ["--self-test"]:
        return self_test()
    found = check(root, tracked_sources(root))
    for line in found:
        print(line)
    if found:
        print(f"Include rules: {len(found)} breach(es); the rules are in scripts/check-includes.py")
        return 1
    print("Include rules: every include keeps the layers of docs/ARCHITECTURE.md")
    return 0


if __name__ == "__main__":
    sys.exit(main())
