// Triangulation of a flat outline made of closed rings (the outline of a
// glyph): rings nested inside an odd number of other rings are holes. Holes
// are joined to their enclosing ring by bridges and the result is cut into
// triangles by ear clipping; no points are added.
#pragma once

#include <array>
#include <vector>

struct Point2 {
    double x = 0.0;
    double y = 0.0;
};

using Ring = std::vector<Point2>;

// Cleans and orients `rings` in place: repeated points, the repeated closing
// point and points lying on a straight line between their neighbours are
// removed, rings left with fewer than three points or no area are dropped,
// outer rings run counter-clockwise and holes clockwise (y upwards). Returns
// the triangles covering the filled area as index triples into the
// concatenation of the cleaned rings (ring 0's points first), each
// counter-clockwise.
std::vector<std::array<int, 3>> triangulateRings(std::vector<Ring>& rings);

// Twice the signed area of `ring` (positive when counter-clockwise).
double doubleSignedArea(const Ring& ring);
