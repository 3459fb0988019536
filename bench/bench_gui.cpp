// Pointer work over a full screen of widgets: 500 buttons in one container,
// hit tested and hovered as on every mouse move. Target: a hit test and a
// hover over all 500 within 0.2 ms.
#include "gui/gui_button.h"
#include "gui/gui_container.h"
#include "platform/graphics_device.h"
#include "render/renderer.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kWidgetCount = 500;
constexpr int kColumns = 25;  // 25 × 20 buttons of 40 × 36 pixels on 1024 × 768

struct CountingPointer : GuiPointerSink {
    int reports = 0;
    void setCursor(int) override { ++reports; }
    bool isCursorPressed() const override { return false; }
    bool isCursorOver() const override { return false; }
};

struct Screen {
    std::unique_ptr<gfx::GraphicsDevice> device = gfx::createNullDevice(1024, 768);
    DxRenderer renderer;
    CountingPointer pointer;
    GuiContainer root;

    Screen() {
        renderer.init(*device, 1024, 768);
        guiContext().renderer = &renderer;
        guiContext().pointer = &pointer;
        root.setRect(0, 0, 1024, 768);
        for (int i = 0; i < kWidgetCount; ++i) {
            auto* button = new GuiButton(String("Button"));
            const int left = (i % kColumns) * 40 + 2;
            const int top = (i / kColumns) * 36 + 2;
            button->setRect(left, top, left + 36, top + 32);
            button->setHelpText(String("Does what the button says"));
            root.add(button);
        }
    }
    ~Screen() { guiContext() = GuiContext{}; }
};

// The pointer over the last button: every button is asked.
void BM_HitTestLastWidget(benchmark::State& state) {
    Screen screen;
    const float x = (kWidgetCount - 1) % kColumns * 40 + 20.0f;
    const float y = (kWidgetCount - 1) / kColumns * 36 + 20.0f;
    for (auto _ : state) benchmark::DoNotOptimize(screen.root.hitTest(x, y));
}
BENCHMARK(BM_HitTestLastWidget)->Unit(benchmark::kMicrosecond);

// The pointer in a gap between buttons: no widget is hit.
void BM_HitTestMiss(benchmark::State& state) {
    Screen screen;
    for (auto _ : state) benchmark::DoNotOptimize(screen.root.hitTest(1.0f, 1.0f));
}
BENCHMARK(BM_HitTestMiss)->Unit(benchmark::kMicrosecond);

// A pointer moving across the screen: every button hears the hover, the one
// under the pointer shows its help text.
void BM_HoverMovingPointer(benchmark::State& state) {
    Screen screen;
    int step = 0;
    for (auto _ : state) {
        const float x = static_cast<float>((step * 7) % 1000) + 5.0f;
        const float y = static_cast<float>((step * 3) % 720) + 5.0f;
        benchmark::DoNotOptimize(screen.root.hover(x, y));
        ++step;
    }
}
BENCHMARK(BM_HoverMovingPointer)->Unit(benchmark::kMicrosecond);

}  // namespace
