// PipelineJob: one long operation of the sculpting pipeline (sculpting,
// texturing) on a worker thread, so that the window stays alive while it
// runs. The worker reports its steps through the job's progress sink; the
// GUI thread picks up the latest step whenever it draws a frame, and waits
// for the next one between frames (so that frames cost the worker nothing
// while nothing changes). The GUI thread may ask the work to stop at any
// time; the work sees the request through its stop token.
//
//   PipelineJob job([run](SculptProgress& progress, std::stop_token stop) {
//       return run->run(progress, stop) == RunOutcome::Finished;
//   });
//   ... each frame:  job.waitForChange(timeout); job.latest(step); if (job.isDone()) ...
#pragma once

#include "sculpt/sculpture.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

class PipelineJob {
public:
    // What the worker reported last.
    struct Step {
        std::string caption;
        float percent = 0.0f;
        // Steps reported so far (tells a new step from one seen before).
        long count = 0;
    };
    // The work: reports through the sink, stops early when the token asks
    // it to, and returns true when its result is complete.
    using Work = std::function<bool(SculptProgress& progress, std::stop_token stop)>;

    // Starts `work` on a new thread.
    explicit PipelineJob(Work work);
    // Asks the work to stop and waits for the thread.
    ~PipelineJob();
    PipelineJob(const PipelineJob&) = delete;
    PipelineJob& operator=(const PipelineJob&) = delete;

    // Asks the work to stop (nothing once it is done).
    void cancel();
    bool isCancelRequested() const;

    // Blocks the calling thread until the worker reports a step or ends, or
    // `timeout` passes; true when a step came or the work ended since the
    // last latest().
    bool waitForChange(std::chrono::milliseconds timeout);
    // The latest step; false before the first.
    bool latest(Step& step);
    // The work has returned.
    bool isDone();
    // It returned true (meaningful once done).
    bool succeeded();
    // Waits for the work to return.
    void join();

private:
    class Sink;

    void report(const std::string& caption, float percent);
    void finish(bool complete);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Step step_;
    bool done_ = false;
    bool complete_ = false;
    bool news_ = false;
    std::stop_source stop_;
    std::thread thread_;
};
