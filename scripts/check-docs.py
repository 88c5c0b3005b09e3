#!/usr/bin/env python3
"""Fails when docs/ names something the tree no longer has.

    python3 scripts/check-docs.py        (lists every stale path and name)

Two checks over every Markdown file in docs/:

- Paths. Every repository path, back-quoted or not ("app/pages/sync/syncpage.h",
  `tests/engine/`, `app/pages/restore/restorepage*.h`, `app/runwindows/frmprogress.*`), must name a tracked file
  or folder. "*" matches within a name; a placeholder in angle brackets
  (`tests/data/fuzz/<target>/`) matches any one name; a path without an extension
  (`platform/windowtitle`) matches the file pair of that name. A back-quoted file name
  without a folder (`backupjob.h`) must be the name of a tracked file, and a back-quoted
  name ending in "*" (`qmfilelist*`) must begin the name of one.
- Names. Every identifier in a back-quoted span that is not a repository path
  (`TBackUpJob::ListDriveFiles`, `QUILLMOOR_DRIVES`, `Report.dat`) must occur in the
  contents of a tracked file other than the Markdown prose (docs/, README.md), so a
  renamed or removed class, function, setting or file name shows. Braces list alternatives (`BackupSel{Folders,Files}.dat`
  stands for both names); identifiers of one or two characters are too common to tell
  anything and are not looked up.

Only the tree as git knows it counts (git ls-files), so a build folder or a stray file
never makes a stale name pass. Texts that are not code names go in KNOWN_TEXTS below,
each with the reason; keep that list short.
"""

import os
import re
import subprocess
import sys

# Identifiers in back-quoted texts that are not code names and need not be in the code,
# each with the reason: "name": "why". Empty while every back-quoted text is found.
KNOWN_TEXTS = {}

# Top-level entries of the tree whose paths the prose may name.
REPO_ROOTS = (
    "app",
    "assets",
    "bench",
    "controls",
    "docs",
    "engine",
    "fuzz",
    "platform",
    "scripts",
    "setup",
    "tests",
    "tools",
    "updater",
    ".ci",
)

SPAN = re.compile(r"`([^`\n]+)`")
IDENTIFIER = re.compile(r"[A-Za-z_][A-Za-z0-9_]*")
PATH = re.compile(
    r"(?<![\w$./-])((?:%s)/[A-Za-z0-9_.*<>/-]*)" % "|".join(re.escape(r) for r in REPO_ROOTS)
)
SOURCE_NAME = re.compile(r"^[A-Za-z0-9_-]+\.(?:h|cpp|py|sh|qrc|cmake)$")
BRACES = re.compile(r"\{([^{}]*)\}")


def alternatives(span):
    """The texts a span with braces stands for: `a{b,c}d` is "abd" and "acd"."""
    match = BRACES.search(span)
    if not match or "," not in match.group(1):
        return [span]
    out = []
    for choice in match.group(1).split(","):
        out += alternatives(span[: match.start()] + choice + span[match.end() :])
    return out


def tracked_files(top):
    out = subprocess.run(
        ["git", "-C", top, "ls-files", "-z"], check=True, capture_output=True
    ).stdout
    return [f for f in out.decode("utf-8", "surrogateescape").split("\0") if f]


def path_pattern(path):
    """A regular expression over tracked paths for one path as the docs write it."""
    path = path.rstrip(".,;:)")
    folder = path.endswith("/")
    path = path.rstrip("/")
    out = ""
    for part in re.split(r"(<[^>/]*>|\*)", path):
        if part == "*":
            out += "[^/]*"
        elif part.startswith("<") and part.endswith(">"):
            out += "[^/]+"
        else:
            out += re.escape(part)
    last = path.rsplit("/", 1)[-1]
    if not folder and "." not in last and "*" not in last and "<" not in last:
        out += r"(?:\.[^/]+)?"  # a file pair named without its extension, or a folder
    return re.compile(out + (r"/.+" if folder else r"(?:/.+)?") + r"\Z")


def main():
    top = subprocess.run(
        ["git", "rev-parse", "--show-toplevel"],
        check=True,
        capture_output=True,
        text=True,
        cwd=os.path.dirname(os.path.abspath(__file__)),
    ).stdout.strip()
    files = tracked_files(top)
    docs = sorted(f for f in files if f.startswith("docs/") and f.endswith(".md"))
    basenames = {f.rsplit("/", 1)[-1] for f in files}

    # Every identifier that occurs in a tracked file other than Markdown prose.
    known = set()
    for f in files:
        if f.endswith(".md"):
            continue  # prose: a name must be in the code, scripts or data
        try:
            with open(os.path.join(top, f), "rb") as handle:
                data = handle.read()
        except OSError:
            continue  # a tracked file deleted in the work tree names nothing
        if b"\0" in data[:4096]:
            continue  # pictures and other binary files
        known.update(IDENTIFIER.findall(data.decode("utf-8", "replace")))

    problems = []
    for doc in docs:
        with open(os.path.join(top, doc), encoding="utf-8") as handle:
            lines = handle.read().split("\n")
        for number, line in enumerate(lines, 1):
            where = "%s:%d" % (doc, number)
            for match in PATH.finditer(line):
                path = match.group(1)
                pattern = path_pattern(path)
                if not any(pattern.match(f) for f in files):
                    problems.append("%s: no such path in the tree: %s" % (where, path))
            for span in SPAN.findall(line):
                if PATH.fullmatch(span):
                    continue  # checked as a path above
                if span.endswith("*") and IDENTIFIER.fullmatch(span[:-1]):
                    if not any(b.startswith(span[:-1]) for b in basenames):
                        problems.append("%s: no tracked file name begins %s" % (where, span))
                    continue
                if SOURCE_NAME.match(span):
                    if span not in basenames:
                        problems.append("%s: no tracked file is named %s" % (where, span))
                    continue
                for text in alternatives(span):
                    for name in IDENTIFIER.findall(text):
                        if len(name) < 3 or name in known or name in KNOWN_TEXTS:
                            continue
                        problems.append("%s: `%s` names %s, found nowhere" % (where, span, name))

    if problems:
        print("docs/ names what the tree does not have:", file=sys.stderr)
        for problem in problems:
            print("  " + problem, file=sys.stderr)
        print(
            "Fix the docs (or the name); a text that is not a code name goes in\n"
            "KNOWN_TEXTS in scripts/check-docs.py with its reason.",
            file=sys.stderr,
        )
        return 1
    print("Docs: every path and back-quoted name in docs/ is in the tree")
    return 0


if __name__ == "__main__":
    sys.exit(main())
