#include "app/script/hand_over_dialogs.h"

HandOverDialogs::HandOverDialogs(Dialogs& scriptedDialogs, SystemCursor& scriptedCursor)
    : dialogs_(&scriptedDialogs), cursor_(&scriptedCursor) {}

void HandOverDialogs::handOver(Dialogs& dialogs, SystemCursor& cursor) {
    dialogs_ = &dialogs;
    cursor_ = &cursor;
    handedOver_ = true;
}

MessageAnswer HandOverDialogs::messageBox(const String& caption, const String& text, MessageButtons buttons,
                                          MessageIcon icon) {
    return dialogs_->messageBox(caption, text, buttons, icon);
}

std::optional<String> HandOverDialogs::openFile(const String& title, const std::vector<FileFilter>& filters) {
    return dialogs_->openFile(title, filters);
}

std::optional<std::vector<String>> HandOverDialogs::openFiles(const String& title,
                                                              const std::vector<FileFilter>& filters) {
    return dialogs_->openFiles(title, filters);
}

std::optional<SavedFile> HandOverDialogs::saveFile(const String& title, const std::vector<FileFilter>& filters,
                                                   int initialFilter) {
    return dialogs_->saveFile(title, filters, initialFilter);
}

std::optional<Rgb> HandOverDialogs::chooseColour(const Rgb& initial) { return dialogs_->chooseColour(initial); }

std::optional<SliderValueAnswer> HandOverDialogs::sliderValue(const String& initialText, bool minimumAdjustable,
                                                              bool maximumAdjustable) {
    return dialogs_->sliderValue(initialText, minimumAdjustable, maximumAdjustable);
}

void HandOverDialogs::show() { cursor_->show(); }

void HandOverDialogs::hide() { cursor_->hide(); }
