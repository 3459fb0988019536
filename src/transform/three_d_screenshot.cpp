// The transformation mode's screenshot: "Make screenshot" turns the
// camera's view into a new picture with the object's silhouette as its mask,
// placed so that it carves along the camera's rays (screenshot.h); while the
// camera panel is shown, the slab the screenshot will carve is shown red and
// what lies behind its plane grey.
#include "transform/three_d.h"

#include "gui/gui_slider.h"
#include "image/image_entry.h"
#include "platform/graphics_device.h"
#include "project/clipping_elements.h"
#include "render/renderer.h"
#include "sculpt/clipping.h"
#include "transform/clipping_scene.h"
#include "transform/screenshot.h"
#include "twod/two_d.h"

#include <array>
#include <cmath>

namespace {

constexpr const char* kMaking = "Making screenshot...";
constexpr uint32_t kSlabColour = 0x50FF2020;   // red, a third opaque
constexpr uint32_t kBehindColour = 0xB0808080;  // grey, mostly opaque

struct PlaneVertex {
    D3DXVECTOR3 position;
    uint32_t colour;
};

// A quad across the whole view at `distance` from the camera.
std::array<PlaneVertex, 6> planeAcrossView(const Camera& camera, float distance, float halfWidth, float halfHeight,
                                           uint32_t colour) {
    const D3DXVECTOR3 centre = camera.position() + camera.viewDirection() * distance;
    const D3DXVECTOR3 right = camera.sideways() * halfWidth;
    const D3DXVECTOR3 up = camera.upDirection() * halfHeight;
    const D3DXVECTOR3 a = centre - right + up, b = centre + right + up, c = centre - right - up, d = centre + right - up;
    return {{{a, colour}, {b, colour}, {c, colour}, {c, colour}, {b, colour}, {d, colour}}};
}

}  // namespace

Image ThreeD::captureScene() {
    const int width = workspace().backBufferWidth();
    const int height = workspace().backBufferHeight();
    DxRenderer* renderer = workspace().renderer();
    gfx::GraphicsDevice* device = renderer != nullptr ? renderer->device() : nullptr;
    std::vector<unsigned char> rgba;
    int readWidth = 0;
    int readHeight = 0;
    if (device != nullptr) {
        capturing_ = true;
        renderer->beginScene();
        drawScene(*renderer);
        const bool read = device->readBackBuffer(rgba, readWidth, readHeight);
        renderer->endScene();
        capturing_ = false;
        if (!read) rgba.clear();
    }
    if (rgba.empty() || readWidth <= 0 || readHeight <= 0) {
        // Nothing was drawn (no window): the background colour.
        const ColourBytes& background = workspace().settings().backgroundcol;
        return Image(width, height, Rgb{background.red, background.green, background.blue});
    }
    std::vector<unsigned char> rgb(static_cast<size_t>(readWidth) * static_cast<size_t>(readHeight) * 3);
    for (size_t pixel = 0; pixel < rgb.size() / 3; ++pixel) {
        for (int channel = 0; channel < 3; ++channel) rgb[pixel * 3 + static_cast<size_t>(channel)] = rgba[pixel * 4 + static_cast<size_t>(channel)];
    }
    return Image(readWidth, readHeight, rgb.data());
}

bool ThreeD::startScreenshot() {
    if (animatingRefusal()) return false;
    setBusy(true);
    setStatus(String(kMaking));
    setProgress(0.0f);
    drawFrame();

    const Camera& camera = rig_.camera();
    const int width = workspace().backBufferWidth();
    const int height = std::max(workspace().backBufferHeight(), 1);
    Image picture = captureScene();
    Image silhouette(picture.width(), picture.height());
    if (object_->exists() && !object_->isRunning()) {
        const ViewGeometry geometry = viewGeometry();
        silhouette = objectSilhouette(object_->run()->fillData(), geometry.view * geometry.projection,
                                      picture.width(), picture.height());
    }
    ImageList& images = twoD_.images();
    const int slot = images.append(
        entryFromPicture(std::move(picture), std::move(silhouette), images.nextImageNumber(), twoD_.maskValue()));
    Clipping* clipping = clippings_->clipping(slot);
    if (clipping != nullptr) {
        clipping->update();
        const Image& mask = clipping->entry().mask;
        const ScreenshotSlab slab = screenshotSlab(panels_->slider(Control::ScreenshotDistance)->value(),
                                                   panels_->slider(Control::ScreenshotDepth)->value());
        clipping->setPlacement(screenshotPlacement(camera, DxRenderer::kFieldOfView,
                                                   static_cast<float>(width) / static_cast<float>(height),
                                                   static_cast<float>(mask.width() - mask.marginRight),
                                                   static_cast<float>(mask.height() - mask.marginBottom), slab));
        // It carves; painting with the object's own picture would add nothing.
        ClippingFlags flags = clipping->flags();
        flags.enabled = true;
        flags.forsculpting = true;
        flags.addingvoxels = true;
        flags.fortexturing = false;
        clipping->setFlags(flags);
        shown_.insert(&clipping->entry());
        scene_->sync(false);
        selectSlot(slot);
        markTransformed(slot);
        scene_->collisions().invalidate();
    }
    statusBar().setProgress(0.0f);
    statusBar().setText(String());
    setBusy(false);
    return clipping != nullptr;
}

void ThreeD::drawScreenshotPreview(gfx::GraphicsDevice& device) {
    const Camera& camera = rig_.camera();
    const ScreenshotSlab slab = screenshotSlab(panels_->slider(Control::ScreenshotDistance)->value(),
                                               panels_->slider(Control::ScreenshotDepth)->value());
    const float tanVertical = std::tan(DxRenderer::kFieldOfView / 2.0f);
    const float aspect = static_cast<float>(workspace().backBufferWidth()) /
                         static_cast<float>(std::max(workspace().backBufferHeight(), 1));
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    device.setTransform(gfx::TransformKind::World, identity);
    device.setTexture({});
    device.setRenderState(gfx::RenderState::Lighting, 0);
    device.setRenderState(gfx::RenderState::ZEnable, 1);
    device.setRenderState(gfx::RenderState::ZWriteEnable, 0);
    device.setRenderState(gfx::RenderState::AlphaBlendEnable, 1);
    device.setRenderState(gfx::RenderState::AlphaTestEnable, 0);
    device.setRenderState(gfx::RenderState::SrcBlend, gfx::kBlendSrcAlpha);
    device.setRenderState(gfx::RenderState::DestBlend, gfx::kBlendInvSrcAlpha);
    device.setRenderState(gfx::RenderState::CullMode, gfx::kCullNone);
    device.setRenderState(gfx::RenderState::FillMode, gfx::kFillSolid);
    // Slightly wider than the view, so that no edge shows.
    for (const auto& [distance, colour] : {std::pair{slab.nearDistance, kSlabColour}, std::pair{slab.farDistance, kBehindColour}}) {
        const float halfHeight = distance * tanVertical * 1.1f;
        const auto quad = planeAcrossView(camera, distance, halfHeight * aspect, halfHeight, colour);
        device.drawUser(gfx::Primitive::TriangleList, gfx::kPosition | gfx::kDiffuse, quad.data(),
                        static_cast<int>(quad.size()), nullptr, 0);
    }
    device.setRenderState(gfx::RenderState::ZWriteEnable, 1);
    device.setRenderState(gfx::RenderState::AlphaBlendEnable, 0);
}
