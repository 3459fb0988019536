#include "twod/general_rubric.h"

#include "core/configuration.h"
#include "gui/gui_label.h"
#include "gui/panel_window.h"
#include "project/picture_import.h"
#include "twod/two_d.h"

namespace {

constexpr const char* kButtonArt = "data/gui/twod/general";
constexpr int kButtonHeight = 28;

GuiButton* captionedButton(const char* caption, const char* help, const char* shortcut) {
    auto* button = new GuiButton(GuiArt::fromFolder(String(kButtonArt)));
    button->setName(String(caption));
    button->setCaptionOverArt(true);
    button->setHelpText(String(help));
    button->setDisabledHelpText(String(help));
    if (shortcut != nullptr) button->setShortcutLabel(String(shortcut), 3, 0);
    return button;
}

}  // namespace

GeneralRubric::GeneralRubric(TwoD& mode) : mode_(mode), panel_(String("Image rubric")) {
    add_ = captionedButton("Add image(s)", "Add image(s) to the current project.", "o");
    add_->addListener(this);
    panel_.add(add_);
}

GeneralRubric::~GeneralRubric() = default;

void GeneralRubric::enter() {
    const int left = panel_.left();
    const int top = panel_.top();
    add_->setRect(left + 8, top + 8, left + 8 + 130, top + 8 + kButtonHeight);
    refresh();
}

void GeneralRubric::refresh() {}

void GeneralRubric::released(GuiButton* button) {
    if (button == add_) loadImages();
}

void GeneralRubric::loadImages() {
    CommandUi ui{mode_.workspace().dialogs(), mode_.workspace().systemCursor(), mode_};
    const int before = mode_.images().imageCount();
    loadImagesCommand(mode_.images(), ui, mode_.maskValue());
    mode_.afterImagesAdded(before);
}

void GeneralRubric::showAnimationTimePanel() {
    if (!animationPanel_) {
        const int width = 300;
        const int left = (mode_.workspace().backBufferWidth() - width) / 2;
        animationPanel_ = std::make_unique<PanelWindow>(String("Animation Time"), left, 120, width, 90);
        auto* label = new GuiLabel(String("Animation Time (ms):"));
        label->setFont(String("Arial"), 10);
        label->setRect(animationPanel_->contentLeft(), animationPanel_->contentTop(), animationPanel_->contentRight(),
                       animationPanel_->contentTop() + 18);
        animationPanel_->add(label);
        animationTime_ = new GuiSlider(SliderKind::Whole, String("Animation Time"));
        animationTime_->setMinimum(0.0f);
        animationTime_->setMaximum(3000.0f);
        animationTime_->setStep(50.0f);
        animationTime_->setMaximumAdjustable(true);
        animationTime_->setDescription(String("How long one animation takes, in milliseconds."));
        animationTime_->setRect(animationPanel_->contentLeft(), animationPanel_->contentTop() + 20,
                                animationPanel_->contentRight(), animationPanel_->contentTop() + 50);
        animationTime_->setServices(mode_.sliderServices());
        animationTime_->addListener(this);
        animationPanel_->add(animationTime_);
    }
    animationTime_->setValue(mode_.workspace().settings().animtime);
    mode_.showFloatingPanel(*animationPanel_);
}

void GeneralRubric::valueChanged(GuiSlider* slider) {
    if (slider == animationTime_) mode_.workspace().settings().animtime = slider->value();
}
