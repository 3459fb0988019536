// HandOverDialogs: the dialogs of a scripted run on a real window. While the
// script plays, every dialog is answered from its queue; once the script has
// ended and the user takes over, the desktop's own dialogs are shown.
#pragma once

#include "platform/dialogs.h"

class HandOverDialogs final : public Dialogs, public SystemCursor {
public:
    // Starts with `scripted`; both pairs must outlive this object.
    HandOverDialogs(Dialogs& scriptedDialogs, SystemCursor& scriptedCursor);

    // From now on dialogs and the system cursor go to `dialogs` / `cursor`.
    // Call between dialogs only (never from inside one).
    void handOver(Dialogs& dialogs, SystemCursor& cursor);
    bool isHandedOver() const { return handedOver_; }

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
    Dialogs* dialogs_;
    SystemCursor* cursor_;
    bool handedOver_ = false;
};
