#include "app/gallery/gallery_screen.h"

#include "gui/gui_button.h"
#include "gui/gui_checkbox.h"
#include "gui/gui_image.h"
#include "gui/gui_label.h"
#include "gui/gui_menu.h"
#include "gui/gui_progressbar.h"
#include "gui/gui_radiobutton.h"
#include "gui/help_box.h"
#include "image/image_entry.h"
#include "render/camera.h"
#include "render/renderer.h"
#include "render/scene/container.h"
#include "render/scene/floor.h"
#include "render/scene/line_list.h"
#include "render/scene/render_list.h"
#include "render/scene/text3d.h"
#include "render/scene/transp_cube.h"
#include "render/scene/xfile_mesh.h"
#include "render/texture_manager.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr InputIdentifier kLeft = InputIdentifier::MouseButton0;

// The state table: row captions at the left, five columns of samples.
constexpr int kCaptionLeft = 16;
constexpr int kColumnLeft = 170;
constexpr int kColumnStep = 125;
constexpr int kColumnWidth = 110;
constexpr int kTableRight = kColumnLeft + 4 * kColumnStep + kColumnWidth;
// The right-hand column: scene, live widgets, listener log.
constexpr int kRightLeft = 820;

constexpr uint32_t kHeadingColour = 0xFFFFFFFF;
constexpr uint32_t kCaptionColour = 0xFFC8CAD6;
constexpr uint32_t kNoteColour = 0xFF9A9CAA;
constexpr int kLogLines = 7;

enum class SampleState { Active, Over, Pressed, Disabled };

int columnLeft(int column) { return kColumnLeft + column * kColumnStep; }

// Puts a widget of the state table into `state` through its own events.
void putInState(GuiComponent& widget, SampleState state) {
    const float x = static_cast<float>(widget.left() + widget.right()) / 2.0f;
    const float y = static_cast<float>(widget.top() + widget.bottom()) / 2.0f;
    switch (state) {
        case SampleState::Active: break;
        case SampleState::Over: widget.hover(x, y); break;
        case SampleState::Pressed:
            widget.hover(x, y);
            widget.mousePressed(kLeft, x, y);
            break;
        case SampleState::Disabled: widget.setEnabled(false); break;
    }
}

const SampleState kFourStates[] = {SampleState::Active, SampleState::Over, SampleState::Pressed,
                                   SampleState::Disabled};

// A picture for the image-list samples: a warm gradient with a cup-like
// shape, its mask an ellipse.
std::unique_ptr<ImageEntry> makeSampleImage(const char* name, int hueShift) {
    const int side = Image::kCanvasSide;
    Image picture(side, side);
    Image mask(side, side);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const int red = std::min(255, 60 + (x * 160) / side + hueShift);
            const int green = 70 + (y * 120) / side;
            const int blue = std::max(0, 150 - hueShift + (x * y) / (side * 8));
            picture.setPixel(x, y, Rgb{static_cast<unsigned char>(red), static_cast<unsigned char>(green),
                                       static_cast<unsigned char>(blue)});
            const float dx = (static_cast<float>(x) - side * 0.5f) / (side * 0.30f);
            const float dy = (static_cast<float>(y) - side * 0.55f) / (side * 0.36f);
            if (dx * dx + dy * dy <= 1.0f) mask.setPixel(x, y, Rgb{255, 255, 255});
        }
    }
    auto entry = std::make_unique<ImageEntry>(Image(), std::move(picture), std::move(mask));
    entry->setName(String(name));
    return entry;
}

std::string quotedName(const String& name) { return "\"" + name.str() + "\""; }

}  // namespace

// ---------------------------------------------------------------------- scene --

struct GalleryScreen::Scene {
    // The floor and the axes share a container; the other nodes are roots of
    // their own, since a container's children keep no scaling of their own.
    std::vector<std::unique_ptr<Component>> roots;
    Texture* pixel = nullptr;

    static void makeSeeThrough(Component& node) {
        node.rsAlpha().blending = true;
        node.rsBuffer().depthWrite = false;
    }

    Scene(gfx::GraphicsDevice& device, TextureManager& textures, const String& directory) {
        String pixelPath = directory;
        pixel = textures.load(pixelPath.append(String(Floor::kTextureFile)));

        auto ground = std::make_unique<Container>();
        auto floor = std::make_unique<Floor>(device, 12, 6.0f, pixel);
        makeSeeThrough(*floor);
        ground->addChild(std::move(floor));
        // The three axes from the origin.
        auto axes = std::make_unique<LineList>(device);
        const D3DXVECTOR3 lines[] = {{0, 0.2f, 0}, {30, 0.2f, 0}, {0, 0, 0}, {0, 30, 0}, {0, 0.2f, 0}, {0, 0.2f, -30}};
        axes->addLineSet(std::span<const D3DXVECTOR3>(lines, 6));
        gfx::Material yellow;
        yellow.emissive = gfx::ColourValue{1.0f, 0.85f, 0.3f, 1.0f};
        axes->setMaterial(yellow);
        ground->addChild(std::move(axes));
        roots.push_back(std::move(ground));

        String models = directory;
        auto model = std::make_unique<XFileMesh>(device, models.append(String("data/xfiles/")), String("sphere.x"));
        model->setScaling(D3DXVECTOR3(40.0f, 40.0f, 40.0f));
        model->setTranslation(D3DXVECTOR3(-8.0f, 8.0f, 20.0f));
        roots.push_back(std::move(model));

        auto text = std::make_unique<Text3d>(device, String("Plastora"));
        text->setScaling(D3DXVECTOR3(9.0f, 9.0f, 9.0f));
        text->setTranslation(D3DXVECTOR3(30.0f, 1.0f, 20.0f));
        gfx::Material blue;
        blue.diffuse = gfx::ColourValue{0.35f, 0.65f, 1.0f, 1.0f};
        blue.ambient = gfx::ColourValue{0.25f, 0.35f, 0.55f, 1.0f};
        text->setMaterial(blue);
        roots.push_back(std::move(text));

        // The see-through cube last, over everything behind it.
        auto cube = std::make_unique<TranspCube>(device, 4, pixel);
        cube->setScaling(D3DXVECTOR3(20.0f, 20.0f, 20.0f));
        cube->setTranslation(D3DXVECTOR3(14.0f, 10.0f, -8.0f));
        makeSeeThrough(*cube);
        roots.push_back(std::move(cube));
    }

    void draw(DxRenderer& renderer, Camera& camera) {
        gfx::GraphicsDevice* device = renderer.device();
        if (device == nullptr) return;
        camera.applyView(*device);
        gfx::DirectionalLight light;
        light.direction = D3DXVECTOR3(0.4f, -0.8f, 0.45f);
        light.ambient = gfx::ColourValue{0.25f, 0.25f, 0.28f, 1.0f};
        device->setLight(light);
        device->enableLight(true);
        RenderList list;
        for (auto& root : roots) root->collect(&camera, list);
        list.drawAll();
    }

    void releaseDeviceObjects() {
        for (auto& root : roots) root->releaseDeviceObjects();
    }
    void restoreDeviceObjects() {
        for (auto& root : roots) root->restoreDeviceObjects();
    }
};

// ------------------------------------------------------------------- building --

GalleryScreen::GalleryScreen(gfx::GraphicsDevice& device, TextureManager& textures, const String& applicationDirectory,
                             GalleryServices services, int width, int height)
    : services_(std::move(services)), width_(width), height_(height), showcase_(String("Showcase")),
      live_(String("Live")) {
    showcase_.setRect(0, 0, width, height);
    live_.setRect(0, 0, width, height);
    scene_ = std::make_unique<Scene>(device, textures, applicationDirectory);
    buildMaskImages();
    buildStateTable();
    buildLiveArea(width);
    buildMenuBar(width);
    // Putting the samples into their states moved the help box and the pointer.
    HelpBox::instance().hide();
    reportPointerState(kPointerNormal);
}

GalleryScreen::~GalleryScreen() = default;

GuiLabel* GalleryScreen::addLabel(GuiContainer& container, const char* text, int left, int top, int right, int bottom,
                                  int points, uint32_t colour) {
    auto* label = new GuiLabel(String(text));
    label->setFont(String("Arial"), points);
    label->setColour(colour);
    label->setRect(left, top, right, bottom);
    container.add(label);
    return label;
}

void GalleryScreen::addRowCaption(const char* caption, int top) {
    addLabel(showcase_, caption, kCaptionLeft, top, kColumnLeft - 8, top + 20, 11, kCaptionColour);
}

void GalleryScreen::buildMaskImages() {
    images_.push_back(makeSampleImage("front.jpg", 0));
    images_.push_back(makeSampleImage("side.jpg", 60));
    images_.push_back(makeSampleImage("top.jpg", 110));
    images_[0]->usedForSculpting = true;
    images_[0]->usedForTexturing = true;
    images_[1]->usedForSculpting = true;
}

void GalleryScreen::buildMenuBar(int width) {
    menuBar_ = new GuiMenu(String("Menu bar"), true);
    auto* file = new GuiButtonMenu(String("File"));
    file->setHelpText(String("Make file operations (ALT key + f)."));
    file->setShortcutLabel(String("f"), 6, 3);
    GuiMenu& fileMenu = file->menu();
    fileMenu.addItem(String("New Project"), String("Start a new project."), String("No project started yet."));
    fileMenu.addItem(String("Load Project..."), String("Load an existing project."));
    fileMenu.addItem(String("Save Project..."), String("Save the current project."),
                     String("No project started which could be saved."));
    fileMenu.setItemEnabled(String("Save Project..."), false);
    fileMenu.addSeparator();
    fileMenu.addItem(String("Quit"), String("Quit Plastora."));

    auto* view = new GuiButtonMenu(String("View"));
    view->setHelpText(String("Change view properties like the background color, masking color etc  (ALT key + v)."));
    view->setShortcutLabel(String("v"), 6, 3);
    GuiMenu& viewMenu = view->menu();
    viewMenu.addItem(String("Default Settings"), String("Change back to the default view settings."));
    viewMenu.addSeparator();
    viewMenu.addCheckItem(String("Render Keyshortcuts"), String("Check if the key shortcuts should be rendered."));
    viewMenu.addCheckItem(String("Render Mouse Helptext"),
                          String("Check if the helptext beside the mouse should be rendered."));
    viewMenu.addCheckItem(String("Render Statusbar"),
                          String("Check if the statusbar on the top, right of window should be rendered."));
    viewMenu.setItemChecked(String("Render Keyshortcuts"), true);
    viewMenu.setItemChecked(String("Render Mouse Helptext"), true);

    auto* info = new GuiButtonMenu(String("Info"));
    info->setHelpText(String("Get information about Plastora (ALT key + i)."));
    info->setShortcutLabel(String("i"), 6, 3);
    GuiMenu& infoMenu = info->menu();
    infoMenu.addItem(String("About..."), String("Get information about Plastora."));
    infoMenu.addCheckItem(String("Check For Update At Startup"),
                          String("Check if Plastora should check for an update at startup."));

    menuBar_->addMenu(file);
    menuBar_->addMenu(view);
    menuBar_->addMenu(info);
    menuBar_->setMenuListener(this);
    menuBar_->layoutBar(0, 0, width, 28);
    // On the bar, so that it is drawn over the bar's background.
    addLabel(*menuBar_, "Plastora widget gallery", width - 330, 6, width - 16, 26, 12, kHeadingColour)
        ->setAlign(TextAlign::Right);
    live_.addContainer(menuBar_);
}

void GalleryScreen::buildStateTable() {
    const char* columns[] = {"active", "over", "pressed", "disabled", "checked / other"};
    for (int column = 0; column < 5; ++column)
        addLabel(showcase_, columns[column], columnLeft(column), 36, columnLeft(column) + kColumnWidth, 54, 10,
                 kNoteColour);

    // Buttons with art, captioned buttons and icon buttons.
    addRowCaption("Button", 60);
    for (int column = 0; column < 4; ++column) {
        auto* button = new GuiButton(GuiArt::fromFolder(String("data/gui/twod/general")));
        button->setRect(columnLeft(column), 58, columnLeft(column) + kColumnWidth, 86);
        showcase_.add(button);
        putInState(*button, kFourStates[column]);
    }
    addRowCaption("Text button", 98);
    for (int column = 0; column < 4; ++column) {
        auto* button = new GuiButton(String("Apply"));
        button->setCaptionBackgrounds(String("data/gui/general/menu/overcontainer.dds"),
                                      String("data/gui/general/menu/pressedcontainer.dds"));
        button->setCaptionColours(0xFFE8E8EE, 0xFFFFFFFF, 0xFFB8D8FF, 0xFF7C7C88);
        button->setRect(columnLeft(column), 94, columnLeft(column) + kColumnWidth, 120);
        showcase_.add(button);
        putInState(*button, kFourStates[column]);
    }
    addRowCaption("Icon button", 134);
    for (int column = 0; column < 4; ++column) {
        auto* key = new GuiButton(GuiArt::fromFolder(String("data/gui/transformation/keyq")));
        key->setRect(columnLeft(column), 128, columnLeft(column) + 32, 160);
        showcase_.add(key);
        putInState(*key, kFourStates[column]);
        auto* point = new GuiButton(GuiArt::fromFolder(String("datav1_01/rotationpoint")));
        point->setRect(columnLeft(column) + 40, 128, columnLeft(column) + 72, 160);
        showcase_.add(point);
        putInState(*point, kFourStates[column]);
    }

    // Checkboxes and radio buttons; the fifth column shows them chosen.
    addRowCaption("Checkbox", 172);
    for (int column = 0; column < 5; ++column) {
        auto* box = new GuiCheckbox(String("data/gui/general/checkbox"));
        box->setRect(columnLeft(column), 172, columnLeft(column) + 20, 192);
        showcase_.add(box);
        if (column < 4) putInState(*box, kFourStates[column]);
        else box->setChecked(true);
    }
    addRowCaption("Radiobutton", 206);
    for (int column = 0; column < 5; ++column) {
        auto* radio = new GuiRadiobutton(String("datav1_01/transformationpoint"));
        radio->setRect(columnLeft(column), 200, columnLeft(column) + 32, 232);
        showcase_.add(radio);
        if (column < 4) putInState(*radio, kFourStates[column]);
        else radio->setSelected(true);
    }

    // Sliders: whole numbers in four states, a real one in the fifth column;
    // the power-of-two scale with its tick labels under the pointer.
    addRowCaption("Slider", 250);
    for (int column = 0; column < 5; ++column) {
        auto* slider = new GuiSlider(column < 4 ? SliderKind::Whole : SliderKind::Real);
        slider->setRect(columnLeft(column), 244, columnLeft(column) + kColumnWidth, 274);
        slider->setValue(column == 4 ? 72.5f : 40.0f);
        showcase_.add(slider);
        if (column < 4) putInState(*slider, kFourStates[column]);
    }
    addRowCaption("Slider 2^n", 312);
    auto* power = new GuiSlider(SliderKind::PowerOfTwo, String("Voxel size"));
    power->setRect(columnLeft(0), 306, columnLeft(0) + kColumnWidth, 336);
    power->setValue(4.0f);
    showcase_.add(power);
    auto* powerOver = new GuiSlider(SliderKind::PowerOfTwo, String("Voxel size"));
    powerOver->setRect(columnLeft(1), 306, kTableRight, 336);
    powerOver->setValue(9.0f);
    showcase_.add(powerOver);
    // Over the slider, then on the last tick label ("0.5").
    powerOver->hover(powerOver->positionOf(9.0f), 321.0f);
    powerOver->hover(powerOver->positionOf(12.0f), 306.0f - GuiSlider::kTickLabelGap - 8.0f);

    addRowCaption("Progress bar", 358);
    const float percents[] = {0.0f, 45.0f, 100.0f};
    const char* captions[] = {"Waiting", "Carving the octree", "Done"};
    const int barWidth = (kTableRight - kColumnLeft - 20) / 3;
    for (int i = 0; i < 3; ++i) {
        auto* bar = new GuiProgressbar();
        const int left = kColumnLeft + i * (barWidth + 10);
        bar->setFloatRect(static_cast<float>(left), 348.0f, static_cast<float>(left + barWidth), 392.0f);
        bar->setPercentage(percents[i]);
        bar->setCaption(String(captions[i]));
        showcase_.add(bar);
    }

    addRowCaption("Label", 406);
    addLabel(showcase_, "Arial 10 white", columnLeft(0), 404, columnLeft(0) + kColumnWidth, 424, 10, 0xFFFFFFFF);
    addLabel(showcase_, "Arial 12 yellow", columnLeft(1), 404, columnLeft(1) + kColumnWidth, 424, 12, 0xFFFFE070);
    addLabel(showcase_, "Arial 14 blue", columnLeft(2), 402, columnLeft(2) + kColumnWidth + 20, 424, 14, 0xFF80C0FF);
    auto* image = new GuiImage(String("data/gui/twod/rubric/checked.dds"));
    image->setRect(columnLeft(4), 396, columnLeft(4) + 34, 430);
    showcase_.add(image);
    addLabel(showcase_, "Image", columnLeft(4) + 40, 406, columnLeft(4) + kColumnWidth, 424, 10, kNoteColour);

    // Image-list rows: active, over, pressed; the first two carry markers.
    addRowCaption("Image list", 440);
    for (int column = 0; column < 3; ++column) {
        auto* list = new GuiMaskList(String("Image: "));
        list->setRect(columnLeft(column), 440, columnLeft(column) + kColumnWidth, 440 + kColumnWidth);
        GuiMaskListEntry* entry = list->addEntry(*images_[static_cast<size_t>(column)]);
        showcase_.add(list);
        if (column > 0) putInState(*entry, column == 1 ? SampleState::Over : SampleState::Pressed);
    }
    addLabel(showcase_, "markers: sculpture,\ntexture", columnLeft(3), 444, kTableRight, 480, 10, kNoteColour);

    // A menu bar with the View menu open, an item under the pointer, one
    // checked, one disabled.
    addRowCaption("Menu", 570);
    auto* bar = new GuiMenu(String("Menu bar sample"), true);
    auto* file = new GuiButtonMenu(String("File"));
    auto* view = new GuiButtonMenu(String("View"));
    GuiMenu& menu = view->menu();
    menu.addItem(String("Background Color..."), String("Change the background color of Plastora."));
    menu.addItem(String("Mask Color..."), String("Change mask color and transparency (Key m)."));
    menu.addSeparator();
    menu.addCheckItem(String("Render Mask"), String("Check if the mask should be drawn (Key F1)."));
    menu.addCheckItem(String("Render Border"), String("Check if the border should be drawn (Key F2)."));
    menu.addItem(String("Object Info"), String("Get information about the 3d object."),
                 String("No object sculptured yet so no object info is available."));
    menu.setItemChecked(String("Render Mask"), true);
    menu.setItemEnabled(String("Object Info"), false);
    bar->addMenu(file);
    bar->addMenu(view);
    bar->layoutBar(kColumnLeft, 566, kTableRight, 26);
    showcase_.addContainer(bar);
    view->open();
    if (GuiComponent* item = menu.item(String("Mask Color..."))) putInState(*item, SampleState::Over);
    if (GuiComponent* item = menu.item(String("Render Border"))) putInState(*item, SampleState::Pressed);
}

void GalleryScreen::buildLiveArea(int width) {
    const int right = width - 16;
    addLabel(showcase_, "Scene: floor, cube, model, lines, 3D text", kRightLeft, 36, right, 54, 10, kNoteColour);
    addLabel(live_, "Try it", kRightLeft, 450, right, 470, 12, kHeadingColour);

    auto* button = new GuiButton(GuiArt::fromFolder(String("data/gui/twod/general")));
    button->setName(String("Try me"));
    button->setRect(kRightLeft, 478, kRightLeft + 110, 506);
    button->setHelpText(String("A button: press and release it."));
    button->addListener(this);
    live_.add(button);
    addLabel(live_, "Try me", kRightLeft, 484, kRightLeft + 110, 506, 11, 0xFFFFFFFF)->setAlign(TextAlign::Centre);

    auto* box = new GuiCheckbox(String("data/gui/general/checkbox"));
    box->setName(String("Render border"));
    box->setRect(kRightLeft + 130, 482, kRightLeft + 150, 502);
    box->setHelpText(String("A checkbox: each click toggles it."));
    box->addListener(this);
    live_.add(box);
    addLabel(live_, "Render border", kRightLeft + 156, 484, kRightLeft + 280, 504, 11, kCaptionColour);

    const char* choices[] = {"Move", "Rotate", "Scale"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = new GuiRadiobutton(String("datav1_01/transformationpoint"));
        radio->setName(String(choices[i]));
        radio->setRect(kRightLeft + 290 + i * 58, 476, kRightLeft + 322 + i * 58, 508);
        radio->setHelpText(String(choices[i]).append(String(": one choice of three.")));
        radio->setSelected(i == 0);
        radio->addListener(this);
        live_.add(radio);
        radios_.push_back(radio);
    }

    liveWhole_ = new GuiSlider(SliderKind::Whole, String("Animation Time"));
    liveWhole_->setRect(kRightLeft, 524, kRightLeft + 240, 554);
    liveWhole_->setMaximum(1000.0f);
    liveWhole_->setValue(250.0f);
    liveWhole_->setStepCount(20);
    liveWhole_->setDescription(String("Double click to type a value."));
    liveWhole_->setMinimumAdjustable(true);
    liveWhole_->setMaximumAdjustable(true);
    liveWhole_->setMinimumLimit(0.0f);
    liveWhole_->setMaximumLimit(10000.0f);
    liveWhole_->setServices(services_.slider);
    liveWhole_->addListener(this);
    live_.add(liveWhole_);
    wholeValue_ = addLabel(live_, "", kRightLeft + 250, 530, right, 550, 11, kCaptionColour);

    liveReal_ = new GuiSlider(SliderKind::Real, String("Image Transparency"));
    liveReal_->setRect(kRightLeft, 562, kRightLeft + 240, 592);
    liveReal_->setMaximum(1.0f);
    liveReal_->setValue(0.6f);
    liveReal_->setStep(0.05f);
    liveReal_->setServices(services_.slider);
    liveReal_->addListener(this);
    live_.add(liveReal_);
    realValue_ = addLabel(live_, "", kRightLeft + 250, 568, right, 588, 11, kCaptionColour);

    livePower_ = new GuiSlider(SliderKind::PowerOfTwo, String("Voxel size"));
    livePower_->setRect(kRightLeft, 620, kRightLeft + 330, 650);
    livePower_->setValue(5.0f);
    livePower_->setServices(services_.slider);
    livePower_->addListener(this);
    live_.add(livePower_);
    powerValue_ = addLabel(live_, "", kRightLeft + 340, 626, right, 646, 11, kCaptionColour);
    updateSliderLabels();

    addLabel(live_, "Listener calls", kRightLeft, 664, right, 682, 11, kHeadingColour);
    for (int i = 0; i < kLogLines; ++i)
        logLines_.push_back(addLabel(live_, "", kRightLeft, 684 + i * 15, right, 699 + i * 15, 10, kNoteColour));
}

// -------------------------------------------------------------------- drawing --

void GalleryScreen::render(DxRenderer& renderer, Camera& camera) {
    scene_->draw(renderer, camera);
    renderer.clearDepth();
    renderer.beginSprite();
    showcase_.render();
    live_.render();
    HelpBox::instance().render();
}

void GalleryScreen::releaseDeviceObjects() { scene_->releaseDeviceObjects(); }

void GalleryScreen::restoreDeviceObjects() { scene_->restoreDeviceObjects(); }

// --------------------------------------------------------------------- events --

void GalleryScreen::mouseMoved(float x, float y) {
    HelpBox::instance().hide();
    reportPointerState(kPointerNormal);
    live_.hover(x, y);
}

void GalleryScreen::mousePressed(InputIdentifier button, float x, float y) { live_.mousePressed(button, x, y); }

void GalleryScreen::mouseReleased(InputIdentifier button, float x, float y) { live_.mouseReleased(button, x, y); }

void GalleryScreen::mouseDoubleClicked() { live_.mouseDoubleClicked(); }

void GalleryScreen::mouseWheel(int delta) { live_.mouseWheel(delta); }

// ------------------------------------------------------------------ listeners --

void GalleryScreen::record(const std::string& line) {
    events_.push_back(line);
    if (services_.log != nullptr) {
        std::fprintf(services_.log, "gallery: %s\n", line.c_str());
        std::fflush(services_.log);
    }
    const size_t shown = std::min(events_.size(), logLines_.size());
    for (size_t i = 0; i < shown; ++i) {
        const std::string& text = events_[events_.size() - shown + i];
        logLines_[i]->setText(String(text.c_str()));
    }
}

void GalleryScreen::released(GuiButton* button) { record("button " + quotedName(button->name()) + " released"); }

void GalleryScreen::pressed(GuiButton* button) { record("button " + quotedName(button->name()) + " pressed"); }

void GalleryScreen::checked(GuiCheckbox* checkbox) { record("checkbox " + quotedName(checkbox->name()) + " checked"); }

void GalleryScreen::unchecked(GuiCheckbox* checkbox) {
    record("checkbox " + quotedName(checkbox->name()) + " unchecked");
}

void GalleryScreen::selected(GuiRadiobutton* radiobutton) {
    for (GuiRadiobutton* other : radios_) other->setSelected(other == radiobutton);
    record("radiobutton " + quotedName(radiobutton->name()) + " selected");
}

void GalleryScreen::updateSliderLabels() {
    char text[64];
    std::snprintf(text, sizeof text, "%d ms", static_cast<int>(liveWhole_->value()));
    wholeValue_->setText(String(text));
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(liveReal_->value()));
    realValue_->setText(String(text));
    powerValue_->setText(GuiSlider::powerLabel(static_cast<int>(livePower_->value())));
}

void GalleryScreen::valueChanged(GuiSlider* slider) {
    updateSliderLabels();
    char text[96];
    std::snprintf(text, sizeof text, "slider \"%s\" value %g", slider->name().text(),
                  static_cast<double>(slider->value()));
    record(text);
}

void GalleryScreen::released(GuiSlider* slider) {
    updateSliderLabels();
    char text[96];
    std::snprintf(text, sizeof text, "slider \"%s\" released at %g", slider->name().text(),
                  static_cast<double>(slider->value()));
    record(text);
}

void GalleryScreen::pressed(GuiSlider* slider) { record("slider " + quotedName(slider->name()) + " pressed"); }

void GalleryScreen::command(const String& text) {
    record("menu command " + quotedName(text));
    if (text.equals("Render Mouse Helptext checked")) HelpBox::instance().setEnabled(true);
    if (text.equals("Render Mouse Helptext unchecked")) HelpBox::instance().setEnabled(false);
    if (text.equals("Render Keyshortcuts checked")) guiContext().renderKeyShortcuts = true;
    if (text.equals("Render Keyshortcuts unchecked")) guiContext().renderKeyShortcuts = false;
    if (text.equals("Quit") && services_.quit) services_.quit();
}

void GalleryScreen::released(ImageEntry& image) { record("image list entry " + quotedName(image.name()) + " released"); }
