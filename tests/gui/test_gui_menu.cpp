// The menu family: the texts chosen items send, the capture an open menu
// holds, closing after a choice, and the label operations of the menu bar.
#include "gui/gui_menu.h"
#include "gui_fixture.h"

#include <string>
#include <vector>

namespace {

constexpr InputIdentifier kLeft = InputIdentifier::MouseButton0;

struct Commands : GuiMenuListener {
    std::vector<std::string> texts;
    std::vector<std::string> opened;
    // What the owner's refresh rule does when "File" opens.
    bool disableNewProjectOnOpening = false;
    void command(const String& text) override { texts.push_back(text.str()); }
    void opening(GuiMenu& menu) override {
        opened.push_back(menu.name().str());
        if (disableNewProjectOnOpening) menu.setItemEnabled(String("New Project"), false);
    }
};

// A component beside the menu bar that counts the presses it receives.
struct PressCounter : GuiComponent {
    PressCounter() : GuiComponent(String("Counter")) { setRect(600, 300, 700, 400); }
    int presses = 0;
    bool mousePressed(InputIdentifier, float, float) override {
        ++presses;
        return true;
    }
};

class MenuTest : public GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        bar = new GuiMenu(String("Menu bar"), true);
        file = new GuiButtonMenu(String("File"));
        file->menu().addItem(String("New Project"), String("Start a new project."), String("No project started yet."));
        file->menu().addSeparator();
        file->menu().addItem(String("Quit"), String("Quit Plastora."));
        view = new GuiButtonMenu(String("View"));
        view->menu().addCheckItem(String("Render Mask"), String("Check if the mask should be drawn (Key F1)."));
        bar->addMenu(file);
        bar->addMenu(view);
        bar->setMenuListener(&commands);
        bar->layoutBar(0, 0, 800, 28);
        root.setRect(0, 0, 1024, 768);
        root.addContainer(bar);
        root.add(counter);
    }

    // Moves the pointer to the middle of `component` and clicks there.
    void clickOn(const GuiComponent& component) {
        const float x = static_cast<float>(component.left() + component.right()) / 2.0f;
        const float y = static_cast<float>(component.top() + component.bottom()) / 2.0f;
        root.hover(x, y);
        root.mousePressed(kLeft, x, y);
        root.mouseReleased(kLeft, x, y);
    }

    Commands commands;
    GuiContainer root;
    GuiMenu* bar = nullptr;
    GuiButtonMenu* file = nullptr;
    GuiButtonMenu* view = nullptr;
    PressCounter* counter = new PressCounter();
};

TEST_F(MenuTest, ChosenItemsSendTheirLabelAndCheckItemsTheirNewState) {
    clickOn(*file);
    ASSERT_TRUE(file->isOpen());
    clickOn(*file->menu().item(String("New Project")));
    EXPECT_FALSE(file->isOpen());

    for (int i = 0; i < 2; ++i) {
        clickOn(*view);
        ASSERT_TRUE(view->isOpen());
        clickOn(*view->menu().item(String("Render Mask")));
    }
    EXPECT_EQ(commands.texts,
              (std::vector<std::string>{"New Project", "Render Mask checked", "Render Mask unchecked"}));
    EXPECT_FALSE(view->menu().isItemChecked(String("Render Mask")));
}

TEST_F(MenuTest, AnOpenMenuHoldsTheCaptureAndAPressElsewhereOnlyClosesIt) {
    clickOn(*file);
    ASSERT_TRUE(file->isOpen());
    EXPECT_EQ(bar->capture(), file);
    EXPECT_EQ(bar->openMenu(), file);
    EXPECT_TRUE(file->panel().isVisible());
    EXPECT_GT(file->panel().top(), file->top());

    EXPECT_EQ(root.capture(), bar);

    // A press on the counter beside the bar reaches the open menu alone,
    // which closes and gives every capture back.
    counter->presses = 0;
    root.hover(650, 350);
    root.mousePressed(kLeft, 650, 350);
    EXPECT_FALSE(file->isOpen());
    EXPECT_EQ(bar->capture(), nullptr);
    EXPECT_EQ(root.capture(), nullptr);
    EXPECT_EQ(counter->presses, 0);
    root.mousePressed(kLeft, 650, 350);
    EXPECT_EQ(counter->presses, 1);
    EXPECT_TRUE(commands.texts.empty());

    // Opening another title closes the first; a choice releases the capture
    // and clears the items' states.
    clickOn(*file);
    view->open();
    EXPECT_FALSE(file->isOpen());
    EXPECT_TRUE(view->isOpen());
    GuiComponent* item = view->menu().item(String("Render Mask"));
    clickOn(*item);
    EXPECT_EQ(bar->capture(), nullptr);
    EXPECT_FALSE(item->isOver());
    EXPECT_FALSE(item->isPressed());
}

TEST_F(MenuTest, HoveringAnItemOfAnOpenMenuShowsItsHelpText) {
    clickOn(*file);
    GuiComponent* item = file->menu().item(String("Quit"));
    const float x = static_cast<float>(item->left() + 10);
    const float y = static_cast<float>(item->top() + 5);
    EXPECT_TRUE(root.hover(x, y));
    EXPECT_EQ(HelpBox::instance().text().str(), "Quit Plastora.");
}

TEST_F(MenuTest, LabelOperationsFindItemsByLabelAndIgnoreUnknownLabels) {
    GuiMenu* found = bar->findMenu(String("View"));
    ASSERT_EQ(found, &view->menu());
    EXPECT_EQ(bar->findMenu(String("Edit")), nullptr);

    found->setItemChecked(String("Render Mask"), true);
    EXPECT_TRUE(found->isItemChecked(String("Render Mask")));
    EXPECT_TRUE(commands.texts.empty());  // no listener call
    found->setItemChecked(String("Render Plane"), true);
    found->setItemEnabled(String("Render Plane"), false);

    GuiMenu& fileMenu = file->menu();
    fileMenu.setItemEnabled(String("New Project"), false);
    GuiComponent* item = fileMenu.item(String("New Project"));
    EXPECT_FALSE(item->isEnabled());
    EXPECT_EQ(item->helpText().str(), "No project started yet.");
    fileMenu.setItemHelpTexts(String("New Project"), String("Begin anew."), String("Nothing to begin."));
    EXPECT_EQ(item->helpText().str(), "Nothing to begin.");
    fileMenu.setItemEnabled(String("New Project"), true);
    EXPECT_EQ(item->helpText().str(), "Begin anew.");

    // A disabled item sends nothing and leaves the menu open.
    fileMenu.setItemEnabled(String("Quit"), false);
    clickOn(*file);
    clickOn(*fileMenu.item(String("Quit")));
    EXPECT_TRUE(commands.texts.empty());
    EXPECT_TRUE(file->isOpen());
}

TEST_F(MenuTest, TheOwnerRefreshesAMenuBeforeItShows) {
    commands.disableNewProjectOnOpening = true;
    clickOn(*file);
    ASSERT_TRUE(file->isOpen());
    EXPECT_EQ(commands.opened, std::vector<std::string>{"File"});
    EXPECT_FALSE(file->menu().item(String("New Project"))->isEnabled());
}

TEST_F(MenuTest, KeysMoveTheHighlightOverEnabledItemsAndChooseIt) {
    GuiMenu& fileMenu = file->menu();
    fileMenu.addItem(String("Save 3d Object..."), String("Save the final 3d object to file."));
    // Opening by name highlights the first enabled item.
    fileMenu.setItemEnabled(String("New Project"), false);
    ASSERT_TRUE(bar->openMenuNamed(String("File")));
    EXPECT_EQ(fileMenu.highlighted(), fileMenu.item(String("Quit")));

    struct Step {
        int step;
        const char* expected;
    };
    // Down and up skip the disabled item and the separator and wrap around.
    const Step steps[] = {{+1, "Save 3d Object..."}, {+1, "Quit"}, {-1, "Save 3d Object..."}, {-1, "Quit"}};
    for (const Step& step : steps) {
        ASSERT_TRUE(fileMenu.moveHighlight(step.step));
        EXPECT_EQ(fileMenu.highlighted()->name().str(), step.expected) << step.step;
    }

    // A disabled item cannot be chosen; the highlighted one can.
    EXPECT_FALSE(fileMenu.choose(fileMenu.item(String("New Project"))));
    EXPECT_TRUE(fileMenu.choose(fileMenu.highlighted()));
    EXPECT_EQ(commands.texts, std::vector<std::string>{"Quit"});
    EXPECT_FALSE(file->isOpen());

    // Check items toggle; left and right open the neighbouring menus.
    ASSERT_TRUE(bar->openMenuNamed(String("View")));
    EXPECT_TRUE(view->menu().choose(view->menu().highlighted()));
    EXPECT_EQ(commands.texts.back(), "Render Mask checked");
    ASSERT_TRUE(bar->openMenuNamed(String("View")));
    EXPECT_TRUE(bar->openNeighbour(+1));
    EXPECT_TRUE(file->isOpen());
    EXPECT_TRUE(bar->openNeighbour(-1));
    EXPECT_TRUE(view->isOpen());
    EXPECT_FALSE(bar->openMenuNamed(String("Edit")));
}

}  // namespace
