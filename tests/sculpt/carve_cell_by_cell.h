// Carving without any shortcut: every child of every kept cube asked whether
// it is settled, level by level. What the carver keeps is checked against it.
#pragma once

#include "sculpt/octree_carving.h"

#include <span>
#include <vector>

// The cubes of level `depth` kept when each child is kept unless
// settled(list, centre, radius) says it is settled.
template <typename Settled>
std::vector<CellKey> carveCellByCell(std::span<const SculptClipping* const> list, int depth, const LevelTables& tables,
                                     Settled settled) {
    std::vector<CellKey> level{0};
    for (int l = 0; l < depth; ++l) {
        std::vector<CellKey> next;
        for (CellKey parent : level) {
            std::uint32_t x = 0, y = 0, z = 0;
            cellPosition(parent, x, y, z);
            for (std::uint32_t bits = 0; bits < 8; ++bits) {
                const D3DXVECTOR3 centre =
                    cellCentre(2 * x + (bits >> 2), 2 * y + ((bits >> 1) & 1), 2 * z + (bits & 1), l + 1, tables);
                if (!settled(list, centre, tables.radius[l + 1])) next.push_back((parent << 3) | bits);
            }
        }
        level.swap(next);
    }
    return level;
}
