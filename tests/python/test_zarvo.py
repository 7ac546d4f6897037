"""The Python module as a user meets it once installed: scripts/test-install
runs these with the installed package folder on PYTHONPATH and the installed
zarvo-sim on PATH."""
import shutil
import struct
import subprocess
import threading
import time
from pathlib import Path

import numpy as np
import pytest

import zarvo

STEPS = 20
# Left before step 3 and the mouse on vertex 700 for steps 5 to 7, as zarvo-sim
# takes them.
PRESS_STEP, PULL_VERTEX, PULL_STEPS = 3, 700, range(5, 8)
INPUT_ARGUMENTS = ["--press", f"Left@{PRESS_STEP}",
                   "--pull", f"{PULL_VERTEX}@{PULL_STEPS[0]}-{PULL_STEPS[-1]}"]


# A cloth over a floor, with a ball in front that the Up key pushes into it.
BALL_AND_FLOOR = Path(__file__).resolve().parents[1] / "sim" / "ball-and-floor.json"
# A quadruped filled with a lattice, on a floor: its vertices follow the
# lattice's nodes.
QUADRUPED = Path(__file__).resolve().parents[2] / "resources" / "scenes" / "quadruped.json"
# A cloth dropped over a ball, folding onto itself without passing through.
DRAPE = Path(__file__).resolve().parents[2] / "resources" / "scenes" / "drape.json"


def last_sample(folder, steps, threads, arguments, scene="cloth"):
    """zarvo-sim's positions after `steps` steps of `scene`, float32, n x 3."""
    program = shutil.which("zarvo-sim")
    assert program, "zarvo-sim is not on PATH"
    subprocess.run([program, str(scene), "--steps", str(steps), "--threads", str(threads),
                    "--out", str(folder), *arguments], check=True, stdout=subprocess.DEVNULL)
    data = (folder / "body.pc2").read_bytes()
    _, _, points, _, _, samples = struct.unpack("<12siiffi", data[:32])
    return np.frombuffer(data, "<f4", offset=32).reshape(samples, points, 3)[-1]


@pytest.mark.parametrize("threads", [1, 2])
@pytest.mark.parametrize("with_inputs", [False, True], ids=["still", "pressed-and-pulled"])
def test_steps_give_the_bits_of_zarvo_sim(tmp_path, threads, with_inputs):
    expected = last_sample(tmp_path, STEPS, threads, INPUT_ARGUMENTS if with_inputs else [])
    cloth = zarvo.Simulation("cloth")
    cloth.threads = threads
    for step in range(1, STEPS + 1):
        if with_inputs and step == PRESS_STEP:
            assert cloth.press("Left")
        if with_inputs and step in PULL_STEPS:
            cloth.pull(PULL_VERTEX)
        cloth.step()
    assert cloth.threads == threads
    assert np.array_equal(cloth.positions.astype(np.float32), expected)


def test_a_ball_pushed_into_the_cloth_gives_the_bits_of_zarvo_sim(tmp_path):
    expected = last_sample(tmp_path, STEPS, 2, ["--press", f"Up@{PRESS_STEP}"], BALL_AND_FLOOR)
    body = zarvo.Simulation(BALL_AND_FLOOR)
    body.threads = 2
    for step in range(1, STEPS + 1):
        if step == PRESS_STEP:
            assert body.press("Up")
        body.step()
    assert np.array_equal(body.positions.astype(np.float32), expected)


def test_a_filled_solid_pulled_by_the_mouse_gives_the_bits_of_zarvo_sim(tmp_path):
    steps, vertex = 6, 100
    expected = last_sample(tmp_path, steps, 2, ["--pull", f"{vertex}@2-4"], QUADRUPED)
    body = zarvo.Simulation(QUADRUPED)
    body.threads = 2
    rest = body.positions
    for step in range(1, steps + 1):
        if 2 <= step <= 4:
            body.pull(vertex)
        body.step()
    assert body.positions.shape == rest.shape
    assert np.array_equal(body.positions.astype(np.float32), expected)


def test_a_cloth_folding_on_itself_gives_the_bits_of_zarvo_sim(tmp_path):
    steps = 30
    expected = last_sample(tmp_path, steps, 2, [], DRAPE)
    body = zarvo.Simulation(DRAPE)
    body.threads = 2
    for _ in range(steps):
        body.step()
    assert body.positions[:, 1].max() < 0.6  # fallen onto the ball
    assert np.array_equal(body.positions.astype(np.float32), expected)


def test_arrays_are_copies_that_later_steps_leave_alone():
    cloth = zarvo.Simulation("cloth")
    before = cloth.positions
    cloth.step(2)
    assert np.array_equal(before, cloth.rest_positions)
    after = cloth.positions
    after[:] = 0.0
    assert not np.array_equal(cloth.positions, after)
    assert not np.array_equal(cloth.positions, before)


def test_polygons_come_as_fans_and_read_mesh_gives_the_bodys_rows(tmp_path):
    # A quad and a pentagon sharing the edge 2-3, and a stray vertex (the
    # fifth) that the body leaves out.
    mesh = tmp_path / "polygons.obj"
    mesh.write_text("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 9 9 9\n"
                    "v 2 0 0\nv 2 1 0\nv 1.5 2 0\nf 1 2 3 4\nf 2 6 7 8 3\n")
    vertices, faces = zarvo.read_mesh(mesh)
    expected = [[0, 1, 2], [0, 2, 3], [1, 4, 5], [1, 5, 6], [1, 6, 2]]
    assert faces.tolist() == expected
    assert vertices.tolist() == [[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0],
                                 [2, 0, 0], [2, 1, 0], [1.5, 2, 0]]
    body = zarvo.Simulation(mesh)
    assert body.faces.tolist() == expected
    assert np.array_equal(body.rest_positions, vertices)


def test_a_tetrahedral_mesh_gives_its_outward_boundary_and_all_its_nodes(tmp_path):
    # One cube of side 2 split into five tetrahedra: four corners cut off
    # and the inner one, which touches no outside face.
    mesh = tmp_path / "cube.mesh"
    corners = [(x, y, z) for z in (0, 2) for y in (0, 2) for x in (0, 2)]
    tetrahedra = [(1, 2, 3, 5), (4, 3, 2, 8), (6, 5, 8, 2), (7, 8, 5, 3), (2, 3, 5, 8)]
    mesh.write_text("MeshVersionFormatted 2\nDimension 3\nVertices\n8\n"
                    + "".join(f"{x} {y} {z} 0\n" for x, y, z in corners)
                    + "Tetrahedra\n5\n" + "".join(f"{a} {b} {c} {d} 1\n" for a, b, c, d in tetrahedra)
                    + "End\n")
    vertices, faces = zarvo.read_mesh(mesh)
    assert vertices.tolist() == [list(c) for c in corners]
    assert faces.shape == (12, 3)
    # The faces enclose the cube's volume, 8, with a positive sign only when
    # each turns counterclockwise seen from outside.
    a, b, c = (vertices[faces[:, k]] for k in range(3))
    assert np.einsum("ij,ij->", a, np.cross(b, c)) / 6 == pytest.approx(8)
    body = zarvo.Simulation(mesh)
    assert body.faces.tolist() == faces.tolist()
    assert np.array_equal(body.rest_positions, vertices)


def never_initialized():
    return zarvo.Simulation.__new__(zarvo.Simulation)


CARELESS_CALLS = {
    "missing scene file": (lambda c: zarvo.Simulation("/no/such/folder/flag.json"),
                           zarvo.ResourceError, "/no/such/folder/flag.json"),
    "missing mesh": (lambda c: zarvo.read_mesh("/no/such/folder/flag.obj"),
                     zarvo.ResourceError, "/no/such/folder/flag.obj"),
    "scene None": (lambda c: zarvo.Simulation(None), TypeError, None),
    "null in a path": (lambda c: zarvo.Simulation("cloth\0.obj"), ValueError, None),
    "negative count": (lambda c: c.step(-1), ValueError, None),
    "huge count": (lambda c: c.step(2**64), TypeError, None),
    "no threads": (lambda c: setattr(c, "threads", 0), ValueError, None),
    "too many threads": (lambda c: setattr(c, "threads", 10**6), ValueError, None),
    "no iterations": (lambda c: setattr(c, "iterations", -3), ValueError, None),
    "iterations None": (lambda c: setattr(c, "iterations", None), TypeError, None),
    "unknown key": (lambda c: c.press("left"), ValueError, "left"),
    "vertex past the end": (lambda c: c.pull(len(c.positions)), IndexError, None),
    "negative vertex": (lambda c: c.pull(-1), IndexError, None),
    "step never initialized": (lambda c: never_initialized().step(), TypeError, None),
    "positions never initialized": (lambda c: never_initialized().positions, TypeError, None),
    "step of another object": (lambda c: zarvo.Simulation.step(7), TypeError, None),
}


@pytest.mark.parametrize("call, error, named", CARELESS_CALLS.values(), ids=CARELESS_CALLS.keys())
def test_careless_calls_raise_and_leave_the_body_usable(call, error, named):
    cloth = zarvo.Simulation("cloth")
    threads = cloth.threads
    with pytest.raises(error) as raised:
        call(cloth)
    if named:
        assert named in str(raised.value)
    cloth.step()
    assert (cloth.threads, cloth.iterations) == (threads, 10)


def test_step_lets_other_threads_run():
    cloth = zarvo.Simulation("cloth")
    cloth.threads = 1
    started = time.perf_counter()
    cloth.step(50)
    steps = max(50, int(50 * 1.0 / (time.perf_counter() - started)))  # about a second
    stepper = threading.Thread(target=cloth.step, args=(steps,))
    started = last = time.perf_counter()
    longest = 0.0
    stepper.start()
    while stepper.is_alive():
        now = time.perf_counter()
        longest, last = max(longest, now - last), now
    took = time.perf_counter() - started
    stepper.join()
    assert longest < took / 4, f"this thread stood still {longest:.3f} s of {took:.3f} s"


def test_threads_stepping_one_body_take_turns():
    shared = zarvo.Simulation("cloth")
    stepping = [threading.Thread(target=shared.step, args=(STEPS,)) for _ in range(2)]
    for thread in stepping:
        thread.start()
    for thread in stepping:
        thread.join()
    alone = zarvo.Simulation("cloth")
    alone.step(2 * STEPS)
    assert np.array_equal(shared.positions, alone.positions)


def test_threads_reading_meshes_and_building_bodies_at_once_each_report_once(tmp_path, capfd):
    # A 30 x 30 grid whose first triangle comes twice: every read reports the
    # refused copy in one line of its own.
    side = 30
    lines = [f"v {i} {j} 0" for j in range(side) for i in range(side)]
    corner = lambda i, j: j * side + i + 1
    for j in range(side - 1):
        for i in range(side - 1):
            lines.append(f"f {corner(i, j)} {corner(i + 1, j)} {corner(i + 1, j + 1)}")
            lines.append(f"f {corner(i, j)} {corner(i + 1, j + 1)} {corner(i, j + 1)}")
    lines.append(lines[side * side])
    mesh = tmp_path / "twice.obj"
    mesh.write_text("\n".join(lines) + "\n")
    report = f"{mesh}: 1 faces that the mesh refuses (non-manifold or repeated corners) skipped\n"
    capfd.readouterr()

    def read_and_build():
        for _ in range(8):
            zarvo.read_mesh(mesh)
        zarvo.Simulation(mesh)

    threads = [threading.Thread(target=read_and_build) for _ in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert capfd.readouterr().err == report * 4 * 9
    zarvo.read_mesh(mesh)
    assert capfd.readouterr().err == report
