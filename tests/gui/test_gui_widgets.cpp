// Widgets: the click rule, edge-inclusive hit tests, listener order, pointer
// states, help texts of the enabled and disabled states, and what each
// widget draws.
#include "gui/gui_button.h"
#include "gui/gui_checkbox.h"
#include "gui/gui_container.h"
#include "gui/gui_image.h"
#include "gui/gui_label.h"
#include "gui/gui_progressbar.h"
#include "gui/gui_radiobutton.h"
#include "gui_fixture.h"

#include <cmath>
#include <string>

namespace {

constexpr InputIdentifier kLeft = InputIdentifier::MouseButton0;

struct ButtonLog : GuiButtonListener {
    std::string tag;
    std::vector<std::string>* log = nullptr;
    void note(const char* what) { log->push_back(tag + what); }
    void entered(GuiButton*) override { note("entered"); }
    void over(GuiButton*) override { note("over"); }
    void released(GuiButton*) override { note("released"); }
    void exited(GuiButton*) override { note("exited"); }
    void pressed(GuiButton*) override { note("pressed"); }
};

struct CheckLog : GuiCheckboxListener {
    int checks = 0, unchecks = 0;
    void checked(GuiCheckbox*) override { ++checks; }
    void unchecked(GuiCheckbox*) override { ++unchecks; }
};

struct RadioLog : GuiRadiobuttonListener {
    int selections = 0;
    void selected(GuiRadiobutton*) override { ++selections; }
};

struct ImageLog : GuiImageListener {
    int clicks = 0;
    void clicked(GuiImage*) override { ++clicks; }
};

class WidgetTest : public GuiFixture {
protected:
    // A click as the application delivers it: hover, press, hover, release.
    template <typename Widget>
    void click(Widget& widget, float pressX, float pressY, float releaseX, float releaseY) {
        widget.hover(pressX, pressY);
        widget.mousePressed(kLeft, pressX, pressY);
        widget.hover(releaseX, releaseY);
        widget.mouseReleased(kLeft, releaseX, releaseY);
    }
    std::vector<std::string> log;
};

TEST_F(WidgetTest, ButtonClickNeedsPressAndReleaseInside) {
    GuiButton button(String("OK"));
    button.setRect(10, 10, 110, 40);
    ButtonLog first, second;
    first.tag = "1:";
    second.tag = "2:";
    first.log = second.log = &log;
    button.addListener(&first);
    button.addListener(&second);

    click(button, 50, 20, 60, 25);
    EXPECT_EQ(log, (std::vector<std::string>{"1:entered", "2:entered", "1:over", "2:over", "1:pressed", "2:pressed",
                                             "1:over", "2:over", "1:released", "2:released"}));
    EXPECT_FALSE(button.isPressed());

    // Press inside, release outside: nothing is released, pressed stays set
    // until a hover outside.
    log.clear();
    button.hover(50, 20);
    EXPECT_TRUE(button.mousePressed(kLeft, 50, 20));
    EXPECT_FALSE(button.mouseReleased(kLeft, 200, 200));
    EXPECT_TRUE(button.isPressed());
    button.hover(200, 200);
    EXPECT_FALSE(button.isPressed());
    EXPECT_EQ(std::count(log.begin(), log.end(), "1:released"), 0);

    // Press elsewhere, release inside: no click either.
    log.clear();
    button.hover(50, 20);
    EXPECT_TRUE(button.mouseReleased(kLeft, 50, 20));
    EXPECT_EQ(std::count(log.begin(), log.end(), "1:released"), 0);
}

TEST_F(WidgetTest, HitTestsIncludeEveryEdge) {
    GuiButton button(String("Edge"));
    button.setBounds(10, 20, 40, 110);  // left, top, bottom, right
    EXPECT_TRUE(button.hitTest(110, 40));
    EXPECT_TRUE(button.hitTest(10, 20));
    EXPECT_FALSE(button.hitTest(110.5f, 40));
    EXPECT_FALSE(button.hitTest(50, 40.5f));
    EXPECT_FALSE(button.hitTest(9.5f, 30));

    EXPECT_TRUE(button.hover(110, 40));
    EXPECT_TRUE(button.mousePressed(kLeft, 110, 40));
    button.setVisible(false);
    EXPECT_FALSE(button.hitTest(50, 30));
}

TEST_F(WidgetTest, PointerStatesFollowOverAndPressed) {
    GuiButton button(String("P"));
    button.hover(5, 5);
    EXPECT_EQ(pointer.last(), kPointerOver);
    button.mousePressed(kLeft, 5, 5);
    EXPECT_EQ(pointer.last(), kPointerPressed);
    button.hover(6, 6);
    EXPECT_EQ(pointer.last(), kPointerPressed);

    pointer.kinds.clear();
    button.resetState();
    button.setEnabled(false);
    EXPECT_TRUE(button.hover(5, 5));
    EXPECT_FALSE(button.mousePressed(kLeft, 5, 5));
    EXPECT_TRUE(pointer.kinds.empty());
}

TEST_F(WidgetTest, DisablingSwitchesTheHelpTextShownAtTheNextHover) {
    GuiContainer root;
    auto* button = new GuiButton(String("Save"));
    button->setHelpText(String("Saves the project"));
    button->setDisabledHelpText(String("Nothing to save"));
    root.add(button);
    root.hover(10, 10);
    EXPECT_STREQ(HelpBox::instance().text().text(), "Saves the project");
    button->setEnabled(false);
    root.hover(11, 10);
    EXPECT_STREQ(HelpBox::instance().text().text(), "Nothing to save");
    button->setEnabled(true);
    EXPECT_STREQ(button->helpText().text(), "Saves the project");
}

TEST_F(WidgetTest, CheckboxTogglesOnClicksOnly) {
    GuiCheckbox box(String("data/gui/general/checkbox"));
    box.setRect(0, 0, 20, 20);
    CheckLog listener;
    box.addListener(&listener);
    click(box, 10, 10, 10, 10);
    EXPECT_TRUE(box.isChecked());
    click(box, 10, 10, 20, 20);
    EXPECT_FALSE(box.isChecked());
    EXPECT_EQ(listener.checks, 1);
    EXPECT_EQ(listener.unchecks, 1);

    click(box, 10, 10, 30, 30);  // released outside
    EXPECT_FALSE(box.isChecked());
    EXPECT_EQ(listener.checks + listener.unchecks, 2);

    box.setChecked(true);  // silent
    EXPECT_EQ(listener.checks, 1);
}

TEST_F(WidgetTest, RadiobuttonSelectsAndStopsOfferingItself) {
    GuiRadiobutton radio(String("data/gui/twod/general"));
    RadioLog listener;
    radio.addListener(&listener);
    click(radio, 5, 5, 5, 5);
    EXPECT_TRUE(radio.isSelected());
    EXPECT_EQ(listener.selections, 1);
    radio.hover(6, 6);
    EXPECT_EQ(pointer.last(), kPointerNormal);
    radio.setSelected(false);
    radio.hover(7, 7);
    EXPECT_EQ(pointer.last(), kPointerOver);
}

TEST_F(WidgetTest, ImageIsClickableOnlyWithListeners) {
    GuiImage image(String("data/gui/general/backgrounds/pixel.dds"));
    ASSERT_NE(image.texture(), nullptr);
    image.hover(5, 5);
    EXPECT_FALSE(image.mousePressed(kLeft, 5, 5));
    ImageLog listener;
    image.addListener(&listener);
    click(image, 5, 5, 5, 5);
    click(image, 5, 5, 500, 5);
    EXPECT_EQ(listener.clicks, 1);
    EXPECT_EQ(quadsDrawn([&] { image.render(); }), 1);
}

TEST_F(WidgetTest, ArtButtonDrawsItsStateAndNothingForAMissingState) {
    GuiButton button(GuiArt::fromFolder(String("data/gui/general/close")));  // has no disabled.dds
    ASSERT_TRUE(button.hasArt());
    EXPECT_EQ(button.art().disabled, nullptr);
    EXPECT_EQ(quadsDrawn([&] { button.render(); }), 1);
    button.hover(5, 5);
    button.mousePressed(kLeft, 5, 5);
    EXPECT_EQ(button.state(), ArtState::Pressed);
    EXPECT_EQ(quadsDrawn([&] { button.render(); }), 1);
    button.setEnabled(false);
    EXPECT_EQ(quadsDrawn([&] { button.render(); }), 0);

    GuiButton missing(GuiArt::fromFolder(String("data/gui/no/such/folder")));
    EXPECT_FALSE(missing.hasArt());
}

TEST_F(WidgetTest, ShortcutLabelFollowsTheGlobalSwitchAndTheEnabledFlag) {
    GuiButton button(GuiArt::fromFolder(String("data/gui/twod/general")));
    button.setRect(100, 100, 220, 130);
    button.setShortcutLabel(String("Q"), 4, 2);
    ASSERT_NE(button.shortcutLabel(), nullptr);
    EXPECT_EQ(button.shortcutLabel()->left(), 104);
    EXPECT_EQ(button.shortcutLabel()->bottom(), 152);
    button.setRect(0, 0, 10, 10);
    EXPECT_EQ(button.shortcutLabel()->top(), 2);

    const int64_t withLabel = quadsDrawn([&] { button.render(); });
    EXPECT_EQ(withLabel, 2);  // the art and one glyph
    guiContext().renderKeyShortcuts = false;
    EXPECT_EQ(quadsDrawn([&] { button.render(); }), 1);
    guiContext().renderKeyShortcuts = true;
    button.setShowShortcut(false);
    EXPECT_EQ(quadsDrawn([&] { button.render(); }), 1);
}

TEST_F(WidgetTest, ProgressbarClampsAndDrawsBarAndTexts) {
    GuiProgressbar bar;
    EXPECT_STREQ(bar.caption().text(), "Nothing");
    bar.setPercentage(42.5f);
    EXPECT_STREQ(bar.percentText().text(), "42.50 %");
    bar.setPercentage(-3.0f);
    EXPECT_EQ(bar.percentage(), 0.0f);
    bar.setPercentage(250.0f);
    EXPECT_EQ(bar.percentage(), 100.0f);
    bar.setPercentage(std::nanf(""));
    EXPECT_EQ(bar.percentage(), 0.0f);

    bar.setFloatRect(10, 10, 310, 58);
    bar.setPercentage(50.0f);
    bar.setCaption(String("ab"));
    // Background, fill, "50.00 %" (6 glyphs, the space draws nothing), "ab".
    EXPECT_EQ(quadsDrawn([&] { bar.render(); }), 2 + 6 + 2);
    bar.setHidden(true);
    EXPECT_EQ(quadsDrawn([&] { bar.render(); }), 0);
}

TEST_F(WidgetTest, LabelDrawsItsTextWhenVisible) {
    GuiLabel label(String("abc"));
    label.setRect(0, 0, 200, 40);
    EXPECT_EQ(quadsDrawn([&] { label.render(); }), 3);
    label.setVisible(false);
    EXPECT_EQ(quadsDrawn([&] { label.render(); }), 0);
}

}  // namespace
