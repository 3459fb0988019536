// The transformation mode's sculpted object: starting and stopping the runs,
// their progress and results, the object's menu items and keys, "Object
// Info", the material, saving, and the object in the state snapshot.
#include "transform/three_d.h"

#include "core/configuration.h"
#include "core/json.h"
#include "gui/gui_button.h"
#include "gui/gui_menu.h"
#include "gui/title_bar.h"
#include "platform/dialogs.h"
#include "project/clipping_elements.h"
#include "project/save_object.h"
#include "transform/clipping_scene.h"
#include "twod/two_d.h"

#include <chrono>
#include <cstdio>

namespace {

constexpr const char* kNothingParticipates =
    "Cannot sculpture the 3d object because at least one image has to be transformed in the 3d space\n"
    "which participates in the 3d object creation.";
constexpr const char* kNoObjectToTexture = "You have to sculpture the 3d object before you can texturize it.";
constexpr const char* kRunGoingOn = "The 3d object is being made.\nPress ESC or the Cancel button to stop it.";
constexpr const char* kCancelHelp = "Stop making the 3d object (ESC).\nThe object and the project stay as they were.";
constexpr const char* kRunCancelled = "Stopped. The 3d object and the project are as they were.";

// How long a frame waits for news of a running sculpting or texturing: the
// window is drawn at least this often, and the worker keeps the processor
// while nothing changes.
constexpr std::chrono::milliseconds kProgressFrameWait{100};

// The Cancel button below the status bar, at the right edge.
constexpr int kCancelWidth = 90;
constexpr int kCancelHeight = 24;
constexpr int kCancelTop = TitleBar::kHeight + 62;
constexpr int kCancelRightMargin = 10;

String text(const char* value) { return String(value); }

gfx::ColourValue colourOf(const ColourFloats& colour) { return {colour.red, colour.green, colour.blue, 1.0f}; }

}  // namespace

void ThreeD::buildObjectControls() {
    cancelButton_ = new GuiButton(text("Cancel"));
    const int right = workspace().backBufferWidth() - kCancelRightMargin;
    cancelButton_->setRect(right - kCancelWidth, kCancelTop, right, kCancelTop + kCancelHeight);
    cancelButton_->setHelpText(text(kCancelHelp));
    cancelButton_->addListener(this);
    cancelButton_->setVisible(false);
    screen().add(cancelButton_);
}

SculptSettings ThreeD::sculptSettings() const {
    const Settings& settings = workspace().settings();
    SculptSettings sculpt;
    sculpt.depth = static_cast<int>(settings.meshdetail);
    sculpt.sharpeningPasses = static_cast<int>(settings.sharpening);
    sculpt.smoothingPasses = static_cast<int>(settings.smoothing);
    sculpt.simplification = panels_->slider(Control::Simplification)->value();
    sculpt.normalParticipation = panels_->slider(Control::NormalParticipation)->value();
    sculpt.flatShading = !smoothShading_;
    return sculpt;
}

std::vector<Clipping*> ThreeD::clippingList() const {
    std::vector<Clipping*> list;
    for (int slot = 0; slot < clippings_->slotCount(); ++slot) list.push_back(clippings_->clipping(slot));
    return list;
}

bool ThreeD::readyForRun() {
    if (animatingRefusal()) return false;
    if (object_->isRunning()) {
        setHelpText(text(kRunGoingOn));
        return false;
    }
    // Pictures changed in the 2D mode take part as they are now.
    bringClippingsUpToDate();
    return true;
}

bool ThreeD::startSculpture() {
    if (!readyForRun()) return false;
    const std::vector<Clipping*> list = clippingList();
    if (object_->startSculpture(sculptSettings(), list) != SculptedObject::Start::Started) {
        setHelpText(text(kNothingParticipates));
        return false;
    }
    clearHelpText();
    cancelButton_->setVisible(true);
    return true;
}

bool ThreeD::startTexturing() {
    if (!readyForRun()) return false;
    const std::vector<Clipping*> list = clippingList();
    if (object_->startTexturing(list) != SculptedObject::Start::Started) {
        setHelpText(text(kNoObjectToTexture));
        return false;
    }
    clearHelpText();
    cancelButton_->setVisible(true);
    return true;
}

bool ThreeD::cancelObjectRun() {
    if (!object_->isRunning()) return false;
    object_->cancel();
    return true;
}

void ThreeD::updateObject() {
    if (object_->isRunning()) object_->waitForNews(kProgressFrameWait);
    const SculptedObject::Change change = object_->update();
    cancelButton_->setVisible(object_->isRunning());
    switch (change) {
    case SculptedObject::Change::Sculpted:
    case SculptedObject::Change::Texturised:
        scene_->collisions().setObject(object_->rays());
        refreshPanels();
        break;
    case SculptedObject::Change::Cancelled: setHelpText(text(kRunCancelled)); break;
    case SculptedObject::Change::RaysReady: scene_->collisions().setObject(object_->rays()); break;
    case SculptedObject::Change::None:
    case SculptedObject::Change::Progress: break;
    }
    if (object_->exists() && (workspace().settings().collisionlineswithobject || workspace().settings().decalsonobject))
        object_->prepareRays();
}

bool ThreeD::objectViewCommand(const String& label, bool checked) {
    const bool shown = label.equals("Render Object");
    const bool wireframe = label.equals("Render Object In Wireframe");
    const bool texture = label.equals("Render Object With Texture");
    if (!shown && !wireframe && !texture) return false;
    if (!object_->exists()) {
        setHelpText(text("No object sculptured yet so no object can be rendered."));
        return true;
    }
    if (shown) {
        object_->setShown(checked);
        // Lines and decals against the object follow whether it is shown.
        scene_->collisions().setObject(checked ? object_->rays() : nullptr);
    }
    if (wireframe) object_->setWireframe(checked);
    if (texture) object_->setTextureShown(checked && object_->isTextured());
    setItemChecked(text("View"), label, checked);
    return true;
}

void ThreeD::refreshObjectItems(GuiMenu& view) {
    const bool object = object_->exists();
    const bool shown = object && object_->isShown();
    view.setItemEnabled(text("Render Object"), object);
    view.setItemEnabled(text("Object Info"), object);
    view.setItemEnabled(text("Render Object In Wireframe"), shown);
    view.setItemEnabled(text("Material Of Object..."), shown);
    view.setItemEnabled(text("Render Object With Texture"), object && object_->isTextured());
    view.setItemChecked(text("Render Object"), !object || object_->isShown());
    view.setItemChecked(text("Render Object In Wireframe"), object_->isWireframe());
    view.setItemChecked(text("Render Object With Texture"), object_->isTextured() && object_->isTextureShown());
    view.setItemEnabled(text("Collision Lines With Object"), workspace().settings().viewcollisionlines && shown);
}

void ThreeD::showObjectInfo() {
    if (!object_->exists()) return;
    const String message(objectInfoText(object_->info()).c_str());
    {
        ShownSystemCursor shown(workspace().systemCursor());
        workspace().dialogs().messageBox(text("Object Info"), message, MessageButtons::Ok, MessageIcon::Warning);
    }
    workspace().clearKeyTable();
}

void ThreeD::saveSculptedObject() {
    if (!object_->exists()) return;
    if (object_->isRunning()) {
        // The running texturing reads the object; the files wait for it.
        setHelpText(text(kRunGoingOn));
        return;
    }
    CommandUi ui{workspace().dialogs(), workspace().systemCursor(), *this};
    saveObjectCommand(object_->run(), ui);
}

void ThreeD::applyMaterial() {
    const Settings& settings = workspace().settings();
    gfx::Material material;
    material.diffuse = colourOf(settings.objmaterialdiffuse);
    material.ambient = colourOf(settings.objmaterialambient);
    material.specular = colourOf(settings.objmaterialspecular);
    material.emissive = colourOf(settings.objmaterialemissive);
    object_->setMaterial(material);
}

void ThreeD::describeObject(JsonValue& root) const {
    if (!object_->exists()) {
        root.set("object", JsonValue());
        return;
    }
    JsonValue& object = root.set("object", JsonValue::object());
    const ObjectInfo info = object_->info();
    object.set("vertices", JsonValue::number(info.vertices));
    object.set("triangles", JsonValue::number(info.triangles));
    object.set("textured", JsonValue::boolean(object_->isTextured()));
}
