#pragma once

#include <memory>
#include <optional>
#include <string>

#include "demos/FileDemo.h"

// Reads and builds a file scene (FileDemo's constructor and build(), the
// factorization included) on a thread of its own, so that the window keeps
// stepping and drawing its current scene meanwhile. Used from the GUI thread
// only.
//
// One request is current at a time: a new one, or cancel(), discards the
// one before, whose thread stops at its next check (before building, or
// once built) and frees what it made. A factorization cannot be
// interrupted, so at most one thread runs: a new request waits for the
// thread of a discarded one to end. Nothing ever waits for a thread: the
// destructor discards, and a thread that outlives the window frees its own
// work.
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

    ScenePreparer() = default;
    ScenePreparer(const ScenePreparer&) = delete;
    ScenePreparer& operator=(const ScenePreparer&) = delete;
    ~ScenePreparer();

    // Requests `file` (as FileDemo takes it), discarding any earlier request.
    void prepare(const std::string& file, const std::string& resourceFolder);
    // Discards the current request, if any.
    void cancel();
    // To be called on every tick: starts a waiting request once the thread
    // before it has ended, and hands over the current request's outcome once,
    // when it is there.
    std::optional<Outcome> poll();

    // Whether a request is waiting or being prepared (its outcome not yet
    // handed over).
    bool preparing() const;
    // The current request's file, empty when there is none.
    const std::string& file() const;
    // Vertices of the current request's body, -1 until its mesh is read.
    int vertexCount() const;
    // Whether a thread is still at work, also on a discarded request.
    bool threadRunning() const;

private:
    struct Request;
    static void run(std::shared_ptr<Request> request);
    void startWaiting();

    // The current request (waiting or started), and the last one started.
    std::shared_ptr<Request> current_;
    std::shared_ptr<Request> started_;
};
