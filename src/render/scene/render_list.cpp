#include "render/scene/render_list.h"

void RenderList::drawAll() const {
    for (Drawable* entry : entries_) entry->draw();
}
