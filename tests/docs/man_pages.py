#!/usr/bin/env python3
"""The manual pages as man shows them: each renders without a warning and
carries this version, and tarnwell-check(1) describes every option and
every exit status in the words of tarnwell-check --help.

    man_pages.py VERSION TARNWELL_CHECK PAGE...
"""
import os
import re
import shutil
import subprocess
import sys


def render(page, width):
    """The page as man prints it, and what it said on standard error."""
    env = dict(os.environ, MANWIDTH=str(width), LC_ALL="C.UTF-8")
    run = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", page],
                         capture_output=True, text=True, env=env)
    return run.returncode, run.stdout, run.stderr


def words(text):
    """Text with blanks and line breaks as single spaces, and groff's
    typographic hyphen and minus as "-"."""
    return " ".join(text.replace("\u2010", "-").replace("\u2212", "-").split())


def help_entries(help_text, heading):
    """The items of one block of --help ("  TAG  what it does" lines, with
    indented continuation lines), each as words."""
    block = help_text.split("\n" + heading, 1)[1].split("\n\n", 1)[0]
    entries = []
    for line in block.splitlines()[1:]:
        if re.match(r"  \S", line):
            entries.append(line)
        else:
            entries[-1] += " " + line
    return [words(entry) for entry in entries]


def main(version, check_exe, pages):
    if shutil.which("man") is None:
        print("SKIPPED: man is not installed; bash scripts/deps.sh installs man-db")
        return 77
    failures = []
    for page in pages:
        name = os.path.basename(page)
        code, text, warnings = render(page, 80)
        if code != 0 or warnings:
            failures.append(f"{name}: man exits {code} and says:\n{warnings}")
        footer = [line for line in text.splitlines() if line.strip()][-1:]
        if not footer or f"tarnwell {version}" not in footer[0]:
            failures.append(f"{name}: its last line does not say tarnwell {version}")
        if "@" in open(page, encoding="utf-8").read():
            failures.append(f"{name}: a placeholder was not filled in")

    check_page = next(p for p in pages if p.endswith("tarnwell-check.1"))
    shown = words(render(check_page, 1000)[1])
    help_text = subprocess.run([check_exe, "--help"], capture_output=True,
                               text=True, check=True).stdout
    expected = help_entries(help_text, "Options:") + \
        help_entries(help_text, "Exit status")
    for entry in expected:
        if entry not in shown:
            failures.append(f"tarnwell-check.1 does not say, as --help does: {entry}")

    for failure in failures:
        print("FAILED:", failure)
    print(f"{len(pages)} pages, {len(expected)} items of --help: "
          f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3:]))
