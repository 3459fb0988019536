// Loading many photographs at once for a new project, on every core.
//
// The command line does not keep a full-size picture: only the working copy
// (the picture scaled to fit the canvas) and the mask go into a project. So
// JPEG photographs are decoded by libjpeg-turbo at the smallest of its
// reduced scales (1/2, 1/4, 1/8, ...) whose longer side still reaches the
// canvas side: the decoder averages in its transform what the box filter of
// the working copy would average afterwards, and the working copy comes out
// the same size and geometry as from the full picture. The entry keeps that
// reduced picture as its bigger image. Every other format, and any JPEG
// libjpeg-turbo refuses, goes through the ordinary loader.
#pragma once

#include "core/string.h"
#include "image/image_entry.h"

#include <functional>
#include <memory>
#include <vector>

class Clipping;

struct LoadedPicture {
    LoadedPicture();
    LoadedPicture(LoadedPicture&&) noexcept;
    LoadedPicture& operator=(LoadedPicture&&) noexcept;
    ~LoadedPicture();

    // Never null: a file that could not be decoded gives the red placeholder.
    std::unique_ptr<ImageEntry> entry;
    // The entry's clipping, when asked for (PictureBatchOptions); hand both
    // to ClippingTable::appendWithClipping.
    std::unique_ptr<Clipping> clipping;
    // Why the file could not be decoded; empty when it could.
    String error;
    // tan(horizontal angle of view / 2) from the photograph's EXIF data; 0
    // when unknown or not read.
    double tanHalfWidth = 0.0;
};

struct PictureBatchOptions {
    // Every set pixel of an alpha-channel mask gets this value.
    unsigned char maskValue = 255;
    // Read the camera's angle of view from EXIF data.
    bool readExif = true;
    // Worker threads; 0 for one per core.
    int threads = 0;
    // Also make each entry's clipping (silhouette grid and projection) on
    // the worker threads.
    bool makeClippings = false;
    // Keep every picture at its own size as the entry's bigger image (the
    // program's window cuts objects out of it); JPEG files are then decoded
    // at full size too.
    bool keepFullPicture = false;
    // Called on the calling thread for each picture as soon as it is
    // finished (before `progress`), with its index into the paths; it may
    // take the picture's entry (and clipping) for itself, so that the work
    // that follows overlaps with the pictures still being read.
    std::function<void(int index, LoadedPicture& picture)> handOver;
};

// Loads `paths[k]` as an entry named `numbers[k]` (the two lists have the
// same length), in parallel. `progress(index, done, total)` (may be empty)
// is called on the calling thread once for each picture finished (`index`
// into `paths`, `done` pictures finished so far). The result is in the order
// of `paths`.
std::vector<LoadedPicture> loadPictureBatch(const std::vector<String>& paths, const std::vector<int>& numbers,
                                            const PictureBatchOptions& options,
                                            const std::function<void(int index, int done, int total)>& progress);

// Decodes a JPEG file in memory with libjpeg-turbo at the reduced scale
// described above (an RGB image of the reduced size). False, leaving
// `picture` invalid, when the data is no JPEG libjpeg-turbo can decode to
// RGB or exceeds the picture size limits. `width` and `height` receive the
// file's own size.
bool decodeJpegForCanvas(const unsigned char* bytes, std::size_t count, Image& picture, int& width, int& height);
