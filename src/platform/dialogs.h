// The modal dialogs of the platform: message boxes, file choosers and the
// colour chooser, and the system cursor that must be visible while any of
// them is open (the program draws its own cursor and hides the system one).
//
// Every dialog blocks until the user answers. Callers bracket each dialog
// with ShownSystemCursor and clear the key table afterwards, because keys
// released while a dialog was open never reach the program.
#pragma once

#include "core/colour.h"

#include "core/string.h"

#include <optional>
#include <vector>

enum class MessageButtons { Ok, YesNo };

enum class MessageIcon { None, Information, Question, Warning, Error };

// Closing a yes/no box without choosing answers No; closing an OK box answers
// Ok.
enum class MessageAnswer { Ok, Yes, No };

// One entry of a file chooser's type list: a description ("Png") and its
// patterns separated by ';' ("*.png" or "*.bmp;*.png").
struct FileFilter {
    String description;
    String patterns;
};

// The answer of a save dialog: the path as typed or chosen (no extension is
// added) and the index into the filter list of the type the user chose.
struct SavedFile {
    String path;
    int filterIndex = 0;
};

// What the user chose in the slider value dialog.
enum class SliderValueAction { SetValue, SetMin, SetMax };

// The answer of the slider value dialog: the button and the text of the edit
// field exactly as entered (the caller checks that it is a number).
struct SliderValueAnswer {
    SliderValueAction action = SliderValueAction::SetValue;
    String text;
};


class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Shows `text` under the window title `caption` with the given buttons
    // and icon; returns the button chosen.
    virtual MessageAnswer messageBox(const String& caption, const String& text, MessageButtons buttons,
                                     MessageIcon icon) = 0;

    // Lets the user pick one existing file. Empty when cancelled.
    virtual std::optional<String> openFile(const String& title, const std::vector<FileFilter>& filters) = 0;

    // Lets the user pick one or more existing files, as full paths in the
    // order the chooser reports them. Empty when cancelled; never an empty
    // list otherwise.
    virtual std::optional<std::vector<String>> openFiles(const String& title,
                                                         const std::vector<FileFilter>& filters) = 0;

    // Asks for a file name to write, starting with filter `initialFilter`
    // (an index into `filters`). The folder of the answer exists. Empty when
    // cancelled.
    virtual std::optional<SavedFile> saveFile(const String& title, const std::vector<FileFilter>& filters,
                                              int initialFilter) = 0;

    // Colour chooser preset with `initial`. Empty when cancelled.
    virtual std::optional<Rgb> chooseColour(const Rgb& initial) = 0;

    // The slider value dialog "Set value of slider": one edit field preset
    // with `initialText` and the buttons "Set value" and "Cancel", or "Set
    // Value", "Cancel" and "Set Min" and/or "Set Max" when the minimum
    // and/or maximum may be changed. Empty when cancelled.
    virtual std::optional<SliderValueAnswer> sliderValue(const String& initialText, bool minimumAdjustable,
                                                         bool maximumAdjustable) = 0;
};

// The operating system's mouse cursor.
class SystemCursor {
public:
    virtual ~SystemCursor() = default;
    // Makes the system cursor visible (idempotent).
    virtual void show() = 0;
    // Hides it again (idempotent).
    virtual void hide() = 0;
};

// Shows the system cursor for its lifetime:
//     { ShownSystemCursor shown(cursor); dialogs.messageBox(...); }
class ShownSystemCursor {
public:
    explicit ShownSystemCursor(SystemCursor& cursor);
    ~ShownSystemCursor();
    ShownSystemCursor(const ShownSystemCursor&) = delete;
    ShownSystemCursor& operator=(const ShownSystemCursor&) = delete;

private:
    SystemCursor& cursor_;
};
