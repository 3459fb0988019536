// Event routing through containers: order, gates, capture, wheel, hover and
// help texts, ownership, and children removed while an event is handed out.
#include "gui/gui_container.h"
#include "gui/gui_label.h"
#include "gui_fixture.h"

#include <functional>
#include <string>

namespace {

using Log = std::vector<std::string>;

// A component that writes every event it receives into a shared log.
class Probe : public GuiComponent {
public:
    Probe(const char* tag, Log& log, int* deaths = nullptr) : GuiComponent(String(tag)), tag_(tag), log_(log), deaths_(deaths) {}
    ~Probe() override {
        if (deaths_ != nullptr) ++*deaths_;
    }

    bool takes = false;      // result of every event
    bool isUnder = false;    // result of hover
    std::function<void()> onPress;

    bool mousePressed(InputIdentifier, float, float) override { return note("press"); }
    bool mouseDoubleClicked() override { return note("double"); }
    bool mouseMoved(float, float) override { return note("move"); }
    bool mouseReleased(InputIdentifier, float, float) override { return note("release"); }
    bool mouseWheel(int) override { return note("wheel"); }
    bool hover(float, float) override {
        log_.push_back(tag_ + ":hover");
        return isUnder;
    }
    void resetState() override { log_.push_back(tag_ + ":reset"); }

private:
    bool note(const char* event) {
        log_.push_back(tag_ + ":" + event);
        if (onPress && std::string(event) == "press") onPress();
        return takes;
    }
    std::string tag_;
    Log& log_;
    int* deaths_;
};

constexpr InputIdentifier kLeft = InputIdentifier::MouseButton0;

class RoutingTest : public GuiFixture {
protected:
    // Root with a1, a2 (owned), s (shared) and sub-container c holding c1.
    void build() {
        a1 = new Probe("a1", log);
        a2 = new Probe("a2", log);
        sub = new GuiContainer();
        c1 = new Probe("c1", log);
        ASSERT_TRUE(root.add(a1));
        ASSERT_TRUE(root.add(a2));
        ASSERT_TRUE(root.addShared(&shared));
        ASSERT_TRUE(root.addContainer(sub));
        ASSERT_TRUE(sub->add(c1));
    }

    Log log;
    Probe shared{"s", log};
    GuiContainer root;
    Probe* a1 = nullptr;
    Probe* a2 = nullptr;
    GuiContainer* sub = nullptr;
    Probe* c1 = nullptr;
};

TEST_F(RoutingTest, PointerEventsReachEveryChildInListOrderEvenAfterOneHandledThem) {
    build();
    a1->takes = true;
    EXPECT_TRUE(root.mousePressed(kLeft, 5, 5));
    EXPECT_EQ(log, (Log{"a1:press", "a2:press", "s:press", "c1:press"}));

    log.clear();
    EXPECT_TRUE(root.mouseReleased(kLeft, 5, 5));
    EXPECT_TRUE(root.mouseMoved(5, 5));
    EXPECT_TRUE(root.mouseDoubleClicked());
    EXPECT_EQ(log.size(), 12u);

    a1->takes = false;
    log.clear();
    EXPECT_FALSE(root.mousePressed(kLeft, 5, 5));
    EXPECT_EQ(log.size(), 4u);
}

TEST_F(RoutingTest, HiddenOrDisabledContainerPassesNothingOnButResetsItsChildren) {
    build();
    a1->takes = true;
    root.setVisible(false);
    EXPECT_FALSE(root.mousePressed(kLeft, 5, 5));
    EXPECT_FALSE(root.mouseWheel(120));
    EXPECT_FALSE(root.hover(5, 5));
    root.setVisible(true);
    root.setEnabled(false);
    EXPECT_FALSE(root.mouseReleased(kLeft, 5, 5));
    EXPECT_TRUE(log.empty());

    root.setVisible(false);
    root.resetState();
    EXPECT_EQ(log, (Log{"a1:reset", "a2:reset", "s:reset", "c1:reset"}));
}

TEST_F(RoutingTest, CapturedChildAloneReceivesEventsUntilReleased) {
    build();
    ASSERT_TRUE(root.setCapture(a2));
    root.mousePressed(kLeft, 900, 700);  // far from everything
    root.mouseWheel(-120);
    root.hover(900, 700);
    EXPECT_EQ(log, (Log{"a2:press", "a2:wheel", "a2:hover"}));

    Probe stranger("x", log);
    EXPECT_FALSE(root.setCapture(&stranger));
    EXPECT_EQ(root.capture(), a2);

    ASSERT_TRUE(root.setCapture(nullptr));
    log.clear();
    root.mousePressed(kLeft, 900, 700);
    EXPECT_EQ(log.size(), 4u);
}

TEST_F(RoutingTest, RemovingTheCapturedChildReleasesTheCapture) {
    build();
    ASSERT_TRUE(root.setCapture(a1));
    ASSERT_TRUE(root.destroy(a1));
    EXPECT_EQ(root.capture(), nullptr);
    root.mousePressed(kLeft, 1, 1);
    EXPECT_EQ(log, (Log{"a2:press", "s:press", "c1:press"}));
}

TEST_F(RoutingTest, WheelStopsAtTheFirstTaker) {
    build();
    a1->takes = true;
    a2->takes = true;
    EXPECT_TRUE(root.mouseWheel(120));
    EXPECT_EQ(log, (Log{"a1:wheel"}));

    a1->takes = a2->takes = false;
    c1->takes = true;
    log.clear();
    EXPECT_TRUE(root.mouseWheel(-120));
    EXPECT_EQ(log, (Log{"a1:wheel", "a2:wheel", "s:wheel", "c1:wheel"}));

    c1->takes = false;
    EXPECT_FALSE(root.mouseWheel(-120));
}

TEST_F(RoutingTest, HoverShowsTheLastHelpTextUnderThePointer) {
    build();
    a1->isUnder = true;
    a1->setHelpText(String("first"));
    c1->isUnder = true;
    c1->setHelpText(String("last"));
    EXPECT_TRUE(root.hover(300, 200));
    EXPECT_STREQ(root.helpText().text(), "last");
    EXPECT_TRUE(HelpBox::instance().isVisible());
    EXPECT_STREQ(HelpBox::instance().text().text(), "last");
    EXPECT_FLOAT_EQ(HelpBox::instance().anchorX(), 300 + HelpBox::kAnchorOffsetX);

    a1->isUnder = c1->isUnder = false;
    EXPECT_FALSE(root.hover(300, 200));
}

TEST_F(RoutingTest, AddRefusesDuplicatesAndAdoptedChildren) {
    build();
    EXPECT_FALSE(root.add(a1));
    EXPECT_FALSE(sub->add(a1));  // already owned by root
    EXPECT_EQ(a1->parent(), &root);
    EXPECT_FALSE(root.add(nullptr));
    EXPECT_FALSE(root.addContainer(sub));
    EXPECT_FALSE(root.add(&root));
    EXPECT_FALSE(root.addShared(&shared));
    EXPECT_TRUE(sub->addShared(&shared));  // shared lists only refuse their own duplicates
    EXPECT_EQ(shared.parent(), nullptr);
    EXPECT_EQ(root.components().size(), 2u);
}

TEST_F(RoutingTest, DestructorDeletesOwnedChildrenButNotSharedOnes) {
    int deaths = 0;
    Probe keeper("k", log, &deaths);
    {
        GuiContainer box;
        auto* inner = new GuiContainer();
        box.add(new Probe("o", log, &deaths));
        box.addContainer(inner);
        inner->add(new Probe("i", log, &deaths));
        box.addShared(&keeper);
    }
    EXPECT_EQ(deaths, 2);

    GuiContainer other;
    auto* loose = new Probe("l", log, &deaths);
    other.add(loose);
    ASSERT_TRUE(other.release(loose));
    EXPECT_EQ(loose->parent(), nullptr);
    EXPECT_TRUE(GuiContainer().add(loose));  // adopted again, deleted with that container
    EXPECT_EQ(deaths, 3);
}

TEST_F(RoutingTest, ChildRemovedDuringAnEventIsSkippedAndDeletedAfterwards) {
    int deaths = 0;
    auto* victim = new Probe("v", log, &deaths);
    auto* killer = new Probe("k", log);
    root.add(killer);
    root.add(victim);
    killer->onPress = [&] { EXPECT_TRUE(root.destroy(victim)); };
    root.mousePressed(kLeft, 1, 1);
    EXPECT_EQ(log, (Log{"k:press"}));
    EXPECT_EQ(deaths, 1);
    EXPECT_EQ(root.components().size(), 1u);

    killer->onPress = nullptr;
    log.clear();
    root.mousePressed(kLeft, 1, 1);  // no trace of the removed child remains
    EXPECT_EQ(log, (Log{"k:press"}));
}

TEST_F(RoutingTest, HitTestFindsVisibleChildrenOnly) {
    auto* label = new GuiLabel(String("x"));
    label->setRect(10, 10, 50, 30);
    root.add(label);
    // Plain labels are not hit; hit testing follows the widgets' own rule.
    EXPECT_FALSE(root.hitTest(20, 20));
    root.setRect(0, 0, 100, 100);
    root.setBackground(textures->load(String((testsupport::appDir() + "/data/gui/general/menu/menuback.dds").c_str())));
    ASSERT_NE(root.background(), nullptr);
    EXPECT_TRUE(root.hitTest(100, 100));
    EXPECT_FALSE(root.hitTest(101, 100));
    root.setVisible(false);
    EXPECT_FALSE(root.hitTest(20, 20));
}

}  // namespace
