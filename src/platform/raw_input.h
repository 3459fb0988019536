// The optional raw input (off by default): keyboard and mouse read as device
// states once per frame instead of as window messages. Keys are indexed by
// DirectInput scan codes (see input_identifiers.h), the mouse reports its
// movement, not its position.
#pragma once

#include "platform/input_identifiers.h"

#include <array>
#include <cstdint>

namespace platform {
class Window;
}

// The classic input state. A pressed key or button has its high bit (0x80)
// set; every other byte is 0.
struct InputState {
    std::array<uint8_t, 256> keys{};          // by DirectInput scan code
    std::array<uint8_t, 256> previousKeys{};  // the keys of the update before
    int32_t mouseX = 0;                       // movement since the previous update (pixels)
    int32_t mouseY = 0;
    int32_t mouseWheel = 0;                   // 120 per notch, away from the user positive
    std::array<uint8_t, 4> buttons{};         // left, right, middle, fourth
    std::array<uint8_t, 4> previousButtons{};

    // Everything up and still.
    void clear();

    // Codes outside 0..255 (buttons outside 0..3) are never down.
    bool isKeyDown(int code) const;
    // Down now and up at the update before (up now and down before).
    bool wasKeyPressed(int code) const;
    bool wasKeyReleased(int code) const;
    bool isButtonDown(int button) const;
    bool wasButtonPressed(int button) const;
    bool wasButtonReleased(int button) const;
    // A key identifier by its scan code, a mouse-button identifier by its
    // button; None is never down.
    bool isDown(InputIdentifier id) const;
};

// Mouse button masks of takeInputSnapshot(): bit 0 left, 1 middle, 2 right,
// 3 fourth, 4 fifth (the order of SDL's button mask).
inline constexpr uint32_t kSnapshotLeft = 1u << 0, kSnapshotMiddle = 1u << 1, kSnapshotRight = 1u << 2,
                          kSnapshotFourth = 1u << 3;

// DirectInput scan code of the key at SDL scancode `scancode`; 0 for keys
// without one.
int directInputCodeOfScancode(int scancode);

// One update of `state`: the current keys and buttons become the previous
// ones; the keys are taken from `pressed` (one byte per SDL scancode,
// non-zero when held, `count` bytes), the buttons from `buttonMask`, the
// movement is replaced by (dx, dy) and `wheel`.
void takeInputSnapshot(InputState& state, const uint8_t* pressed, int count, uint32_t buttonMask, int dx, int dy,
                       int wheel);

class Input {
public:
    virtual ~Input() = default;
    // Reads the devices into the state (see takeInputSnapshot). False when
    // the devices cannot be read.
    virtual bool update() = 0;
    virtual const InputState& state() const = 0;
    // Zeroes the x and y movement once it has been used (the camera does it
    // after moving).
    virtual void clearMouseMovement() = 0;
};

// Raw keyboard and mouse of the program's window on a display. The state
// follows the events the window's message loop takes from the desktop.
class DInput final : public Input {
public:
    DInput() = default;
    // Logs "DInput released.".
    ~DInput() override;
    DInput(const DInput&) = delete;
    DInput& operator=(const DInput&) = delete;

    // Clears the state and starts following keyboard and mouse of `window`;
    // logs "DInput initialized.". False (with a logged reason) when `window`
    // is not a window on a display.
    bool init(platform::Window& window);

    bool update() override;
    const InputState& state() const override { return state_; }
    void clearMouseMovement() override;

    // Adds wheel movement (120 per notch) to be reported by the next update.
    void addWheel(int delta) { pendingWheel_ += delta; }

private:
    InputState state_;
    bool watching_ = false;
    int pendingWheel_ = 0;
};
