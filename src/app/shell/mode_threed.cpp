#include "app/shell/mode_threed.h"

#include "app/shell/application_main.h"
#include "render/camera.h"
#include "render/renderer.h"

ThreeD::ThreeD(ApplicationMain& application) : WorkspaceMode(application, 2) {}

void ThreeD::resetWorkspace() {
    dropGesture();
    clearHelpText();
    statusBar().setProgress(0.0f);
    statusBar().setText(String());
}

bool ThreeD::onMenuCommand(const String& text) {
    if (text.equals("New Project")) {
        application().newProject();
        return true;
    }
    return WorkspaceMode::onMenuCommand(text);
}

void ThreeD::onKeyDown(int key) {
    const bool switchMode = isPlainTab(key);
    WorkspaceMode::onKeyDown(key);
    if (switchMode) application().switchToTwoD();
}

void ThreeD::frame() {
    DxRenderer* renderer = application().renderer();
    Camera* camera = application().camera();
    if (renderer != nullptr && camera != nullptr && renderer->device() != nullptr)
        camera->applyView(*renderer->device());
    WorkspaceMode::frame();
}
