#include "manifest.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace artgen {

namespace {

namespace fs = std::filesystem;

constexpr int kCursorTexture = 256;

// One state picture of a widget and the file name it is loaded from.
struct StateFile {
    const char* name;
    WidgetState state;
};

// The four pictures of a widget with art.
constexpr StateFile kButtonStates[] = {{"active.dds", WidgetState::Active},
                                   {"over.dds", WidgetState::Over},
                                   {"pressed.dds", WidgetState::Pressed},
                                   {"disabled.dds", WidgetState::Disabled}};
// The window buttons of the title bar have no disabled picture.
constexpr StateFile kWindowButtonStates[] = {{"active.dds", WidgetState::Active},
                                         {"over.dds", WidgetState::Over},
                                         {"pressed.dds", WidgetState::Pressed}};
constexpr StateFile kRubricStates[] = {{"unchecked.dds", WidgetState::Active},
                                   {"uncheckedover.dds", WidgetState::Over},
                                   {"uncheckedpressed.dds", WidgetState::Pressed},
                                   {"checked.dds", WidgetState::Checked},
                                   {"disabled.dds", WidgetState::Disabled}};
constexpr StateFile kCheckboxStates[] = {{"unchecked.dds", WidgetState::Active},
                                     {"uncheckedover.dds", WidgetState::Over},
                                     {"uncheckedpressed.dds", WidgetState::Pressed},
                                     {"checked.dds", WidgetState::Checked},
                                     {"disabled.dds", WidgetState::Disabled}};

class ManifestBuilder {
public:
    void picture(std::string path, int width, int height, int shownWidth, int shownHeight,
                 std::function<Canvas()> draw) {
        ArtEntry entry;
        entry.path = std::move(path);
        entry.width = width;
        entry.height = height;
        entry.shownWidth = shownWidth;
        entry.shownHeight = shownHeight;
        entry.draw = std::move(draw);
        entries_.push_back(std::move(entry));
    }

    // A pointer texture drawn at `drawnSize` pixels with its hot spot at
    // (hot, hot) of the drawn pointer.
    void pointer(const std::string& file, float hot, int drawnSize, std::function<Canvas()> draw) {
        ArtEntry entry;
        entry.path = "data/gui/cursors/" + file;
        entry.kind = ArtKind::Cursor;
        entry.width = entry.height = kCursorTexture;
        entry.shownWidth = entry.shownHeight = drawnSize;
        float texel = hot * kCursorTexture / static_cast<float>(drawnSize);
        entry.hotSpot = {texel, texel};
        entry.draw = std::move(draw);
        entries_.push_back(std::move(entry));
    }

    // One picture per state, in `folder`, drawn by `draw(state)`.
    template <size_t N>
    void states(const std::string& folder, const StateFile (&files)[N], int width, int height, int shownWidth,
                int shownHeight, const std::function<Canvas(WidgetState)>& draw) {
        for (const StateFile& file : files)
            picture(folder + "/" + file.name, width, height, shownWidth, shownHeight,
                    [draw, state = file.state] { return draw(state); });
    }

    void model(const std::string& file, std::function<Model()> build) {
        ArtEntry entry;
        entry.path = "data/xfiles/" + file;
        entry.kind = ArtKind::Model;
        entry.build = std::move(build);
        entries_.push_back(std::move(entry));
    }

    std::vector<ArtEntry> take() { return std::move(entries_); }

private:
    std::vector<ArtEntry> entries_;
};

void addPointers(ManifestBuilder& b) {
    // Hot spots and drawn sizes from the pointer kinds: arrows at 0, 0 of 25
    // pixels, the cross at 17.5 of 35 (also 15 of 30), the wait pointer at
    // 13 of 25, moving at 22 of 45, the magnifier at 15 of 50, rotation at
    // 30 of 50.
    b.pointer("arrow.dds", 0.0f, 25, [] { return drawArrowCursor(CursorLook::Normal); });
    b.pointer("arrowover.dds", 0.0f, 25, [] { return drawArrowCursor(CursorLook::Over); });
    b.pointer("arrowpressed.dds", 0.0f, 25, [] { return drawArrowCursor(CursorLook::Pressed); });
    b.pointer("arrowwait.dds", 13.0f, 25, [] { return drawWaitCursor(); });
    b.pointer("cursormoving.dds", 22.0f, 45, [] { return drawMovingCursor(CursorLook::Normal); });
    b.pointer("cursormovingover.dds", 22.0f, 45, [] { return drawMovingCursor(CursorLook::Over); });
    b.pointer("cursormovingpressed.dds", 22.0f, 45, [] { return drawMovingCursor(CursorLook::Pressed); });
    b.pointer("cross.dds", 17.5f, 35, [] { return drawCrossCursor(CursorLook::Normal); });
    b.pointer("crossover.dds", 17.5f, 35, [] { return drawCrossCursor(CursorLook::Over); });
    b.pointer("crosspressed.dds", 17.5f, 35, [] { return drawCrossCursor(CursorLook::Pressed); });
    b.pointer("cursorloop.dds", 15.0f, 50, [] { return drawLoopCursor(CursorLook::Normal); });
    b.pointer("cursorloopover.dds", 15.0f, 50, [] { return drawLoopCursor(CursorLook::Over); });
    b.pointer("cursorlooppressed.dds", 15.0f, 50, [] { return drawLoopCursor(CursorLook::Pressed); });
    b.pointer("cursorrotation.dds", 30.0f, 50, [] { return drawRotationCursor(CursorLook::Normal); });
    b.pointer("cursorrotationover.dds", 30.0f, 50, [] { return drawRotationCursor(CursorLook::Over); });
    b.pointer("cursorrotationpressed.dds", 30.0f, 50, [] { return drawRotationCursor(CursorLook::Pressed); });
}

void addGeneralWidgets(ManifestBuilder& b) {
    const std::string g = "data/gui/general";
    // Frame of image-list entries and background of slider tick labels.
    b.states(g + "/btn", kButtonStates, 128, 128, 96, 96, [](WidgetState s) { return drawFrameButton(128, s); });
    b.states(g + "/checkbox", kCheckboxStates, 32, 32, 20, 20, [](WidgetState s) { return drawCheckbox(32, s); });
    b.states(g + "/resize", kWindowButtonStates, 64, 64, 28, 28,
             [](WidgetState s) { return drawTitleButton(64, TitleIcon::Resize, s); });
    b.states(g + "/minimize", kWindowButtonStates, 64, 64, 28, 28,
             [](WidgetState s) { return drawTitleButton(64, TitleIcon::Minimize, s); });
    b.states(g + "/maximize", kWindowButtonStates, 64, 64, 28, 28,
             [](WidgetState s) { return drawTitleButton(64, TitleIcon::Maximize, s); });
    b.states(g + "/close", kWindowButtonStates, 64, 64, 28, 28,
             [](WidgetState s) { return drawTitleButton(64, TitleIcon::Close, s); });

    b.picture(g + "/slider/back.dds", 256, 32, 220, 30, [] { return drawSliderTrack(256, 32, true); });
    b.picture(g + "/slider/backdisabled.dds", 256, 32, 220, 30, [] { return drawSliderTrack(256, 32, false); });
    b.picture(g + "/slider/btnactive.dds", 64, 64, 30, 30, [] { return drawSliderKnob(64, WidgetState::Active); });
    b.picture(g + "/slider/btnover.dds", 64, 64, 30, 30, [] { return drawSliderKnob(64, WidgetState::Over); });
    b.picture(g + "/slider/btnpressed.dds", 64, 64, 30, 30, [] { return drawSliderKnob(64, WidgetState::Pressed); });
    b.picture(g + "/slider/btndisabled.dds", 64, 64, 30, 30,
              [] { return drawSliderKnob(64, WidgetState::Disabled); });

    // Title bar, panels and the progress bar.
    b.picture(g + "/bar/barenabled.dds", 256, 32, 512, 30, [] { return drawTitleBar(256, 32); });
    b.picture(g + "/bar/wndback.dds", 256, 256, 300, 200, [] { return drawWindowBack(256); });
    b.picture(g + "/bar/barloadback.dds", 256, 32, 300, 48, [] { return drawProgressBack(256, 32); });
    b.picture(g + "/bar/barload.dds", 256, 32, 180, 48, [] { return drawProgressFill(256, 32); });

    // Container backgrounds are stretched from 256 x 256.
    b.picture(g + "/menu/menuback.dds", 256, 256, 400, 28, [] { return drawMenuBarBack(256); });
    b.picture(g + "/menu/background/active.dds", 256, 256, 220, 260, [] { return drawMenuPanel(256); });
    b.picture(g + "/menu/overcontainer.dds", 256, 256, 220, 260, [] { return drawMenuHighlight(256, false); });
    b.picture(g + "/menu/pressedcontainer.dds", 256, 256, 220, 260, [] { return drawMenuHighlight(256, true); });
    b.picture(g + "/menu/button/checked.dds", 32, 32, 18, 18, [] { return drawMenuCheckMark(32); });
    b.picture(g + "/menuline/menuline.dds", 256, 8, 200, 8, [] { return drawMenuLine(256, 8); });

    // The help box stretches its 32 x 32 background to the text.
    b.picture(g + "/backgrounds/helptextbackgroundover.dds", 32, 32, 262, 55,
              [] { return drawHelpBackground(32, WidgetState::Over); });
    b.picture(g + "/backgrounds/helptextbackgroundpressed.dds", 32, 32, 262, 55,
              [] { return drawHelpBackground(32, WidgetState::Pressed); });
    b.picture(g + "/backgrounds/helptextbackgrounddisabled.dds", 32, 32, 262, 55,
              [] { return drawHelpBackground(32, WidgetState::Disabled); });
    b.picture(g + "/backgrounds/pixel.dds", 32, 32, 64, 64, [] { return drawFloorCell(32); });
}

void addTwoDArt(ManifestBuilder& b) {
    b.states("data/gui/twod/general", kButtonStates, 256, 64, 120, 30,
             [](WidgetState s) { return drawCaptionFace(256, 64, s); });
    b.states("data/gui/twod/rubric", kRubricStates, 128, 128, 56, 56,
             [](WidgetState s) { return drawPictureRubric(128, s); });
    b.picture("data/gui/twod/rotationcenter/rotationcenter.dds", 64, 64, 26, 26, [] { return drawCentreMarker(64); });
}

void addTransformationArt(ManifestBuilder& b) {
    const std::string t = "data/gui/transformation";
    b.states(t + "/rubric", kRubricStates, 128, 128, 56, 56, [](WidgetState s) { return drawCubeRubric(128, s); });
    // Drawn at 0.9 of their size, 22 pixels apart.
    b.picture(t + "/imagelistsculpture/active.dds", 24, 24, 22, 22, [] { return drawSculptureMarker(24); });
    b.picture(t + "/imagelistexturize/active.dds", 24, 24, 22, 22, [] { return drawTextureMarker(24); });
    const char keys[] = {'Q', 'W', 'E'};
    for (char key : keys) {
        std::string folder = t + "/key" + static_cast<char>(key - 'A' + 'a');
        b.states(folder, kButtonStates, 64, 64, 32, 32, [key](WidgetState s) { return drawKeyHint(64, key, s); });
    }

    struct PointFolder {
        const char* folder;
        PointIcon icon;
    };
    const PointFolder points[] = {{"transformationpoint", PointIcon::Translation},
                                  {"scalingpoint", PointIcon::Scaling},
                                  {"rotationpoint", PointIcon::Rotation},
                                  {"snappoint", PointIcon::Snap},
                                  {"fovcenter", PointIcon::FovCentre},
                                  {"fovorigin", PointIcon::FovOrigin}};
    for (const PointFolder& p : points)
        b.states(std::string("datav1_01/") + p.folder, kButtonStates, 64, 64, 32, 32,
                 [icon = p.icon](WidgetState s) { return drawPointButton(64, icon, s); });
}

void addModels(ManifestBuilder& b) {
    b.model("sphere.x", [] { return buildCentreSphere(); });
    b.model("arrowrotationgreen.x", [] { return buildRotationArrow(false); });
    b.model("arrowrotationred.x", [] { return buildRotationArrow(true); });
    b.model("arrowimagerotationred.x", [] { return buildImageRotationArrow(true); });
    b.model("arrowimagerotationgreen.x", [] { return buildImageRotationArrow(false); });
    b.model("arrowtranslationx.x", [] { return buildTranslationArrow(0); });
    b.model("arrowtranslationy.x", [] { return buildTranslationArrow(1); });
    b.model("arrowtranslationz.x", [] { return buildTranslationArrow(2); });
    b.model("scalinggreen.x", [] { return buildScalingHandle(2, false); });
    b.model("scalingsmaller.x", [] { return buildScalingHandle(2, true); });
    b.model("scalinggreen2.x", [] { return buildScalingHandle(1, false); });
    b.model("scaling2smaller.x", [] { return buildScalingHandle(1, true); });
    b.model("scalinggreen3.x", [] { return buildScalingHandle(0, false); });
    b.model("scaling3smaller.x", [] { return buildScalingHandle(0, true); });
    b.model("arrow.x", [] { return buildPlainArrow(); });
}

bool makeParentFolder(const fs::path& file, std::string& error) {
    std::error_code code;
    fs::create_directories(file.parent_path(), code);
    if (code) {
        error = "cannot create folder " + file.parent_path().string() + ": " + code.message();
        return false;
    }
    return true;
}

bool writeTextFile(const fs::path& file, const std::string& text, std::string& error) {
    fs::path temporary = file;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            error = "cannot write " + temporary.string();
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code code;
    fs::rename(temporary, file, code);
    if (code) {
        error = "cannot rename " + temporary.string() + " to " + file.string() + ": " + code.message();
        fs::remove(temporary, code);
        return false;
    }
    return true;
}

}  // namespace

std::vector<ArtEntry> artManifest() {
    ManifestBuilder builder;
    addPointers(builder);
    addGeneralWidgets(builder);
    addTwoDArt(builder);
    addTransformationArt(builder);
    addModels(builder);
    return builder.take();
}

bool writeEntry(const std::string& appDir, const ArtEntry& entry, std::string& error) {
    fs::path file = fs::path(appDir) / entry.path;
    if (!makeParentFolder(file, error)) return false;
    if (entry.kind == ArtKind::Model) return writeTextFile(file, xFileText(entry.build()), error);

    Canvas canvas = entry.draw();
    if (canvas.width() != entry.width || canvas.height() != entry.height) {
        error = entry.path + ": drawn at " + std::to_string(canvas.width()) + "x" + std::to_string(canvas.height()) +
                " instead of " + std::to_string(entry.width) + "x" + std::to_string(entry.height);
        return false;
    }
    String message;
    if (!encodeImageFile(String(file.string().c_str()), canvas.toImage(), message)) {
        error = entry.path + ": " + message.str();
        return false;
    }
    return true;
}

bool writeAll(const std::string& appDir, const std::vector<ArtEntry>& entries, std::string& error) {
    for (const ArtEntry& entry : entries)
        if (!writeEntry(appDir, entry, error)) return false;
    return true;
}

}  // namespace artgen
