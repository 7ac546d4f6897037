#include "app/ScenePreparer.h"

#include <exception>

#include "scenes/ResourceError.h"

// What the worker and the GUI thread share of one request. The worker holds
// it too while at it, so that a discarded request lives until it is done.
struct ScenePreparer::Request
{
    std::string file;
    std::string resourceFolder;
    std::atomic<bool> discarded{false};
    std::atomic<int> vertexCount{-1};
    std::mutex mutex;
    bool finished = false;  // guarded by mutex, as is outcome
    Outcome outcome;
};

ScenePreparer::ScenePreparer() : worker_(&ScenePreparer::work, this) {}

ScenePreparer::~ScenePreparer()
{
    cancel();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

void ScenePreparer::prepare(const std::string& file, const std::string& resourceFolder)
{
    cancel();
    current_ = std::make_shared<Request>();
    current_->file = file;
    current_->resourceFolder = resourceFolder;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_ = current_;
    }
    wake_.notify_one();
}

void ScenePreparer::cancel()
{
    if (!current_)
        return;
    current_->discarded = true;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (waiting_ == current_)
            waiting_.reset();
    }
    // A body already handed over but not yet taken goes with the request;
    // one still being made is freed by the worker.
    std::unique_ptr<FileDemo> stale;
    {
        std::lock_guard<std::mutex> lock(current_->mutex);
        stale = std::move(current_->outcome.scene);
    }
    current_.reset();
}

std::optional<ScenePreparer::Outcome> ScenePreparer::poll()
{
    if (!current_)
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
    return busy_;
}

void ScenePreparer::work()
{
    for (;;) {
        std::shared_ptr<Request> request;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || waiting_; });
            if (stopping_)
                return;
            request = std::move(waiting_);
            busy_ = true;
        }
        run(*request);
        busy_ = false;
    }
}

void ScenePreparer::run(Request& request)
{
    std::unique_ptr<FileDemo> scene;
    std::string error;
    try {
        scene = std::make_unique<FileDemo>(request.file, request.resourceFolder);
        request.vertexCount = static_cast<int>(scene->mesh.vertex_count());
        if (!request.discarded)
            scene->build();
    } catch (const ResourceError& refusal) {
        error = refusal.what();
        scene.reset();
    } catch (const std::exception& failure) {
        // Such as running out of memory for a body too large: the window
        // keeps its scene and says why.
        error = request.file + ": " + failure.what();
        scene.reset();
    }
    {
        std::lock_guard<std::mutex> lock(request.mutex);
        if (!request.discarded) {
            request.outcome.scene = std::move(scene);
            request.outcome.error = std::move(error);
        }
        request.finished = true;
    }
    // A discarded body is freed here, off the GUI thread, before the next
    // request may start.
    scene.reset();
}
