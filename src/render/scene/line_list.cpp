#include "render/scene/line_list.h"

#include "core/logger.h"

#include <cstdio>

int LineList::classType() {
    static const int type = registerSceneClass();
    return type;
}

LineList::LineList(gfx::GraphicsDevice& device, int typeNumber) : Mesh(device, typeNumber) {}

LineList::~LineList() { clearLineSets(); }

void LineList::reportFailure() {
    Logger::instance().error("LineList", "Could not create vertex buffer");
    std::printf("Error occurred in creating line list buffer\n");
}

bool LineList::upload(LineSet& set) {
    set.buffer = device().createVertexBuffer(set.points.data(), set.points.size() * sizeof(D3DXVECTOR3));
    return static_cast<bool>(set.buffer);
}

bool LineList::addLineSet(std::span<const D3DXVECTOR3> points) {
    if (points.empty()) return false;
    LineSet set;
    set.points.assign(points.begin(), points.end());
    if (!upload(set)) {
        reportFailure();
        return false;
    }
    sets_.push_back(std::move(set));
    return true;
}

void LineList::clearLineSets() {
    releaseDeviceObjects();
    sets_.clear();
}

void LineList::render() {
    setMaterialOnDevice();
    applyRenderstates(device());
    setWorldMatrixOnDevice();
    setTexturesOnDevice();
    int drawn = 0;
    for (const LineSet& set : sets_) {
        if (drawnSets_ >= 0 && drawn++ >= drawnSets_) break;
        const int lines = static_cast<int>(set.points.size()) / 2;
        if (lines <= 0 || !set.buffer) continue;
        device().draw(gfx::Primitive::LineList, gfx::kPosition, set.buffer, lines * 2);
    }
}

void LineList::releaseDeviceObjects() {
    for (LineSet& set : sets_) {
        if (set.buffer) device().destroyBuffer(set.buffer);
        set.buffer = {};
    }
    Mesh::releaseDeviceObjects();
}

void LineList::restoreDeviceObjects() {
    Mesh::restoreDeviceObjects();
    for (LineSet& set : sets_)
        if (!set.buffer && !upload(set)) reportFailure();
}
