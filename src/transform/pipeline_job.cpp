#include "transform/pipeline_job.h"

// The progress sink handed to the work: it only stores what it hears, for
// the GUI thread to draw.
class PipelineJob::Sink : public SculptProgress {
public:
    explicit Sink(PipelineJob& job) : job_(job) {}
    void step(const std::string& caption, float percent) override { job_.report(caption, percent); }

private:
    PipelineJob& job_;
};

PipelineJob::PipelineJob(Work work) {
    thread_ = std::thread([this, work = std::move(work)] {
        Sink sink(*this);
        bool complete = false;
        if (!stop_.stop_requested()) complete = work(sink, stop_.get_token());
        finish(complete && !stop_.stop_requested());
    });
}

PipelineJob::~PipelineJob() {
    cancel();
    join();
}

void PipelineJob::cancel() { stop_.request_stop(); }

bool PipelineJob::isCancelRequested() const { return stop_.stop_requested(); }

void PipelineJob::report(const std::string& caption, float percent) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        step_.caption = caption;
        step_.percent = percent;
        ++step_.count;
        news_ = true;
    }
    changed_.notify_all();
}

void PipelineJob::finish(bool complete) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
        complete_ = complete;
        news_ = true;
    }
    changed_.notify_all();
}

bool PipelineJob::waitForChange(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, timeout, [this] { return news_; });
    return news_;
}

bool PipelineJob::latest(Step& step) {
    std::lock_guard<std::mutex> lock(mutex_);
    news_ = false;
    if (step_.count == 0) return false;
    step = step_;
    return true;
}

bool PipelineJob::isDone() {
    std::lock_guard<std::mutex> lock(mutex_);
    return done_;
}

bool PipelineJob::succeeded() {
    std::lock_guard<std::mutex> lock(mutex_);
    return done_ && complete_;
}

void PipelineJob::join() {
    if (thread_.joinable()) thread_.join();
}
