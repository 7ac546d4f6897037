#pragma once

#include "ObjMesh.h"

// The three shipped bodies. Each is laid out for the camera and the pinned
// vertex indices of its scene; y is up and the ground is the plane y = -11.

// A hanging sheet whose top row (vertices 0 .. 40) lies on the pole, the x
// axis; vertices 0, 5, ..., 40 are pinned.
ObjMesh makeCloth();

// An upright thin cylindrical shell. Its two lowest rings take the indices
// 0 .. 81 and 1600 .. 1681 (held), its two highest rings n-82 .. n-1 and
// n-1682 .. n-1601 (pushed down).
ObjMesh makeCylinder();

// A horizontal plate standing out from the wall face x = -10. The two rows
// along the wall take the indices 0 .. 59, 900 .. 919 and 1250 .. 1261.
ObjMesh makePlate();
