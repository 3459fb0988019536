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

}  // namespace sample
