// The transformation mode's menus: the items in the order of the menu
// tables, the rules that bring them up to date as a menu opens, and the
// handler of the texts the application passes on.
#include "core/configuration.h"
#include "gui/gui_menu.h"
#include "platform/dialogs.h"
#include "transform/clipping_scene.h"
#include "transform/three_d.h"
#include "transform/view_objects.h"
#include "twod/two_d.h"

namespace {

String text(const char* value) { return String(value); }

// "<label> checked" / "<label> unchecked": the label and the mark.
bool splitCheck(const String& command, String& label, bool& checked) {
    const std::string_view whole = command.view();
    for (const char* suffix : {" checked", " unchecked"}) {
        const std::string_view tail(suffix);
        if (whole.size() > tail.size() && whole.substr(whole.size() - tail.size()) == tail) {
            label = String(static_cast<int>(whole.size() - tail.size()), whole.data());
            checked = tail == " checked";
            return true;
        }
    }
    return false;
}

constexpr const char* kNoObject = "No object sculptured yet so no object can be rendered.";

}  // namespace

void ThreeD::buildMenus() {
    GuiMenu& file = addMenu("File", "Make file operations (ALT key + f).");
    file.addItem(text("New Project"), text("Start a new project."), text("No project started yet."));
    file.addItem(text("Load Project..."), text("Load an existing project."));
    file.addItem(text("Save Project..."), text("Save the current project."),
                 text("No project started which could be saved."));
    file.addSeparator();
    file.addItem(text("Save 3d Object..."), text("Save the final 3d object to file."),
                 text("No object created which could be saved."));
    file.addSeparator();
    file.addItem(text("Quit"), text("Quit Plastora."));

    GuiMenu& view = addMenu("View",
                            "Change view properties like rendering\\don'rendering elements,\nchaning quality, colors, "
                            "materials or other view properties (ALT key + v).");
    view.addItem(text("Default Settings"), text("Change back to the default view settings."));
    view.addSeparator();
    view.addItem(text("Animation Time..."),
                 text("Change the speed of the animations by changing the time how long\none animation needs. As a pro "
                      "you may turn off the animations for having no latency."));
    view.addItem(text("Background Color..."), text("Change the background color of Plastora."));
    addCommonViewItems(view);
    view.addSeparator();
    view.addCheckItem(text("Render Plane"), text("Check if the plane should be rendered."));
    view.addCheckItem(text("Render Cube"), text("Check if the cube should be rendered."));
    view.addCheckItem(text("Render Degrees"), text("Check if the degrees should be rendered."));
    view.addCheckItem(text("Render Coordinate System"),
                      text("Check if the coordinate system on the bottom, right of the window should be rendered."));
    view.addSeparator();
    view.addItem(text("Image Transparency..."), text("Change the transparency of the image (Key i)."));
    view.addSeparator();
    view.addItem(text("Border Quality..."),
                 text("Change the quality of the borders of the images.\nChanging the quality effects the performance "
                      "of the application. The better the quality\nthe more the application will calculate. Changing "
                      "the quality of the borders does not\neffect the mesh creation itself. It is only a view concern "
                      "(Key b)."));
    view.addItem(text("Border Transparency..."), text("Change the transparency of the borders of the images (Key b)."));
    view.addItem(text("Border Lines Color..."), text("Change the color of the lines of the borders (Key b)."));
    view.addSeparator();
    view.addCheckItem(text("Render Collision Lines"), text("Check if the collision lines should be rendered (Key F1)."));
    view.addCheckItem(text("Render Collision Lines Back"),
                      text("Check if the collision lines on the back should be rendered."),
                      text("Collision lines do not get rendered so no need for checking that collision lines on the "
                           "back should be rendered."));
    view.addCheckItem(text("Collision Lines With Borders"), text("Check if collision lines should collide with borders."),
                      text("Check if collision lines should collide with borders.\nThe collision lines should be "
                           "rendered otherwise checking this has no effect."));
    view.addCheckItem(text("Collision Lines With Object"),
                      text("Check if collision lines should collide with the 3d object.\nNote this is on some computers "
                           "quite slow so if you encounter performance problems uncheck this.\n"),
                      text("Check if collision lines should collide with the 3d object.\nNote this is on some computers "
                           "quite slow so if you encounter performance problems uncheck this.\nThe collision lines "
                           "should be rendered otherwise checking this has no effect."));
    view.addItem(text("Collision Lines Color..."), text("Change the color of the collision lines."),
                 text("Collision lines do not get rendered so no need for changing the color of the collision lines."));
    view.addSeparator();
    view.addCheckItem(text("Render Decals"),
                      text("Check if decals should be rendered. Decals are images glued\neither to the borders of the "
                           "images or to the 3d object itself. This helps a lot giving a good impression\nhow the "
                           "objects will look like (Key F2)."));
    view.addCheckItem(text("Decals On Borders"), text("Check if decals should be glued onto the borders of the images."),
                      text("No decals get rendered so no decal can be glued onto the borders."));
    view.addCheckItem(text("Decals On Object"),
                      text("Check if decals should be glued onto the 3d object.\nNote that this can be quite slow. If "
                           "you encounter performance problems uncheck this."),
                      text("No decals get rendered so no decal can be glued onto  the mesh."));
    view.addItem(text("Decals Quality..."),
                 text("Change the quality of the decals. The better the quality the more the\napplication has to do so "
                      "if you encounter performance problems decrease the quality.\nNote that this is only a view "
                      "concern so this does not effect the 3d object creation or the texturizing."),
                 text("No decals get rendered so the quality of the decals cannot be changed."));
    view.addSeparator();
    view.addCheckItem(text("Render Object"), text("Check if the created object should be rendered (Key F3)."),
                      text(kNoObject));
    view.addCheckItem(text("Render Object In Wireframe"),
                      text("Check if the object should be rendered in wireframe (Key F4)."),
                      text("No object sculptured so the object cannot be rendered at all."));
    view.addCheckItem(text("Render Object With Texture"),
                      text("Check if the object should be rendered with the texture (Key F5)."),
                      text("No texture sculptured so the object cannot be rendered at all."));
    view.addItem(text("Material Of Object..."), text("Change the material of the object."),
                 text("No texture sculptured so the object cannot be rendered at all."));
    view.addItem(text("Object Info"), text("Get information about the 3d object."),
                 text("No object sculptured yet so no object info is available."));
    for (const char* label :
         {"Render Object", "Render Object In Wireframe", "Render Object With Texture", "Material Of Object...", "Object Info"})
        view.setItemEnabled(text(label), false);
    addInfoMenu();
    finishMenus();
}

void ThreeD::menuOpening(GuiMenu& menu) {
    const Settings& settings = workspace().settings();
    if (menu.name().equals("File")) {
        const bool loaded = twoD_.images().imageCount() > 0;
        menu.setItemEnabled(text("New Project"), loaded);
        menu.setItemEnabled(text("Save Project..."), loaded);
        menu.setItemEnabled(text("Save 3d Object..."), true);
        return;
    }
    if (!menu.name().equals("View")) return;
    const bool lines = settings.viewcollisionlines;
    menu.setItemChecked(text("Render Collision Lines"), lines);
    menu.setItemChecked(text("Render Collision Lines Back"), settings.collisionlinesbordertransp);
    menu.setItemChecked(text("Render Coordinate System"), settings.viewcoordinatesystem);
    menu.setItemChecked(text("Collision Lines With Borders"), settings.collisionlineswithclippings);
    menu.setItemChecked(text("Collision Lines With Object"), settings.collisionlineswithobject);
    menu.setItemEnabled(text("Collision Lines With Borders"), lines);
    menu.setItemEnabled(text("Render Collision Lines Back"), lines);
    menu.setItemEnabled(text("Collision Lines Color..."), lines);
    // Colliding with the object also needs a shown sculpted object.
    menu.setItemEnabled(text("Collision Lines With Object"), lines && hasSculptedObject());
    refreshObjectItems(menu);
    const bool decals = settings.viewdecals;
    menu.setItemChecked(text("Render Decals"), decals);
    menu.setItemChecked(text("Decals On Borders"), settings.decalsonclippings);
    menu.setItemChecked(text("Decals On Object"), settings.decalsonobject);
    for (const char* label : {"Decals On Borders", "Decals On Object", "Decals Quality..."})
        menu.setItemEnabled(text(label), decals);
}

void ThreeD::setFlagFromMenu(const String& label, bool checked) {
    Settings& settings = workspace().settings();
    struct Flag {
        const char* label;
        bool Settings::*flag;
        bool recompute;
    };
    const Flag flags[] = {
        {"Render Plane", &Settings::renderplane, false},
        {"Render Cube", &Settings::rendercube, false},
        {"Render Degrees", &Settings::renderdegs, false},
        {"Render Coordinate System", &Settings::viewcoordinatesystem, false},
        {"Render Collision Lines", &Settings::viewcollisionlines, true},
        {"Render Collision Lines Back", &Settings::collisionlinesbordertransp, true},
        {"Collision Lines With Borders", &Settings::collisionlineswithclippings, true},
        {"Collision Lines With Object", &Settings::collisionlineswithobject, true},
        {"Render Decals", &Settings::viewdecals, true},
        {"Decals On Borders", &Settings::decalsonclippings, true},
        {"Decals On Object", &Settings::decalsonobject, true},
    };
    for (const Flag& item : flags) {
        if (!label.equals(item.label)) continue;
        settings.*(item.flag) = checked;
        setItemChecked(text("View"), label, checked);
        if (viewObjects_) viewObjects_->applySettings(settings);
        if (item.recompute) takeLook();
        return;
    }
}

bool ThreeD::viewCommand(const String& command) {
    String label;
    bool checked = false;
    if (splitCheck(command, label, checked)) {
        if (objectViewCommand(label, checked)) return true;
        setFlagFromMenu(label, checked);
        return true;
    }
    if (command.equals("Image Transparency...")) {
        showRubric(TransformRubric::View);
        panels_->showViewPage(ViewPage::Front);
        return true;
    }
    if (command.equals("Border Quality...") || command.equals("Border Transparency...") ||
        command.equals("Decals Quality...")) {
        showRubric(TransformRubric::View);
        panels_->showViewPage(ViewPage::Side);
        return true;
    }
    if (command.equals("Border Lines Color...")) {
        chooseLineColour(true);
        return true;
    }
    if (command.equals("Collision Lines Color...")) {
        ColourBytes& colour = workspace().settings().collisionlinesbordercol;
        std::optional<Rgb> chosen;
        {
            ShownSystemCursor shown(workspace().systemCursor());
            chosen = workspace().dialogs().chooseColour(Rgb{colour.red, colour.green, colour.blue});
        }
        workspace().clearKeyTable();
        if (chosen) {
            colour = ColourBytes{chosen->red, chosen->green, chosen->blue};
            takeLook();
        }
        return true;
    }
    if (command.equals("Material Of Object...")) {
        showRubric(TransformRubric::View);
        panels_->showViewPage(ViewPage::Mesh);
        return true;
    }
    if (command.equals("Object Info")) {
        showObjectInfo();
        return true;
    }
    if (command.equals("All clippings")) return viewAll() || true;
    if (command.equals("No clipping")) return viewNone() || true;
    if (command.equals("Only selected clipping")) return viewOnlySelected() || true;
    if (command.equals("Not selected clipping")) return viewNotSelected() || true;
    return false;
}

bool ThreeD::onMenuCommand(const String& command) {
    // Refused while an image flies to or from its place.
    if (command.equals("New Project") || command.equals("Load Project...") || command.equals("Animation Time...")) {
        if (animatingRefusal()) return true;
    }
    if (command.equals("Animation Time...")) {
        showAnimationTimePanel();
        return true;
    }
    if (viewCommand(command)) return true;
    return twoD_.runSharedCommand(command, *this);
}
