#!/usr/bin/env python3
"""Runs tarnwell-check --format=sarif and --format=json over every fixture
(and a file that does not exist) and checks the output: well-formed JSON,
the properties that the SARIF 2.1.0 schema requires, with the types and
ranges it gives them, every rule a result names declared in the tool
driver, and every JSON diagnostic complete.

    sarif_check.py TARNWELL_CHECK FIXTURES_DIR
"""
import json
import os
import re
import subprocess
import sys

LEVELS = {"none", "note", "warning", "error"}
# RFC 3986 URI reference: unreserved, reserved and percent-escapes only.
URI = re.compile(r"^([A-Za-z0-9\-._~:/?#\[\]@!$&'()*+,;=]|%[0-9A-F]{2})*$")
problems = []


def need(ok, where, what):
    if not ok:
        problems.append(f"{where}: {what}")


def integer(value, minimum):
    return isinstance(value, int) and not isinstance(value, bool) and value >= minimum


def message(obj, where):
    need(isinstance(obj, dict) and isinstance(obj.get("text", obj.get("id")), str),
         where, "a message needs text or id")


def location(loc, where, artifacts):
    phys = loc.get("physicalLocation")
    need(isinstance(phys, dict) and "artifactLocation" in phys, where,
         "physicalLocation needs an artifactLocation")
    if not isinstance(phys, dict):
        return
    art = phys.get("artifactLocation", {})
    need("uri" in art or "index" in art, where, "no uri and no artifact index")
    need(URI.match(art.get("uri", "")), where, f"uri {art.get('uri')!r} is no URI reference")
    need(integer(art.get("index", -1), -1) and art.get("index", -1) < artifacts,
         where, "artifact index out of range")
    region = phys.get("region")
    need(region is not None, where, "every location needs a region")
    if region is not None:
        need(integer(region.get("startLine"), 1), where, "startLine must be >= 1")
        for key in ("startColumn", "endColumn"):
            need(integer(region.get(key, 1), 1), where, f"{key} must be >= 1")
        need(region.get("endColumn", 1) >= region.get("startColumn", 1), where,
             "the region ends before it starts")


def check_sarif(log):
    need(log.get("version") == "2.1.0", "sarifLog", "version must be 2.1.0")
    need(isinstance(log.get("runs"), list) and log["runs"], "sarifLog", "runs required")
    for r, run in enumerate(log.get("runs") or []):
        driver = run.get("tool", {}).get("driver")
        need(isinstance(driver, dict) and isinstance(driver.get("name"), str),
             f"run {r}", "tool.driver.name required")
        rules = driver.get("rules", [])
        ids = [rule.get("id") for rule in rules]
        need(all(isinstance(i, str) for i in ids) and len(set(ids)) == len(ids),
             f"run {r}", "every rule needs a unique id")
        for rule in rules:
            for key in ("shortDescription", "fullDescription", "help"):
                if key in rule:
                    need(isinstance(rule[key].get("text"), str), rule["id"],
                         f"{key} needs text")
            level = rule.get("defaultConfiguration", {}).get("level", "warning")
            need(level in LEVELS, rule["id"], f"level {level!r}")
        for inv in run.get("invocations", []):
            need(isinstance(inv.get("executionSuccessful"), bool), f"run {r}",
                 "invocation needs executionSuccessful")
            for note in inv.get("toolExecutionNotifications", []):
                message(note.get("message"), "notification")
        artifacts = len(run.get("artifacts", []))
        for n, result in enumerate(run.get("results", [])):
            where = f"result {n}"
            message(result.get("message"), where)
            need(result.get("level", "warning") in LEVELS, where, "level")
            need(result.get("ruleId") in ids, where,
                 f"rule {result.get('ruleId')!r} is not declared by the driver")
            index = result.get("ruleIndex", -1)
            need(integer(index, -1) and (index == -1 or ids[index] == result.get("ruleId")),
                 where, "ruleIndex does not name the rule")
            need(result.get("locations"), where, "no location")
            prints = result.get("partialFingerprints", {})
            need(prints and all(isinstance(v, str) for v in prints.values()), where,
                 "no partialFingerprints")
            for loc in result.get("locations", []) + result.get("relatedLocations", []):
                location(loc, where, artifacts)
    return sum(len(run.get("results", [])) for run in log.get("runs") or [])


def check_json(report):
    count = 0
    for entry in report["files"]:
        for d in entry.get("diagnostics", []):
            count += 1
            for key in ("file", "line", "column", "endColumn", "severity", "name",
                        "message", "notes"):
                need(key in d, entry["file"], f"diagnostic without {key}")
            need(d["severity"] in {"note", "warning", "error"}, entry["file"], "severity")
        need("summary" in entry or "error" in entry, entry["file"], "no summary")
    return count


def sarif(exe, fixtures, *args, stdin=None):
    run = subprocess.run([exe, "--format=sarif", *args], cwd=fixtures, input=stdin,
                         capture_output=True, check=False)
    return json.loads(run.stdout.decode("utf-8"))["runs"][0]


def prints(run):
    return [r["partialFingerprints"]["tarnwellFinding/v1"] for r in run["results"]]


def check_fingerprints_and_limits(exe, fixtures):
    """Fingerprints are unique, and stay when lines are added above; standard
    input has no URI; --max-findings keeps N results and says what it left."""
    with open(os.path.join(fixtures, "numbers.cfg"), "rb") as f:
        text = f.read()
    before = prints(sarif(exe, fixtures, "-", stdin=text))
    after = prints(sarif(exe, fixtures, "-", stdin=b"; moved\n\n" + text))
    need(len(set(before)) == len(before) > 10, "fingerprints", "not unique")
    need(before == after, "fingerprints", "changed when lines moved")
    run = sarif(exe, fixtures, "-", stdin=text)
    need("uri" not in json.dumps(run["artifacts"]) and
         all("uri" not in r["locations"][0]["physicalLocation"]["artifactLocation"]
             for r in run["results"]), "stdin", "standard input has a URI")
    run = sarif(exe, fixtures, "--max-findings=3", "numbers.cfg")
    notes = run["invocations"][0]["toolExecutionNotifications"]
    need(len(run["results"]) == 3 and "not shown" in notes[0]["message"]["text"],
         "--max-findings", "not 3 results and a count of the rest")


def main():
    exe, fixtures = sys.argv[1], sys.argv[2]
    files = sorted(f for f in os.listdir(fixtures) if f.endswith(".cfg"))
    files.append("absent.cfg")
    outputs = {}
    for form in ("sarif", "json"):
        run = subprocess.run([exe, f"--format={form}", *files], cwd=fixtures,
                             capture_output=True, check=False)
        need(run.returncode == 2, form, f"exit status {run.returncode}, expected 2")
        outputs[form] = json.loads(run.stdout.decode("utf-8"))
    check_fingerprints_and_limits(exe, fixtures)
    results = check_sarif(outputs["sarif"])
    diagnostics = check_json(outputs["json"])
    need(results == diagnostics and results > 100, "outputs",
         f"{results} SARIF results against {diagnostics} JSON diagnostics")
    for p in problems:
        print("FAILED:", p)
    print(f"{len(files)} files, {results} results checked")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
