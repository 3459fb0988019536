// A GUI on the null device: a 1024 × 768 renderer, a texture manager over the
// built program folder (or a folder of the test's choosing) and a pointer
// sink that records what the widgets report.
#pragma once

#include "gui/gui_component.h"
#include "gui/help_box.h"
#include "platform/null_device.h"
#include "render/renderer.h"
#include "render/texture_manager.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

struct RecordingPointer : GuiPointerSink {
    std::vector<int> kinds;
    bool pressed = false;
    bool over = false;
    void setCursor(int kind) override { kinds.push_back(kind); }
    bool isCursorPressed() const override { return pressed; }
    bool isCursorOver() const override { return over; }
    int last() const { return kinds.empty() ? -1 : kinds.back(); }
};

class GuiFixture : public ::testing::Test {
protected:
    void SetUp() override { useApplicationDirectory(testsupport::appDir()); }

    void TearDown() override {
        guiContext() = GuiContext{};
        HelpBox::instance().hide();
        HelpBox::instance().setLocked(false);
        HelpBox::instance().setEnabled(true);
    }

    // (Re)builds device, renderer and texture manager over `directory`.
    void useApplicationDirectory(const std::string& directory) {
        guiContext() = GuiContext{};
        textures.reset();
        renderer.reset();
        device = gfx::createNullDevice(1024, 768);
        renderer = std::make_unique<DxRenderer>();
        ASSERT_TRUE(renderer->init(*device, 1024, 768));
        textures = std::make_unique<TextureManager>(*device);
        GuiContext& context = guiContext();
        context.renderer = renderer.get();
        context.textures = textures.get();
        context.applicationDirectory = String(directory.c_str());
        context.pointer = &pointer;
    }

    const gfx::NullDeviceStats& stats() const { return static_cast<gfx::NullDevice&>(*device).stats(); }

    // Quads (two triangles each) the device drew for what `draw` puts in one
    // sprite batch.
    template <typename Draw>
    int64_t quadsDrawn(Draw draw) {
        static_cast<gfx::NullDevice&>(*device).resetStats();
        renderer->beginScene();
        renderer->beginSprite();
        draw();
        renderer->endSprite();
        renderer->endScene();
        return stats().primitives / 2;
    }

    RecordingPointer pointer;
    std::unique_ptr<gfx::GraphicsDevice> device;
    std::unique_ptr<DxRenderer> renderer;
    std::unique_ptr<TextureManager> textures;
};
