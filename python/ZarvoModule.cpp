// The Python module zarvo._zarvo: a scene's body stepped from Python, read
// by the same scene code as zarvo-sim (SceneSimulation), with positions and
// faces as NumPy arrays. The package's __init__.py re-exports it.
//
// Python threads may share one Simulation: step() runs without the
// interpreter lock, so every call that reads or changes the body takes the
// simulation's own mutex, also without the interpreter lock while it waits.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include "scenes/BodyMesh.h"
#include "scenes/KeyAction.h"
#include "scenes/MeshMeasures.h"
#include "scenes/ResourceError.h"
#include "scenes/RunLimits.h"
#include "scenes/SceneSimulation.h"

namespace py = pybind11;

namespace {

// How long step() runs between two looks for Ctrl+C (KeyboardInterrupt).
constexpr std::chrono::milliseconds signalCheckInterval{100};

// Vertex rows in NumPy's default integer, which indexes arrays as it is.
using Triangle = std::array<std::int64_t, 3>;

// The body's triangles, in the mesh's face order: a person's polygons were
// split when the body was read (readBodyMesh), a solid's are its boundary
// faces (readTetBody), and the shipped meshes hold triangles only, as the
// window draws them.
std::vector<Triangle> bodyTriangles(const surface_mesh::Surface_mesh& mesh)
{
    const std::vector<std::array<int, 3>> corners = meshTriangles(mesh);
    std::vector<Triangle> triangles(corners.size());
    for (std::size_t t = 0; t < corners.size(); ++t)
        std::copy(corners[t].begin(), corners[t].end(), triangles[t].begin());
    return triangles;
}

py::array_t<std::int64_t> faceArray(const std::vector<Triangle>& triangles)
{
    py::array_t<std::int64_t> faces({static_cast<py::ssize_t>(triangles.size()), py::ssize_t{3}});
    if (!triangles.empty())
        std::copy(triangles.front().data(), triangles.front().data() + 3 * triangles.size(),
                  faces.mutable_data());
    return faces;
}

// A 3 x n matrix (column i = point i) is, in memory, the n x 3 rows.
py::array_t<double> pointArray(const Eigen::Matrix3Xd& points)
{
    py::array_t<double> array({static_cast<py::ssize_t>(points.cols()), py::ssize_t{3}});
    std::copy(points.data(), points.data() + points.size(), array.mutable_data());
    return array;
}

// A path as the file system takes it: str, bytes or os.PathLike, encoded as
// Python encodes file names. None and other types raise TypeError.
std::string fileSystemPath(const py::handle& path, const char* what)
{
    const std::string bytes = py::module_::import("os").attr("fsencode")(path).cast<std::string>();
    if (bytes.find('\0') != std::string::npos)
        throw py::value_error(std::string(what) + " holds a null character");
    return bytes;
}

void checkSetting(int value, int most, const char* name)
{
    if (value < 1 || value > most)
        throw py::value_error(std::string(name) + " must be from 1 to " + std::to_string(most)
                              + ", not " + std::to_string(value));
}

class PythonSimulation
{
    // Runs `work` on the body under the mutex, without the interpreter lock:
    // a step in another thread may hold the mutex. `work` must not touch
    // Python objects. (Defined first: the members below deduce its type.)
    template <class Work>
    auto locked(Work&& work)
    {
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> lock(mutex_);
        return work(*simulation_);
    }

public:
    PythonSimulation(const std::string& scene, const std::string& resourceFolder)
    {
        py::gil_scoped_release unlocked;
        simulation_ = std::make_unique<SceneSimulation>(scene, resourceFolder);
        rest_ = simulation_->positions();
        triangles_ = bodyTriangles(simulation_->scene().mesh);
        title_ = simulation_->scene().title;
    }

    // Takes the interpreter lock back only every signalCheckInterval, to
    // answer Ctrl+C: taking it after every step would wait, each time, for
    // the switch interval of any busy Python thread (5 ms by default).
    void step(int count)
    {
        if (count < 0)
            throw py::value_error("count must be 0 or more, not " + std::to_string(count));
        int done = 0;
        while (done < count) {
            {
                py::gil_scoped_release unlocked;
                const auto check = std::chrono::steady_clock::now() + signalCheckInterval;
                do {
                    std::lock_guard<std::mutex> lock(mutex_);
                    // OpenMP keeps the thread count per calling thread, and
                    // Python may step one simulation from several threads.
                    Zarvo::Solver& solver = simulation_->solver();
                    solver.setThreadCount(solver.threadCount());
                    simulation_->step();
                } while (++done < count && std::chrono::steady_clock::now() < check);
            }
            if (PyErr_CheckSignals() != 0)
                throw py::error_already_set();
        }
    }

    py::array_t<double> positions()
    {
        py::array_t<double> array({static_cast<py::ssize_t>(rest_.cols()), py::ssize_t{3}});
        double* data = array.mutable_data();
        locked([data](SceneSimulation& simulation) {
            const auto points = simulation.positions();
            std::copy(points.data(), points.data() + points.size(), data);
        });
        return array;
    }

    py::array_t<double> restPositions() const { return pointArray(rest_); }
    py::array_t<std::int64_t> faces() const { return faceArray(triangles_); }

    int threads()
    {
        return locked([](SceneSimulation& simulation) { return simulation.solver().threadCount(); });
    }

    void setThreads(int count)
    {
        checkSetting(count, mostThreads, "threads");
        locked([count](SceneSimulation& simulation) { simulation.solver().setThreadCount(count); });
    }

    int iterations()
    {
        return locked([](SceneSimulation& simulation) { return simulation.solver().iterations(); });
    }

    void setIterations(int count)
    {
        checkSetting(count, mostIterations, "iterations");
        locked([count](SceneSimulation& simulation) { simulation.solver().setIterations(count); });
    }

    bool press(const std::string& name)
    {
        const auto key = sceneKeyNamed(name);
        if (!key)
            throw py::value_error("\"" + name + "\" is not one of Left, Right, Up, Down");
        return locked([key](SceneSimulation& simulation) { return simulation.press(*key); });
    }

    // SceneSimulation refuses a vertex outside the body with
    // std::out_of_range, which reaches Python as IndexError.
    void pull(int vertex)
    {
        locked([vertex](SceneSimulation& simulation) { simulation.pull(vertex); });
    }

    std::string repr() const
    {
        return "<zarvo.Simulation " + title_ + ": " + std::to_string(rest_.cols()) + " vertices>";
    }

private:
    std::mutex mutex_;
    std::unique_ptr<SceneSimulation> simulation_;
    Eigen::Matrix3Xd rest_;
    std::vector<Triangle> triangles_;
    std::string title_;
};

// pybind11 hands a method of an instance made by __new__ alone
// (Simulation.__new__(Simulation)) freshly allocated, unconstructed memory;
// every method therefore takes `self` as an object and checks it here.
PythonSimulation& constructed(const py::handle& self)
{
    if (!py::isinstance<PythonSimulation>(self))
        throw py::type_error("expected a zarvo.Simulation, not "
                             + py::str(py::type::handle_of(self)).cast<std::string>());
    auto* instance = reinterpret_cast<py::detail::instance*>(self.ptr());
    const auto holder =
        instance->get_value_and_holder(py::detail::get_type_info(typeid(PythonSimulation)));
    if (!holder.holder_constructed())
        throw py::type_error("this zarvo.Simulation was never initialized");
    return *holder.value_ptr<PythonSimulation>();
}

} // namespace

PYBIND11_MODULE(_zarvo, module)
{
    module.doc() = "Zarvo's deformable bodies, stepped from Python (see the package zarvo).";

    auto resourceError = py::register_exception<ResourceError>(module, "ResourceError",
                                                               PyExc_RuntimeError);
    resourceError.doc() = "A scene or mesh file is missing, unreadable or unfit for a body; "
                          "the message names the file (and, in a scene file, the field).";

    py::class_<PythonSimulation>(module, "Simulation", R"(A deformable body stepped without a window.

Simulation(scene): `scene` is what zarvo-sim takes, read by the same code:
a shipped scene's name ("cloth", "shell", "plate", read from
zarvo.resource_folder), a scene file (a name ending in .json) or a mesh
file (.obj, .off, .stl; it gets the defaults of a mesh alone). A str,
bytes or os.PathLike. Raises zarvo.ResourceError naming the file when it
cannot be read or built into a body.

Arrays are copies: positions, rest_positions and faces return new arrays,
which later steps leave unchanged.)")
        .def(py::init([](const py::object& scene) {
                 const std::string path = fileSystemPath(scene, "scene");
                 const std::string folder = fileSystemPath(
                     py::module_::import("zarvo").attr("resource_folder"), "zarvo.resource_folder");
                 return std::make_unique<PythonSimulation>(path, folder);
             }),
             py::arg("scene"))
        .def(
            "step", [](const py::object& self, int count) { constructed(self).step(count); },
            py::arg("count") = 1,
            R"(Advances the body by `count` time steps of the scene (count >= 0).

A step lasts the scene file's time_step (0.1 s unless it says otherwise),
as a step of zarvo-sim does.

Runs without the interpreter lock, so other Python threads go on meanwhile;
steps of one Simulation from several threads take turns. Ctrl+C stops it
within a tenth of a second, between two steps (KeyboardInterrupt), the
steps done so far kept.)")
        .def_property_readonly(
            "positions", [](const py::object& self) { return constructed(self).positions(); },
            "The body's positions now: a new n x 3 float64 array (row i = vertex i).")
        .def_property_readonly(
            "rest_positions",
            [](const py::object& self) { return constructed(self).restPositions(); },
            "The positions before the first step: a new n x 3 float64 array.")
        .def_property_readonly(
            "faces", [](const py::object& self) { return constructed(self).faces(); },
            R"(The body's faces as triangles: a new m x 3 int64 array of vertex rows.

A face of k corners gives k - 2 triangles fanned from its first corner,
(c0, c1, c2), (c0, c2, c3), ..., in the body's face order.)")
        .def_property(
            "threads", [](const py::object& self) { return constructed(self).threads(); },
            [](const py::object& self, int count) { constructed(self).setThreads(count); },
            "Solver threads, 1 to 1024 (ValueError otherwise); a step runs on no more threads "
            "than the process has usable cores. Any count gives the same bits.")
        .def_property(
            "iterations", [](const py::object& self) { return constructed(self).iterations(); },
            [](const py::object& self, int count) { constructed(self).setIterations(count); },
            "Local/global passes per step, less one: 1 to 100000 (ValueError otherwise).")
        .def(
            "press",
            [](const py::object& self, const std::string& key) { return constructed(self).press(key); },
            py::arg("key"),
            R"(Presses an arrow key, "Left", "Right", "Up" or "Down" (ValueError otherwise).

The scene's action moves its pinned points, or a collider, at once, so the
next step sees them moved, as zarvo-sim --press KEY@STEP before step STEP.
Returns False when the scene has no action for the key or its limit
refuses it.)")
        .def(
            "pull", [](const py::object& self, int vertex) { constructed(self).pull(vertex); },
            py::arg("vertex"),
            R"(Pushes `vertex` (a row of positions) with the scene's mouse force during the next step only.

As zarvo-sim --pull VERTEX@STEP-STEP: call it before each step it should
act on. IndexError for a vertex outside the body.)")
        .def("__repr__", [](const py::object& self) { return constructed(self).repr(); });

    module.def(
        "read_mesh",
        [](const py::object& path) {
            const std::string file = fileSystemPath(path, "path");
            surface_mesh::Surface_mesh mesh;
            {
                py::gil_scoped_release unlocked;
                std::vector<Zarvo::Tetrahedron> tetrahedra;
                readBody(file, file, mesh, tetrahedra);
            }
            Eigen::Matrix3Xd points(3, mesh.vertex_count());
            for (const auto v : mesh.vertices())
                for (int axis = 0; axis < 3; ++axis)
                    points(axis, v.idx()) = mesh.position(v)[axis];
            return py::make_tuple(pointArray(points), faceArray(bodyTriangles(mesh)));
        },
        py::arg("path"),
        R"(Reads a mesh file as Simulation(path) takes it: a surface (.obj, .off, .stl) or a tetrahedral mesh (.msh, .node or .ele, .mesh).

Returns (vertices, faces): an n x 3 float64 array and an m x 3 int64
array of triangles, fanned from polygons as Simulation.faces is; for a
tetrahedral mesh, its nodes and its boundary faces, outward. Vertices
and faces that a body cannot take are left out as for a Simulation, so
the rows match Simulation(path).rest_positions. Raises
zarvo.ResourceError naming the file (and, for a tetrahedral mesh, the
line) when it cannot be read or is refused.)");
}
