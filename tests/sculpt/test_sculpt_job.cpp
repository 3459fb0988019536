// Sculpting and texturing off the owner's thread: the same mesh bit for bit
// whichever thread runs it and on how many threads, a run that no longer
// needs the live clippings once prepared, progress from the worker, and
// stop requests honoured in every stage with nothing half made left behind.
#include "sculpt/run_memory.h"
#include "sculpt/sculpture.h"
#include "sculpt/texture_atlas.h"
#include "support/test_support.h"
#include "synthetic_scene.h"

#include <gtest/gtest.h>

#if defined(__GLIBC__)
#include <malloc.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace {

SculptSettings fullSettings(int threads) {
    SculptSettings settings;
    settings.depth = 7;
    settings.sharpeningPasses = 4;
    settings.smoothingPasses = 3;
    settings.simplification = 0.4f;
    settings.normalParticipation = 2.0f;
    settings.threads = threads;
    return settings;
}

void expectSameMesh(const SculptMesh& a, const SculptMesh& b) {
    ASSERT_EQ(a.vertexSlots(), b.vertexSlots());
    ASSERT_EQ(a.triangleSlots(), b.triangleSlots());
    for (std::uint32_t v = 0; v < a.vertexSlots(); ++v) {
        ASSERT_EQ(a.isVertex(v), b.isVertex(v)) << v;
        if (!a.isVertex(v)) continue;
        // Bit for bit: compared as floats without tolerance.
        ASSERT_EQ(a.position(v).x, b.position(v).x) << v;
        ASSERT_EQ(a.position(v).y, b.position(v).y) << v;
        ASSERT_EQ(a.position(v).z, b.position(v).z) << v;
        ASSERT_EQ(a.normal(v), b.normal(v)) << v;
    }
    for (std::uint32_t t = 0; t < a.triangleSlots(); ++t) {
        ASSERT_EQ(a.triangle(t).e, b.triangle(t).e) << t;
        ASSERT_EQ(a.triangle(t).f, b.triangle(t).f) << t;
        ASSERT_EQ(a.triangle(t).g, b.triangle(t).g) << t;
    }
}

TEST(SculptJob, TheSameMeshOnAnyThreadAndAnyNumberOfThreads) {
    const synthetic::Scene scene(synthetic::creature(), synthetic::fourViews60(), 2.0, true);
    std::vector<Clipping*> clippings = scene.clippings();
    Sculpture here(fullSettings(1));
    SilentProgress quiet;
    ASSERT_TRUE(here.execute(clippings, quiet));
    ASSERT_GT(here.objectInfo().triangles, 1000);
    for (int threads : {2, 3, 0}) {
        Sculpture there(fullSettings(threads));
        ASSERT_TRUE(there.prepare(clippings));
        RunOutcome outcome = RunOutcome::NothingToSculpt;
        std::thread worker([&] { outcome = there.run(quiet); });
        worker.join();
        ASSERT_EQ(outcome, RunOutcome::Finished);
        expectSameMesh(here.mesh(), there.mesh());
    }
}

TEST(SculptJob, APreparedRunNeedsNoLiveClippingAndReportsFromItsThread) {
    SculptMesh reference;
    std::unique_ptr<Sculpture> prepared = std::make_unique<Sculpture>(fullSettings(2));
    {
        const synthetic::Scene scene(synthetic::ringWithPost(), synthetic::sixViews(), 2.0, true);
        std::vector<Clipping*> clippings = scene.clippings();
        Sculpture direct(fullSettings(1));
        SilentProgress quiet;
        ASSERT_TRUE(direct.execute(clippings, quiet));
        reference = std::move(direct.mesh());
        ASSERT_TRUE(prepared->prepare(clippings));
        // The pictures are edited and then thrown away before the run.
        ClippingPlacement moved = clippings[0]->placement();
        moved.angle += 20.0f;
        clippings[0]->setPlacement(moved);
    }
    struct ThreadRecorder : SculptProgress {
        void step(const std::string&, float) override {
            const std::lock_guard<std::mutex> lock(mutex);
            threads.push_back(std::this_thread::get_id());
        }
        std::mutex mutex;
        std::vector<std::thread::id> threads;
    } recorder;
    std::thread::id workerId;
    std::thread worker([&] {
        workerId = std::this_thread::get_id();
        EXPECT_EQ(prepared->run(recorder), RunOutcome::Finished);
    });
    worker.join();
    expectSameMesh(reference, prepared->mesh());
    ASSERT_FALSE(recorder.threads.empty());
    for (std::thread::id id : recorder.threads) EXPECT_EQ(id, workerId);
}

TEST(SculptJob, PreparingCatchesUpWithMasksEditedSinceTheLastUpdate) {
    const synthetic::Scene scene(synthetic::sphere300(), {synthetic::View{0, 0}, synthetic::View{90, 0}});
    std::vector<Clipping*> clippings = scene.clippings();
    Sculpture before(SculptSettings{});
    ASSERT_TRUE(before.prepare(clippings));
    // Masking in the 2D mode wipes both masks and only marks the clippings.
    for (Clipping* clipping : clippings) {
        clipping->entry().mask = Image(512, 512);
        clipping->markImageChanged();
    }
    Sculpture after(SculptSettings{});
    EXPECT_FALSE(after.prepare(clippings));
    EXPECT_FALSE(clippings[0]->isOutOfDate());
}

// Asks the run to stop when `caption` is first reported, and remembers
// what came after.
struct StopAt : SculptProgress {
    StopAt(std::string caption, std::stop_source& source) : caption(std::move(caption)), source(source) {}
    void step(const std::string& text, float) override {
        if (source.stop_requested()) ++afterStop;
        if (text.rfind(caption, 0) == 0) source.request_stop();
        seen.push_back(text);
    }
    void finished() override { ++finishedCount; }
    std::string caption;
    std::stop_source& source;
    std::vector<std::string> seen;
    int afterStop = 0;
    int finishedCount = 0;
};

TEST(SculptJob, AStopInAnyStageCancelsAndLeavesNoResult) {
    const synthetic::Scene scene(synthetic::sphere300(), {synthetic::View{0, 0}, synthetic::View{90, 0}}, 2.0, true);
    std::vector<Clipping*> clippings = scene.clippings();
    for (const char* caption :
         {"Sculpture", "Sculpturing - Creating Octree Depth 3", "Sculpturing - Creating Faces",
          "Sculpturing - Sharpening mesh create sides - Pass 0", "Sculpturing - Sharpening mesh create edges - Pass 1",
          "Sculpturing - Smoothing mesh - Pass 0", "Sculpturing - Simplification - Removing",
          "Sculpturing - Creating Buffers"}) {
        SCOPED_TRACE(caption);
        SculptSettings settings = fullSettings(2);
        settings.makeFillData = true;
        Sculpture run(settings);
        ASSERT_TRUE(run.prepare(clippings));
        std::stop_source source;
        StopAt progress(caption, source);
        EXPECT_EQ(run.run(progress, source.get_token()), RunOutcome::Cancelled);
        EXPECT_EQ(progress.finishedCount, 1);
        EXPECT_EQ(run.objectInfo().triangles, 0);
        EXPECT_TRUE(run.fillData().empty());
        // A stage notices within its next piece of work: at most the
        // captions that close the stage follow.
        EXPECT_LE(progress.afterStop, 2);
    }
}

TEST(TexturingJob, RunsOnAWorkerAndOnlyAFinishedRunChangesTheSculpture) {
    const synthetic::Scene scene(synthetic::sphere300(), synthetic::sixViews(), 2.0, true);
    std::vector<Clipping*> clippings = scene.clippings();
    Sculpture sculpture(fullSettings(2));
    SilentProgress quiet;
    ASSERT_TRUE(sculpture.execute(clippings, quiet));

    // Stopped while painting: the sculpture keeps no texture.
    TexturingJob stopped(clippings);
    std::stop_source source;
    StopAt progress("Texture creation - Transform vertices", source);
    EXPECT_EQ(stopped.run(sculpture, progress, source.get_token()), RunOutcome::Cancelled);
    stopped.applyTo(sculpture);
    EXPECT_FALSE(sculpture.hasTexture());
    EXPECT_TRUE(sculpture.mesh().textureCoordinates().empty());

    // Run on a worker while the owner only reads; applied on the owner's
    // thread it gives what the synchronous command gives.
    TexturingJob job(clippings, true);
    RunOutcome outcome = RunOutcome::Cancelled;
    std::thread worker([&] { outcome = job.run(sculpture, quiet); });
    const int triangles = sculpture.objectInfo().triangles;
    worker.join();
    ASSERT_EQ(outcome, RunOutcome::Finished);
    EXPECT_EQ(sculpture.objectInfo().triangles, triangles);
    job.applyTo(sculpture);
    ASSERT_TRUE(sculpture.hasTexture());
    EXPECT_EQ(static_cast<int>(sculpture.fillData().size()), triangles);
    const std::vector<TriangleTexture> viaJob = sculpture.mesh().textureCoordinates();

    Sculpture again(fullSettings(1));
    ASSERT_TRUE(again.execute(clippings, quiet));
    texturise(again, clippings, quiet);
    ASSERT_EQ(again.mesh().textureCoordinates().size(), viaJob.size());
    for (std::size_t t = 0; t < viaJob.size(); ++t) {
        for (int c = 0; c < 3; ++c) {
            ASSERT_EQ(again.mesh().textureCoordinates()[t].u[c], viaJob[t].u[c]);
            ASSERT_EQ(again.mesh().textureCoordinates()[t].v[c], viaJob[t].v[c]);
        }
    }
}

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
// Bytes of the process in memory.
std::size_t residentBytes() {
    std::FILE* file = std::fopen("/proc/self/statm", "r");
    if (file == nullptr) return 0;
    unsigned long size = 0;
    unsigned long resident = 0;
    const int read = std::fscanf(file, "%lu %lu", &size, &resident);
    std::fclose(file);
    return read == 2 ? resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) : 0;
}

TEST(RunMemory, LargeBlocksComeFromTheHeapDuringRunsAndTheFreeMemoryGoesBackAfterTheLast) {
    constexpr std::size_t kLarge = std::size_t{64} << 20;
    const auto blockInUse = [&] {
        auto block = std::make_unique<char[]>(kLarge);
        std::memset(block.get(), 1, kLarge);
        return block;
    };
    const auto mappedBlocks = [] { return mallinfo2().hblks; };
    ASSERT_GT(residentBytes(), 0u);
    std::size_t heldDuringRuns = 0;
    {
        const RunMemory outer;
        {
            const RunMemory inner;  // runs overlapping in time
            const std::size_t mappedBefore = mappedBlocks();
            const std::size_t residentBefore = residentBytes();
            const std::size_t largePagesBefore = testsupport::largePageBytes();
            auto block = blockInUse();
            EXPECT_EQ(mappedBlocks(), mappedBefore) << "a large block was mapped on its own during a run";
            // Where the system grants large pages on request, the heap a run
            // grows into has asked for them.
            if (testsupport::largePageMode() == "madvise") {
                EXPECT_GE(testsupport::largePageBytes(), largePagesBefore + (std::size_t{8} << 20))
                    << "a run's large block is not on large pages";
            }
            block.reset();
            heldDuringRuns = residentBytes();
            EXPECT_GE(heldDuringRuns, residentBefore + kLarge / 2) << "freed memory left the process during a run";
        }
        EXPECT_GE(residentBytes(), heldDuringRuns - kLarge / 4)
            << "the first run to end gave the memory back while another was going on";
    }
    EXPECT_LT(residentBytes(), heldDuringRuns - kLarge / 2)
        << "the free memory stayed with the process after the last run";
    // Outside runs, large blocks are mapped on their own again.
    const std::size_t mappedBefore = mappedBlocks();
    auto block = blockInUse();
    EXPECT_EQ(mappedBlocks(), mappedBefore + 1);
}
#endif

}  // namespace
