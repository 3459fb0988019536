// The 2D mode's menus: building them, the refresh rules when one opens, and
// the handler of their commands (the project and picture files, the view
// settings and panels).
#include "twod/two_d.h"

#include "core/configuration.h"
#include "gui/gui_menu.h"
#include "image/image_entry.h"
#include "project/clipping_elements.h"
#include "project/picture_import.h"
#include "project/platform_dialogs.h"
#include "project/project_file.h"
#include "twod/border_rubric.h"
#include "twod/general_rubric.h"
#include "twod/masking_rubric.h"

namespace {

struct MenuItemText {
    const char* label;  // null: a separator
    const char* help;
    const char* disabledHelp;
    bool check;
};

constexpr MenuItemText kFileItems[] = {
    {"New Project", "Start a new project.", "No project started yet.", false},
    {"Load Project...", "Load an existing project.", nullptr, false},
    {"Save Project...", "Save the current project.", "No project started which could be saved.", false},
    {nullptr, nullptr, nullptr, false},
    {"Load Images...",
     "Load images to create out of them a 3d object.\nThereby the alpha channel will be the mask of the image.", nullptr,
     false},
    {"Load Mask (Color Channel)...", "Load the mask for the selected image from the color channel of an image.",
     "No image selected for which the mask should be loaded.", false},
    {"Load Mask (Alpha Channel)...", "Load the mask for the selected image from the alpha channel of an image.",
     "No image selected for which the mask should be loaded.", false},
    {"Save Images...", "Save all images. The alpha channel will represent the mask.",
     "No images loaded which could be saved.", false},
    {"Save Image...", "Save the selected image. The alpha channel will represent the mask",
     "No image selected which could be saved.", false},
    {"Save Mask (Color Channel)...", "Save the mask of the selected image to the color channel of an image.",
     "No image selected for which the mask could be saved.", false},
    {nullptr, nullptr, nullptr, false},
    {"Save 3d Object...", "Save the final 3d object to file.", "No object created which could be saved.", false},
    {nullptr, nullptr, nullptr, false},
    {"Quit", "Quit Plastora.", nullptr, false},
};

constexpr MenuItemText kViewItemsBeforeCommon[] = {
    {"Default Settings", "Change back to the default view settings.", nullptr, false},
    {nullptr, nullptr, nullptr, false},
    {"Animation Time...",
     "Change the speed of the animations by changing the time how long\none animation needs. As a pro you may turn "
     "off animations for having no latency.",
     nullptr, false},
    {"Background Color...", "Change the background color of Plastora.", nullptr, false},
};

constexpr MenuItemText kViewItemsAfterCommon[] = {
    {nullptr, nullptr, nullptr, false},
    {"Mask Color...", "Change mask color and transparency (Key m).", nullptr, false},
    {"Render Mask", "Check if the mask should be drawn (Key F1).", nullptr, true},
    {"Render Border", "Check if the border should be drawn (Key F2).", nullptr, true},
    {"Render Interactive Preview",
     "Check if you want to have interactive previews\nat filling or setting a threshold. This needs some processing "
     "time so if you\nhave a slower computer turn this of (Key F3).",
     nullptr, true},
    {nullptr, nullptr, nullptr, false},
    {"Border Color...", "Change the border color (Key b).", nullptr, false},
    {"Border Vertex Color...", "Change the color of the vertices on the border (Key b).", nullptr, false},
};

template <size_t N>
void addItems(GuiMenu& menu, const MenuItemText (&items)[N]) {
    for (const MenuItemText& item : items) {
        if (item.label == nullptr) {
            menu.addSeparator();
        } else if (item.check) {
            menu.addCheckItem(String(item.label), String(item.help));
        } else {
            menu.addItem(String(item.label), String(item.help),
                         item.disabledHelp != nullptr ? String(item.disabledHelp) : String());
        }
    }
}

}  // namespace

void TwoD::buildMenus() {
    GuiMenu& file = addMenu("File", "Make file operations (ALT key + f).");
    addItems(file, kFileItems);
    GuiMenu& view =
        addMenu("View", "Change view properties like the background color, masking color etc  (ALT key + v).");
    addItems(view, kViewItemsBeforeCommon);
    addCommonViewItems(view);
    addItems(view, kViewItemsAfterCommon);
    addInfoMenu();
    finishMenus();
}

void TwoD::menuOpening(GuiMenu& menu) {
    if (menu.name().equals("File")) refreshFileMenu(menu);
}

// The per-image items of the File menu and why each is disabled: with no
// image loaded, or with images but none selected.
struct FileItemRefusal {
    const char* label;
    const char* help;
    const char* noneLoaded;
    const char* noneSelected;
};

constexpr FileItemRefusal kFileRefusals[] = {
    {"Load Mask (Color Channel)...", "Load the mask for the selected image from the color channel of an image.",
     "No image loaded for which mask should be loaded.", "No image selected for whcih the mask should be loaded."},
    {"Load Mask (Alpha Channel)...", "Load the mask for the selected image from the alpha channel of an image.",
     "No image loaded for which mask should be loaded.", "No image selected for which the mask should be loaded."},
    {"Save Images...", "Save all images. The alpha channel will represent the mask.",
     "No image loaded which should be saved.", "No image loaded."},
    {"Save Image...", "Save the selected image. The alpha channel will represent the mask",
     "No image loaded which should be saved.", "No image selected which should be saved."},
    {"Save Mask (Color Channel)...", "Save the mask of the selected image to the color channel of an image.",
     "No image loaded for which the mask should be saved.", "No image selected for which the mask shoud be saved."},
};

void TwoD::refreshFileMenu(GuiMenu& file) {
    const bool loaded = images_.imageCount() > 0;
    const bool selected = selectedEntry() != nullptr;
    for (const FileItemRefusal& item : kFileRefusals)
        file.setItemHelpTexts(String(item.label), String(item.help),
                              String(loaded ? item.noneSelected : item.noneLoaded));
    for (const char* label : {"New Project", "Save Project...", "Save Images..."})
        file.setItemEnabled(String(label), loaded);
    for (const char* label :
         {"Save Image...", "Save Mask (Color Channel)...", "Load Mask (Color Channel)...", "Load Mask (Alpha Channel)..."})
        file.setItemEnabled(String(label), selected);
}

CommandUi TwoD::commandUi(StatusSink& status) {
    return CommandUi{workspace().dialogs(), workspace().systemCursor(), status};
}

bool TwoD::onMenuCommand(const String& text) {
    if (runSharedCommand(text, *this)) return true;
    if (runFileCommand(text)) return true;
    return runViewCommand(text);
}

bool TwoD::runSharedCommand(const String& text, StatusSink& status) {
    Settings& settings = workspace().settings();
    if (text.equals("New Project")) {
        workspace().newProject();
        return true;
    }
    if (text.equals("Load Project...") || text.equals("Save Project...")) {
        ProjectSettings sliders{settings.meshdetail, settings.sharpening, settings.smoothing};
        CommandUi ui = commandUi(status);
        if (text.equals("Save Project...")) {
            saveProjectCommand(images_, sliders, ui, clippings_);
            return true;
        }
        const int before = images_.imageCount();
        if (loadProjectCommand(images_, sliders, ui, clippings_)) {
            settings.meshdetail = sliders.voxelsize;
            settings.sharpening = sliders.sharpening;
            settings.smoothing = sliders.smoothing;
            afterImagesAdded(before);
            workspace().switchToTwoD();
        }
        return true;
    }
    if (text.equals("Background Color...")) {
        chooseBackgroundColour();
        return true;
    }
    if (text.equals("Animation Time...")) {
        general_->showAnimationTimePanel();
        return true;
    }
    return false;
}

void TwoD::chooseBackgroundColour() {
    ColourBytes& background = workspace().settings().backgroundcol;
    std::optional<Rgb> chosen;
    {
        ShownSystemCursor shown(workspace().systemCursor());
        chosen = workspace().dialogs().chooseColour(Rgb{background.red, background.green, background.blue});
    }
    workspace().clearKeyTable();
    if (chosen) background = ColourBytes{chosen->red, chosen->green, chosen->blue};
}

void TwoD::afterImagesAdded(int countBefore) {
    if (images_.imageCount() > countBefore && selectedEntry() == nullptr) {
        // The first new image is shown, so that the user sees what came in.
        int seen = 0;
        for (int slot = 0; slot < images_.slotCount(); ++slot) {
            if (images_.entry(slot) == nullptr) continue;
            if (++seen == countBefore + 1) selectSlot(slot);
        }
    }
    masking_->imagesChanged();
    refreshRubrics();
}

bool TwoD::runFileCommand(const String& text) {
    CommandUi ui = commandUi(*this);
    const unsigned char value = maskValue();
    if (text.equals("Load Images...")) {
        general_->loadImages();
        return true;
    }
    if (text.equals("Save Images...")) {
        saveImagesCommand(images_, ui);
        return true;
    }
    if (text.equals("Save Image...")) {
        saveImageCommand(images_, ui);
        return true;
    }
    if (text.equals("Save Mask (Color Channel)...")) {
        saveMaskCommand(images_, ui);
        return true;
    }
    if (text.equals("Load Mask (Color Channel)...") || text.equals("Load Mask (Alpha Channel)...")) {
        const MaskChannel channel = text.equals("Load Mask (Color Channel)...") ? MaskChannel::Colour : MaskChannel::Alpha;
        ImageEntry* entry = selectedEntry();
        if (entry == nullptr) {
            refuse(String("No image selected for which the mask should be loaded."));
            return true;
        }
        // The mask may change: it can be undone like any mask operation.
        undo_.push(entry->mask);
        if (loadMaskCommand(images_, ui, channel, value) == CommandResult::Done) {
            notifier_.notify(entry->mask);
            masking_->refresh();
        }
        return true;
    }
    return false;
}

bool TwoD::runViewCommand(const String& text) {
    struct Toggle {
        const char* label;
        void (TwoD::*set)(bool);
    };
    const Toggle toggles[] = {{"Render Mask", &TwoD::setRenderMask},
                              {"Render Border", &TwoD::setRenderBorder},
                              {"Render Interactive Preview", &TwoD::setRenderPreview}};
    for (const Toggle& toggle : toggles) {
        const String checked = String(toggle.label).append(String(" checked"));
        const String unchecked = String(toggle.label).append(String(" unchecked"));
        if (text.equals(checked) || text.equals(unchecked)) {
            (this->*toggle.set)(text.equals(checked));
            return true;
        }
    }
    if (text.equals("Mask Color...")) {
        masking_->showColourPanel();
        return true;
    }
    if (text.equals("Border Color...")) {
        border_->showBorderColourPanel();
        return true;
    }
    if (text.equals("Border Vertex Color...")) {
        border_->showVertexColourPanel();
        return true;
    }
    return false;
}

bool TwoD::openDroppedFile(const String& path, StatusSink& status) {
    Settings& settings = workspace().settings();
    ProjectSettings sliders{settings.meshdetail, settings.sharpening, settings.smoothing};
    CommandUi ui = commandUi(status);
    const int before = images_.imageCount();
    const bool known = ::openDroppedFile(path, images_, sliders, ui, maskValue(), clippings_);
    settings.meshdetail = sliders.voxelsize;
    settings.sharpening = sliders.sharpening;
    settings.smoothing = sliders.smoothing;
    afterImagesAdded(before);
    return known && images_.imageCount() > before;
}
