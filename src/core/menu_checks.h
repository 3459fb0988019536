// MenuChecks: the one thing the configuration needs from the menu bars of the
// two modes, namely setting the check mark of an item found by its label.
#pragma once

#include "core/string.h"

#include <vector>

class MenuChecks {
public:
    virtual ~MenuChecks() = default;

    // Sets the check mark of the item labelled `label` in the menu named
    // `menu` ("File", "View", "Info") of the menu bar of `mode` (1 = 2D mode,
    // 2 = transformation mode). A menu or label that does not exist in that
    // menu bar is no error: the call then has no effect.
    virtual void setItemChecked(int mode, const String& menu, const String& label, bool checked) = 0;
};

// Keeps every call in order; used where no menu bar exists (tests, start-up
// before the modes are built).
class RecordingMenuChecks : public MenuChecks {
public:
    struct Call {
        int mode;
        String menu;
        String label;
        bool checked;
    };

    void setItemChecked(int mode, const String& menu, const String& label, bool checked) override {
        calls_.push_back(Call{mode, menu, label, checked});
    }

    const std::vector<Call>& calls() const { return calls_; }
    void clear() { calls_.clear(); }

    // The check state last set for `label` in `menu` of `mode`; -1 when the
    // item was never touched, else 0 or 1.
    int lastState(int mode, const char* menu, const char* label) const {
        for (auto it = calls_.rbegin(); it != calls_.rend(); ++it)
            if (it->mode == mode && it->menu.equals(menu) && it->label.equals(label)) return it->checked ? 1 : 0;
        return -1;
    }

private:
    std::vector<Call> calls_;
};
