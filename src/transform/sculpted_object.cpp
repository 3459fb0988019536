#include "transform/sculpted_object.h"

#include "core/status_sink.h"
#include "render/texture.h"
#include "sculpt/texture_atlas.h"

SculptedObject::SculptedObject(gfx::GraphicsDevice* device, StatusSink& status, LongOperations& operations)
    : device_(device), status_(status), operations_(operations) {}

SculptedObject::~SculptedObject() {
    if (job_) job_->cancel();
    job_.reset();
    raysJob_.reset();
}

void SculptedObject::prepareRays() {
    if (!run_ || rays_ || raysJob_) return;
    const Sculpture* run = run_.get();
    std::unique_ptr<ObjectRays>* made = &pendingRays_;
    raysJob_ = std::make_unique<PipelineJob>([run, made](SculptProgress&, std::stop_token) {
        *made = std::make_unique<ObjectRays>(run->fillData());
        return true;
    });
}

void SculptedObject::finishRays(bool keep) {
    if (!raysJob_) return;
    raysJob_->join();
    if (keep && raysJob_->succeeded()) rays_ = std::move(pendingRays_);
    pendingRays_.reset();
    raysJob_.reset();
}

SculptedObject::Start SculptedObject::startSculpture(SculptSettings settings, std::span<Clipping* const> clippings) {
    if (isRunning()) return Start::Busy;
    settings.makeFillData = true;
    auto next = std::make_unique<Sculpture>(settings);
    if (!next->prepare(clippings)) return Start::Refused;
    next_ = std::move(next);
    operation_ = Operation::Sculpting;
    prepared_ = MeshReprData();
    stepsShown_ = 0;
    running_ = operations_.begin("Sculpture");
    status_.setBusy(true);
    Sculpture* run = next_.get();
    MeshReprData* prepared = &prepared_;
    job_ = std::make_unique<PipelineJob>([run, prepared](SculptProgress& progress, std::stop_token stop) {
        if (run->run(progress, stop) != RunOutcome::Finished) return false;
        *prepared = buildMeshReprData(run->fillData());
        return true;
    });
    return Start::Started;
}

SculptedObject::Start SculptedObject::startTexturing(std::span<Clipping* const> clippings) {
    if (isRunning()) return Start::Busy;
    if (!run_) return Start::Refused;
    texturing_ = std::make_unique<TexturingJob>(clippings, true);
    operation_ = Operation::Texturing;
    prepared_ = MeshReprData();
    stepsShown_ = 0;
    running_ = operations_.begin("Texturise");
    status_.setBusy(true);
    const Sculpture* run = run_.get();
    TexturingJob* texturing = texturing_.get();
    MeshReprData* prepared = &prepared_;
    job_ = std::make_unique<PipelineJob>([run, texturing, prepared](SculptProgress& progress, std::stop_token stop) {
        if (texturing->run(*run, progress, stop) != RunOutcome::Finished) return false;
        *prepared = buildMeshReprData(texturing->fillData());
        return true;
    });
    return Start::Started;
}

void SculptedObject::cancel() {
    if (job_) job_->cancel();
}

void SculptedObject::waitForNews(std::chrono::milliseconds timeout) {
    if (job_) job_->waitForChange(timeout);
}

void SculptedObject::showStep(const PipelineJob::Step& step) {
    if (step.count == stepsShown_) return;
    stepsShown_ = step.count;
    status_.setStatus(String(step.caption.c_str()));
    status_.setProgress(step.percent);
}

SculptedObject::Change SculptedObject::update() {
    if (raysJob_ && raysJob_->isDone() && !job_) {
        finishRays(true);
        return Change::RaysReady;
    }
    if (!job_) return Change::None;
    PipelineJob::Step step;
    const bool stepped = job_->latest(step);
    if (stepped) showStep(step);
    if (!job_->isDone()) return stepped ? Change::Progress : Change::None;
    return takeResult();
}

SculptedObject::Change SculptedObject::finish() {
    if (!job_) return Change::None;
    job_->join();
    return update();
}

SculptedObject::Change SculptedObject::takeResult() {
    job_->join();
    const bool succeeded = job_->succeeded();
    Change change = Change::Cancelled;
    if (succeeded && operation_ == Operation::Sculpting) {
        finishRays(false);
        rays_.reset();
        run_ = std::move(next_);
        texture_.reset();
        textured_ = false;
        change = Change::Sculpted;
    } else if (succeeded && operation_ == Operation::Texturing) {
        // The same shape: the rays stay; their worker reads the fill data
        // that is about to be replaced.
        finishRays(true);
        texturing_->applyTo(*run_);
        textured_ = run_->hasTexture();
        texture_.reset();
        if (textured_ && device_ != nullptr) {
            const Image& atlas = run_->textureImage();
            texture_ = std::make_unique<Texture>(*device_, RgbView{atlas.bytes(), atlas.width(), atlas.height()});
        }
        change = Change::Texturised;
    }
    if (succeeded) {
        info_ = run_->objectInfo();
        // Texturing switches the texture display on.
        if (change == Change::Texturised) textureShown_ = true;
        if (device_ != nullptr) {
            if (!mesh_) {
                mesh_ = std::make_unique<MeshRepr>(*device_, material_);
                mesh_->setWireframe(wireframe_);
            }
            mesh_->fill(std::move(prepared_));
            mesh_->clearTextures();
            if (texture_) mesh_->addTexture(texture_.get());
            mesh_->setTexturesOn(textureShown_);
        }
    }
    endOperation();
    return change;
}

void SculptedObject::endOperation() {
    job_.reset();
    next_.reset();
    texturing_.reset();
    prepared_ = MeshReprData();
    operation_ = Operation::None;
    status_.setProgress(0.0f);
    status_.setBusy(false);
    running_.end();
}

void SculptedObject::reset() {
    if (job_) {
        job_->cancel();
        endOperation();
    }
    finishRays(false);
    rays_.reset();
    run_.reset();
    mesh_.reset();
    texture_.reset();
    info_ = ObjectInfo();
    textured_ = false;
}

void SculptedObject::setWireframe(bool wireframe) {
    wireframe_ = wireframe;
    if (mesh_) mesh_->setWireframe(wireframe);
}

void SculptedObject::setTextureShown(bool shown) {
    textureShown_ = shown;
    if (mesh_) mesh_->setTexturesOn(shown);
}

void SculptedObject::setMaterial(const gfx::Material& material) {
    material_ = material;
    if (mesh_) mesh_->setMaterialColours(material);
}

void SculptedObject::draw() {
    if (mesh_ && shown_ && run_) mesh_->render();
}
