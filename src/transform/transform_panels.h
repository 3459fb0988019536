// The controls of the transformation mode's screen: the mode radios, the
// rubric radios with one panel of controls each (sliders with their labels,
// check boxes, set-centre buttons, the sculpting, texturing and screenshot
// controls, the view sub-rubrics), the undo and redo buttons and the view
// buttons, laid out down the left side of the window. Every control reports
// to the listeners given at construction (the mode); the mode finds out
// which control spoke through control().
#pragma once

#include "gui/gui_button.h"
#include "gui/gui_checkbox.h"
#include "gui/gui_container.h"
#include "gui/gui_label.h"
#include "gui/gui_listeners.h"
#include "gui/gui_radiobutton.h"
#include "gui/gui_slider.h"

#include <array>
#include <map>
#include <vector>

// The rubrics, in the order of their radios (digits 1 to 6 reach the first
// six).
enum class TransformRubric { Translation = 0, Scaling, Rotation, FieldOfView, Sculpture, Texture, Camera, View };
inline constexpr int kTransformRubricCount = 8;
// The label of a rubric's radio (also its name in `state`).
const char* rubricLabelOf(TransformRubric rubric);

// The sub-rubrics of View.
enum class ViewPage { Front = 0, Side, Mesh, Light };
inline constexpr int kViewPageCount = 4;

// Every control that reports to the mode.
enum class Control {
    None,
    // Sliders.
    TranslationX, TranslationY, TranslationZ, Width, Height, Depth, Yaw, Pitch, Roll, RatioX, RatioY,
    TextureStrength, SpeedMoving, SpeedZooming, SpeedLooking, ScreenshotDistance, ScreenshotDepth,
    VoxelSize, Sharpening, Smoothing, Simplification, NormalParticipation,
    MaskTransparency, BackgroundTransparency, BorderQuality, BorderTransparency, LineSpacing, DecalQuality,
    LightAngle, LightAngleHeight,
    // Check boxes.
    FovSet, Sculpting, HowAdding, Texturing, OnlyOnMask, FromBack, OnlyBetween,
    // Radio buttons.
    Smooth, Flat, TwoDMode, ThreeDMode,
    // Buttons.
    SetTranslationCentre, SetScalingCentre, SetSnapPoint, SetRotationCentre, SetFovCentre, SetFovOrigin,
    ViewAll, ViewNone, ViewOnlySelected, ViewNotSelected, Undo, Redo, Sculpture, Texturise, Screenshot,
    LinesColour, LinesColourRemove, MaterialDiffuse, MaterialAmbient, MaterialSpecular, MaterialEmissive,
};

// What each listener of the controls is.
struct PanelListeners {
    GuiSliderListener* sliders = nullptr;
    GuiCheckboxListener* checkboxes = nullptr;
    GuiRadiobuttonListener* radios = nullptr;
    GuiButtonListener* buttons = nullptr;
};

class TransformPanels {
public:
    // Builds every control into `screen` (which owns them) for a back buffer
    // of width x height pixels, below a title bar `top` pixels high.
    TransformPanels(GuiContainer& screen, const PanelListeners& listeners, const SliderServices& services, int width,
                    int height, int top);

    // --- rubrics
    // Shows the panel of `rubric` (and for View its page) and checks its radio.
    void showRubric(TransformRubric rubric);
    TransformRubric rubric() const { return rubric_; }
    // The rubric whose radio this is; false when it is none.
    bool rubricOf(const GuiRadiobutton* radio, TransformRubric& rubric) const;
    void showViewPage(ViewPage page);
    ViewPage viewPage() const { return page_; }
    bool viewPageOf(const GuiRadiobutton* radio, ViewPage& page) const;

    // --- controls
    Control control(const GuiComponent* component) const;
    GuiSlider* slider(Control control) const;
    GuiCheckbox* checkbox(Control control) const;
    GuiButton* button(Control control) const;
    GuiRadiobutton* radio(Control control) const;
    // The sliders of the placement rubric (three, or two for the field of
    // view); the X, Y and Z keys grab them.
    std::vector<GuiSlider*> rubricSliders(TransformRubric rubric) const;
    // Sets a slider's value without telling the listeners and shows it in
    // its label.
    void showValue(Control control, float value);
    // Shows the slider's own value in its label.
    void refreshLabel(Control control);
    // The participation text of the sculpting or texturing panel.
    void setParticipationText(TransformRubric rubric, const String& text);

    // The mode radios.
    GuiCheckbox& twoDRadio() const { return *twoDRadio_; }
    GuiCheckbox& threeDRadio() const { return *threeDRadio_; }

private:
    struct SliderRow {
        GuiSlider* slider = nullptr;
        GuiLabel* label = nullptr;
        String caption;
    };

    GuiContainer& makePanel(TransformRubric rubric);
    GuiContainer& makePage(ViewPage page);
    // Adds to `panel` at its next row.
    GuiSlider* addSlider(GuiContainer& panel, Control control, SliderKind kind, const char* name, const char* label,
                         float minimum, float maximum, float initial, const char* shortcut = nullptr,
                         const char* description = nullptr);
    GuiCheckbox* addCheckbox(GuiContainer& panel, Control control, const char* label, const char* help,
                             const char* shortcut = nullptr);
    GuiButton* addPointButton(GuiContainer& panel, Control control, const char* label, const char* folder,
                              const char* help, const char* shortcut = nullptr);
    GuiButton* addCaptionButton(GuiContainer& panel, Control control, const char* caption, const char* help,
                                const char* shortcut = nullptr, int width = 0);
    GuiLabel* addText(GuiContainer& panel, int lines);
    void addKeyHints(GuiContainer& panel);
    void remember(GuiComponent* component, Control control);
    int takeRow(GuiContainer& panel, int height);

    GuiContainer& screen_;
    PanelListeners listeners_;
    SliderServices services_;
    int width_;
    int height_;
    int top_;
    int panelLeft_ = 0;
    int panelTop_ = 0;
    int panelRight_ = 0;
    std::array<GuiRadiobutton*, kTransformRubricCount> rubricRadios_{};
    std::array<GuiContainer*, kTransformRubricCount> panels_{};
    std::array<GuiRadiobutton*, kViewPageCount> pageRadios_{};
    std::array<GuiContainer*, kViewPageCount> pages_{};
    std::map<const GuiContainer*, int> nextRow_;
    std::map<const GuiComponent*, Control> controls_;
    std::map<Control, GuiComponent*> components_;
    std::map<Control, SliderRow> sliders_;
    std::array<GuiLabel*, 2> participation_{};
    GuiCheckbox* twoDRadio_ = nullptr;
    GuiCheckbox* threeDRadio_ = nullptr;
    TransformRubric rubric_ = TransformRubric::Translation;
    ViewPage page_ = ViewPage::Front;
};
