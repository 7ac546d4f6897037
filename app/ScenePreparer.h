#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "demos/FileDemo.h"

// Reads and builds a file scene (FileDemo's constructor and build(), the
// factorization included) on a worker thread that the preparer owns, so that
// the window keeps stepping and drawing its current scene meanwhile. Used
// from the GUI thread only.
//
// One request is current at a time: a new one, or cancel(), discards the
// one before, which the worker stops at its next check (between reading and
// building, or once built), freeing what it made. A factorization cannot be
// interrupted, so a new request waits for the worker to finish a discarded
// one. The destructor discards the current request and joins the worker,
// which waits for a factorization under way to end.
class ScenePreparer
{
public:
    // A finished request: the scene, built and ready for init() and
    // initGL() on the GUI thread, or the message that refused it.
    struct Outcome
    {
        std::unique_ptr<FileDemo> scene;
        std::string error;
    };

    ScenePreparer();
    ScenePreparer(const ScenePreparer&) = delete;
    ScenePreparer& operator=(const ScenePreparer&) = delete;
    ~ScenePreparer();

    // Requests `file` (as FileDemo takes it), discarding any earlier request.
    void prepare(const std::string& file, const std::string& resourceFolder);
    // Discards the current request, if any.
    void cancel();
    // Hands over the current request's outcome once, when it is there.
    std::optional<Outcome> poll();

    // Whether a request is waiting or being prepared (its outcome not yet
    // handed over).
    bool preparing() const;
    // The current request's file, empty when there is none.
    const std::string& file() const;
    // Vertices of the current request's body, -1 until its mesh is read.
    int vertexCount() const;
    // Whether the worker is at a request, also a discarded one.
    bool threadRunning() const;

private:
    struct Request;
    // The worker: takes waiting requests one after another until stopped.
    void work();
    static void run(Request& request);

    // The current request (waiting or taken), GUI thread only.
    std::shared_ptr<Request> current_;
    // What the GUI thread hands the worker, guarded by mutex_.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::shared_ptr<Request> waiting_;
    bool stopping_ = false;
    std::atomic<bool> busy_{false};
    // Last, so that it starts once everything it uses exists.
    std::thread worker_;
};
