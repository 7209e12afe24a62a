#!/usr/bin/env python3
"""Prints the viewer probe's table: every figure of ours and each peer (the median of
the rounds probed), the ratio (peer / ours: above 1 means ours is faster or lighter), and
the targets."""
import statistics
import sys

FIELDS = [("first page (s)", 0, 1000.0), ("RSS open (MB)", 1, 1.0),
          ("100 Page Down (s)", 2, 1000.0), ("zoom x3 (s)", 3, 1000.0),
          ("RSS at end (MB)", 4, 1.0), ("peak RSS (MB)", 5, 1.0)]
TARGETS = {"text1000": {"first page (s)": 0.15}, "images200": {"first page (s)": 0.25,
                                                                 "RSS at end (MB)": 200}}

runs = {}
for line in open(sys.argv[1]):
    parts = line.split()
    if len(parts) < 8:
        continue
    runs.setdefault(parts[0], {}).setdefault(parts[1], []).append(parts[2:8])


def median(values):
    numbers = [float(v) for v in values if v not in ("-", "timeout")]
    return f"{statistics.median(numbers):g}" if numbers else values[0]


rows = {doc: {name: [median([r[i] for r in rounds]) for i in range(6)]
              for name, rounds in viewers.items()} for doc, viewers in runs.items()}
print(f"(median of {max(len(r) for v in runs.values() for r in v.values())} rounds)")

for doc, viewers in rows.items():
    print(f"== {doc}")
    ours = viewers.get("ours")
    for label, i, scale in FIELDS:
        cells = []
        base = None
        if ours and ours[i] not in ("-", "timeout"):
            base = float(ours[i]) / scale
        for name, values in viewers.items():
            v = values[i]
            if v in ("-", "timeout"):
                cells.append(f"{name} {v}")
                continue
            x = float(v) / scale
            ratio = f" ({x / base:.2f}x)" if base and name != "ours" else ""
            cells.append(f"{name} {x:.2f}{ratio}")
        target = TARGETS.get(doc, {}).get(label)
        if label == "RSS at end (MB)" and "evince" in viewers:
            evince = viewers["evince"][i]
            if evince not in ("-", "timeout"):
                target = min(float(evince), target or float(evince))
        verdict = ""
        if target is not None and base is not None:
            verdict = f"  target <= {target:g}: {'met' if base <= target else 'NOT met'}"
        print(f"  {label:18s} " + " | ".join(cells) + verdict)
