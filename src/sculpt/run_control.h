// What every stage of a sculpting or texturing run is given besides its data:
// where to report progress, whether to stop, and the threads to work on.
#pragma once

#include "sculpt/parallel.h"

#include <stop_token>
#include <string>

// Where a run reports its stages: the GUI draws one frame per call, the
// command line prints a line. A run on a worker thread calls it from that
// thread: an implementation for the GUI must hand the values over to the GUI
// thread (store them under a lock, or post them) and must not draw or touch
// GUI state itself. Calls come in the order of the captions; none after the
// run returned.
class SculptProgress {
public:
    virtual ~SculptProgress() = default;
    // A new stage: `caption` (the status text) at `percent` (0 .. 100).
    virtual void step(const std::string& caption, float percent) = 0;
    // The run is over (the GUI sets the arrow cursor and the ready flag).
    virtual void finished() {}
};

// A progress sink that ignores everything.
class SilentProgress : public SculptProgress {
public:
    void step(const std::string&, float) override {}
};

// The run's progress sink, stop request and threads. Stages look at
// stopRequested() at least every few thousand items of work and return early
// when it is set; the run then throws its half-made result away.
struct RunControl {
    SculptProgress& progress;
    ParallelRunner& runner;
    std::stop_token stop;

    bool stopRequested() const { return stop.stop_requested(); }
    void step(const std::string& caption, float percent) const { progress.step(caption, percent); }
};

// A control that owns its threads, for a stage run on its own (tests,
// benchmarks, the command line's pieces): `progress` may be null (nothing
// reported), `threads` 0 takes one per core.
class OwnRunControl {
public:
    explicit OwnRunControl(SculptProgress* progress = nullptr, int threads = 0, std::stop_token stop = {})
        : runner_(threads), control_{progress != nullptr ? *progress : silent_, runner_, std::move(stop)} {}
    OwnRunControl(const OwnRunControl&) = delete;
    OwnRunControl& operator=(const OwnRunControl&) = delete;

    const RunControl& control() const { return control_; }
    operator const RunControl&() const { return control_; }

private:
    SilentProgress silent_;
    ParallelRunner runner_;
    RunControl control_;
};
