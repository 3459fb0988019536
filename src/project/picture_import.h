// Pictures and masks in and out of the workspace: loading photos as new
// images, "Load Images", "Save Images", "Save Image", "Save Mask (Color
// Channel)", "Load Mask (Color Channel)" and "Load Mask (Alpha Channel)".
//
// Pictures are read and written by the picture codecs (BMP, DDS, DIB, JPG,
// PNG, PPM and TGA, and HDR and PFM for reading). Every file is written under
// a temporary name and renamed into place.
//
// Export names. The extension comes from the type the user chose in the save
// dialog, never from the typed name: a typed extension is kept and the chosen
// one is appended after it ("pic.bmp" with "Jpg" gives "pic.bmp.jpg").
// "Save Images" numbers its files by list position from 1 ("pic1.png",
// "pic2.png", ...; an empty slot leaves its number unused).
#pragma once

#include "core/string.h"
#include "project/platform_dialogs.h"
#include "project/status_sink.h"

#include <vector>

class ClippingTable;
class ImageList;
struct ImageEntry;

// --- file types and names ------------------------------------------------------

// Number of picture types offered by save dialogs ("Bmp" to "Tga").
inline constexpr int kSaveFormatCount = 7;

// The type list of save dialogs: "Bmp", "Dds", "Dib", "Jpg", "Png", "Ppm",
// "Tga" with the patterns "*.bmp;" ... "*.tga;".
const std::vector<FileFilter>& pictureSaveFilters();
// The type list of open dialogs: "All supported formats" first, then the
// seven of the save dialogs.
const std::vector<FileFilter>& pictureOpenFilters();
// The extension (".bmp", ... ".tga") of save-dialog type `filterIndex`
// (0-based); an index outside the list gives ".bmp".
const char* extensionOfSaveFilter(int filterIndex);
// `chosen` with the type's extension appended ("%s%s").
String exportFileName(const String& chosen, int filterIndex);
// `chosen`, then `number`, then the type's extension ("%s%d%s").
String numberedExportFileName(const String& chosen, int number, int filterIndex);

// --- refusals ------------------------------------------------------------------

enum class PictureCommand { SaveImages, SaveImage, SaveMask, LoadMaskColour, LoadMaskAlpha };

// The help text that explains why `command` cannot run now (no image loaded,
// or none selected for the per-image commands); empty when it can.
String pictureCommandRefusal(PictureCommand command, const ImageList& images);

// --- loading pictures ------------------------------------------------------------

// Loads one picture file as a new image at the end of the list and returns
// its slot. The image is named with the next value of the list's image
// counter (1, 2, 3 ... over the run). The picture is scaled to fit the canvas
// and embedded in it; an alpha channel becomes the mask with every covered
// pixel at `maskValue` and the frame and margins cleared; without one the
// mask is empty. While adding, the sink shows the busy state and draws a
// frame (the caller ends the busy state). A file that cannot be decoded (no
// picture, damaged, missing, too large) adds nothing: -1, and `error` (when
// given) receives the reason; it is emptied otherwise.
int loadOnePicture(ImageList& images, const String& path, unsigned char maskValue, StatusSink& status,
                   String* error = nullptr);

// What loading several pictures did.
struct PictureLoadReport {
    int loaded = 0;  // images added
    // One line "path: reason" for each file that could not be decoded and
    // was left out.
    std::vector<String> failures;
};

// The work of "Load Images" after the dialog: a frame, progress 0, busy;
// the pictures are read on every core at once (at their own size); each
// one finished shows as status "Load image %s" with the progress of the
// pictures read so far (a frame at most every 150 ms). They join the list
// in their order as soon as they and those before them are read; files
// that cannot be decoded are left out and listed. At the end the
// status tells how many were loaded ("3 images loaded.", "2 of 3 images
// loaded."), progress 100 and the busy state ends. With `clippings` (the
// table that follows `images`) each picture's clipping is made on the
// thread that read it and added with it.
PictureLoadReport loadPictures(ImageList& images, const std::vector<String>& paths, unsigned char maskValue,
                               StatusSink& status, ClippingTable* clippings = nullptr);

// "Load Images": the multi-file open dialog (title "Load Images", the open
// type list), then loadPictures; files left out are listed in a message box.
// A cancelled dialog loads nothing.
PictureLoadReport loadImagesCommand(ImageList& images, CommandUi& ui, unsigned char maskValue,
                                    ClippingTable* clippings = nullptr);

// Tells the user in one message box which files were no pictures ("path:
// reason" each, the first ten); nothing when the list is empty.
void reportUnreadablePictures(CommandUi& ui, const std::vector<String>& failures);

// --- file commands -----------------------------------------------------------------

enum class CommandResult {
    Done,       // everything was written or loaded
    Cancelled,  // the dialog was cancelled; nothing changed
    Refused,    // nothing loaded or selected; the refusal text went to the sink
    Failed      // a file could not be read or written; the user was told
};

// Writes the working copy with the mask as alpha channel (the full canvas,
// margins included). Mask pixels in the margins (x >= width - marginRight or
// y >= height - marginBottom) are cleared first, in the mask itself. Formats
// without alpha (JPG, PPM) get the picture only. False when the file could
// not be written (logged).
bool saveEntryPicture(ImageEntry& entry, const String& fileName);

// Writes the mask as a grey picture. False when the file could not be
// written (logged).
bool saveEntryMask(const ImageEntry& entry, const String& fileName);

enum class MaskChannel { Colour, Alpha };

// Adds a picture's colour (or alpha) channel to the entry's mask: the file
// is scaled to fit the canvas and placed at its top left; every pixel that is
// not black sets the mask pixel to (maskValue, maskValue, maskValue), black
// pixels leave the mask as it was (the file adds, never removes). Then the
// mask's frame and margins are cleared, the entry and its border are marked
// changed and the textures refreshed. A file that cannot be decoded, or
// asked for its alpha channel while it has none, leaves the mask unchanged
// and gives false with the reason in `error`.
bool addMaskFromFile(ImageEntry& entry, const String& path, MaskChannel channel, unsigned char maskValue,
                     String& error);

// "Save Images": save dialog "Save Images" (type "Bmp" preselected); each
// image of slot i goes to numberedExportFileName(chosen, i + 1, type) with
// progress 100 / slots * i, status "Save image %s", busy, a frame, and
// saveEntryPicture. Refused without images. Files that could not be written
// are listed in a message box.
CommandResult saveImagesCommand(ImageList& images, CommandUi& ui);

// "Save Image": save dialog "Save Image"; the selected image goes to
// exportFileName(chosen, type) with status "Save Image %s". Refused without a
// selected image.
CommandResult saveImageCommand(ImageList& images, CommandUi& ui);

// "Save Mask (Color Channel)": save dialog "Save Mask (Color Channel)"; the
// selected image's mask goes to exportFileName(chosen, type) as a grey
// picture, status "Save Mask %s (Color Channel)...". Refused without a
// selected image.
CommandResult saveMaskCommand(ImageList& images, CommandUi& ui);

// "Load Mask (Color Channel)" / "Load Mask (Alpha Channel)": open dialog of
// that title (open type list), status "Load Mask %s (Color Channel)..." or
// "Load Mask %s (Alpha Channel)...", a frame, then addMaskFromFile on the
// selected image. Refused without a selected image; a file that cannot be
// used is reported in a message box and the mask stays as it was.
CommandResult loadMaskCommand(ImageList& images, CommandUi& ui, MaskChannel channel, unsigned char maskValue);
