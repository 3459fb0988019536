// Thread: a background activity with its own operating-system thread. A
// subclass puts its work into run(); start() runs it on a new thread.
#pragma once

#include <atomic>
#include <thread>

class Thread {
public:
    Thread() = default;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Waits for a started thread to end. A subclass whose run() uses its own
    // members must stop and join() in its own destructor, because those
    // members are gone by the time this one runs.
    virtual ~Thread();

    // Creates a thread (default stack size) that calls run() once on this
    // object. False when the thread could not be created or a thread started
    // earlier has not been joined yet. Call only on a fully constructed object.
    virtual bool start();

    // The thread's work; empty here.
    virtual void run() {}

    // Waits until the started thread has returned from run(). No effect when
    // no thread was started, it was already joined, or when called from the
    // thread itself.
    void join();

    // True from a successful start() until run() has returned.
    bool isRunning() const { return running_.load(); }

    // Id of the last started thread; a default id before the first start().
    std::thread::id id() const { return id_; }

private:
    std::thread thread_;
    std::thread::id id_;
    std::atomic<bool> running_{false};
};
