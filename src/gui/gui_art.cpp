#include "gui/gui_art.h"

#include "gui/gui_component.h"
#include "render/renderer.h"
#include "render/texture.h"

ArtState artStateOf(bool enabled, bool over, bool pressed) {
    if (!enabled) return ArtState::Disabled;
    if (pressed) return ArtState::Pressed;
    if (over) return ArtState::Over;
    return ArtState::Active;
}

GuiArt GuiArt::fromFolder(const String& folder) {
    auto file = [&](const char* name) { return String(folder).append('/').append(String(name)); };
    return fromPaths(file("active.dds"), file("over.dds"), file("pressed.dds"), file("disabled.dds"));
}

GuiArt GuiArt::fromPaths(const String& active, const String& over, const String& pressed, const String& disabled) {
    GuiArt art;
    art.active = loadGuiTexture(active);
    art.over = loadGuiTexture(over);
    art.pressed = loadGuiTexture(pressed);
    art.disabled = loadGuiTexture(disabled);
    return art;
}

Texture* GuiArt::texture(ArtState state) const {
    switch (state) {
        case ArtState::Active: return active;
        case ArtState::Over: return over;
        case ArtState::Pressed: return pressed;
        case ArtState::Disabled: return disabled;
    }
    return nullptr;
}

bool GuiArt::hasAny() const { return active || over || pressed || disabled; }

void drawStretched(DxRenderer& renderer, const Texture* texture, float left, float top, float right, float bottom,
                   float drop, uint32_t colour) {
    if (texture == nullptr || texture->isEmpty() || right <= left || bottom <= top) return;
    const D3DXMATRIX previous = renderer.spriteTransform();
    renderer.setSpriteTransform((right - left) / static_cast<float>(texture->width()),
                                (bottom - top) / static_cast<float>(texture->height()), 0.0f, left, top + drop);
    renderer.drawSprite(texture, D3DXVECTOR2(0.0f, 0.0f), colour);
    renderer.setSpriteTransform(previous);
}

// ------------------------------------------------------------------ GuiFont --

void GuiFont::setIndex(int index) {
    index_ = index;
    fixed_ = true;
}

int GuiFont::resolve(DxRenderer& renderer) {
    if (fixed_) return index_;
    if (owner_ != &renderer || index_ < 0) {
        owner_ = &renderer;
        index_ = renderer.isInitialised() ? renderer.createFont(face_, pointSize_, italic_, true) : -1;
        if (index_ < 0) owner_ = nullptr;
    }
    return index_;
}

bool GuiFont::select(DxRenderer& renderer) {
    const int index = resolve(renderer);
    const Font* font = index >= 0 ? renderer.fonts().font(index) : nullptr;
    return font != nullptr && font->isUsable() && renderer.setFont(index);
}
