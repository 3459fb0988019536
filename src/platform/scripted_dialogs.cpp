#include "platform/scripted_dialogs.h"

void ScriptedDialogs::answerMessage(MessageAnswer answer) { answers_.emplace_back(answer); }

void ScriptedDialogs::answerOpenFile(const String& path) { answers_.emplace_back(path); }

void ScriptedDialogs::answerOpenFiles(const std::vector<String>& paths) {
    if (paths.empty())
        answers_.emplace_back(Cancel{});
    else
        answers_.emplace_back(paths);
}

void ScriptedDialogs::answerSaveFile(const String& path, int filterIndex) {
    answers_.emplace_back(SavedFile{path, filterIndex});
}

void ScriptedDialogs::answerColour(const Rgb& colour) { answers_.emplace_back(colour); }

void ScriptedDialogs::answerSliderValue(SliderValueAction action, const String& text) {
    answers_.emplace_back(SliderValueAnswer{action, text});
}

void ScriptedDialogs::answerCancel() { answers_.emplace_back(Cancel{}); }

DialogCall& ScriptedDialogs::record(DialogKind kind, const String& caption) {
    DialogCall call;
    call.kind = kind;
    call.caption = caption;
    call.cursorVisible = cursorVisible_;
    calls_.push_back(std::move(call));
    return calls_.back();
}

template <typename Expected>
std::optional<Expected> ScriptedDialogs::take(DialogCall& call) {
    if (!answers_.empty()) {
        if (std::holds_alternative<Cancel>(answers_.front())) {
            answers_.pop_front();
            return std::nullopt;
        }
        if (const Expected* answer = std::get_if<Expected>(&answers_.front())) {
            Expected result = *answer;
            answers_.pop_front();
            return result;
        }
    }
    call.unexpected = true;
    return std::nullopt;
}

MessageAnswer ScriptedDialogs::messageBox(const String& caption, const String& text, MessageButtons buttons,
                                          MessageIcon icon) {
    DialogCall& call = record(DialogKind::MessageBox, caption);
    call.text = text;
    call.buttons = buttons;
    call.icon = icon;
    MessageAnswer closed = buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;

    // Only an answer that the box offers is taken from the queue.
    if (!answers_.empty()) {
        if (const MessageAnswer* front = std::get_if<MessageAnswer>(&answers_.front())) {
            bool offered = buttons == MessageButtons::YesNo ? *front != MessageAnswer::Ok : *front == MessageAnswer::Ok;
            if (!offered) {
                call.unexpected = true;
                return closed;
            }
        }
    }
    return take<MessageAnswer>(call).value_or(closed);
}

std::optional<String> ScriptedDialogs::openFile(const String& title, const std::vector<FileFilter>& filters) {
    DialogCall& call = record(DialogKind::OpenFile, title);
    call.filters = filters;
    return take<String>(call);
}

std::optional<std::vector<String>> ScriptedDialogs::openFiles(const String& title,
                                                              const std::vector<FileFilter>& filters) {
    DialogCall& call = record(DialogKind::OpenFiles, title);
    call.filters = filters;
    return take<std::vector<String>>(call);
}

std::optional<SavedFile> ScriptedDialogs::saveFile(const String& title, const std::vector<FileFilter>& filters,
                                                   int initialFilter) {
    DialogCall& call = record(DialogKind::SaveFile, title);
    call.filters = filters;
    call.initialFilter = initialFilter;
    return take<SavedFile>(call);
}

std::optional<Rgb> ScriptedDialogs::chooseColour(const Rgb& initial) {
    DialogCall& call = record(DialogKind::ChooseColour, String());
    call.initialColour = initial;
    return take<Rgb>(call);
}

std::optional<SliderValueAnswer> ScriptedDialogs::sliderValue(const String& initialText, bool minimumAdjustable,
                                                              bool maximumAdjustable) {
    DialogCall& call = record(DialogKind::SliderValue, String("Set value of slider"));
    call.text = initialText;
    call.minimumAdjustable = minimumAdjustable;
    call.maximumAdjustable = maximumAdjustable;

    // A bound button that the dialog does not offer cannot be the answer.
    if (!answers_.empty()) {
        if (const SliderValueAnswer* front = std::get_if<SliderValueAnswer>(&answers_.front())) {
            bool offered = (front->action != SliderValueAction::SetMin || minimumAdjustable) &&
                           (front->action != SliderValueAction::SetMax || maximumAdjustable);
            if (!offered) {
                call.unexpected = true;
                return std::nullopt;
            }
        }
    }
    return take<SliderValueAnswer>(call);
}

void ScriptedDialogs::show() {
    if (!cursorVisible_) ++cursorShows_;
    cursorVisible_ = true;
}

void ScriptedDialogs::hide() { cursorVisible_ = false; }

int ScriptedDialogs::unexpectedCount() const {
    int count = 0;
    for (const DialogCall& call : calls_)
        if (call.unexpected) ++count;
    return count;
}
