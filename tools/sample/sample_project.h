// Writes the sample project: one RGBA picture per view of the sample object
// (kept in "pictures/view<i>.png" for reference) and "sample.qz" with its
// image, mask and border files, each image placed where it was taken.
#pragma once

#include <string>

namespace sample {

// Sculpting settings the sample project stores in "config".
inline constexpr float kSampleVoxelSize = 8.0f;
inline constexpr float kSampleSharpening = 2.0f;
inline constexpr float kSampleSmoothing = 1.0f;

// Writes the project into `folder` (created when missing). False with the
// reason in `error` when a picture or the project cannot be written.
bool writeSampleProject(const std::string& folder, std::string& error);

// Photographs of the sample object as if taken on a turntable: `count`
// RGBA pictures "turntable01.png", "turntable02.png" ... (the alpha channel the
// object's silhouette) in `folder` (created when missing). Picture k (from
// 1) is seen from yaw (k - 1) * 360 / count, the camera `elevation` degrees above the
// turntable's plane (pitch -elevation), through the same projection as the
// sample project's pictures. False with the reason in `error`.
bool writeTurntablePictures(const std::string& folder, int count, float elevation, std::string& error);

}  // namespace sample
