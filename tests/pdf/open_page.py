#!/usr/bin/env python3
# Prints the page (from 1) that a PDF document's open action shows, or
# "none", from qpdf's JSON view of the document.
import json
import subprocess
import sys

doc = json.loads(subprocess.run(["qpdf", "--json", sys.argv[1]], check=True, capture_output=True).stdout)
objects = doc.get("qpdf", [{}, {}])[1] if "qpdf" in doc else doc.get("objects", {})
trailer = objects.get("trailer", {}).get("value", objects.get("trailer", {}))
root = trailer.get("/Root")
catalog = objects.get("obj:" + root, {}).get("value", objects.get(root, {})) if root else {}
action = catalog.get("/OpenAction")
if not action:
    print("none")
    sys.exit(0)
if isinstance(action, str):
    action = objects.get("obj:" + action, {}).get("value", objects.get(action, {}))
target = action[0] if isinstance(action, list) else None
pages = [p["object"] for p in doc.get("pages", [])]
print(pages.index(target) + 1 if target in pages else "unknown %r" % (action,))
