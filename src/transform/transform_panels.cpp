#include "transform/transform_panels.h"

#include "gui/gui_art.h"
#include "gui/gui_image.h"
#include "transform/transform_texts.h"

#include <algorithm>

namespace {

constexpr const char* kButtonArt = "data/gui/twod/general";
constexpr const char* kCheckboxArt = "data/gui/general/checkbox";
constexpr const char* kTwoDRadioArt = "data/gui/twod/rubric";
constexpr const char* kThreeDRadioArt = "data/gui/transformation/rubric";

constexpr int kMargin = 10;
constexpr int kColumnWidth = 252;
constexpr int kRadioWidth = 122;
constexpr int kRadioHeight = 24;
constexpr int kRowHeight = 30;
constexpr int kLabelWidth = 96;
constexpr int kBoxSide = 20;
constexpr int kPointSide = 28;

constexpr const char* kRubricLabels[kTransformRubricCount] = {
    "Translation", "Scaling", "Rotation", "Field of view", "Operation sculpture", "Texturize", "Camera", "View"};
constexpr const char* kRubricShortcuts[kTransformRubricCount] = {"1", "2", "3", "4", "5", "6", "c", nullptr};
constexpr const char* kPageLabels[kViewPageCount] = {"Front", "Side", "Mesh", "Light"};
constexpr const char* kPageHelp[kViewPageCount] = {
    "Change image transparency (Key i).", "Change the borders of the images, the collision lines and the decals (Key b).",
    "Change the material of the mesh.", "Change the light direction (Key l)."};

constexpr const char* kRubricHelp[kTransformRubricCount] = {
    "Translate the selected image in the 3d space (Key 1).\nHold q, w or e and circle the image with the mouse.",
    "Scale the selected image (Key 2).\nHold q, w or e and circle the image with the mouse.",
    "Rotate the selected image (Key 3).\nHold q, w or e and circle the image with the mouse.",
    "Change the field of view of the selected image (Key 4).\nHold q or w and circle the image with the mouse.",
    "Specify how the selected image participates in the sculpturing process (Key 5).",
    "Specify how the selected image participates in the texturizing process (Key 6).",
    "Change camera properties or make a screenshot of the scene.",
    "Change view properties: transparencies, borders, collision lines, decals, material and light."};

// The slider help lines of the placement rubrics.
String translationHelp(char key) {
    return formatText(
        "It would be much easier to press key %c and use mouse gestures.\nYou can double click onto the slider to input "
        "a specific number in the input field.\nWith the right mouse button you can change the min/max values.\nWith "
        "the mouse wheel you can move the slider.\nYou can also press key %c and SPACE to use snapping.\nThe center will "
        "snap to the border of another image.",
        key, key);
}

String scalingHelp(char key) {
    return formatText(
        "It would be much easier to press key %c and use mouse gestures.\nPress key %c and SPACE bar to use snapping.\n"
        "The snap point will snap to the border of another image.",
        key, key);
}

String rotationHelp(char key) {
    return formatText(
        "It would be much easier to press key %c and use mouse gestures.\nYou can also press key %c and SPACE to use "
        "snapping.\nThe angles will snap to 0\xB0,45\xB0,90\xB0 etc.",
        key, key);
}

}  // namespace

const char* rubricLabelOf(TransformRubric rubric) { return kRubricLabels[static_cast<int>(rubric)]; }

TransformPanels::TransformPanels(GuiContainer& screen, const PanelListeners& listeners, const SliderServices& services,
                                 int width, int height, int top)
    : screen_(screen), listeners_(listeners), services_(services), width_(width), height_(height), top_(top) {
    // The mode radios.
    twoDRadio_ = new GuiCheckbox(String(kTwoDRadioArt));
    twoDRadio_->setName(String("2d mode"));
    twoDRadio_->setHelpText(String("2d mode (TAB key).\nLoad images, mask the object on each image and adjust the "
                                   "borders."));
    twoDRadio_->setRect(kMargin, top_ + 6, kMargin + 44, top_ + 50);
    twoDRadio_->addListener(listeners_.checkboxes);
    screen_.add(twoDRadio_);
    remember(twoDRadio_, Control::TwoDMode);
    threeDRadio_ = new GuiCheckbox(String(kThreeDRadioArt));
    threeDRadio_->setName(String("3d mode"));
    threeDRadio_->setHelpText(String("3d mode.\nAfter having masked the object on each image, place the images in the "
                                     "3d space around the object."));
    threeDRadio_->setChecked(true);
    threeDRadio_->setRect(kMargin + 50, top_ + 6, kMargin + 94, top_ + 50);
    threeDRadio_->addListener(listeners_.checkboxes);
    screen_.add(threeDRadio_);
    remember(threeDRadio_, Control::ThreeDMode);

    // The rubric radios, two columns of four.
    for (int index = 0; index < kTransformRubricCount; ++index) {
        auto* radio = new GuiRadiobutton(String(kButtonArt));
        radio->setName(String(kRubricLabels[index]));
        radio->setCaption(String(kRubricLabels[index]));
        radio->setHelpText(String(kRubricHelp[index]));
        radio->setDisabledHelpText(String(kRubricHelp[index]));
        const int column = index / 4;
        const int row = index % 4;
        const int left = kMargin + column * (kRadioWidth + 6);
        const int y = top_ + 58 + row * (kRadioHeight + 3);
        radio->setRect(left, y, left + kRadioWidth, y + kRadioHeight);
        if (kRubricShortcuts[index] != nullptr) radio->setShortcutLabel(String(kRubricShortcuts[index]), 3, 0);
        radio->addListener(listeners_.radios);
        screen_.add(radio);
        rubricRadios_[static_cast<size_t>(index)] = radio;
    }
    panelLeft_ = kMargin;
    panelRight_ = kMargin + kColumnWidth;
    panelTop_ = top_ + 58 + 4 * (kRadioHeight + 3) + 8;

    // Translation.
    GuiContainer& translation = makePanel(TransformRubric::Translation);
    addKeyHints(translation);
    addSlider(translation, Control::TranslationX, SliderKind::Real, "X-Axis", nullptr, -500, 500, 0, "x",
              translationHelp('q').text());
    addSlider(translation, Control::TranslationY, SliderKind::Real, "Y-Axis", nullptr, -500, 500, 0, "y",
              translationHelp('w').text());
    addSlider(translation, Control::TranslationZ, SliderKind::Real, "Z-Axis", nullptr, -500, 500, 0, "z",
              translationHelp('e').text());
    addPointButton(translation, Control::SetTranslationCentre, "Set center:", "datav1_01/transformationpoint",
                   "Press the button if you want to set the translation center of the selected image.", "r");

    // Scaling.
    GuiContainer& scaling = makePanel(TransformRubric::Scaling);
    addKeyHints(scaling);
    addSlider(scaling, Control::Width, SliderKind::Real, "Width", nullptr, 0, 3, 1, "x", scalingHelp('q').text());
    addSlider(scaling, Control::Height, SliderKind::Real, "Height", nullptr, 0, 3, 1, "y", scalingHelp('w').text());
    addSlider(scaling, Control::Depth, SliderKind::Real, "Depth", nullptr, 0, 3000, 1500, "z", scalingHelp('e').text());
    addPointButton(scaling, Control::SetScalingCentre, "Set center:", "datav1_01/scalingpoint",
                   "Press the button if you want to set the scaling center of the selected image.", "r");
    addPointButton(scaling, Control::SetSnapPoint, "Set snap point:", "datav1_01/snappoint",
                   "Press the button if you want to set the snap point of the selected image.", "g");

    // Rotation.
    GuiContainer& rotation = makePanel(TransformRubric::Rotation);
    addKeyHints(rotation);
    addSlider(rotation, Control::Yaw, SliderKind::Real, "Yaw", nullptr, 0, 360, 0, "x", rotationHelp('q').text());
    addSlider(rotation, Control::Pitch, SliderKind::Real, "Pitch", nullptr, -180, 180, 0, "y", rotationHelp('w').text());
    addSlider(rotation, Control::Roll, SliderKind::Real, "Roll", nullptr, 0, 360, 0, "z", rotationHelp('e').text());
    addPointButton(rotation, Control::SetRotationCentre, "Set center:", "datav1_01/rotationpoint",
                   "Press the button if you want to set the rotation center of the selected image.", "r");

    // Field of view.
    GuiContainer& fov = makePanel(TransformRubric::FieldOfView);
    addKeyHints(fov);
    addCheckbox(fov, Control::FovSet, "Fov set:", "Switch the field of view of the selected image on or off.");
    addSlider(fov, Control::RatioX, SliderKind::Real, "RatioX", nullptr, 1, 15, 1.5f, "x",
              "It would be much easier to press key q and use mouse gestures.\nPress key q and SPACE to snap the ratio "
              "to halves.");
    addSlider(fov, Control::RatioY, SliderKind::Real, "RatioY", nullptr, 1, 15, 1.5f, "y",
              "It would be much easier to press key w and use mouse gestures.\nPress key w and SPACE to snap the ratio "
              "to halves.");
    addPointButton(fov, Control::SetFovCentre, "Set fov center:", "datav1_01/fovcenter",
                   "Press the button if you want to set the fov center of the selected image.");
    addPointButton(fov, Control::SetFovOrigin, "Set fov origin:", "datav1_01/fovorigin",
                   "Press the button if you want to set the fov origin of the selected image.");

    // Operation sculpture.
    GuiContainer& sculpture = makePanel(TransformRubric::Sculpture);
    addCheckbox(sculpture, Control::Sculpting, "Participate in sculpturing:",
                "Check if the selected image should participate in the sculpturing process.", "q");
    addCheckbox(sculpture, Control::HowAdding, "How:",
                "Checked: the image adds voxels (its silhouette is kept).\nUnchecked: the image removes voxels.", "w");
    participation_[0] = addText(sculpture, 3);
    addSlider(sculpture, Control::VoxelSize, SliderKind::PowerOfTwo, "Voxelsize", "Voxelsize:", 0, 12, 10, nullptr,
              "The edge of the smallest voxel in world units.");
    addSlider(sculpture, Control::Sharpening, SliderKind::Whole, "Sharpening", "Sharpening:", 0, 100, 10);
    addSlider(sculpture, Control::Smoothing, SliderKind::Whole, "Smoothing", "Smoothing:", 0, 50, 0);
    addSlider(sculpture, Control::Simplification, SliderKind::Real, "Simplification", "Simplification:", 0, 1, 0);
    addSlider(sculpture, Control::NormalParticipation, SliderKind::Real, "Normal participation", "Normal partic:", 0,
              1000, 0);
    {
        const int y = takeRow(sculpture, kRadioHeight + 4);
        const char* names[2] = {"Smooth", "Flat"};
        const Control controls[2] = {Control::Smooth, Control::Flat};
        for (int k = 0; k < 2; ++k) {
            auto* radio = new GuiRadiobutton(String(kButtonArt));
            radio->setName(String(names[k]));
            radio->setCaption(String(names[k]));
            radio->setHelpText(String(k == 0 ? "Smooth shading of the sculpted object." : "Flat shading of the sculpted object."));
            radio->setRect(panelLeft_ + k * 126, y, panelLeft_ + k * 126 + kRadioWidth, y + kRadioHeight);
            radio->setSelected(k == 0);
            radio->addListener(listeners_.radios);
            sculpture.add(radio);
            remember(radio, controls[k]);
        }
    }
    addCaptionButton(sculpture, Control::Sculpture, "Sculpture",
                     "Sculpture the 3d object. You can also press Shift+s to directly sculpture the 3d object.", "s");

    // Texturize.
    GuiContainer& texture = makePanel(TransformRubric::Texture);
    addCheckbox(texture, Control::Texturing, "Participate in texturing:",
                "Check if the selected image should participate in the texturing process.", "q");
    addCheckbox(texture, Control::OnlyOnMask, "Only on mask:", "Texture only where the mask of the image is set.", "w");
    addCheckbox(texture, Control::FromBack, "From back:", "The image also paints surfaces seen from behind.", "e");
    addCheckbox(texture, Control::OnlyBetween, "Only between:",
                "Texture only between the front and the back face of the image.", "r");
    addSlider(texture, Control::TextureStrength, SliderKind::Whole, "Texturing strength", "Strength:", 1, 10, 1,
              nullptr, "The priority of this image where several images can paint one triangle.");
    participation_[1] = addText(texture, 6);
    addCaptionButton(texture, Control::Texturise, "Texturise", "Texturize the 3d object.", "t");

    // Camera.
    GuiContainer& camera = makePanel(TransformRubric::Camera);
    addSlider(camera, Control::SpeedMoving, SliderKind::Real, "Speed moving around", "Moving:", 0, 3000, 2200, "q");
    addSlider(camera, Control::SpeedZooming, SliderKind::Real, "Speed zooming", "Zooming:", 0, 30, 10, "w");
    addSlider(camera, Control::SpeedLooking, SliderKind::Real, "Speed looking around", "Looking:", 0, 1, 0.3f, "e");
    addSlider(camera, Control::ScreenshotDistance, SliderKind::Real, "Distance to the camera", "Min distance:", 5,
              3000, 1500);
    addSlider(camera, Control::ScreenshotDepth, SliderKind::Real, "Depth of the screenshot", "Depth:", 5, 3000, 200);
    addCaptionButton(camera, Control::Screenshot, "Make screenshot",
                     "Make a screenshot and use it for sculpturing the 3d object.\nFor example sculpture parts of the 3d "
                     "object which are not visible on the images.", "r");

    // View, with its pages.
    GuiContainer& view = makePanel(TransformRubric::View);
    {
        const int y = takeRow(view, kRadioHeight + 6);
        const int pageWidth = (kColumnWidth - 3 * 4) / kViewPageCount;
        for (int page = 0; page < kViewPageCount; ++page) {
            auto* radio = new GuiRadiobutton(String(kButtonArt));
            radio->setName(String(kPageLabels[page]));
            radio->setCaption(String(kPageLabels[page]));
            radio->setHelpText(String(kPageHelp[page]));
            const int left = panelLeft_ + page * (pageWidth + 4);
            radio->setRect(left, y, left + pageWidth, y + kRadioHeight);
            radio->addListener(listeners_.radios);
            view.add(radio);
            pageRadios_[static_cast<size_t>(page)] = radio;
        }
    }
    GuiContainer& front = makePage(ViewPage::Front);
    addSlider(front, Control::MaskTransparency, SliderKind::Whole, "Mask transparency", "Mask:", 0, 255, 100, "q");
    addSlider(front, Control::BackgroundTransparency, SliderKind::Whole, "Background transparency", "Background:", 0,
              255, 255, "w");
    GuiContainer& side = makePage(ViewPage::Side);
    addSlider(side, Control::BorderQuality, SliderKind::Whole, "Border quality", "Quality:", 1, 200, 1, "q");
    addSlider(side, Control::BorderTransparency, SliderKind::Whole, "Border transparency", "Transparency:", 0, 255, 150,
              "w");
    addSlider(side, Control::LineSpacing, SliderKind::Whole, "Line spacing", "Line spacing:", 1, 200, 1, "e");
    addSlider(side, Control::DecalQuality, SliderKind::Whole, "Decal quality", "Decal quality:", 1, 50, 1, "r");
    addCaptionButton(side, Control::LinesColour, "Lines color:",
                     "Change the color of the border lines of images which add voxels.", nullptr, kRadioWidth);
    addCaptionButton(side, Control::LinesColourRemove, "Lines color remove:",
                     "Change the color of the border lines of images which remove voxels.", nullptr, kRadioWidth);
    GuiContainer& mesh = makePage(ViewPage::Mesh);
    addCaptionButton(mesh, Control::MaterialDiffuse, "Diffuse color", "Change the diffuse color of the material.");
    addCaptionButton(mesh, Control::MaterialAmbient, "Ambient color", "Change the ambient color of the material.");
    addCaptionButton(mesh, Control::MaterialSpecular, "Specular color", "Change the specular color of the material.");
    addCaptionButton(mesh, Control::MaterialEmissive, "Emissive color", "Change the emissive color of the material.");
    GuiContainer& light = makePage(ViewPage::Light);
    addSlider(light, Control::LightAngle, SliderKind::Real, "Angle", "Angle:", 0, 360, 0, "q");
    addSlider(light, Control::LightAngleHeight, SliderKind::Real, "Angle height", "Angle height:", -90, 90, 0, "w");

    // Undo, redo and the view buttons under the panels.
    GuiContainer& tools = *new GuiContainer(String("Transformation tools"));
    screen_.addContainer(&tools);
    const int toolsTop = height_ - 3 * (kRadioHeight + 6) - kMargin;
    tools.setRect(kMargin, toolsTop, kMargin + kColumnWidth, height_ - kMargin);
    nextRow_[&tools] = toolsTop;
    auto pair = [&](Control leftControl, const char* leftCaption, const char* leftHelp, const char* leftKey,
                    Control rightControl, const char* rightCaption, const char* rightHelp, const char* rightKey) {
        GuiButton* first = addCaptionButton(tools, leftControl, leftCaption, leftHelp, leftKey, kRadioWidth);
        GuiButton* second = addCaptionButton(tools, rightControl, rightCaption, rightHelp, rightKey, kRadioWidth);
        // Side by side on the first one's row.
        second->setRect(kMargin + kRadioWidth + 6, first->top(), kMargin + 2 * kRadioWidth + 6, first->bottom());
        nextRow_[&tools] = first->bottom() + 4;
    };
    pair(Control::Undo, "Undo", "Undo the last transformation.", "d", Control::Redo, "Redo",
         "Redo the last transformation.", "f");
    pair(Control::ViewAll, "View all", "View all transformed images.", "v", Control::ViewNone, "View none",
         "View no image.", nullptr);
    pair(Control::ViewOnlySelected, "Only selected", "View only the selected image.", nullptr, Control::ViewNotSelected,
         "Not selected", "Don't view the selected image.", nullptr);
    button(Control::Undo)->setDisabledHelpText(String("No transformation done so undo is not possible."));
    button(Control::Redo)->setDisabledHelpText(String("Redo the last transformation.\nNo undo done so redo is not possible."));

    showRubric(TransformRubric::Translation);
    showViewPage(ViewPage::Front);
}

GuiContainer& TransformPanels::makePanel(TransformRubric rubric) {
    auto* panel = new GuiContainer(String(rubricLabelOf(rubric)));
    panel->setRect(panelLeft_, panelTop_, panelRight_, height_ - 3 * (kRadioHeight + 6) - kMargin - 6);
    panel->setVisible(false);
    screen_.addContainer(panel);
    panels_[static_cast<size_t>(rubric)] = panel;
    nextRow_[panel] = panelTop_;
    return *panel;
}

GuiContainer& TransformPanels::makePage(ViewPage page) {
    GuiContainer& view = *panels_[static_cast<size_t>(TransformRubric::View)];
    auto* container = new GuiContainer(String(kPageLabels[static_cast<int>(page)]));
    const int top = nextRow_[&view];
    container->setRect(view.left(), top, view.right(), view.bottom());
    container->setVisible(false);
    view.addContainer(container);
    pages_[static_cast<size_t>(page)] = container;
    nextRow_[container] = top;
    return *container;
}

int TransformPanels::takeRow(GuiContainer& panel, int height) {
    int& next = nextRow_[&panel];
    const int y = next;
    next += height;
    return y;
}

void TransformPanels::remember(GuiComponent* component, Control control) {
    controls_[component] = control;
    components_[control] = component;
}

GuiSlider* TransformPanels::addSlider(GuiContainer& panel, Control control, SliderKind kind, const char* name,
                                      const char* label, float minimum, float maximum, float initial,
                                      const char* shortcut, const char* description) {
    // A power-of-two slider shows its tick labels above the track.
    const int extra = kind == SliderKind::PowerOfTwo ? GuiSlider::kTickLabelHeight + GuiSlider::kTickLabelGap : 0;
    const int y = takeRow(panel, kRowHeight + extra) + extra;
    SliderRow row;
    row.caption = String(label != nullptr ? label : name);
    if (label == nullptr) row.caption.append(':');
    row.label = new GuiLabel(row.caption);
    row.label->setFont(String("Arial"), 10);
    row.label->setRect(panelLeft_, y + 6, panelLeft_ + kLabelWidth, y + kRowHeight);
    panel.add(row.label);
    row.slider = new GuiSlider(kind, String(name));
    row.slider->setMinimum(minimum);
    row.slider->setMaximum(maximum);
    row.slider->setValue(initial);
    row.slider->setMinimumAdjustable(kind != SliderKind::PowerOfTwo);
    row.slider->setMaximumAdjustable(kind != SliderKind::PowerOfTwo);
    if (kind == SliderKind::Real) row.slider->setStepCount(100);
    if (description != nullptr) row.slider->setDescription(String(description));
    row.slider->setRect(panelLeft_ + kLabelWidth, y, panelRight_, y + kRowHeight - 4);
    row.slider->setServices(services_);
    if (shortcut != nullptr) row.slider->setShortcutLabel(String(shortcut), -10, 4);
    row.slider->addListener(listeners_.sliders);
    panel.add(row.slider);
    remember(row.slider, control);
    sliders_[control] = row;
    refreshLabel(control);
    return row.slider;
}

GuiCheckbox* TransformPanels::addCheckbox(GuiContainer& panel, Control control, const char* label, const char* help,
                                          const char* shortcut) {
    const int y = takeRow(panel, kBoxSide + 6);
    auto* text = new GuiLabel(String(label));
    text->setFont(String("Arial"), 10);
    text->setRect(panelLeft_, y + 3, panelRight_ - kBoxSide - 4, y + kBoxSide + 4);
    panel.add(text);
    auto* box = new GuiCheckbox(String(kCheckboxArt));
    box->setName(String(label));
    box->setHelpText(String(help));
    box->setDisabledHelpText(String(help));
    box->setRect(panelRight_ - kBoxSide, y, panelRight_, y + kBoxSide);
    if (shortcut != nullptr) box->setShortcutLabel(String(shortcut), -12, 2);
    box->addListener(listeners_.checkboxes);
    panel.add(box);
    remember(box, control);
    return box;
}

GuiButton* TransformPanels::addPointButton(GuiContainer& panel, Control control, const char* label, const char* folder,
                                           const char* help, const char* shortcut) {
    const int y = takeRow(panel, kPointSide + 4);
    auto* text = new GuiLabel(String(label));
    text->setFont(String("Arial"), 10);
    text->setRect(panelLeft_, y + 7, panelRight_ - kPointSide - 4, y + kPointSide);
    panel.add(text);
    auto* button = new GuiButton(GuiArt::fromFolder(String(folder)));
    button->setName(String(label));
    button->setHelpText(String(help));
    button->setDisabledHelpText(String(help));
    button->setRect(panelRight_ - kPointSide, y, panelRight_, y + kPointSide);
    if (shortcut != nullptr) button->setShortcutLabel(String(shortcut), -12, 6);
    button->addListener(listeners_.buttons);
    panel.add(button);
    remember(button, control);
    return button;
}

GuiButton* TransformPanels::addCaptionButton(GuiContainer& panel, Control control, const char* caption,
                                             const char* help, const char* shortcut, int width) {
    const int y = takeRow(panel, kRadioHeight + 6);
    auto* button = new GuiButton(GuiArt::fromFolder(String(kButtonArt)));
    button->setName(String(caption));
    button->setCaptionOverArt(true);
    button->setHelpText(String(help));
    button->setDisabledHelpText(String(help));
    button->setRect(panelLeft_, y, panelLeft_ + (width > 0 ? width : kColumnWidth), y + kRadioHeight + 2);
    if (shortcut != nullptr) button->setShortcutLabel(String(shortcut), 3, 0);
    button->addListener(listeners_.buttons);
    panel.add(button);
    remember(button, control);
    return button;
}

GuiLabel* TransformPanels::addText(GuiContainer& panel, int lines) {
    const int height = lines * 14 + 6;
    const int y = takeRow(panel, height);
    auto* text = new GuiLabel(String());
    text->setFont(String("Arial"), 9);
    text->setRect(panelLeft_, y, panelRight_, y + height);
    panel.add(text);
    return text;
}

void TransformPanels::addKeyHints(GuiContainer& panel) {
    const int y = takeRow(panel, 30);
    const char* folders[3] = {"data/gui/transformation/keyq", "data/gui/transformation/keyw",
                              "data/gui/transformation/keye"};
    for (int k = 0; k < 3; ++k) {
        auto* hint = new GuiImage(String(folders[k]).append(String("/active.dds")));
        hint->setName(String("Gesture key"));
        hint->setHelpText(String("Hold the key and circle the selected image with the mouse."));
        hint->setRect(panelLeft_ + k * 34, y, panelLeft_ + k * 34 + 26, y + 26);
        panel.add(hint);
    }
}

void TransformPanels::showRubric(TransformRubric rubric) {
    rubric_ = rubric;
    for (int index = 0; index < kTransformRubricCount; ++index) {
        rubricRadios_[static_cast<size_t>(index)]->setSelected(index == static_cast<int>(rubric));
        panels_[static_cast<size_t>(index)]->setVisible(index == static_cast<int>(rubric));
    }
}

namespace {

// The index of `radio` among `radios`; -1 when it is none of them.
template <size_t N>
int indexOf(const std::array<GuiRadiobutton*, N>& radios, const GuiRadiobutton* radio) {
    for (size_t index = 0; index < N; ++index)
        if (radios[index] == radio) return static_cast<int>(index);
    return -1;
}

}  // namespace

bool TransformPanels::rubricOf(const GuiRadiobutton* radio, TransformRubric& rubric) const {
    const int index = indexOf(rubricRadios_, radio);
    if (index >= 0) rubric = static_cast<TransformRubric>(index);
    return index >= 0;
}

void TransformPanels::showViewPage(ViewPage page) {
    page_ = page;
    for (int index = 0; index < kViewPageCount; ++index) {
        pageRadios_[static_cast<size_t>(index)]->setSelected(index == static_cast<int>(page));
        pages_[static_cast<size_t>(index)]->setVisible(index == static_cast<int>(page));
    }
}

bool TransformPanels::viewPageOf(const GuiRadiobutton* radio, ViewPage& page) const {
    const int index = indexOf(pageRadios_, radio);
    if (index >= 0) page = static_cast<ViewPage>(index);
    return index >= 0;
}

Control TransformPanels::control(const GuiComponent* component) const {
    const auto found = controls_.find(component);
    return found == controls_.end() ? Control::None : found->second;
}

GuiSlider* TransformPanels::slider(Control control) const {
    const auto found = sliders_.find(control);
    return found == sliders_.end() ? nullptr : found->second.slider;
}

GuiCheckbox* TransformPanels::checkbox(Control control) const {
    const auto found = components_.find(control);
    return found == components_.end() ? nullptr : dynamic_cast<GuiCheckbox*>(found->second);
}

GuiButton* TransformPanels::button(Control control) const {
    const auto found = components_.find(control);
    return found == components_.end() ? nullptr : dynamic_cast<GuiButton*>(found->second);
}

GuiRadiobutton* TransformPanels::radio(Control control) const {
    const auto found = components_.find(control);
    return found == components_.end() ? nullptr : dynamic_cast<GuiRadiobutton*>(found->second);
}

std::vector<GuiSlider*> TransformPanels::rubricSliders(TransformRubric rubric) const {
    switch (rubric) {
    case TransformRubric::Translation:
        return {slider(Control::TranslationX), slider(Control::TranslationY), slider(Control::TranslationZ)};
    case TransformRubric::Scaling: return {slider(Control::Width), slider(Control::Height), slider(Control::Depth)};
    case TransformRubric::Rotation: return {slider(Control::Yaw), slider(Control::Pitch), slider(Control::Roll)};
    case TransformRubric::FieldOfView: return {slider(Control::RatioX), slider(Control::RatioY)};
    default: return {};
    }
}

void TransformPanels::showValue(Control control, float value) {
    GuiSlider* target = slider(control);
    if (target == nullptr) return;
    // A value beyond the range widens it, so that the slider never lies.
    if (value < target->minimum() && target->isMinimumAdjustable()) target->setMinimum(value);
    if (value > target->maximum() && target->isMaximumAdjustable()) target->setMaximum(value);
    target->setValue(value);
    refreshLabel(control);
}

void TransformPanels::refreshLabel(Control control) {
    const auto found = sliders_.find(control);
    if (found == sliders_.end()) return;
    const SliderRow& row = found->second;
    String text = row.caption;
    text.append(' ');
    if (row.slider->kind() == SliderKind::PowerOfTwo) {
        text.append(GuiSlider::powerLabel(static_cast<int>(row.slider->value())));
    } else if (row.slider->kind() == SliderKind::Whole) {
        text.append(static_cast<int>(row.slider->value()));
    } else {
        text.append(formatText("%.2f", row.slider->value()));
    }
    row.label->setText(text);
}

void TransformPanels::setParticipationText(TransformRubric rubric, const String& text) {
    GuiLabel* label = participation_[rubric == TransformRubric::Texture ? 1 : 0];
    if (label != nullptr) label->setText(text);
}
