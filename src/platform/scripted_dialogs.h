// ScriptedDialogs: dialogs answered from a queue instead of by a user, for
// tests and for runs without a display. Every dialog and every change of the
// system cursor is recorded so that callers can be checked afterwards.
#pragma once

#include "platform/dialogs.h"

#include <deque>
#include <variant>
#include <vector>

enum class DialogKind { MessageBox, OpenFile, OpenFiles, SaveFile, ChooseColour, SliderValue };

// One dialog that was shown.
struct DialogCall {
    DialogKind kind = DialogKind::MessageBox;
    String caption;  // caption of a message box, title of a file chooser
    String text;     // text of a message box, preset text of the slider value dialog
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    std::vector<FileFilter> filters;
    int initialFilter = 0;
    Rgb initialColour;
    // Buttons "Set Min" / "Set Max" offered by the slider value dialog.
    bool minimumAdjustable = false;
    bool maximumAdjustable = false;
    // The system cursor was visible while the dialog was open.
    bool cursorVisible = false;
    // No fitting answer was at the front of the queue: the dialog was
    // cancelled (No for a yes/no box, Ok for an OK box).
    bool unexpected = false;
};

class ScriptedDialogs : public Dialogs, public SystemCursor {
public:
    // Answers, consumed in the order they were queued, one per dialog.
    // Yes/No answer yes/no boxes, Ok answers OK boxes.
    void answerMessage(MessageAnswer answer);
    void answerOpenFile(const String& path);
    // An empty list counts as cancelling.
    void answerOpenFiles(const std::vector<String>& paths);
    void answerSaveFile(const String& path, int filterIndex);
    void answerColour(const Rgb& colour);
    // Answers a slider value dialog. SetMin (SetMax) answers only a dialog
    // that offers it.
    void answerSliderValue(SliderValueAction action, const String& text);
    // Cancels the next dialog of any kind (No for a yes/no box).
    void answerCancel();

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

    // Every dialog shown, in order.
    const std::vector<DialogCall>& calls() const { return calls_; }
    // Dialogs that found no fitting answer.
    int unexpectedCount() const;
    // Answers queued but not yet used.
    int pendingAnswers() const { return static_cast<int>(answers_.size()); }
    bool cursorVisible() const { return cursorVisible_; }
    // Number of times the cursor went from hidden to shown.
    int cursorShowCount() const { return cursorShows_; }

private:
    struct Cancel {};
    using Answer = std::variant<Cancel, MessageAnswer, String, std::vector<String>, SavedFile, Rgb, SliderValueAnswer>;

    DialogCall& record(DialogKind kind, const String& caption);
    // Removes and returns the front answer when it holds an `Expected`;
    // otherwise marks `call` unexpected and returns nothing. A queued Cancel
    // is consumed and also returns nothing.
    template <typename Expected>
    std::optional<Expected> take(DialogCall& call);

    std::deque<Answer> answers_;
    std::vector<DialogCall> calls_;
    bool cursorVisible_ = false;
    int cursorShows_ = 0;
};
