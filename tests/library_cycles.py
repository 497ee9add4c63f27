#!/usr/bin/env python3
"""Fails when the product's static libraries call each other in a circle.

Usage: library_cycles.py LIB.a...  An edge A -> B is a symbol A leaves
undefined that B defines (weak and inline copies are not counted)."""
import os
import subprocess
import sys


def symbols(archive, flags):
    out = subprocess.run(["nm", "-g", *flags, archive], capture_output=True, text=True, check=True).stdout
    return [line.split() for line in out.splitlines() if line and not line.endswith(":")]


def name(archive):
    return os.path.basename(archive).removeprefix("lib").removesuffix(".a")


def main(archives):
    owner = {}
    for a in archives:
        for parts in symbols(a, ["--defined-only"]):
            if len(parts) == 3 and parts[1] in "TDBR":
                owner.setdefault(parts[2], name(a))
    edges = {name(a): {} for a in archives}
    for a in archives:
        for parts in symbols(a, ["--undefined-only"]):
            target = owner.get(parts[-1])
            if target and target != name(a):
                edges[name(a)].setdefault(target, parts[-1])
    state, path = {}, []

    def visit(node):  # depth first; a node met again on the path closes a circle
        state[node] = "open"
        path.append(node)
        for nxt, symbol in sorted(edges[node].items()):
            if state.get(nxt) == "open":
                circle = path[path.index(nxt):] + [nxt]
                print("circle: " + " -> ".join(circle) + f" (e.g. {node} needs {symbol})")
                return True
            if nxt not in state and visit(nxt):
                return True
        path.pop()
        state[node] = "done"
        return False

    for node in sorted(edges):
        if node not in state and visit(node):
            return 1
    print(f"{len(edges)} libraries, no circle")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
