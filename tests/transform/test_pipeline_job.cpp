// Long pipeline operations on a worker thread: steps reach the GUI thread in
// order, the latest one wins, a stop request ends the work early and never
// counts as success, and a job that is dropped stops and joins its thread.
#include "transform/pipeline_job.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

using namespace std::chrono_literals;

TEST(PipelineJob, StepsArriveAndTheWorkSucceeds) {
    std::atomic<bool> go{false};
    PipelineJob job([&](SculptProgress& progress, std::stop_token) {
        progress.step("first", 10.0f);
        while (!go) std::this_thread::sleep_for(1ms);
        progress.step("second", 55.5f);
        return true;
    });
    ASSERT_TRUE(job.waitForChange(10s));
    PipelineJob::Step step;
    ASSERT_TRUE(job.latest(step));
    EXPECT_EQ(step.caption, "first");
    EXPECT_EQ(step.count, 1);
    EXPECT_FALSE(job.waitForChange(20ms)) << "nothing new until the work goes on";
    EXPECT_FALSE(job.isDone());
    go = true;
    job.join();
    EXPECT_TRUE(job.isDone());
    EXPECT_TRUE(job.succeeded());
    ASSERT_TRUE(job.latest(step));
    EXPECT_EQ(step.caption, "second");
    EXPECT_FLOAT_EQ(step.percent, 55.5f);
    EXPECT_EQ(step.count, 2);
}

TEST(PipelineJob, ACancelledWorkStopsAndDoesNotSucceed) {
    std::atomic<int> rounds{0};
    PipelineJob job([&](SculptProgress& progress, std::stop_token stop) {
        while (!stop.stop_requested()) {
            progress.step("working", 1.0f);
            ++rounds;
            std::this_thread::sleep_for(1ms);
        }
        return true;  // claims success, but it was stopped
    });
    while (rounds < 3) std::this_thread::sleep_for(1ms);
    job.cancel();
    EXPECT_TRUE(job.isCancelRequested());
    job.join();
    EXPECT_TRUE(job.isDone());
    EXPECT_FALSE(job.succeeded());
}

TEST(PipelineJob, DroppingARunningJobStopsItsThread) {
    std::atomic<bool> stopped{false};
    {
        PipelineJob job([&](SculptProgress&, std::stop_token stop) {
            while (!stop.stop_requested()) std::this_thread::sleep_for(1ms);
            stopped = true;
            return false;
        });
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_TRUE(stopped);
}
