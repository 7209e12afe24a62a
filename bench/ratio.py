#!/usr/bin/env python3
"""Prints each command's median (and mean CPU time) from a hyperfine JSON export and how many
times faster the first command (ours) is than each of the others. With --target X, says
whether ours is at least X times as fast as the first peer.
Usage: ratio.py RESULTS.json [--target X]"""
import json
import sys

results = json.load(open(sys.argv[1]))["results"]
target = float(sys.argv[sys.argv.index("--target") + 1]) if "--target" in sys.argv else None
cpu = lambda r: r.get("user", 0) + r.get("system", 0)
ours = results[0]["median"]
print(f"  ours   {results[0]['command']}: median {ours:.3f} s (CPU {cpu(results[0]):.3f} s)")
for i, r in enumerate(results[1:]):
    line = (f"  peer   {r['command']}: median {r['median']:.3f} s (CPU {cpu(r):.3f} s)"
            f"  -> ratio: ours is {r['median'] / ours:.2f}x faster")
    if target is not None and i == 0:
        line += f"  target >= {target:g}x: {'met' if r['median'] / ours >= target else 'NOT met'}"
    print(line)
