# Plays a body cache back in Blender and checks that Blender shows exactly
# what the runner wrote.
#
#   blender -b --factory-startup --python tests/sim/blender_playback.py -- OBJ PC2
#
# OBJ is the rest mesh (vertices in solver order), PC2 the Point Cache 2 file
# whose sample 0 is the rest state. Exit code 0 when every check holds, 1
# otherwise, with one line saying why.
#
# What is checked:
#  - Blender's OBJ importer keeps our mesh: the same vertex count, the file's
#    faces (no splitting, no merging), and no turn of the axes;
#  - the cache's sample 0 is the rest mesh as Blender imported it, point for
#    point, so importer and cache agree on vertex order and axes;
#  - with a Mesh Cache modifier, the scene frame START+k shows sample k: at a
#    middle sample every evaluated vertex equals the cache's float32 values
#    exactly, and that sample has moved away from sample 0.

import array
import math
import struct
import sys
import traceback

import bpy

TAG = "blender-playback:"


class Mismatch(Exception):
    pass


def read_obj(path):
    """The faces, as 0-based vertex indices."""
    verts, faces = 0, []
    with open(path) as f:
        for line in f:
            parts = line.split()
            if not parts:
                continue
            if parts[0] == "v":
                verts += 1
            elif parts[0] == "f":
                face = []
                for t in parts[1:]:
                    i = int(t.split("/")[0])
                    face.append(i - 1 if i > 0 else verts + i)
                faces.append(tuple(face))
    return faces


def read_pc2(path):
    with open(path, "rb") as f:
        data = f.read()
    sig, version, points, start, rate, samples = struct.unpack_from("<12siiffi", data, 0)
    if sig != b"POINTCACHE2\0" or version != 1:
        raise Mismatch("%s is not a version 1 Point Cache 2 file" % path)
    if len(data) != 32 + 12 * points * samples:
        raise Mismatch("%s holds %d bytes, its header promises %d"
                       % (path, len(data), 32 + 12 * points * samples))
    # Blender's Mesh Cache modifier, in its FRAME time mode, ignores the
    # header's start and rate: frame F shows sample F - modifier.frame_start.
    # We play sample k at frame start+k, which needs one sample per frame.
    if rate != 1.0:
        raise Mismatch("%s has sample rate %g; the playback check expects 1" % (path, rate))

    def sample(k):
        return struct.unpack_from("<%df" % (3 * points), data, 32 + 12 * points * k)

    return points, start, samples, sample


def mesh_coords(mesh):
    co = array.array("f", [0.0]) * (3 * len(mesh.vertices))
    mesh.vertices.foreach_get("co", co)
    return co.tolist()


def first_difference(a, b):
    for i in range(0, min(len(a), len(b)), 3):
        if a[i:i + 3] != b[i:i + 3]:
            return i // 3
    return None


def distance(a, b, v):
    return math.dist(a[3 * v:3 * v + 3], b[3 * v:3 * v + 3])


def check(obj_path, pc2_path):
    faces = read_obj(obj_path)
    points, start, samples, sample = read_pc2(pc2_path)
    if samples < 2:
        raise Mismatch("%s has %d sample(s); at least 2 are needed" % (pc2_path, samples))

    bpy.ops.wm.read_factory_settings(use_empty=True)
    # The importer keeps the mesh's coordinates and puts its axis conversion
    # into the object's transform. Forward Y and up Z are Blender's own axes,
    # so that transform is the identity and the body stands in Blender's world
    # as it stood in ours. The other options keep the mesh as written too: no
    # scaling, no clamping, no vertex groups, and no validation (which may
    # merge or drop elements).
    bpy.ops.wm.obj_import(filepath=obj_path, forward_axis='Y', up_axis='Z',
                          global_scale=1.0, clamp_size=0.0,
                          import_vertex_groups=False, validate_meshes=False)
    imported = [o for o in bpy.context.scene.objects if o.type == 'MESH']
    if len(imported) != 1:
        raise Mismatch("the importer made %d mesh objects, not 1" % len(imported))
    ob = imported[0]
    mesh = ob.data
    transform = [list(row) for row in ob.matrix_world]
    if transform != [[float(i == j) for j in range(4)] for i in range(4)]:
        raise Mismatch("the importer placed the body with transform %s, not the identity" % transform)

    rest = mesh_coords(mesh)
    if len(mesh.vertices) != points:
        raise Mismatch("Blender imported %d vertices from %s, %s has %d points"
                       % (len(mesh.vertices), obj_path, pc2_path, points))
    imported_faces = [tuple(p.vertices) for p in mesh.polygons]
    if imported_faces != faces:
        raise Mismatch("Blender imported %d faces that differ from the %d in %s"
                       % (len(imported_faces), len(faces), obj_path))

    # Sample 0 is the rest state, so it must be where Blender put the OBJ's
    # vertices. This fails when the importer reorders, moves or turns them, and
    # when the cache is in another vertex order. The tolerance covers OBJ
    # coordinates written with as few as 6 significant digits, and is far below
    # any edge length.
    lo = [min(rest[a::3]) for a in range(3)]
    hi = [max(rest[a::3]) for a in range(3)]
    diagonal = math.dist(lo, hi)
    tolerance = 1e-4 * diagonal
    first = sample(0)
    for v in range(points):
        if distance(first, rest, v) > tolerance:
            raise Mismatch("cache sample 0 puts vertex %d %.6g away from where Blender imported it (diagonal %.6g): "
                           "the importer and the cache disagree on the vertex order or the axes"
                           % (v, distance(first, rest, v), diagonal))

    middle = samples // 2
    expected = list(sample(middle))
    moved = max(distance(expected, first, v) for v in range(points))
    if moved <= tolerance:
        raise Mismatch("cache sample %d is where sample 0 is (moved %.3g): nothing would be seen to play"
                       % (middle, moved))

    modifier = ob.modifiers.new("cache", 'MESH_CACHE')
    modifier.cache_format = 'PC2'
    modifier.filepath = pc2_path
    modifier.frame_start = start
    frame = int(start) + middle
    if frame != start + middle:
        raise Mismatch("start frame %g is not a whole frame" % start)
    bpy.context.scene.frame_set(frame)
    evaluated = ob.evaluated_get(bpy.context.evaluated_depsgraph_get()).data
    shown = mesh_coords(evaluated)
    if len(shown) != len(expected):
        raise Mismatch("Blender shows %d vertices at frame %d, the cache has %d"
                       % (len(evaluated.vertices), frame, points))
    v = first_difference(shown, expected)
    if v is not None:
        raise Mismatch("at frame %d Blender shows vertex %d at %s, cache sample %d has %s"
                       % (frame, v, tuple(shown[3 * v:3 * v + 3]), middle, tuple(expected[3 * v:3 * v + 3])))

    print("%s OK: Blender %s, frame %d shows sample %d of %d exactly for all %d vertices "
          "(moved up to %.4g from sample 0); %d faces and sample 0 as in %s"
          % (TAG, bpy.app.version_string, frame, middle, samples, points, moved, len(faces), obj_path))


def main():
    argv = sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else []
    if len(argv) != 2:
        print("%s usage: blender -b --factory-startup --python %s -- OBJ PC2" % (TAG, __file__))
        sys.exit(1)
    try:
        check(*argv)
    except Mismatch as e:
        print("%s FAIL: %s" % (TAG, e))
        sys.exit(1)
    except Exception:
        traceback.print_exc()
        print("%s FAIL: the check itself raised an exception (above)" % TAG)
        sys.exit(1)
    sys.exit(0)


main()
