#include "update/thread.h"

#include <system_error>

Thread::~Thread() { join(); }

bool Thread::start() {
    if (thread_.joinable()) return false;
    running_.store(true);
    try {
        thread_ = std::thread([this] {
            run();
            running_.store(false);
        });
    } catch (const std::system_error&) {
        running_.store(false);
        return false;
    }
    id_ = thread_.get_id();
    return true;
}

void Thread::join() {
    if (!thread_.joinable() || thread_.get_id() == std::this_thread::get_id()) return;
    thread_.join();
}
