#include "sculpt/fan_lists.h"

#include <algorithm>

void FanLists::build(const SculptMesh& mesh, std::uint32_t room) {
    const std::uint32_t vertices = mesh.vertexSlots();
    count_.assign(vertices, 0);
    for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) {
        if (!mesh.isTriangle(t)) continue;
        const MeshCreationTriangle& tri = mesh.triangle(t);
        ++count_[tri.e];
        ++count_[tri.f];
        ++count_[tri.g];
    }
    layOut(room);
    for (std::uint32_t t = 0; t < mesh.triangleSlots(); ++t) {
        if (!mesh.isTriangle(t)) continue;
        const MeshCreationTriangle& tri = mesh.triangle(t);
        for (int k = 0; k < 3; ++k) {
            const std::uint32_t v = tri.corner(k);
            items_[start_[v] + count_[v]++] = t;
        }
    }
}

void FanLists::build(const SculptMesh& mesh, ParallelRunner& runner, std::uint32_t room) {
    const VertexLists around = mesh.triangleLists(runner);
    const std::uint32_t vertices = mesh.vertexSlots();
    // The lists as gathered, each followed by its room.
    start_.resize(vertices);
    count_.resize(vertices);
    room_.resize(vertices);
    items_.resize(around.items.size() + static_cast<std::size_t>(room) * vertices);
    const ChunkPlan plan{vertices, 16384};
    runner.forEachChunk(plan.chunks(), [&](std::size_t chunk) {
        for (std::size_t v = plan.begin(chunk); v < plan.end(chunk); ++v) {
            const auto list = around.of(static_cast<std::uint32_t>(v));
            const auto size = static_cast<std::uint32_t>(list.size());
            start_[v] = around.start[v] + room * static_cast<std::uint32_t>(v);
            count_[v] = size;
            room_[v] = size + room;
            std::copy(list.begin(), list.end(), items_.begin() + start_[v]);
        }
    });
}

void FanLists::buildEdges(const SculptMesh& mesh, std::uint32_t room) {
    count_.assign(mesh.vertexSlots(), 0);
    for (std::uint32_t i = 0; i < mesh.edgeSlots(); ++i) {
        if (!mesh.isEdge(i)) continue;
        ++count_[mesh.edge(i).a];
        ++count_[mesh.edge(i).b];
    }
    layOut(room);
    for (std::uint32_t i = 0; i < mesh.edgeSlots(); ++i) {
        if (!mesh.isEdge(i)) continue;
        const VertexConnection& edge = mesh.edge(i);
        items_[start_[edge.b] + count_[edge.b]++] = i;
        items_[start_[edge.a] + count_[edge.a]++] = i;
    }
}

void FanLists::layOut(std::uint32_t room) {
    const std::size_t vertices = count_.size();
    start_.resize(vertices);
    room_.resize(vertices);
    std::uint32_t at = 0;
    for (std::size_t v = 0; v < vertices; ++v) {
        start_[v] = at;
        room_[v] = count_[v] + room;
        at += room_[v];
        count_[v] = 0;
    }
    items_.assign(at, kNoIndex);
}

void FanLists::add(std::uint32_t v, std::uint32_t t) {
    if (count_[v] == room_[v]) {
        const std::uint32_t moved = static_cast<std::uint32_t>(items_.size());
        const std::uint32_t room = std::max<std::uint32_t>(4, room_[v] * 2);
        items_.resize(items_.size() + room, kNoIndex);
        std::copy_n(items_.begin() + start_[v], count_[v], items_.begin() + moved);
        start_[v] = moved;
        room_[v] = room;
    }
    items_[start_[v] + count_[v]++] = t;
}

void FanLists::remove(std::uint32_t v, std::uint32_t t) {
    std::uint32_t* first = items_.data() + start_[v];
    std::uint32_t* last = first + count_[v];
    std::uint32_t* found = std::find(first, last, t);
    if (found == last) return;
    std::copy(found + 1, last, found);
    --count_[v];
}
