#!/usr/bin/env python3
"""Compares the verdicts of Lighthouse's SEO audits (lh-N.json, one a page, in
the order of the addresses) with headwise-cli's JSON report (hw-report.json)
of the same addresses, both in WORK_DIR. An audit agrees on a page when both
pass or both fail it; for the audits that list elements (link-text,
crawlable-anchors, image-alt) when they count as many, and for robots-txt when
they name the same lines. Usage: lighthouse_compare.py WORK_DIR URL...
"""
import json, os, sys
work, urls = sys.argv[1], sys.argv[2:]
# Which Headwise rules answer each Lighthouse audit.
AUDITS = {
    "is-crawlable": ("robots-noindex", "robots-txt-blocked"),
    "document-title": ("title-missing", "title-empty"),
    "meta-description": ("description-missing", "description-empty"),
    "http-status-code": ("http-status",),
    "hreflang": ("hreflang-invalid", "hreflang-relative"),
    "canonical": ("canonical-invalid", "canonical-relative", "canonical-multiple", "canonical-conflict",
                  "canonical-root", "canonical-hreflang"),
    "link-text": ("link-text",),
    "crawlable-anchors": ("crawlable-anchors",),
    "image-alt": ("image-alt",),
    "robots-txt": ("robots-txt-invalid",),
}
# Audits whose items are one element each: the counts are compared too.
COUNTED = {"link-text", "crawlable-anchors", "image-alt"}
report = json.load(open(os.path.join(work, "hw-report.json")))
findings = {page.get("page"): [f for f in page.get("findings", []) if f.get("severity") != "info"]
            for page in report.get("pages", [])}
robots = [f for name, fs in findings.items() if name.endswith("/robots.txt") for f in fs]
table = {a: [0, []] for a in AUDITS}
for n, url in enumerate(urls, 1):
    try:
        lh = json.load(open(os.path.join(work, "lh-%d.json" % n)))["audits"]
    except (OSError, ValueError, KeyError):
        continue
    page = findings.get(url, []) + robots
    for audit, ids in AUDITS.items():
        if audit not in lh:
            continue
        score = lh[audit].get("score")
        lh_fails = score is not None and score < 1  # None: not applicable, or could not tell
        items = (lh[audit].get("details") or {}).get("items") or []
        hw = [f for f in page if f["rule"] in ids]
        if audit == "robots-txt":
            lh_side = sorted(int(i["index"]) for i in items) if items else ([0] if lh_fails else [])
            hw_side = sorted(f.get("line", 0) for f in hw)
        elif audit in COUNTED:
            lh_side, hw_side = (len(items) if lh_fails else 0), len(hw)
        else:
            lh_side, hw_side = lh_fails, bool(hw)
        if lh_side == hw_side:
            table[audit][0] += 1
        else:
            table[audit][1].append("%s: Lighthouse %s, Headwise %s" % (url, lh_side, hw_side))
print("%-18s %6s %6s" % ("audit", "agree", "differ"))
for audit, (agree, differ) in table.items():
    print("%-18s %6d %6d" % (audit, agree, len(differ)))
for audit, (agree, differ) in table.items():
    for line in differ:
        print("  %s  %s" % (audit, line))
