#!/usr/bin/env python3
"""The manual pages as man shows them: each renders without a warning and
carries this version, and tarnwell-check(1) describes every option and
exit status in the words of tarnwell-check --help.

    man_pages.py VERSION TARNWELL_CHECK PAGE...
"""
import os
import re
import shutil
import subprocess
import sys


def render(page, width):
    """The page as man prints it, and what man said on standard error."""
    run = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", page],
                         capture_output=True, text=True,
                         env=dict(os.environ, MANWIDTH=str(width), LC_ALL="C.UTF-8"))
    return run.returncode, run.stdout, run.stderr


def words(text):
    """Blanks and line breaks as single spaces; groff's hyphen and minus as "-"."""
    return " ".join(text.replace("\u2010", "-").replace("\u2212", "-").split())


def help_items(help_text, heading):
    """The "  TAG  what it does" items of one block of --help, as words."""
    items = []
    for line in help_text.split("\n" + heading, 1)[1].split("\n\n")[0].splitlines()[1:]:
        if re.match(r"  \S", line):
            items.append(line)
        else:
            items[-1] += line
    return [words(item) for item in items]


def main(version, check_exe, pages):
    if shutil.which("man") is None:
        print("SKIPPED: man is not installed; bash scripts/deps.sh installs man-db")
        return 77
    failures = []
    for page in pages:
        code, text, warnings = render(page, 80)
        if code != 0 or warnings:
            failures.append(f"{page}: man exits {code} and says:\n{warnings}")
        if f"tarnwell {version} " not in (text.strip().splitlines() or [""])[-1]:
            failures.append(f"{page}: its foot does not say tarnwell {version}")
    help_text = subprocess.run([check_exe, "--help"], capture_output=True,
                               text=True, check=True).stdout
    items = help_items(help_text, "Options:") + help_items(help_text, "Exit status")
    shown = words(render(next(p for p in pages if p.endswith("check.1")), 1000)[1])
    failures += [f"tarnwell-check.1 does not say, as --help does: {item}"
                 for item in items if item not in shown]
    print("\n".join(["FAILED: " + f for f in failures] +
                    [f"{len(pages)} pages, {len(items)} items of --help, "
                     f"{len(failures)} failures"]))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3:]))
