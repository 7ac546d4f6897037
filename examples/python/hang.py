#!/usr/bin/python3
"""Hangs a mesh from the top of each of its pieces and prints how far it sagged.

    examples/python/hang.py MESH [STEPS]

The mesh (.obj, .off or .stl) gets the defaults of a mesh alone, as with
`zarvo-sim MESH`: pinned at the top of every piece, weights scaled to its
size. After STEPS steps (default 50) of 0.1 s each, the program prints the
largest drop of any vertex below where it started (y is up).
"""
import argparse
import sys

import zarvo


def main():
    parser = argparse.ArgumentParser(description="Hang a mesh and print how far it sagged.")
    parser.add_argument("mesh", help="mesh file: .obj, .off or .stl")
    parser.add_argument("steps", type=int, nargs="?", default=50, help="time steps (default 50)")
    arguments = parser.parse_args()
    if arguments.steps < 0:
        parser.error("steps must be 0 or more")
    try:
        body = zarvo.Simulation(arguments.mesh)
    except zarvo.ResourceError as error:
        print(f"hang.py: {error}", file=sys.stderr)
        return 2
    body.step(arguments.steps)
    drop = body.rest_positions[:, 1] - body.positions[:, 1]
    print(f"{arguments.mesh}: {len(drop)} vertices, {len(body.faces)} triangles; "
          f"after {arguments.steps} steps the largest drop is {drop.max():.4f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
