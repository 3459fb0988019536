// LongOperations: the one place where every long operation of the program
// (loading pictures, updating borders, saving and loading projects, later
// sculpting and texturing) says that it runs, so that anyone can ask whether
// the program is idle: the script player's `wait idle`, the wait pointer,
// tests. An operation holds a Scope for as long as it runs; the scope may be
// moved to wherever the work continues (another frame, a worker thread).
//
// Safe to use from several threads.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class LongOperations {
public:
    // One running operation; it ends when the scope is destroyed or end()
    // is called. A default-made scope holds nothing.
    class Scope {
    public:
        Scope() = default;
        Scope(Scope&& other) noexcept;
        Scope& operator=(Scope&& other) noexcept;
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        ~Scope() { end(); }

        // Ends the operation now (nothing when it already ended).
        void end();
        bool isRunning() const { return owner_ != nullptr; }

    private:
        friend class LongOperations;
        Scope(LongOperations* owner, std::uint64_t id) : owner_(owner), id_(id) {}

        LongOperations* owner_ = nullptr;
        std::uint64_t id_ = 0;
    };

    LongOperations() = default;
    LongOperations(const LongOperations&) = delete;
    LongOperations& operator=(const LongOperations&) = delete;

    // Registers an operation named `what` ("Load images") until the scope ends.
    Scope begin(const std::string& what);
    // True while any operation runs.
    bool isBusy() const;
    // The names of the running operations, oldest first.
    std::vector<std::string> running() const;

private:
    void finish(std::uint64_t id);

    mutable std::mutex mutex_;
    std::uint64_t nextId_ = 1;
    std::map<std::uint64_t, std::string> running_;
};
