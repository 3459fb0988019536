// Soak sessions: long random sessions that show whether the program survives
// whatever a user may do to it. A seeded generator looks at what the program
// shows before each step (the controls of the current screen, the menus and
// their items) and makes the step as script commands: clicks and drags on
// controls or anywhere, keys with and without modifiers, the wheel, menu
// choices through `choose`, files dropped; every dialog the step opens is
// answered at random with an answer that fits it. The commands are played
// like a script and written to a script file, answers before the step that
// needed them, so that `plastora --script FILE --headless` replays the
// session.
#pragma once

#include "app/script/script.h"
#include "platform/scripted_dialogs.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// A rectangle in window pixels.
struct SoakRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct SoakMenuItem {
    std::string label;
    bool enabled = false;
};

// A menu of the current menu bar; the items as the last opening left them.
struct SoakMenu {
    std::string name;
    SoakRect title;
    std::vector<SoakMenuItem> items;
};

// What the program shows before a step.
struct SoakView {
    int width = 0;   // window client size
    int height = 0;
    int mode = 1;    // 1: 2D mode, 2: transformation mode
    // Visible, enabled widgets of the current screen and its title bar.
    std::vector<SoakRect> controls;
    std::vector<SoakMenu> menus;
    // The name of the open menu; empty when all are closed.
    std::string openMenu;
    // Pictures in the project.
    int images = 0;
};

// Files the dialogs and drops may hand the program.
struct SoakFiles {
    std::vector<std::string> pictures;  // readable pictures
    std::vector<std::string> junk;      // unreadable, empty, missing or of no known kind
    std::vector<std::string> projects;  // project files, good and broken
    std::string folder;                 // where the program may write (ends without '/')
};

// What a dialog asks, as far as its answer depends on it.
struct SoakQuestion {
    DialogKind kind = DialogKind::MessageBox;
    std::string caption;
    MessageButtons buttons = MessageButtons::Ok;
    int filterCount = 0;
    bool minimumAdjustable = false;
    bool maximumAdjustable = false;
};

class SoakGenerator {
public:
    // From this many pictures on, a step now and then starts a new project
    // ("New Project" in the File menu), so that drops and loaded projects do
    // not pile up pictures without end: every step would take longer and
    // longer, and a long session would never finish.
    static constexpr int kCrowdedProject = 24;

    SoakGenerator(std::uint32_t seed, SoakFiles files);

    // The commands of the next step for what `view` shows. Every step ends
    // with `wait idle`, so that what it started has finished before the next
    // one (a replay then sees the same program at every step).
    std::vector<ScriptCommand> nextStep(const SoakView& view);

    // An answer that fits `question`: a yes/no box gets Yes or No (never Yes
    // to quitting), file choosers pictures, projects, junk or nothing, save
    // dialogs a name in the folder with any of their filters, the colour
    // chooser a colour, the slider value dialog a number, a number out of
    // range or text; sometimes the dialog is cancelled.
    ScriptAnswer answer(const SoakQuestion& question);

    // Input events, choices and answers made so far.
    long events() const { return events_; }

private:
    int below(int bound);                 // 0 .. bound - 1 (0 for bound <= 0)
    bool chance(int percent);
    int between(int low, int high);       // low .. high
    void point(const SoakView& view, int& x, int& y);
    void pointIn(const SoakRect& rect, int& x, int& y);
    void pointOnControlOrAnywhere(const SoakView& view, int& x, int& y);
    void add(std::vector<ScriptCommand>& step, ScriptCommand command);

    void click(const SoakView& view, std::vector<ScriptCommand>& step);
    void drag(const SoakView& view, std::vector<ScriptCommand>& step);
    void keys(const SoakView& view, std::vector<ScriptCommand>& step);
    void wheel(const SoakView& view, std::vector<ScriptCommand>& step);
    void menu(const SoakView& view, std::vector<ScriptCommand>& step);
    void openMenu(const SoakMenu& menu, std::vector<ScriptCommand>& step);
    void startAndStop(std::vector<ScriptCommand>& step);
    void drop(std::vector<ScriptCommand>& step);
    // Opens the File menu for a choice of "New Project" in the next step.
    void startAfresh(const SoakView& view, std::vector<ScriptCommand>& step);
    std::string anyFile();
    std::string savePath();
    std::string sliderText();

    std::mt19937 random_;
    SoakFiles files_;
    long events_ = 0;
    long saves_ = 0;
    // The menu the last step opened (its items are then up to date), and
    // the item to choose in it when enabled (empty: any enabled one).
    std::string openedMenu_;
    std::string wantedItem_;
};
