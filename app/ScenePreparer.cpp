#include "app/ScenePreparer.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>

#include "scenes/ResourceError.h"

// What a request's thread and the GUI thread share. The thread holds it too,
// so that it outlives a window that no longer waits for it.
struct ScenePreparer::Request
{
    std::string file;
    std::string resourceFolder;
    bool started = false;  // GUI thread only
    std::atomic<bool> discarded{false};
    std::atomic<int> vertexCount{-1};
    std::atomic<bool> threadDone{false};
    std::mutex mutex;
    bool finished = false;  // guarded by mutex, as is outcome
    Outcome outcome;
};

ScenePreparer::~ScenePreparer()
{
    cancel();
}

void ScenePreparer::prepare(const std::string& file, const std::string& resourceFolder)
{
    cancel();
    current_ = std::make_shared<Request>();
    current_->file = file;
    current_->resourceFolder = resourceFolder;
    startWaiting();
}

void ScenePreparer::cancel()
{
    if (!current_)
        return;
    current_->discarded = true;
    // A body already handed over but not yet taken goes with the request;
    // one still being made is freed by its thread.
    std::unique_ptr<FileDemo> stale;
    {
        std::lock_guard<std::mutex> lock(current_->mutex);
        stale = std::move(current_->outcome.scene);
    }
    current_.reset();
}

std::optional<ScenePreparer::Outcome> ScenePreparer::poll()
{
    startWaiting();
    if (!current_ || !current_->started)
        return std::nullopt;
    Outcome outcome;
    {
        std::lock_guard<std::mutex> lock(current_->mutex);
        if (!current_->finished)
            return std::nullopt;
        outcome = std::move(current_->outcome);
    }
    current_.reset();
    return outcome;
}

bool ScenePreparer::preparing() const
{
    return current_ != nullptr;
}

const std::string& ScenePreparer::file() const
{
    static const std::string none;
    return current_ ? current_->file : none;
}

int ScenePreparer::vertexCount() const
{
    return current_ ? current_->vertexCount.load() : -1;
}

bool ScenePreparer::threadRunning() const
{
    return started_ && !started_->threadDone;
}

void ScenePreparer::startWaiting()
{
    if (!current_ || current_->started || threadRunning())
        return;
    current_->started = true;
    started_ = current_;
    std::thread(&ScenePreparer::run, current_).detach();
}

void ScenePreparer::run(std::shared_ptr<Request> request)
{
    std::unique_ptr<FileDemo> scene;
    std::string error;
    try {
        scene = std::make_unique<FileDemo>(request->file, request->resourceFolder);
        request->vertexCount = static_cast<int>(scene->mesh.vertex_count());
        if (!request->discarded)
            scene->build();
    } catch (const ResourceError& refusal) {
        error = refusal.what();
        scene.reset();
    } catch (const std::exception& failure) {
        // Such as running out of memory for a body too large: the window
        // keeps its scene and says why.
        error = request->file + ": " + failure.what();
        scene.reset();
    }
    {
        std::lock_guard<std::mutex> lock(request->mutex);
        if (!request->discarded) {
            request->outcome.scene = std::move(scene);
            request->outcome.error = std::move(error);
        }
        request->finished = true;
    }
    // A discarded body is freed here, off the GUI thread, before the next
    // request may start.
    scene.reset();
    request->threadDone = true;
}
