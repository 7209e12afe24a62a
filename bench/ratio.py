#!/usr/bin/env python3
"""Prints each command's mean (and CPU time) from a hyperfine JSON export and how many
times faster the first command (ours) is than each of the others. With --target X, says
whether ours is at least X times as fast as the first peer.
Usage: ratio.py RESULTS.json [--target X]"""
import json
import sys

results = json.load(open(sys.argv[1]))["results"]
target = float(sys.argv[sys.argv.index("--target") + 1]) if "--target" in sys.argv else None
cpu = lambda r: r.get("user", 0) + r.get("system", 0)
ours = results[0]["mean"]
print(f"  {results[0]['command']}: {ours:.3f} s (CPU {cpu(results[0]):.3f} s)")
for i, r in enumerate(results[1:]):
    line = (f"  {r['command']}: {r['mean']:.3f} s (CPU {cpu(r):.3f} s)"
            f"  -> ours is {r['mean'] / ours:.2f}x faster")
    if target is not None and i == 0:
        line += f"  target >= {target:g}x: {'met' if r['mean'] / ours >= target else 'NOT met'}"
    print(line)
