#include "core/long_operations.h"

LongOperations::Scope::Scope(Scope&& other) noexcept : owner_(other.owner_), id_(other.id_) {
    other.owner_ = nullptr;
}

LongOperations::Scope& LongOperations::Scope::operator=(Scope&& other) noexcept {
    if (this != &other) {
        end();
        owner_ = other.owner_;
        id_ = other.id_;
        other.owner_ = nullptr;
    }
    return *this;
}

void LongOperations::Scope::end() {
    if (owner_ == nullptr) return;
    owner_->finish(id_);
    owner_ = nullptr;
}

LongOperations::Scope LongOperations::begin(const std::string& what) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uint64_t id = nextId_++;
    running_.emplace(id, what);
    return Scope(this, id);
}

bool LongOperations::isBusy() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !running_.empty();
}

std::vector<std::string> LongOperations::running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> names;
    names.reserve(running_.size());
    for (const auto& [id, name] : running_) names.push_back(name);
    return names;
}

void LongOperations::finish(std::uint64_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    running_.erase(id);
}
