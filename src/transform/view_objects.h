// The view objects of the transformation mode's 3D scene: the floor plane,
// the see-through cube around the working space, the degree marks around
// the floor, the coordinate system in the bottom right corner, the light
// direction arrow and the markers of the selected clipping (centre sphere,
// translation arrows, rotation rings, scaling handles, the viewing arrow).
//
// The working space is the box from -1024 to 1024 on every axis: the floor
// and the cube span it, and the degree marks stand just outside it, each at
// the side from which a picture with that yaw was taken.
//
// The floor and the cube are drawn as grids of lines (the floor's tiles, the
// cube's cells on every face): on a software rasteriser a filled see-through
// surface over most of the window costs more than all the pictures, and the
// lines show the same grid without hiding what lies behind.
#pragma once

#include "core/configuration.h"
#include "core/math3d.h"
#include "core/string.h"
#include "render/scene/line_list.h"
#include "render/scene/text3d.h"
#include "render/scene/xfile_mesh.h"
#include "sculpt/clipping_projection.h"
#include "transform/gestures.h"

#include <array>
#include <memory>
#include <vector>

class Camera;
class DxRenderer;

// Half the side of the working space.
inline constexpr float kWorkingSpaceHalf = 1024.0f;

// The scene rotation that turns a model's +z axis to the unit `direction`.
D3DXVECTOR3 rotationTowards(const D3DXVECTOR3& direction);
// The direction light travels for the light angles (degrees): angle turns
// it about the vertical as a clipping's yaw does, angle height tilts it
// downwards (90 straight down).
D3DXVECTOR3 lightDirectionOf(float angle, float angleHeight);

// A degree mark: extruded text lying on the floor, drawn with its own matrix.
class DegreeMark : public Text3d {
public:
    DegreeMark(gfx::GraphicsDevice& device, const String& text, const D3DXMATRIX& placement);
    const D3DXMATRIX& placement() const { return placement_; }
    void render() override;

private:
    D3DXMATRIX placement_;
};

// The matrix that lays the text of a degree mark for `yaw` on the floor at
// `radius`, upright towards the middle, `height` units per em.
D3DXMATRIX degreeMarkPlacement(float yaw, float radius, float height, float textWidth);

// What the markers show of the selected clipping.
struct MarkerPose {
    ClippingPlacement placement;
    PlacementRubric rubric = PlacementRubric::Translation;
    // The gesture keys held (their markers are drawn red).
    std::array<bool, kGestureKeyCount> active{};
    // A scaling gesture is shrinking (its handle shows the smaller model).
    bool shrinking = false;
    // World size of the markers (the arrows are this long).
    float size = 100.0f;
};

class ViewObjects {
public:
    // Cells of the cube's faces per side.
    static constexpr int kCubeCells = 10;
    // The marks at every 45 degrees.
    static constexpr int kMarkCount = 8;
    static constexpr float kMarkRadius = 1120.0f;
    static constexpr float kMarkHeight = 60.0f;

    // Makes the floor, the cube and the marks on `device`; the models are
    // read from "data/xfiles" of `applicationDirectory`.
    ViewObjects(gfx::GraphicsDevice& device, const String& applicationDirectory);
    ~ViewObjects();

    // Takes over the tile count and the flags of the settings.
    void applySettings(const Settings& settings);
    bool showsPlane() const { return plane_; }
    bool showsCube() const { return showCube_; }
    bool showsDegrees() const { return degrees_; }
    bool showsCoordinateSystem() const { return coordinateSystem_; }
    void setShowsPlane(bool show) { plane_ = show; }
    void setShowsCube(bool show) { showCube_ = show; }
    void setShowsDegrees(bool show) { degrees_ = show; }
    void setShowsCoordinateSystem(bool show) { coordinateSystem_ = show; }

    // The light: its angles and the device's directional light.
    void setLight(float angle, float angleHeight);
    float lightAngle() const { return lightAngle_; }
    float lightAngleHeight() const { return lightAngleHeight_; }
    D3DXVECTOR3 lightDirection() const { return lightDirectionOf(lightAngle_, lightAngleHeight_); }
    void applyLight(gfx::GraphicsDevice& device) const;

    // Floor and degree marks (before the clippings).
    void drawGround();
    // The see-through cube (after the clippings).
    void drawCube();
    // The light arrow at `origin`, `size` long.
    void drawLightArrow(const D3DXVECTOR3& origin, float size);
    // The markers of the selected clipping.
    void drawMarkers(const MarkerPose& pose);
    // The coordinate system in the bottom right corner of a width x height
    // view seen by `camera` through `projection`; the depth buffer is
    // cleared first so that nothing hides it. Returns the screen positions
    // of the three arrow tips (x, y, z) for their letters.
    std::array<D3DXVECTOR2, 3> drawCoordinateSystem(DxRenderer& renderer, const Camera& camera, int width,
                                                    int height);

    LineList& floor() const { return *floor_; }
    LineList& cube() const { return *cube_; }
    int floorTiles() const { return tiles_; }
    const std::vector<std::unique_ptr<DegreeMark>>& marks() const { return marks_; }
    // The model of `file` in data/xfiles (loaded on first use).
    XFileMesh& model(const char* file);

private:
    void makeFloor(int tiles);
    void makeCube();

    gfx::GraphicsDevice& device_;
    // The application directory, ending in '/'.
    String folder_;
    std::unique_ptr<LineList> floor_;
    std::unique_ptr<LineList> cube_;
    std::vector<std::unique_ptr<DegreeMark>> marks_;
    std::vector<std::pair<std::string, std::unique_ptr<XFileMesh>>> models_;
    int tiles_ = 0;
    bool plane_ = true;
    bool showCube_ = true;
    bool degrees_ = true;
    bool coordinateSystem_ = true;
    float lightAngle_ = 0.0f;
    float lightAngleHeight_ = 0.0f;
};
