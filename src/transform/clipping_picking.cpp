#include "transform/clipping_picking.h"

#include "sculpt/clipping_node.h"

std::optional<PointerRay> pointerRay(float x, float y, const ViewGeometry& geometry) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    const D3DXVECTOR3 nearScreen(x, y, 0.0f);
    const D3DXVECTOR3 farScreen(x, y, 1.0f);
    D3DXVECTOR3 nearPoint;
    D3DXVECTOR3 farPoint;
    if (D3DXVec3Unproject(&nearPoint, &nearScreen, &geometry.viewport, &geometry.projection, &geometry.view,
                          &identity) == nullptr ||
        D3DXVec3Unproject(&farPoint, &farScreen, &geometry.viewport, &geometry.projection, &geometry.view,
                          &identity) == nullptr)
        return std::nullopt;
    PointerRay ray;
    ray.origin = nearPoint;
    const D3DXVECTOR3 along = farPoint - nearPoint;
    D3DXVec3Normalize(&ray.direction, &along);
    if (D3DXVec3LengthSq(&ray.direction) == 0.0f) return std::nullopt;
    return ray;
}

PickResult pickClipping(const std::vector<ClippingNode*>& nodes, const PointerRay& ray) {
    PickResult result;
    for (size_t i = 0; i < nodes.size(); ++i) {
        float distance = 0.0f;
        if (nodes[i] == nullptr || !nodes[i]->pick(ray.origin, ray.direction, distance)) continue;
        if (result.index >= 0 && distance >= result.distance) continue;
        result.index = static_cast<int>(i);
        result.distance = distance;
    }
    return result;
}
