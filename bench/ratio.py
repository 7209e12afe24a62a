#!/usr/bin/env python3
"""Prints each command's mean from a hyperfine JSON export and how many times faster the
first command (ours) is than each of the others."""
import json
import sys

results = json.load(open(sys.argv[1]))["results"]
ours = results[0]["mean"]
print(f"  {results[0]['command']}: {ours:.3f} s")
for r in results[1:]:
    print(f"  {r['command']}: {r['mean']:.3f} s  -> ours is {r['mean'] / ours:.2f}x faster")
