#include "app/shell/application_main.h"

#include "core/logger.h"
#include "gui/gui_menu.h"
#include "gui/help_box.h"
#include "project/platform_dialogs.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "render/texture_manager.h"
#include "transform/three_d.h"
#include "twod/two_d.h"
#include "update/check_for_update.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kNewProjectCaption = "Really deleting?";
constexpr const char* kNewProjectText = "Are you sure you really want to start a new project. \nThis cannot be undone";
constexpr const char* kQuitCaption = "Quit Plastora?";
constexpr const char* kQuitText = "Are you sure you really want to quit Plastora. \nAll not saved work will be lost.";
constexpr const char* kTerminating = "Terminating Plastora. Please Wait...";

constexpr const char* kCheckForUpdate = "Check For Update...";
constexpr const char* kGoToHomepage = "Go To Homepage...";
constexpr const char* kUpdateAtStartupChecked = "Check For Update At Startup checked";
constexpr const char* kUpdateAtStartupUnchecked = "Check For Update At Startup unchecked";
constexpr const char* kUpdateAtStartupLabel = "Check For Update At Startup";
constexpr const char* kNoUpdateServerCaption = "No update server";
constexpr const char* kNoUpdateServerText =
    "Plastora cannot check for an update because no update server is set.\n"
    "Enter the server as \"updateserver\" in the \"config.xml\" file in your application folder.";
constexpr const char* kNoHomepageCaption = "No homepage";
constexpr const char* kNoHomepageText =
    "Plastora cannot go to its homepage because no homepage is set.\n"
    "Enter the address as \"homepage\" in the \"config.xml\" file in your application folder.";

constexpr const char* kAboutCaption = "About Plastora";
constexpr const char* kAboutText =
    "Plastora v1.02\nThe new, fast, easy way to create 3d objects.\n\nLoad photographs of an object, mask the "
    "object on each of them,\nplace them around a common centre in 3d space, and Plastora sculpts\nand textures a "
    "3d mesh of the object from them.";

// The view settings behind the common check items of both View menus.
struct ViewToggle {
    const char* label;
    bool Settings::*setting;
};
constexpr ViewToggle kViewToggles[] = {
    {"Render Keyshortcuts", &Settings::toggleviewingkeyshortcuts},
    {"Render Mouse Helptext", &Settings::togglehelpbox},
    {"Render Statusbar", &Settings::togglehelptext},
};

constexpr uint32_t kCaptionColour = 0xFF000000;
constexpr uint32_t kSplashColour = 0xFFFFFFFF;

}  // namespace

const char* captionForStep(int step) {
    switch (step) {
        case 1: return "Load Images";
        case 3: return "Lay mask over the objects";
        case 5: return "Transform the images in 3d space";
        case 7: return "Make screenshot and sculpture with it";
        case 9: return "Transform the images";
        case 11: return "Make screenshot and sculpture and/or texturize with it";
        default: return nullptr;
    }
}

// The menu check marks the configuration sets, handed to both modes.
class ApplicationMain::ModeMenus : public MenuChecks {
public:
    explicit ModeMenus(ApplicationMain& application) : application_(application) {}

    void setItemChecked(int mode, const String& menu, const String& label, bool checked) override {
        WorkspaceMode* target = nullptr;
        if (mode == kModeTwoD) target = application_.twoD();
        if (mode == kModeThreeD) target = application_.threeD();
        if (target != nullptr) target->setItemChecked(menu, label, checked);
    }

private:
    ApplicationMain& application_;
};

ApplicationMain::ApplicationMain(platform::Window& window, int width, int height,
                                 std::unique_ptr<XmlDocument> configuration, const String& applicationDirectory,
                                 Dialogs& dialogs, SystemCursor& systemCursor, const String& settingsDirectory)
    : Application(window, width, height, applicationDirectory),
      dialogs_(dialogs),
      systemCursor_(systemCursor),
      settingsDirectory_(settingsDirectory.length() > 0 ? settingsDirectory : applicationDirectory),
      configuration_(configuration ? std::move(configuration) : std::make_unique<XmlDocument>()),
      menus_(std::make_unique<ModeMenus>(*this)) {
    applyEarlySettings(*configuration_, settings_);
    Logger& log = Logger::instance();
    if (settings_.logging != 0) {
        log.openIn(settingsDirectory_);
        log.enable();
    } else {
        log.disable();
    }
}

ApplicationMain::~ApplicationMain() {
    updateCheck_.reset();
    // The transformation mode follows the 2D mode's images: it goes first.
    threeD_.reset();
    twoD_.reset();
    if (guiContext().pointer == this) guiContext() = GuiContext{};
}

String ApplicationMain::applicationDirectory() const {
    String path = Application::applicationDirectory();
    if (path.length() > 0 && path.text()[path.length() - 1] != '/') path.append('/');
    return path;
}

String ApplicationMain::inSettingsDirectory(const char* relative) const {
    String path = settingsDirectory_;
    if (path.length() > 0 && path.text()[path.length() - 1] != '/') path.append('/');
    path.append(String(relative));
    return path;
}

String ApplicationMain::inApplicationDirectory(const char* relative) const {
    String path = applicationDirectory();
    path.append(String(relative));
    return path;
}

WorkspaceMode* ApplicationMain::activeMode() const {
    if (currentMode_ == kModeTwoD) return twoD_.get();
    if (currentMode_ == kModeThreeD) return threeD_.get();
    return nullptr;
}

Texture* ApplicationMain::cursorTextureAt(int index) const {
    if (index < 0 || index >= kCursorTextureCount) return nullptr;
    return cursorTextures_[static_cast<size_t>(index)];
}

// --- start-up ----------------------------------------------------------------------------

bool ApplicationMain::init() { return Application::init(); }

void ApplicationMain::initApplication() {
    drawSplash();

    Logger::instance().info(String("On initialization"));
    setUpGuiContext();
    twoD_ = std::make_unique<TwoD>(*this);
    threeD_ = std::make_unique<ThreeD>(*this, *twoD_);

    applyConfiguration(*configuration_, settings_, menus_.get());
    guiContext().renderKeyShortcuts = settings_.toggleviewingkeyshortcuts;
    HelpBox::instance().setEnabled(settings_.togglehelpbox);
    twoD_->applySettings();
    threeD_->applySettings();

    loadCursorTextures();

    setCursor(kCursorArrow);
    currentMode_ = kModeTwoD;
    twoD_->enter();
}

void ApplicationMain::setUpGuiContext() {
    GuiContext& context = guiContext();
    context.renderer = renderer();
    context.textures = textureManager();
    context.applicationDirectory = applicationDirectory();
    context.pointer = this;
    context.renderKeyShortcuts = settings_.toggleviewingkeyshortcuts;
}

void ApplicationMain::drawSplash() {
    DxRenderer* renderer = this->renderer();
    if (renderer == nullptr) return;
    const ColourBytes& background = settings_.backgroundcol;
    renderer->setClearColour(background.red, background.green, background.blue);
    renderer->beginScene();

    const int width = renderer->width();
    const int height = renderer->height();
    struct SplashLine {
        const char* text;
        int points;
        bool italic;
        int top;
    };
    const SplashLine lines[] = {
        {"Plastora v1.02", 50, false, height / 2 - 100},
        {"The new, fast, easy way to create 3d objects.", 18, true, height / 2 + 10},
        {"The application is loading...", 18, false, height - 50},
    };
    for (const SplashLine& line : lines) {
        const int font = renderer->createFont(String("Arial"), line.points, line.italic, true);
        if (!renderer->setFont(font)) continue;
        renderer->drawText(PixelRect{0, line.top, width, height}, String(line.text), kSplashColour,
                           TextAlign::Centre);
    }
    renderer->endScene();
    renderer->present();
}

void ApplicationMain::loadCursorTextures() {
    TextureManager* manager = textureManager();
    if (manager == nullptr) return;
    String folder("data/gui/cursors/");
    for (int index = 0; index < kCursorTextureCount; ++index) {
        String relative = folder;
        relative.append(String(kCursorTextureFiles[static_cast<size_t>(index)]));
        // A missing picture is logged by the texture and stays empty; the
        // pointer is then drawn as an outline.
        cursorTextures_[static_cast<size_t>(index)] = manager->load(inApplicationDirectory(relative.text()));
    }
}

UpdateServer ApplicationMain::updateServer() const {
    UpdateServer server;
    server.address = settings_.updateserver;
    server.port = settings_.updateport;
    server.host = settings_.updatehost;
    server.homepage = settings_.homepage;
    return server;
}

void ApplicationMain::startUpdateCheck() {
    if (!settings_.checkforupdateatstartup || settings_.updateserver.length() == 0) return;
    updateCheck_ = checkForUpdateAtStartup(true, settingsDirectory_, updateServer(), dialogs_, systemCursor_,
                                           *this);
}

// --- shut-down ---------------------------------------------------------------------------

void ApplicationMain::exitApplication() {
    if (!configuration_->root()) return;
    ShutdownState state;
    state.backBufferWidth = backBufferWidth();
    state.backBufferHeight = backBufferHeight();
    state.sculptedObjectExists = threeD_ && threeD_->hasSculptedObject();
    storeConfiguration(*configuration_, settings_, state, inSettingsDirectory("config.xml"));
}

// --- the pointer -------------------------------------------------------------------------

bool ApplicationMain::allModesReady() const {
    if (twoD_ && !twoD_->statusBar().isReady()) return false;
    if (threeD_ && !threeD_->statusBar().isReady()) return false;
    return true;
}

void ApplicationMain::setCustomCursor(Texture* /*texture*/) {}

void ApplicationMain::setCursor(int kind) {
    if (!allModesReady()) kind = kCursorWait;
    storeCursorKind(kind);
    const std::optional<CursorLook> look = cursorLookOf(kind);
    if (!look) return;
    applyFlagChange(look->pressed, cursorPressed_);
    applyFlagChange(look->over, cursorOver_);
    cursorTextureIndex_ = look->texture;
    setCursorLook(cursorTextures_[static_cast<size_t>(look->texture)], look->hotX, look->hotY, look->size);
}

void ApplicationMain::keepPointer(float x, float y) {
    mouseX_ = x;
    mouseY_ = y;
}

void ApplicationMain::drawPointer(DxRenderer& renderer) const {
    const float left = mouseX_ - cursorHotSpotX();
    const float top = mouseY_ - cursorHotSpotY();
    const float size = cursorSize();
    const Texture* texture = cursorTexture();
    if (texture != nullptr && !texture->isEmpty()) {
        const float scale = size / kCursorTextureSize;
        renderer.setSpriteTransform(scale, scale, 0.0f, left, top);
        renderer.drawSprite(texture, D3DXVECTOR2(0.0f, 0.0f));
        renderer.resetSpriteTransform();
        return;
    }
    // Without its picture the pointer is drawn as an arrow outline, so that
    // the user never loses it.
    const D3DXVECTOR2 outline[] = {{left, top},
                                   {left, top + size * 0.8f},
                                   {left + size * 0.22f, top + size * 0.6f},
                                   {left + size * 0.55f, top + size * 0.55f},
                                   {left, top}};
    const float savedWidth = renderer.lineWidth();
    renderer.setLineWidth(3.0f);
    renderer.drawLineStrip(outline, 5, 0, 0, 0, 1.0f);
    renderer.setLineWidth(1.0f);
    renderer.drawLineStrip(outline, 5, 255, 255, 255, 1.0f);
    renderer.setLineWidth(savedWidth);
}

// --- frames --------------------------------------------------------------------------------

void ApplicationMain::frame() {
    DxRenderer* renderer = this->renderer();
    WorkspaceMode* mode = activeMode();
    if (renderer == nullptr || !renderer->isInitialised() || mode == nullptr) return;
    const ColourBytes& background = settings_.backgroundcol;
    renderer->setClearColour(background.red, background.green, background.blue);

    mode->frame();
    // The overlays join the mode's picture before it is shown.
    if (!renderer->isSceneBegun()) renderer->beginScene();
    if (!renderer->isSpriteBegun()) renderer->beginSprite();
    drawCaption(*renderer);
    if (textureManager() != nullptr) drawPointer(*renderer);
    renderer->endScene();
    renderer->present();
}

void ApplicationMain::drawCaption(DxRenderer& renderer) const {
    const char* caption = currentCaption();
    if (caption == nullptr) return;
    const int font = renderer.createFont(String("Arial"), 45, false, true);
    if (!renderer.setFont(font)) return;
    const int top = renderer.height() / 2 - 270;
    renderer.drawText(PixelRect{0, top, renderer.width(), renderer.height()}, String(caption), kCaptionColour,
                      TextAlign::Centre);
}

void ApplicationMain::onDeviceLost() {
    if (twoD_) twoD_->onDeviceLost();
    if (threeD_) threeD_->onDeviceLost();
}

void ApplicationMain::onDeviceReset() {
    if (twoD_) twoD_->onDeviceReset();
    if (threeD_) threeD_->onDeviceReset();
}

// --- events --------------------------------------------------------------------------------

void ApplicationMain::onMenuCommand(const String& text) {
    if (runCommonCommand(text)) return;
    if (WorkspaceMode* mode = activeMode()) mode->onMenuCommand(text);
}

bool ApplicationMain::runCommonCommand(const String& text) {
    if (text.equals("Quit")) {
        quit();
        return true;
    }
    if (text.equals("About...")) {
        inform(kAboutCaption, kAboutText);
        return true;
    }
    if (text.equals("Save 3d Object...")) {
        if (threeD_) threeD_->saveSculptedObject();
        return true;
    }
    if (text.equals("Default Settings")) {
        restoreDefaults();
        return true;
    }
    return runViewToggle(text) || runUpdateCommand(text);
}

bool ApplicationMain::runViewToggle(const String& text) {
    for (const ViewToggle& toggle : kViewToggles) {
        const String checked = String(toggle.label).append(String(" checked"));
        const String unchecked = String(toggle.label).append(String(" unchecked"));
        if (!text.equals(checked) && !text.equals(unchecked)) continue;
        const bool on = text.equals(checked);
        settings_.*toggle.setting = on;
        for (int mode : {kModeTwoD, kModeThreeD}) menus_->setItemChecked(mode, String("View"), String(toggle.label), on);
        guiContext().renderKeyShortcuts = settings_.toggleviewingkeyshortcuts;
        HelpBox::instance().setEnabled(settings_.togglehelpbox);
        if (twoD_) twoD_->setRenderKeyShortcuts(settings_.toggleviewingkeyshortcuts);
        if (threeD_) threeD_->setRenderKeyShortcuts(settings_.toggleviewingkeyshortcuts);
        return true;
    }
    return false;
}

void ApplicationMain::restoreDefaults() {
    DefaultSettingsHooks hooks;
    hooks.showSystemCursor = [this] { systemCursor_.show(); };
    hooks.askYesNo = [this](const String& caption, const String& text) {
        return dialogs_.messageBox(caption, text, MessageButtons::YesNo, MessageIcon::Question) == MessageAnswer::Yes;
    };
    hooks.hideSystemCursor = [this] { systemCursor_.hide(); };
    hooks.clearKeyTable = [this] { clearKeyTable(); };
    hooks.refreshViewObjects = [this] {
        if (threeD_) threeD_->applySettings();
    };
    const DefaultSettingsOutcome outcome = restoreDefaultSettings(applicationDirectory(), settings_, menus_.get(), hooks);
    if (outcome == DefaultSettingsOutcome::Declined) return;
    guiContext().renderKeyShortcuts = settings_.toggleviewingkeyshortcuts;
    HelpBox::instance().setEnabled(settings_.togglehelpbox);
    if (twoD_) twoD_->applySettings();
}

void ApplicationMain::onCommand(int number) {
    if (number == kCommandNewProject) newProject();
    if (WorkspaceMode* mode = activeMode()) mode->onCommand(number);
}

void ApplicationMain::onKeyDown(int key) {
    keys_.press(key);
    if (WorkspaceMode* mode = activeMode()) mode->onKeyDown(key);
}

void ApplicationMain::onKeyUp(int key) {
    keys_.release(key);
    if (key == kKeyN) ++captionStep_;
    if (WorkspaceMode* mode = activeMode()) mode->onKeyUp(key);
}

void ApplicationMain::onMouseDown(InputIdentifier button, float x, float y) {
    keepPointer(windowToBackBufferX(x), windowToBackBufferY(y));
    if (WorkspaceMode* mode = activeMode()) mode->onMouseDown(button, mouseX_, mouseY_);
}

void ApplicationMain::onMouseDoubleClick(InputIdentifier button, float x, float y) {
    keepPointer(windowToBackBufferX(x), windowToBackBufferY(y));
    if (WorkspaceMode* mode = activeMode()) mode->onMouseDoubleClick(button, mouseX_, mouseY_);
}

void ApplicationMain::onMouseUp(InputIdentifier button, float x, float y) {
    keepPointer(windowToBackBufferX(x), windowToBackBufferY(y));
    if (WorkspaceMode* mode = activeMode()) mode->onMouseUp(button, mouseX_, mouseY_);
}

void ApplicationMain::onMouseMove(float x, float y) {
    setCursor(kCursorArrow);
    keepPointer(x, y);
    WorkspaceMode* mode = activeMode();
    if (mode == nullptr) return;
    mode->clearHelpText();
    mode->onMouseMove(x, y);
}

void ApplicationMain::onMiddleDown() {
    if (WorkspaceMode* mode = activeMode()) mode->onMiddleDown();
}

void ApplicationMain::onMiddleUp() {
    if (WorkspaceMode* mode = activeMode()) mode->onMiddleUp();
}

void ApplicationMain::onMouseWheel(int step) {
    if (WorkspaceMode* mode = activeMode()) mode->onMouseWheel(step);
}

void ApplicationMain::releaseAlt() {
    if (twoD_) twoD_->clearAltState();
    if (threeD_) threeD_->clearAltState();
    onKeyUp(kKeyAlt);
}

void ApplicationMain::onRestore() {
    setMinimised(false);
    WorkspaceMode* mode = activeMode();
    if (mode != nullptr && mode->isAltPending()) releaseAlt();
}

void ApplicationMain::resetInputState() {
    clearKeyTable();
    if (twoD_) twoD_->dropGesture();
    if (threeD_) threeD_->dropGesture();
    releaseAlt();
    if (twoD_) twoD_->setRenderKeyShortcuts(settings_.toggleviewingkeyshortcuts);
    if (threeD_) threeD_->setRenderKeyShortcuts(settings_.toggleviewingkeyshortcuts);
}

void ApplicationMain::onActivate() { resetInputState(); }

void ApplicationMain::onDeactivate() { resetInputState(); }

void ApplicationMain::clearKeyTable() {
    for (int key : keys_.heldKeys()) onKeyUp(key);
    keys_.markAllUp();
}

void ApplicationMain::onDropFile(const String& path) {
    if (!twoD_) return;
    WorkspaceMode* mode = activeMode();
    StatusSink& status = mode != nullptr ? static_cast<StatusSink&>(*mode) : static_cast<StatusSink&>(*twoD_);
    twoD_->openDroppedFile(path, status);
    // A project load ends with the mode ready again; make sure the pointer
    // shows it.
    if (allModesReady()) setCursor(kCursorArrow);
}

// --- workspace commands -----------------------------------------------------------------------

void ApplicationMain::newProject() {
    {
        ShownSystemCursor shown(systemCursor_);
        const MessageAnswer answer = dialogs_.messageBox(String(kNewProjectCaption), String(kNewProjectText),
                                                         MessageButtons::YesNo, MessageIcon::Question);
        if (answer == MessageAnswer::Yes && twoD_ && threeD_) {
            twoD_->resetRubrics();
            twoD_->images().clear();
            threeD_->resetWorkspace();
            if (currentMode_ == kModeTwoD) twoD_->enter();
        }
        clearKeyTable();
    }
}

bool ApplicationMain::quit() {
    MessageAnswer answer;
    {
        ShownSystemCursor shown(systemCursor_);
        answer = dialogs_.messageBox(String(kQuitCaption), String(kQuitText), MessageButtons::YesNo,
                                     MessageIcon::Question);
    }
    clearKeyTable();
    if (answer != MessageAnswer::Yes) return false;

    if (WorkspaceMode* mode = activeMode()) {
        mode->statusBar().setProgress(0.0f);
        setCursor(kCursorWait);
        mode->statusBar().setReady(false);
        mode->statusBar().setText(String(kTerminating));
    }
    clearHelpState();
    frame();
    stop();
    return true;
}

bool ApplicationMain::runUpdateCommand(const String& text) {
    if (text.equals(kCheckForUpdate)) {
        if (settings_.updateserver.length() == 0) {
            inform(kNoUpdateServerCaption, kNoUpdateServerText);
        } else {
            checkForUpdateInteractively(updateServer(), dialogs_, systemCursor_, *this);
        }
        return true;
    }
    if (text.equals(kGoToHomepage)) {
        if (settings_.homepage.length() == 0) {
            inform(kNoHomepageCaption, kNoHomepageText);
        } else {
            goToHomepage(settings_.homepage, *this);
        }
        return true;
    }
    if (text.equals(kUpdateAtStartupChecked) || text.equals(kUpdateAtStartupUnchecked)) {
        setCheckForUpdateAtStartup(text.equals(kUpdateAtStartupChecked));
        return true;
    }
    return false;
}

void ApplicationMain::setCheckForUpdateAtStartup(bool checked) {
    settings_.checkforupdateatstartup = checked;
    for (int mode : {kModeTwoD, kModeThreeD})
        menus_->setItemChecked(mode, String("Info"), String(kUpdateAtStartupLabel), checked);
    std::fputs(checked ? "check for update at startup checked\n" : "Check for update at startup unchecked\n", stdout);
    std::fflush(stdout);
}

void ApplicationMain::inform(const char* caption, const char* text) {
    {
        ShownSystemCursor shown(systemCursor_);
        dialogs_.messageBox(String(caption), String(text), MessageButtons::Ok, MessageIcon::Information);
    }
    clearKeyTable();
}

void ApplicationMain::switchToTwoD() {
    if (!twoD_) return;
    String openMenu;
    if (currentMode_ == kModeThreeD && threeD_) {
        openMenu = threeD_->openMenuName();
        threeD_->leave();
    }
    currentMode_ = kModeTwoD;
    twoD_->enter();
    twoD_->openMenuNamed(openMenu);
}

void ApplicationMain::switchToThreeD() {
    if (!threeD_) return;
    String openMenu;
    if (currentMode_ == kModeTwoD && twoD_) {
        openMenu = twoD_->openMenuName();
        twoD_->leave();
    }
    currentMode_ = kModeThreeD;
    threeD_->enter();
    threeD_->openMenuNamed(openMenu);
}

// --- Workspace ----------------------------------------------------------------------------------

void ApplicationMain::warpPointer(float x, float y) {
    warpMouse(static_cast<int>(backBufferToWindowX(x)), static_cast<int>(backBufferToWindowY(y)));
    keepPointer(x, y);
}

WindowFrame ApplicationMain::windowFrame() const {
    WindowFrame frame;
    frame.x = windowX();
    frame.y = windowY();
    frame.width = windowWidth();
    frame.height = windowHeight();
    frame.screenWidth = window().screenWidth();
    frame.screenHeight = window().screenHeight();
    return frame;
}

void ApplicationMain::placeWindow(int x, int y, int width, int height) { moveWindow(x, y, width, height); }

void ApplicationMain::maximiseWindow() { maximise(); }

// --- script support -------------------------------------------------------------------------------

JsonValue ApplicationMain::stateSnapshot() const {
    JsonValue root = JsonValue::object();
    root.set("mode", JsonValue::number(currentMode_));
    const WorkspaceMode* mode = activeMode();
    const String rubric = mode != nullptr ? mode->rubricLabel() : String();
    root.set("rubric", rubric.length() > 0 ? JsonValue::string(rubric.str()) : JsonValue());
    if (twoD_) twoD_->describeState(root);
    if (threeD_) threeD_->describeState(root);
    return root;
}

GuiMenu* ApplicationMain::currentMenuBar() {
    WorkspaceMode* mode = activeMode();
    return mode != nullptr ? &mode->menuBar() : nullptr;
}

// --- UpdateHost --------------------------------------------------------------------------------

void ApplicationMain::clearHelpState() {
    if (twoD_) twoD_->clearHelpText();
    if (threeD_) threeD_->clearHelpText();
}

void ApplicationMain::beginWait(const String& statusText) {
    WorkspaceMode* mode = activeMode();
    if (mode == nullptr) return;
    mode->statusBar().setProgress(0.0f);
    setCursor(kCursorWait);
    mode->statusBar().setReady(false);
    mode->statusBar().setText(statusText);
    frame();
}

void ApplicationMain::endWait() {
    WorkspaceMode* mode = activeMode();
    if (mode == nullptr) return;
    // Ready first: the arrow would otherwise be overruled by the wait pointer.
    mode->statusBar().setReady(true);
    setCursor(kCursorArrow);
}

void ApplicationMain::releaseCapture() { window().setCapture(false); }

void ApplicationMain::minimiseWindow() { minimise(); }

bool ApplicationMain::openUrl(const String& address) { return window().openUrl(address.str()); }
