// SculptedObject: the object the transformation mode sculpts, texturises,
// draws and saves. It owns the last finished sculpting run (a Sculpture
// with its mesh and texture atlas), the drawable made from it and the one
// pipeline operation that may be running.
//
// Sculpting and texturing run on a worker thread (PipelineJob): the run works
// on a copy of the clippings taken when it starts, so the project may go on
// changing meanwhile and is never touched by it. Each frame the mode calls
// update(), which shows the latest step in the status bar and, when the run
// has finished, puts its result in place: the previous object stays until
// then, and stays for good when the run is cancelled (ESC or the Cancel
// button) or fails.
#pragma once

#include "core/long_operations.h"
#include "render/scene/mesh_repr.h"
#include "sculpt/object_rays.h"
#include "sculpt/sculpture.h"
#include "transform/pipeline_job.h"

#include <chrono>
#include <memory>
#include <span>

class Clipping;
class StatusSink;
class Texture;
class TexturingJob;
struct Settings;
namespace gfx {
class GraphicsDevice;
}

class SculptedObject {
public:
    enum class Start {
        Started,
        // No clipping can carve (sculpting) or there is no object (texturing).
        Refused,
        // Another operation runs.
        Busy,
    };
    // What update() found.
    enum class Change { None, Progress, Sculpted, Texturised, Cancelled, RaysReady };

    // `device` may be null (no drawable is made); `status` shows the
    // progress and the busy state of the mode; a run is registered in
    // `operations` as "Sculpture" or "Texturise" while it goes on. All must
    // outlive the object.
    SculptedObject(gfx::GraphicsDevice* device, StatusSink& status, LongOperations& operations);
    ~SculptedObject();
    SculptedObject(const SculptedObject&) = delete;
    SculptedObject& operator=(const SculptedObject&) = delete;

    // --- operations
    // Starts sculpting `clippings` (the workspace's list, entries may be
    // null) with `settings`; copies what the run needs at once.
    Start startSculpture(SculptSettings settings, std::span<Clipping* const> clippings);
    // Starts texturing the object with the pictures of `clippings`.
    Start startTexturing(std::span<Clipping* const> clippings);
    bool isRunning() const { return job_ != nullptr; }
    // Asks the running operation to stop; its result is thrown away.
    void cancel();
    // Waits at most `timeout` for news of the running operation (so that
    // frames are drawn when there is something to show, and the worker keeps
    // the processor otherwise). Returns at once when nothing runs.
    void waitForNews(std::chrono::milliseconds timeout);
    // On the drawing thread, once per frame: shows the latest step and puts
    // a finished result in place.
    Change update();
    // Waits for the running operation and puts its result in place (tests,
    // shut-down).
    Change finish();

    // --- the object
    bool exists() const { return run_ != nullptr; }
    bool isTextured() const { return textured_; }
    ObjectInfo info() const { return info_; }
    // The last finished run (null before the first); not while an operation
    // runs on it (isRunning()).
    Sculpture* run() const { return run_.get(); }
    // Drops the object (a new project); a running operation is stopped.
    void reset();

    // --- the object as rays see it (collision lines and decals with it)
    // Starts making the rays' structure on a worker thread, when the object
    // exists and has none yet; update() says RaysReady when it is there.
    void prepareRays();
    // The structure; null while it is not made yet.
    const ObjectRays* rays() const { return rays_.get(); }

    // --- how it is drawn
    MeshRepr* drawable() const { return mesh_.get(); }
    void setShown(bool shown) { shown_ = shown; }
    bool isShown() const { return shown_; }
    void setWireframe(bool wireframe);
    bool isWireframe() const { return wireframe_; }
    void setTextureShown(bool shown);
    bool isTextureShown() const { return textureShown_; }
    void setMaterial(const gfx::Material& material);
    // Draws the object when it exists and is shown.
    void draw();

private:
    void showStep(const PipelineJob::Step& step);
    Change takeResult();
    void endOperation();
    // Waits for the rays' worker; `keep` keeps what it made.
    void finishRays(bool keep);

    gfx::GraphicsDevice* device_;
    StatusSink& status_;
    LongOperations& operations_;
    LongOperations::Scope running_;
    gfx::Material material_;
    std::unique_ptr<Sculpture> run_;
    std::unique_ptr<MeshRepr> mesh_;
    std::unique_ptr<Texture> texture_;
    ObjectInfo info_;
    bool textured_ = false;
    bool shown_ = true;
    bool wireframe_ = false;
    bool textureShown_ = true;
    long stepsShown_ = 0;

    // The running operation: a new run being sculpted, or a texturing job on
    // run_, with the drawable's data the worker prepares. The job is
    // declared last: it is stopped and joined before what it works on goes.
    enum class Operation { None, Sculpting, Texturing };
    Operation operation_ = Operation::None;
    std::unique_ptr<Sculpture> next_;
    std::unique_ptr<TexturingJob> texturing_;
    MeshReprData prepared_;
    std::unique_ptr<PipelineJob> job_;

    // The rays' structure of run_, and its worker (which reads run_'s fill
    // data: it is waited for before run_ changes).
    std::unique_ptr<ObjectRays> rays_;
    std::unique_ptr<ObjectRays> pendingRays_;
    std::unique_ptr<PipelineJob> raysJob_;
};
