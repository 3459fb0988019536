// "plastora import PICTURE... -o PROJECT.qz": makes a project from pictures
// without opening a window.
#pragma once

// Runs the import with argv[0] = "import" and the arguments after it. Each
// picture is loaded as "Load Images" would (scaled onto the canvas, its alpha
// channel as the mask), then the project is saved with its companion files
// beside it (".qz" is appended when missing). Progress lines go to standard
// error, a one-line summary to standard output.
// Returns 0 on success; 2 (with the usage on standard error) for bad
// arguments; 1 (with a message naming the file) when a picture cannot be read
// or the project cannot be written. Nothing is written unless every picture
// could be read.
int runImportCommand(int argc, char** argv);
