# Plays caches back in Blender and checks that Blender shows exactly what
# the runner wrote.
#
#   blender -b --factory-startup --python tests/sim/blender_playback.py -- \
#       OBJ PC2 [OBJ PC2]... [--moved GROUP=DX,DY,DZ]...
#
# Each OBJ is a rest mesh (vertices in solver order), its PC2 the Point Cache
# 2 file whose sample 0 is the rest state: the body's, and the colliders'
# beside it, all imported into one Blender scene. Exit code 0 when every
# check holds, 1 otherwise, with one line saying why.
#
# What is checked, for every pair:
#  - Blender's OBJ importer keeps our mesh: one object, the same vertex count,
#    the file's faces (no splitting, no merging), and no turn of the axes;
#  - the cache's sample 0 is the rest mesh as Blender imported it, point for
#    point, so importer and cache agree on vertex order and axes;
#  - with a Mesh Cache modifier, the scene frame START+k shows sample k: at a
#    middle sample every evaluated vertex equals the cache's float32 values
#    exactly, and that sample has moved away from sample 0. All caches have
#    the same frames, so that one frame shows them together.
# And at that frame, for every vertex group the importer made of an OBJ
# group ("g collider_0", ...): its vertices are where they were imported,
# moved by (DX, DY, DZ) for a GROUP given with --moved and not at all for
# any other.

import array
import math
import os
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


def import_obj(path):
    """Imports `path` into the scene; returns the one mesh object made."""
    before = set(bpy.context.scene.objects)
    # The importer keeps the mesh's coordinates and puts its axis conversion
    # into the object's transform. Forward Y and up Z are Blender's own axes,
    # so that transform is the identity and the body stands in Blender's world
    # as it stood in ours. The other options keep the mesh as written too: no
    # scaling, no clamping, and no validation (which may merge or drop
    # elements). Groups become vertex groups, which leave the mesh as it is.
    bpy.ops.wm.obj_import(filepath=path, forward_axis='Y', up_axis='Z',
                          global_scale=1.0, clamp_size=0.0,
                          import_vertex_groups=True, validate_meshes=False)
    made = [o for o in bpy.context.scene.objects if o not in before and o.type == 'MESH']
    if len(made) != 1:
        raise Mismatch("the importer made %d mesh objects of %s, not 1" % (len(made), path))
    ob = made[0]
    transform = [list(row) for row in ob.matrix_world]
    if transform != [[float(i == j) for j in range(4)] for i in range(4)]:
        raise Mismatch("the importer placed %s with transform %s, not the identity" % (path, transform))
    return ob


def play(obj_path, pc2_path):
    """Imports the pair, checks the import against both files and adds the
    cache; returns (object, rest coordinates, sample count, start, sample)."""
    faces = read_obj(obj_path)
    points, start, samples, sample = read_pc2(pc2_path)
    if samples < 2:
        raise Mismatch("%s has %d sample(s); at least 2 are needed" % (pc2_path, samples))
    ob = import_obj(obj_path)
    mesh = ob.data
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
    tolerance = 1e-4 * diagonal(rest)
    first = sample(0)
    for v in range(points):
        if distance(first, rest, v) > tolerance:
            raise Mismatch("%s sample 0 puts vertex %d %.6g away from where Blender imported it "
                           "(diagonal %.6g): the importer and the cache disagree on the vertex order "
                           "or the axes" % (pc2_path, v, distance(first, rest, v), diagonal(rest)))

    middle = samples // 2
    moved = max(distance(sample(middle), first, v) for v in range(points))
    if moved <= tolerance:
        raise Mismatch("%s sample %d is where sample 0 is (moved %.3g): nothing would be seen to play"
                       % (pc2_path, middle, moved))

    if int(start) != start:
        raise Mismatch("%s: start frame %g is not a whole frame" % (pc2_path, start))
    modifier = ob.modifiers.new("cache", 'MESH_CACHE')
    modifier.cache_format = 'PC2'
    modifier.filepath = pc2_path
    modifier.frame_start = start
    return ob, rest, samples, start, sample


def diagonal(coords):
    lo = [min(coords[a::3]) for a in range(3)]
    hi = [max(coords[a::3]) for a in range(3)]
    return math.dist(lo, hi)


def shown_coords(ob):
    return mesh_coords(ob.evaluated_get(bpy.context.evaluated_depsgraph_get()).data)


def check_sample(ob, pc2_path, frame, expected):
    shown = shown_coords(ob)
    if len(shown) != len(expected):
        raise Mismatch("Blender shows %d vertices at frame %d, %s has %d"
                       % (len(shown) // 3, frame, pc2_path, len(expected) // 3))
    v = first_difference(shown, expected)
    if v is not None:
        raise Mismatch("at frame %d Blender shows vertex %d at %s, %s has %s"
                       % (frame, v, tuple(shown[3 * v:3 * v + 3]), pc2_path,
                          tuple(expected[3 * v:3 * v + 3])))


def check_groups(ob, rest, frame, moves):
    """Every vertex group of `ob` moved, at `frame`, as `moves` says."""
    shown = shown_coords(ob)
    tolerance = 1e-4 * diagonal(rest)
    for group in ob.vertex_groups:
        expected = moves.get(group.name, (0.0, 0.0, 0.0))
        for vertex in ob.data.vertices:
            if not any(g.group == group.index for g in vertex.groups):
                continue
            v = vertex.index
            went = [shown[3 * v + a] - rest[3 * v + a] for a in range(3)]
            if math.dist(went, expected) > tolerance:
                raise Mismatch("at frame %d Blender shows vertex %d of %s moved by %s, not %s"
                               % (frame, v, group.name, tuple(went), expected))


def check(pairs, moves):
    bpy.ops.wm.read_factory_settings(use_empty=True)
    played = [play(obj, pc2) for obj, pc2 in pairs]
    frames = {(samples, start) for _, _, samples, start, _ in played}
    if len(frames) != 1:
        raise Mismatch("the caches differ in their samples or start frame: %s" % sorted(frames))
    samples, start = frames.pop()
    middle = samples // 2
    frame = int(start) + middle
    bpy.context.scene.frame_set(frame)
    groups = {g.name for ob, *_ in played for g in ob.vertex_groups}
    if set(moves) - groups:
        raise Mismatch("Blender made no vertex group %s" % ", ".join(sorted(set(moves) - groups)))
    for (ob, rest, _, _, sample), (_, pc2) in zip(played, pairs):
        check_sample(ob, pc2, frame, list(sample(middle)))
        check_groups(ob, rest, frame, moves)

    shown = " and ".join("all %d vertices of %s" % (len(ob.data.vertices), os.path.basename(obj))
                         for (ob, *_), (obj, _) in zip(played, pairs))
    grouped = "; groups %s where expected" % ", ".join(sorted(groups)) if groups else ""
    print("%s OK: Blender %s, frame %d shows sample %d of %d exactly for %s%s"
          % (TAG, bpy.app.version_string, frame, middle, samples, shown, grouped))


def parse(argv):
    """The (OBJ, PC2) pairs and the --moved displacements by group name."""
    moves = {}
    files = []
    arguments = iter(argv)
    for argument in arguments:
        if argument != "--moved":
            files.append(argument)
            continue
        name, _, vector = next(arguments, "").partition("=")
        moves[name] = tuple(float(x) for x in vector.split(","))
        if len(moves[name]) != 3:
            raise ValueError("--moved %s: not three numbers" % name)
    if not files or len(files) % 2:
        raise ValueError("files must come in OBJ PC2 pairs")
    return list(zip(files[::2], files[1::2])), moves


def main():
    usage = "%s usage: blender -b --factory-startup --python %s -- OBJ PC2 [OBJ PC2]... " \
            "[--moved GROUP=DX,DY,DZ]..." % (TAG, __file__)
    try:
        pairs, moves = parse(sys.argv[sys.argv.index("--") + 1:] if "--" in sys.argv else [])
    except ValueError as e:
        print("%s\n%s %s" % (usage, TAG, e))
        sys.exit(1)
    try:
        check(pairs, moves)
    except Mismatch as e:
        print("%s FAIL: %s" % (TAG, e))
        sys.exit(1)
    except Exception:
        traceback.print_exc()
        print("%s FAIL: the check itself raised an exception (above)" % TAG)
        sys.exit(1)
    sys.exit(0)


main()
