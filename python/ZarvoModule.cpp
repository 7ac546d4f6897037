// The Python module zarvo._zarvo: a scene's body stepped from Python, read
// by the same scene code as zarvo-sim (SceneSimulation), with positions and
// faces as NumPy arrays. The package's __init__.py re-exports it.
//
// Python threads may share one Simulation: step() runs without the
// interpreter lock, so every call that reads or changes the body takes the
// simulation's own mutex, also without the interpreter lock while it waits.
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include "scenes/BodyMesh.h"
#include "scenes/KeyAction.h"
#include "scenes/ResourceError.h"
#include "scenes/SceneSimulation.h"

namespace py = pybind11;

namespace {

// The bounds zarvo-sim's command line puts on --threads and --iterations:
// an OpenMP runtime that cannot start the threads asked for ends the process.
constexpr int mostThreads = 1024;
constexpr int mostIterations = 100000;

using Triangle = std::array<std::int64_t, 3>;

// Every face as triangles: a face of k corners, in the mesh's face order,
// gives the fan (c0, c1, c2), (c0, c2, c3), ... from its first corner.
std::vector<Triangle> fanTriangles(const surface_mesh::Surface_mesh& mesh)
{
    std::vector<Triangle> triangles;
    triangles.reserve(mesh.face_count());
    std::vector<std::int64_t> corners;
    for (const auto f : mesh.faces()) {
        corners.clear();
        for (const auto v : mesh.vertices(f))
            corners.push_back(v.idx());
        for (std::size_t k = 2; k < corners.size(); ++k)
            triangles.push_back({corners[0], corners[k - 1], corners[k]});
    }
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

int checkedSetting(int value, int most, const char* name)
{
    if (value < 1 || value > most)
        throw py::value_error(std::string(name) + " must be from 1 to " + std::to_string(most)
                              + ", not " + std::to_string(value));
    return value;
}

class PythonSimulation
{
public:
    PythonSimulation(const std::string& scene, const std::string& resourceFolder)
    {
        py::gil_scoped_release unlocked;
        simulation_ = std::make_unique<SceneSimulation>(scene, resourceFolder);
        rest_ = simulation_->solver().points;
        triangles_ = fanTriangles(simulation_->scene().mesh);
        title_ = simulation_->scene().title;
    }

    void step(int count)
    {
        if (count < 0)
            throw py::value_error("count must be 0 or more, not " + std::to_string(count));
        for (int k = 0; k < count; ++k) {
            locked([](SceneSimulation& simulation) {
                // OpenMP keeps the thread count per calling thread, and
                // Python may step one simulation from several threads.
                Zarvo::Solver& solver = simulation.solver();
                solver.setThreadCount(solver.threadCount());
                simulation.step();
            });
            if (PyErr_CheckSignals() != 0)
                throw py::error_already_set();
        }
    }

    py::array_t<double> positions()
    {
        py::array_t<double> array({static_cast<py::ssize_t>(rest_.cols()), py::ssize_t{3}});
        double* data = array.mutable_data();
        locked([data](SceneSimulation& simulation) {
            const auto& points = simulation.solver().points;
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
        checkedSetting(count, mostThreads, "threads");
        locked([count](SceneSimulation& simulation) { simulation.solver().setThreadCount(count); });
    }

    int iterations()
    {
        return locked([](SceneSimulation& simulation) { return simulation.solver().iterations(); });
    }

    void setIterations(int count)
    {
        checkedSetting(count, mostIterations, "iterations");
        locked([count](SceneSimulation& simulation) { simulation.solver().setIterations(count); });
    }

    bool press(const std::string& name)
    {
        const auto key = sceneKeyNamed(name);
        if (!key)
            throw py::value_error("\"" + name + "\" is not one of Left, Right, Up, Down");
        return locked([key](SceneSimulation& simulation) { return simulation.press(*key); });
    }

    void pull(int vertex)
    {
        if (vertex < 0 || vertex >= rest_.cols())
            throw py::index_error("vertex " + std::to_string(vertex) + " is not one of the body's "
                                  + std::to_string(rest_.cols()));
        locked([vertex](SceneSimulation& simulation) { simulation.pull(vertex); });
    }

    std::string repr() const
    {
        return "<zarvo.Simulation " + title_ + ": " + std::to_string(rest_.cols()) + " vertices>";
    }

private:
    // Runs `work` on the body under the mutex, without the interpreter lock:
    // a step in another thread may hold the mutex. `work` must not touch
    // Python objects.
    template <class Work>
    auto locked(Work&& work)
    {
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> lock(mutex_);
        return work(*simulation_);
    }

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
    return holder.value<PythonSimulation>()? *holder.value_ptr<PythonSimulation>() : *holder.value_ptr<PythonSimulation>();
}

} // namespace

PYBIND11_MODULE(_zarvo, module)
{
    module.doc() = "Zarvo's deformable bodies, stepped from Python (see the package zarvo).";

    auto resourceError = py::register_exception<ResourceError>(module, "ResourceError",
                                                               PyExc_RuntimeError);
    resourceError.doc() = "A scene or mesh file is missing, unreadable or unfit for a body; "
                          "the message names the file (and, in a scene file, the field).";
}
