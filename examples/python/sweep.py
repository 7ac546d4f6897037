#!/usr/bin/python3
"""Sweeps the shipped cloth over bending weights with Dask and plots its sag.

    examples/python/sweep.py [--scheduler ADDRESS] [--weights W ...] [--steps N] [--out PNG]

Each weight is one Dask task: it writes a copy of the cloth's scene file
with that bending_weight, steps the cloth and returns how far it sagged
(the largest and the mean drop of its vertices). Without --scheduler a
local cluster of one single-threaded worker process per core runs the
tasks; with the address of a running scheduler (tcp://host:8786) its
workers do, each with its own installed zarvo, so the same script sweeps
on a cluster. The plot of sag against weight is written as a PNG.
"""
import argparse
import os
import sys

import numpy as np
from dask.distributed import Client, LocalCluster

# The shipped cloth's own weight, marked on the plot.
CLOTH_BENDING_WEIGHT = 8e-6


def sag(bending_weight, steps):
    """Runs on a worker: the cloth's largest and mean drop after `steps` steps."""
    import json
    import tempfile

    import zarvo

    scenes = os.path.join(zarvo.resource_folder, "scenes")
    with open(os.path.join(scenes, "cloth.json")) as file:
        scene = json.load(file)
    scene["bending_weight"] = bending_weight
    # A scene file's paths are relative to its folder, and the copy lives
    # in another one.
    scene["mesh"] = os.path.join(scenes, scene["mesh"])
    scene["images"] = [os.path.join(scenes, image) for image in scene.get("images", [])]
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "cloth.json")
        with open(path, "w") as file:
            json.dump(scene, file)
        cloth = zarvo.Simulation(path)
    # One thread per run: the runs themselves fill the cores.
    cloth.threads = 1
    cloth.step(steps)
    drop = cloth.rest_positions[:, 1] - cloth.positions[:, 1]
    return float(drop.max()), float(drop.mean())


def plot(weights, sags, steps, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    largest, mean = np.array(sags).T
    figure, axes = plt.subplots(figsize=(7, 4.5), dpi=100)
    axes.semilogx(weights, largest, "o-", label="largest drop")
    axes.semilogx(weights, mean, "s-", label="mean drop")
    axes.axvline(CLOTH_BENDING_WEIGHT, color="grey", linestyle=":", label="the shipped cloth's weight")
    axes.set_xlabel("bending weight")
    axes.set_ylabel("drop below the start (scene units)")
    axes.set_title(f"The cloth after {steps} steps ({steps / 10:g} s)")
    axes.grid(True, alpha=0.3)
    axes.legend()
    figure.tight_layout()
    figure.savefig(path)
    plt.close(figure)


def main():
    parser = argparse.ArgumentParser(description="Sweep the cloth over bending weights with Dask.")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler "
                                            "(default: a local cluster on this machine)")
    parser.add_argument("--weights", type=float, nargs="+",
                        default=list(np.logspace(-7, -1, 13)),
                        help="bending weights (default: 13 from 1e-7 to 0.1)")
    parser.add_argument("--steps", type=int, default=150, help="time steps per run (default 150)")
    parser.add_argument("--out", default="sag.png", help="the plot's PNG file (default sag.png)")
    arguments = parser.parse_args()
    if arguments.steps < 0 or any(weight <= 0 for weight in arguments.weights):
        parser.error("steps must be 0 or more and weights above 0")
    weights = sorted(arguments.weights)

    if arguments.scheduler:
        client = Client(arguments.scheduler)
    else:
        cluster = LocalCluster(n_workers=os.cpu_count() or 1, threads_per_worker=1,
                               processes=True, dashboard_address=None)
        client = Client(cluster)
    with client:
        workers = len(client.scheduler_info()["workers"])
        futures = client.map(sag, weights, steps=arguments.steps)
        sags = client.gather(futures)
    if not arguments.scheduler:
        cluster.close()

    print("bending weight   largest drop   mean drop")
    for weight, (largest, mean) in zip(weights, sags):
        print(f"{weight:14.3g}   {largest:12.4f}   {mean:9.4f}")
    plot(weights, sags, arguments.steps, arguments.out)
    print(f"{len(weights)} runs on {workers} workers; plot written to {arguments.out}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
