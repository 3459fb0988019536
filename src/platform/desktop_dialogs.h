// DesktopDialogs: the dialogs of a desktop session. Message boxes are shown
// by the window layer itself; file choosers, the colour chooser and the
// slider value dialog are run by the desktop's dialog program `zenity` as a
// child process, started directly (never through a shell, so titles and file
// names reach it byte for byte) and read back through a pipe.
//
// The command lines and the reading of the answers are pure functions,
// declared below so that they can be checked without a display.
#pragma once

#include "platform/dialogs.h"

#include <optional>
#include <string>
#include <vector>

namespace platform {
class Window;
}

namespace chooser {

// What a finished dialog program left behind.
struct ProgramResult {
    bool started = false;  // false: the program could not be run at all
    int exitCode = -1;     // -1 when it did not exit normally
    std::string output;    // everything it wrote to standard output
};

// Runs arguments[0] (searched in PATH) with the remaining arguments, no
// shell in between, standard input and error on /dev/null; waits for it and
// returns its output. An empty list is not started.
ProgramResult runProgram(const std::vector<std::string>& arguments);

// The separator between the paths of a multiple selection: two slashes never
// occur inside a full path.
inline constexpr const char* kPathSeparator = "//";

// "--file-filter=Png | *.[pP][nN][gG]": the patterns of `filter` (separated
// by ';') as the chooser wants them (separated by spaces), made to ignore
// case as file names of the other desktop do. A '|' in the description
// becomes '/'; no pattern at all lists every file.
std::string filterArgument(const FileFilter& filter);

// Command lines. `parentWindow` is the desktop's id of the program's
// window, 0 for none; a dialog attached to it stays above it.
std::vector<std::string> openFileArguments(const String& title, const std::vector<FileFilter>& filters, bool multiple,
                                           unsigned long parentWindow);
// The filter `initialFilter` comes first so that the chooser starts with it;
// the others follow in their order.
std::vector<std::string> saveFileArguments(const String& title, const std::vector<FileFilter>& filters,
                                           int initialFilter, unsigned long parentWindow);
std::vector<std::string> colourArguments(const Rgb& initial, unsigned long parentWindow);
// The value dialog: the edit field preset, "Set value"/"Set Value" as the
// confirming button, "Cancel", and "Set Min"/"Set Max" as extra buttons.
std::vector<std::string> sliderValueArguments(const String& initialText, bool minimumAdjustable,
                                              bool maximumAdjustable, unsigned long parentWindow);
// The chooser does not hand back the edit field with an extra button: the
// bound is then asked for in a second dialog whose confirming button is
// "Set Min" (or "Set Max").
std::vector<std::string> boundValueArguments(SliderValueAction action, const String& initialText,
                                             unsigned long parentWindow);

// Answers. A dialog that was cancelled, closed or failed gives nothing.
std::optional<String> parseSingleFile(const ProgramResult& result);
// The paths in the order reported; never an empty list.
std::optional<std::vector<String>> parseFileList(const ProgramResult& result);
// "rgb(r,g,b)", "rgba(r,g,b,a)" or "#rrggbb".
std::optional<Rgb> parseColour(const ProgramResult& result);

// The answer of the value dialog: the action and the text, or, for an extra
// button, the action with `needsBound` set (ask boundValueArguments next).
struct SliderStep {
    SliderValueAction action = SliderValueAction::SetValue;
    String text;
    bool needsBound = false;
};
std::optional<SliderStep> parseSliderValue(const ProgramResult& result);

// Index (into `filters`) of the first filter with a pattern "*.ext" that
// matches the extension of the file name in `path`, ignoring case;
// `fallback` when none does (or the name has no extension).
int filterIndexOfName(const String& path, const std::vector<FileFilter>& filters, int fallback);

}  // namespace chooser

class DesktopDialogs : public Dialogs, public SystemCursor {
public:
    // Dialogs above `window` (may be null: dialogs then have no parent and
    // the cursor calls do nothing). The window must outlive this object.
    explicit DesktopDialogs(platform::Window* window);

    MessageAnswer messageBox(const String& caption, const String& text, MessageButtons buttons,
                             MessageIcon icon) override;
    std::optional<String> openFile(const String& title, const std::vector<FileFilter>& filters) override;
    std::optional<std::vector<String>> openFiles(const String& title, const std::vector<FileFilter>& filters) override;
    std::optional<SavedFile> saveFile(const String& title, const std::vector<FileFilter>& filters,
                                      int initialFilter) override;
    std::optional<Rgb> chooseColour(const Rgb& initial) override;
    std::optional<SliderValueAnswer> sliderValue(const String& initialText, bool minimumAdjustable,
                                                 bool maximumAdjustable) override;

    void show() override;
    void hide() override;

private:
    // Runs the chooser; when it cannot be run at all the user is told so.
    chooser::ProgramResult runChooser(const std::vector<std::string>& arguments);
    unsigned long parentWindowId() const;

    platform::Window* window_;
};
