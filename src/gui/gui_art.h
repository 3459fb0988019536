// Widget art: the four state pictures of a widget (active, over, pressed,
// disabled), the rule that picks one, and the drawing of a picture stretched
// to a widget's rectangle. Also GuiFont, a font a widget asks the renderer
// for on first use.
#pragma once

#include "core/string.h"

#include <cstdint>

class DxRenderer;
class Texture;

enum class ArtState { Active, Over, Pressed, Disabled };

// Disabled wins over pressed, pressed over over, over over active.
ArtState artStateOf(bool enabled, bool over, bool pressed);

// How far the pressed picture is drawn below the others, in pixels.
inline constexpr float kPressedDrop = 3.0f;

struct GuiArt {
    Texture* active = nullptr;
    Texture* over = nullptr;
    Texture* pressed = nullptr;
    Texture* disabled = nullptr;

    // "active.dds", "over.dds", "pressed.dds" and "disabled.dds" from
    // `folder` (relative to the application directory, forward slashes,
    // without a trailing slash). A missing file leaves its state empty.
    static GuiArt fromFolder(const String& folder);
    // Four files given one by one (empty paths load nothing).
    static GuiArt fromPaths(const String& active, const String& over, const String& pressed,
                            const String& disabled);

    // The picture of `state`; null when it is missing.
    Texture* texture(ArtState state) const;
    // True when at least one state has a picture.
    bool hasAny() const;
};

// Draws `texture` scaled from its own size to the rectangle, its top left
// corner at (left, top + drop). The renderer's sprite transform is restored
// afterwards. A null or empty texture, or an empty rectangle, draws nothing.
void drawStretched(DxRenderer& renderer, const Texture* texture, float left, float top, float right, float bottom,
                   float drop = 0.0f, uint32_t colour = 0xFFFFFFFF);

// A font by face and size, created in the renderer's cache the first time it
// is needed (and again when the renderer changes).
class GuiFont {
public:
    GuiFont(const String& face, int pointSize, bool italic = false)
        : face_(face), pointSize_(pointSize), italic_(italic) {}
    // Uses an index the renderer already has instead.
    void setIndex(int index);
    // The font's index in `renderer`; -1 when it cannot be made.
    int resolve(DxRenderer& renderer);
    // Makes the font current; false when it cannot be made or has no glyphs.
    bool select(DxRenderer& renderer);

private:
    String face_;
    int pointSize_ = 10;
    bool italic_ = false;
    int index_ = -1;
    const DxRenderer* owner_ = nullptr;
    bool fixed_ = false;
};
