// TwoD: the 2D mode, in which pictures are loaded, masked and given their
// borders. It owns the image list. Its screen (rubrics, image view, menus)
// is built on this frame; until then it shows the background and its status
// bar, takes dropped files and switches to the transformation mode with TAB.
#pragma once

#include "app/shell/workspace_mode.h"
#include "image/image_entry.h"

class TwoD : public WorkspaceMode {
public:
    explicit TwoD(ApplicationMain& application);

    // The loaded images, in list order.
    ImageList& images() { return images_; }
    const ImageList& images() const { return images_; }

    // Back to the first rubric with nothing in progress (new project).
    void resetRubrics();

    // "New Project" asks for a new project; false for other texts.
    bool onMenuCommand(const String& text) override;
    // TAB alone switches to the transformation mode.
    void onKeyDown(int key) override;

private:
    ImageList images_;
};
