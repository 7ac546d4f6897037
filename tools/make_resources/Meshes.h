#pragma once

#include "ObjMesh.h"

// The three shipped bodies. Each is laid out for the camera and the pinned
// vertex indices of its scene; y is up and the ground is the plane y = -11.
// Then the bodies and an obstacle of the example scene files with colliders,
// in metres, standing on the floor y = 0.

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

// A square tablecloth 1.6 m across, level at y = 1.05 over the middle of
// the round table; the texture repeats every 0.8 m.
ObjMesh makeTablecloth();

// A round table 0.75 m high, its top 0.9 m across: a closed surface of
// revolution about the y axis (the top, a column and a foot), so that it
// is solid inside.
ObjMesh makeRoundTable();

// A curtain 2 m wide and 2.4 m high in the plane z = 0, from x = -1 to 1,
// its hem 5 cm above the floor and its top row (the vertices at y = 2.45)
// first; the texture repeats every metre.
ObjMesh makeCurtain();

// A quadruped standing on the floor y = 0, 1.29 m long along x and 1.1 m
// high: a body, a head and four legs, closed rounded boxes that overlap.
ObjMesh makeQuadruped();
