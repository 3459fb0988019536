// "Save 3d Object...": the result of the last sculpting run handed out as a
// mesh file and its texture image, through the platform's save dialogs.
//
// The command asks first for the mesh file ("Save mesh": "obj", "wrl", then
// the further formats "glb", "ply", "stl"), then, when the run has a
// texture, for the texture file ("Save texture": "Bmp" ... "Tga"); each
// dialog may be cancelled on its own. The filter chosen decides the
// extension, appended unless the name already ends with it (exact,
// case-sensitive), and so the format. Only when both names are known is
// anything written: the texture first, then the mesh, which names the
// texture saved in the same command (OBJ through its ".mtl", VRML through an
// ImageTexture); a .glb carries the texture inside and a .ply takes its
// vertex colours from it whether or not a texture file was chosen.
// Every file is written beside its final name and renamed into place, so a
// failed write leaves any file already there as it was; the failure is
// shown in a message box with its reason.
#pragma once

#include "core/string.h"
#include "project/status_sink.h"

#include <vector>

class Sculpture;
struct FileFilter;

// The type list of the mesh dialog, in this order: "obj" "*.obj;", "wrl"
// "*.wrl;", "glb" "*.glb;", "ply" "*.ply;", "stl" "*.stl;".
const std::vector<FileFilter>& meshSaveFilters();

struct SaveObjectResult {
    // The files chosen in the dialogs, with their extensions; empty when a
    // dialog was cancelled or not shown.
    String meshPath;
    String texturePath;
    bool meshWritten = false;
    bool textureWritten = false;
    // A chosen file could not be written (the user was told).
    bool failed = false;
};

// Runs the command on `run` (may be null). Does nothing at all, not even a
// dialog, when there is no run or its mesh has no triangles. While writing,
// `ui.status` shows the busy state, the captions "Save texture" and "Save
// mesh" with a frame drawn after each, and the ready state at the end. Each
// dialog is shown with the system cursor visible and followed by clearing
// the key table.
SaveObjectResult saveObjectCommand(const Sculpture* run, CommandUi& ui);
