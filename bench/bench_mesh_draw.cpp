// Drawing the sculpted object while the camera turns around it, on the real
// window at 1280 x 800 (OpenGL; under Xvfb Mesa's software rasteriser):
//  - MillionTriangles: a closed, smoothly shaded object of 1,000,000
//    triangles filling most of the window (target: median frame <= 50 ms);
//  - MillionTrianglesWireframe: the same in wireframe (no target, for scale);
//  - TexturedSample: the bundled sample sculpted with its own settings and
//    texturised (target: median frame <= 16 ms).
// One frame = clear, the mesh with the camera's view, present. Skipped
// without a display. The sample is read from PLASTORA_APP_DIR, else from the
// bin/ folder beside the folder of this program.
#include "core/file_io.h"
#include "platform/window.h"
#include "image/image_entry.h"
#include "project/clipping_elements.h"
#include "project/project_file.h"
#include "render/camera.h"
#include "render/scene/mesh_repr.h"
#include "render/texture.h"
#include "sculpt/clipping.h"
#include "sculpt/sculpture.h"
#include "sculpt/texture_atlas.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 800;

std::string applicationFolder() {
    std::string folder;
    if (const char* dir = std::getenv("PLASTORA_APP_DIR")) folder = dir;
    else folder = (std::filesystem::path(executableDirectory().str()) / ".." / "bin").lexically_normal().string();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

// A lumpy closed ball of radius about `radius` around the origin, made of
// rings x segments quads (two triangles each), smooth normals, wound like the
// sculpted mesh (face normal (G - E) x (F - E) pointing out).
std::vector<MeshReprTriangle> lumpyBall(int rings, int segments, float radius) {
    const float pi = 4.0f * std::atan(1.0f);
    auto point = [&](int ring, int segment) {
        const float theta = pi * static_cast<float>(ring) / static_cast<float>(rings);
        const float phi = 2.0f * pi * static_cast<float>(segment % segments) / static_cast<float>(segments);
        const float bump = 1.0f + 0.08f * std::sin(5.0f * theta) * std::cos(7.0f * phi);
        const D3DXVECTOR3 unit(std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi));
        return unit * (radius * bump);
    };
    auto corner = [&](int ring, int segment) {
        VertexPNCT v;
        v.position = point(ring, segment);
        D3DXVec3Normalize(&v.normal, &v.position);
        v.colour = 0xFFFF0000u;
        v.u = static_cast<float>(segment) / static_cast<float>(segments);
        v.v = static_cast<float>(ring) / static_cast<float>(rings);
        return v;
    };
    auto triangle = [](const VertexPNCT& e, const VertexPNCT& f, const VertexPNCT& g) {
        MeshReprTriangle t;
        t.corners[0] = e;
        t.corners[1] = f;
        t.corners[2] = g;
        const D3DXVECTOR3 a = g.position - e.position;
        const D3DXVECTOR3 b = f.position - e.position;
        D3DXVECTOR3 n;
        D3DXVec3Cross(&n, &a, &b);
        D3DXVec3Normalize(&t.faceNormal, &n);
        return t;
    };
    std::vector<MeshReprTriangle> out;
    out.reserve(static_cast<size_t>(rings) * static_cast<size_t>(segments) * 2);
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const VertexPNCT a = corner(r, s), b = corner(r, s + 1), c = corner(r + 1, s), d = corner(r + 1, s + 1);
            out.push_back(triangle(a, c, b));
            out.push_back(triangle(b, c, d));
        }
    }
    return out;
}

// The window, its device, a light and a camera circling the origin.
class DrawRig {
public:
    bool open() {
        window_ = platform::createSdlWindow();
        if (!window_ || !window_->create("Plastora", 0, 0, kWidth, kHeight)) return false;
        device_ = window_->createDevice(kWidth, kHeight);
        if (!device_) return false;
        D3DXMATRIX projection;
        D3DXMatrixPerspectiveFovLH(&projection, 0.5235988f, static_cast<float>(kWidth) / kHeight, 1.0f, 250000.0f);
        device_->setTransform(gfx::TransformKind::Projection, projection);
        gfx::DirectionalLight light;
        light.specular = {1, 1, 1, 1};
        light.direction = D3DXVECTOR3(0.3f, -0.5f, 0.8f);
        D3DXVec3Normalize(&light.direction, &light.direction);
        device_->setLight(light);
        device_->enableLight(true);
        camera_.setNearDistance(10.0f);
        camera_.setFarDistance(250000.0f);
        return true;
    }
    gfx::GraphicsDevice& device() { return *device_; }

    // Turns the camera by `degrees` around the origin at `distance`, then
    // draws one frame of `mesh`.
    void frame(Mesh& mesh, float degrees, float distance) {
        camera_.yawRight(degrees);
        camera_.setPosition(-camera_.viewDirection() * distance);
        device_->beginScene();
        device_->clear(gfx::kClearTarget | gfx::kClearDepth | gfx::kClearStencil, 0xFF667788u, 1.0f, 0);
        camera_.applyView(*device_);
        mesh.render();
        device_->endScene();
        device_->present();
        platform::WindowMessage message;
        while (window_->peekMessage(message)) {
        }
    }

private:
    std::unique_ptr<platform::Window> window_;
    std::unique_ptr<gfx::GraphicsDevice> device_;
    Camera camera_;
};

long minorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

void drawTurning(benchmark::State& state, DrawRig& rig, Mesh& mesh, float distance) {
    for (int i = 0; i < 3; ++i) rig.frame(mesh, 1.5f, distance);
    const long faults = minorFaults();
    for (auto _ : state) rig.frame(mesh, 1.5f, distance);
    state.counters["faultsPerFrame"] =
        static_cast<double>(minorFaults() - faults) / static_cast<double>(std::max<int64_t>(1, state.iterations()));
}

void millionTriangles(benchmark::State& state, bool wireframe) {
    DrawRig rig;
    if (!rig.open()) {
        state.SkipWithError("no display");
        return;
    }
    MeshRepr mesh(rig.device(), gfx::Material{});
    const std::vector<MeshReprTriangle> triangles = lumpyBall(500, 1000, 500.0f);
    const auto start = std::chrono::steady_clock::now();
    mesh.fill(triangles);
    state.counters["fillSeconds"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    mesh.setWireframe(wireframe);
    state.counters["triangles"] = static_cast<double>(mesh.triangleCount());
    state.counters["chunks"] = static_cast<double>(mesh.chunkCount());
    rig.frame(mesh, 0.0f, 2300.0f);
    state.counters["chunksDrawn"] = static_cast<double>(mesh.chunksDrawn());
    state.counters["vertices"] = static_cast<double>(mesh.vertexCount());
    drawTurning(state, rig, mesh, 2300.0f);
}

void MillionTriangles(benchmark::State& state) { millionTriangles(state, false); }
BENCHMARK(MillionTriangles)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void MillionTrianglesWireframe(benchmark::State& state) { millionTriangles(state, true); }
BENCHMARK(MillionTrianglesWireframe)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The sample sculpted at `depth` (untextured when `textured` is false).
struct SculptedSample {
    ImageList images;
    ClippingTable table{images};
    std::unique_ptr<Sculpture> run;
    std::vector<Clipping*> clippings;

    bool make(int depth, bool textured) {
        ProjectSettings project;
        StatusSink quiet;
        const String path((applicationFolder() + "data/sample/sample.qz").c_str());
        if (!loadProject(path, images, project, quiet, &table).opened) return false;
        for (int i = 0; i < table.slotCount(); ++i) clippings.push_back(table.clipping(i));
        SculptSettings settings;
        settings.depth = depth > 0 ? depth : static_cast<int>(project.voxelsize);
        settings.sharpeningPasses = static_cast<int>(project.sharpening);
        settings.smoothingPasses = static_cast<int>(project.smoothing);
        settings.makeFillData = true;
        run = std::make_unique<Sculpture>(settings);
        SilentProgress progress;
        if (!run->execute(clippings, progress)) return false;
        return !textured || texturise(*run, clippings, progress).textured;
    }
};

void SculptedSampleDepth10(benchmark::State& state) {
    DrawRig rig;
    if (!rig.open()) {
        state.SkipWithError("no display");
        return;
    }
    SculptedSample sample;
    if (!sample.make(10, false)) {
        state.SkipWithError("the sample cannot be sculpted");
        return;
    }
    MeshRepr mesh(rig.device(), gfx::Material{});
    mesh.fill(sample.run->fillData());
    state.counters["triangles"] = static_cast<double>(mesh.triangleCount());
    state.counters["chunks"] = static_cast<double>(mesh.chunkCount());
    state.counters["vertices"] = static_cast<double>(mesh.vertexCount());
    rig.frame(mesh, 0.0f, 1800.0f);
    state.counters["chunksDrawn"] = static_cast<double>(mesh.chunksDrawn());
    drawTurning(state, rig, mesh, 1800.0f);
}
BENCHMARK(SculptedSampleDepth10)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void TexturedSample(benchmark::State& state) {
    DrawRig rig;
    if (!rig.open()) {
        state.SkipWithError("no display");
        return;
    }
    SculptedSample sample;
    if (!sample.make(0, true)) {
        state.SkipWithError("the sample cannot be sculpted and texturised");
        return;
    }
    const Sculpture& run = *sample.run;
    const Image& atlas = run.textureImage();
    Texture texture(rig.device(), RgbView{atlas.bytes(), atlas.width(), atlas.height()});
    MeshRepr mesh(rig.device(), gfx::Material{});
    mesh.fill(run.fillData());
    mesh.addTexture(&texture);
    state.counters["triangles"] = static_cast<double>(mesh.triangleCount());
    drawTurning(state, rig, mesh, 2300.0f);
}
BENCHMARK(TexturedSample)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace
