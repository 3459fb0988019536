// "plastora import PICTURE... -o PROJECT.qz [placement]": makes a project
// from pictures without opening a window.
#pragma once

// Runs the import with argv[0] = "import" and the arguments after it. Each
// picture becomes an image as "Load Images" would make it (scaled onto the
// canvas, its alpha channel as the mask; see loadPictureBatch for how JPEG
// photographs are decoded), the pictures decoded in parallel; then the
// project is saved with its companion files beside it (".qz" is appended
// when missing).
// Placement (see PlacementOptions): --turntable [--elevation DEG]
// [--start DEG] [--clockwise] or --views "YAW,PITCH,ROLL;..." place the
// pictures, in the order given, as placeImages does, the field of view
// taken from the photographs' EXIF data unless --no-exif. Without them the
// pictures keep the default placement (the field of view from EXIF data
// still set, but nothing enabled).
// -q, --quiet shows no progress. Progress goes to standard error, a
// one-line summary to standard output.
// Returns 0 on success; 2 (with the usage on standard error) for bad
// arguments, including a --views list whose length differs from the number
// of pictures and more pictures than a project holds (kMaxProjectImages); 1 (with a message naming the file) when a picture cannot be
// read or the project cannot be written. Nothing is written unless every
// picture could be read and every argument is sound.
int runImportCommand(int argc, char** argv);
