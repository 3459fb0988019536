#include "app/gallery/gallery_application.h"

#include "app/gallery/gallery_screen.h"
#include "gui/help_box.h"
#include "render/camera.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "render/texture_manager.h"

namespace {

constexpr unsigned char kBackground[3] = {60, 60, 66};

// Where the gallery's camera stands and looks: the scene shows in the upper
// right quarter of the window, beside the state table.
const D3DXVECTOR3 kCameraPosition(-200.0f, 94.0f, 73.0f);
constexpr float kCameraYaw = 4.8f;
constexpr float kCameraPitch = -28.0f;

}  // namespace

GalleryApplication::GalleryApplication(platform::Window& window, const String& applicationDirectory,
                                       Dialogs& dialogs, SystemCursor& systemCursor, std::FILE* log)
    : Application(window, kWidth, kHeight, applicationDirectory),
      dialogs_(dialogs),
      systemCursor_(systemCursor),
      log_(log) {}

GalleryApplication::~GalleryApplication() {
    screen_.reset();
    guiContext() = GuiContext{};
}

void GalleryApplication::initApplication() {
    GuiContext& context = guiContext();
    context.renderer = renderer();
    context.textures = textureManager();
    context.applicationDirectory = applicationDirectory();
    context.pointer = this;
    context.renderKeyShortcuts = true;
    HelpBox::instance().setEnabled(true);

    if (Camera* view = camera()) {
        view->setPosition(kCameraPosition);
        view->look(view->yaw() - kCameraYaw, view->pitch() - kCameraPitch);
    }
    loadCursorTextures();

    GalleryServices services;
    services.slider.dialogs = &dialogs_;
    services.slider.systemCursor = &systemCursor_;
    services.slider.movePointer = [this](float x, float y) {
        warpMouse(static_cast<int>(backBufferToWindowX(x)), static_cast<int>(backBufferToWindowY(y)));
    };
    services.log = log_;
    services.quit = [this] { stop(); };
    screen_ = std::make_unique<GalleryScreen>(*device(), *textureManager(), applicationDirectory(),
                                              std::move(services), backBufferWidth(), backBufferHeight());
    setCursor(0);
}

void GalleryApplication::exitApplication() {
    screen_.reset();
    guiContext() = GuiContext{};
}

void GalleryApplication::loadCursorTextures() {
    TextureManager* manager = textureManager();
    if (manager == nullptr) return;
    for (int index = 0; index < kCursorTextureCount; ++index) {
        String path = applicationDirectory();
        path.append(String("data/gui/cursors/")).append(String(kCursorTextureFiles[static_cast<size_t>(index)]));
        cursorTextures_[static_cast<size_t>(index)] = manager->load(path);
    }
}

void GalleryApplication::setCursor(int kind) {
    Application::setCursor(kind);
    const std::optional<CursorLook> look = cursorLookOf(kind);
    if (!look) return;
    applyFlagChange(look->pressed, cursorPressed_);
    applyFlagChange(look->over, cursorOver_);
    setCursorLook(cursorTextures_[static_cast<size_t>(look->texture)], look->hotX, look->hotY, look->size);
}

void GalleryApplication::drawPointer(DxRenderer& renderer) const {
    const Texture* texture = cursorTexture();
    if (texture == nullptr || texture->isEmpty()) return;
    const float scale = cursorSize() / kCursorTextureSize;
    renderer.setSpriteTransform(scale, scale, 0.0f, mouseX_ - cursorHotSpotX(), mouseY_ - cursorHotSpotY());
    renderer.drawSprite(texture, D3DXVECTOR2(0.0f, 0.0f));
    renderer.resetSpriteTransform();
}

void GalleryApplication::frame() {
    DxRenderer* renderer = this->renderer();
    Camera* view = camera();
    if (renderer == nullptr || !renderer->isInitialised() || view == nullptr || !screen_) return;
    renderer->setClearColour(kBackground[0], kBackground[1], kBackground[2]);
    renderer->beginScene();
    screen_->render(*renderer, *view);
    drawPointer(*renderer);
    renderer->endScene();
    renderer->present();
}

void GalleryApplication::onDeviceLost() {
    if (screen_) screen_->releaseDeviceObjects();
}

void GalleryApplication::onDeviceReset() {
    if (screen_) screen_->restoreDeviceObjects();
}

void GalleryApplication::onMouseDown(InputIdentifier button, float x, float y) {
    mouseX_ = windowToBackBufferX(x);
    mouseY_ = windowToBackBufferY(y);
    if (screen_) screen_->mousePressed(button, mouseX_, mouseY_);
}

void GalleryApplication::onMouseDoubleClick(InputIdentifier, float x, float y) {
    mouseX_ = windowToBackBufferX(x);
    mouseY_ = windowToBackBufferY(y);
    if (screen_) screen_->mouseDoubleClicked();
}

void GalleryApplication::onMouseUp(InputIdentifier button, float x, float y) {
    mouseX_ = windowToBackBufferX(x);
    mouseY_ = windowToBackBufferY(y);
    if (screen_) screen_->mouseReleased(button, mouseX_, mouseY_);
}

void GalleryApplication::onMouseMove(float x, float y) {
    mouseX_ = x;
    mouseY_ = y;
    if (screen_) screen_->mouseMoved(x, y);
}

void GalleryApplication::onMouseWheel(int step) {
    // The GUI takes the wheel amount of the window message: 120 a notch.
    if (screen_) screen_->mouseWheel(step * 120);
}
