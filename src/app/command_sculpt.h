// "plastora sculpt PROJECT.qz -o OUT.obj|.wrl|.glb|.ply|.stl [options]":
// sculpts a saved project without opening a window and writes the mesh.
#pragma once

// Runs the command with argv[0] = "sculpt" and the arguments after it:
//   -o, --output FILE              the mesh file, the format by its ending:
//                                  .obj .wrl .glb .ply .stl
//   --voxel-size D                 octree depth 0 .. 12
//   --sharpening N, --smoothing N  passes (0 .. 100, 0 .. 50)
//   --simplification S             0 .. 1
//   --normal-participation W       0 .. 1000
//   --flat                         face normals instead of vertex normals
//   --texture TEXTURE.ext          also writes the atlas in the format its
//                                  ending names (.bmp .dds .dib .jpg .png
//                                  .ppm .tga, any case); OBJ (through a
//                                  ".mtl" beside it) and VRML name it
//   --no-texture                   no "Texturise"
//   -q, --quiet                    no progress
// "Texturise" runs when --texture is given or the format carries the
// texture itself (.glb embeds it, .ply takes vertex colours from it), unless
// --no-texture. Settings the options leave open come from the project's
// "config" (the others from the sliders' defaults). The project loads
// without a window; each of its problems is one warning line on standard
// error. Progress goes to standard error (see TerminalProgress); on success
// one line "vertices=V triangles=T seconds=S carve=S faces=S sharpen=S
// smooth=S simplify=S texture=S" (each stage's seconds) goes to standard
// output.
// Returns 0 on success; 2 with the usage on standard error for bad
// arguments; 1 with a message when the project cannot be read, nothing in it
// can be sculpted, the carving leaves no surface, the texture or the mesh
// cannot be written; no mesh file is written then.
int runSculptCommand(int argc, char** argv);
