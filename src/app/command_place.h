// "plastora place PROJECT.qz --turntable ...|--views ...": places the
// pictures of a saved project.
#pragma once

// Runs the command with argv[0] = "place" and the arguments after it. The
// placement options are those of "plastora import" (PlacementOptions, but
// --no-exif has no use here); the images are placed in the project's order
// as placeImages does (each keeps its field of view), and the project is
// saved again in the same place, safely: every file is written beside its
// final name first, so a failure leaves the project as it was.
// -q, --quiet shows no progress.
// Returns 0 on success; 2 with the usage for bad arguments (including a
// --views list whose length differs from the number of images); 1 with a
// message when the project cannot be read, has no images, has companion
// files that cannot be read (saving would replace them by placeholders), or
// cannot be written. Nothing is written unless the command succeeds.
int runPlaceCommand(int argc, char** argv);
