// LineList: a mesh drawn as lines. It holds line sets, each a vertex buffer
// of positions (12 bytes per point) in which every two consecutive points
// form one line.
#pragma once

#include "render/scene/mesh.h"

#include <span>
#include <vector>

class LineList : public Mesh {
public:
    explicit LineList(gfx::GraphicsDevice& device, int typeNumber = classType());
    ~LineList() override;

    // Appends a line set made from `points` and returns true. An empty list
    // adds nothing and returns false. When the device refuses the buffer,
    // "Could not create vertex buffer" is logged at "LineList" and "Error
    // occurred in creating line list buffer" printed; nothing is added.
    bool addLineSet(std::span<const D3DXVECTOR3> points);
    // Gives back and forgets every line set.
    void clearLineSets();
    int lineSetCount() const { return static_cast<int>(sets_.size()); }
    // Points of line set `index`.
    int pointCount(int index) const { return static_cast<int>(sets_[static_cast<size_t>(index)].points.size()); }
    // The points of line set `index`.
    const std::vector<D3DXVECTOR3>& points(int index) const { return sets_[static_cast<size_t>(index)].points; }

    // Material, render states, world matrix, textures (when on), then for
    // each drawn line set with points one draw of (point count / 2) lines.
    void render() override;
    // Only the first `count` line sets are drawn from now on (a negative
    // count: all of them).
    void setDrawnSets(int count) { drawnSets_ = count; }
    void renderFirstChunk() override { render(); }
    void releaseDeviceObjects() override;
    void restoreDeviceObjects() override;

    static int classType();

private:
    struct LineSet {
        std::vector<D3DXVECTOR3> points;
        gfx::BufferHandle buffer;
    };
    bool upload(LineSet& set);
    void reportFailure();

    std::vector<LineSet> sets_;
    int drawnSets_ = -1;
};
