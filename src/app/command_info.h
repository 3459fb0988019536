// "plastora info PROJECT.qz [--json]": what a project holds and whether it
// can be sculpted.
//
// The JSON form (--json) is meant for scripts and stays stable: fields are
// only ever added, never renamed or dropped, and "version" grows when they
// are. docs/COMMAND_LINE.md describes every field.
#pragma once

#include <string>

class ImageList;
class ClippingTable;
struct ProjectSettings;
struct ProjectLoadReport;

// Runs the command with argv[0] = "info" and the arguments after it. The
// text (or with --json the JSON document) goes to standard output.
// Returns 0 when the project could be read (whether or not it can be
// sculpted); 1 with a message when it cannot be read; 2 with the usage for
// bad arguments.
int runInfoCommand(int argc, char** argv);

// The JSON document of a loaded project (`path` as given).
std::string projectInfoJson(const std::string& path, const ImageList& images, const ClippingTable& clippings,
                            const ProjectSettings& settings, const ProjectLoadReport& report);
