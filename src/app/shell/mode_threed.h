// ThreeD: the transformation mode, in which the images are placed in 3D
// space and the object is sculpted. Its screen (rubrics, gestures, the 3D
// scene) is built on this frame; until then it shows the background under
// the camera's view and its status bar, and TAB returns to the 2D mode.
#pragma once

#include "app/shell/workspace_mode.h"

class ThreeD : public WorkspaceMode {
public:
    explicit ThreeD(ApplicationMain& application);

    // True while a sculpted object exists (its material settings are then
    // written at shut-down).
    bool hasSculptedObject() const { return false; }
    // Drops the sculpted object, the sculpting state and the placement state
    // (new project).
    void resetWorkspace();

    // "New Project" asks for a new project; false for other texts.
    bool onMenuCommand(const String& text) override;
    // TAB alone returns to the 2D mode.
    void onKeyDown(int key) override;
    // Sets the camera's view, then draws as every mode does.
    void frame() override;
};
