#include "app/shell/mode_twod.h"

#include "app/shell/application_main.h"

TwoD::TwoD(ApplicationMain& application) : WorkspaceMode(application, 1) {}

void TwoD::resetRubrics() {
    dropGesture();
    clearHelpText();
    statusBar().setProgress(0.0f);
    statusBar().setText(String());
}

bool TwoD::onMenuCommand(const String& text) {
    if (text.equals("New Project")) {
        application().newProject();
        return true;
    }
    return WorkspaceMode::onMenuCommand(text);
}

void TwoD::onKeyDown(int key) {
    const bool switchMode = isPlainTab(key);
    WorkspaceMode::onKeyDown(key);
    if (switchMode) application().switchToThreeD();
}
