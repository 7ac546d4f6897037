"""Zarvo's deformable bodies from Python.

    import zarvo
    cloth = zarvo.Simulation("cloth")     # or a scene file, or a mesh file
    cloth.step(20)
    sag = (cloth.rest_positions - cloth.positions)[:, 1].max()

Simulation reads a scene as zarvo-sim does and steps its body with the same
bits; read_mesh reads a mesh file as a Simulation takes it. A file that
cannot be read raises ResourceError naming it.

resource_folder is where the shipped scenes ("cloth", "shell", "plate")
are read from: the installed data folder (share/zarvo under the prefix), or
the source tree's resources/ for the build tree's package.
"""
from ._resources import folder as resource_folder
from ._zarvo import ResourceError, Simulation, read_mesh

__all__ = ["ResourceError", "Simulation", "read_mesh", "resource_folder"]
