// "Save 3d Object...": the two dialogs, the formats they choose, the mesh
// naming the texture saved with it, and failures told with their reason.
#include "project/save_object.h"

#include "image/image_entry.h"
#include "project/clipping_elements.h"
#include "project/picture_import.h"
#include "render/image_file.h"
#include "sculpt/mesh_export.h"
#include "sculpt/sculpture.h"
#include "sculpt/texture_atlas.h"
#include "support/disc_views.h"
#include "support/glb_reader.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::TempDir;

String str(const std::string& text) { return String(text.c_str()); }

class RecordingStatus : public StatusSink {
public:
    void setStatus(const String& text) override { texts.push_back(text.str()); }
    void setBusy(bool value) override { busy.push_back(value); }
    void drawFrame() override { ++frames; }
    void clearKeyTable() override { ++keyTableClears; }
    std::vector<std::string> texts;
    std::vector<bool> busy;
    int frames = 0;
    int keyTableClears = 0;
};

// A disc seen from the front and from the side, sculpted coarsely, and
// textured when asked.
class SculptedDisc {
public:
    explicit SculptedDisc(bool textured) : clippings_(images_) {
        list_ = testsupport::addDiscViews(images_, clippings_, true);
        SculptSettings settings;
        settings.depth = 5;
        sculpture = std::make_unique<Sculpture>(settings);
        SilentProgress silent;
        EXPECT_TRUE(sculpture->execute(list_, silent));
        if (textured) texturise(*sculpture, list_, silent);
    }
    std::unique_ptr<Sculpture> sculpture;

private:
    ImageList images_;
    ClippingTable clippings_;
    std::vector<Clipping*> list_;
};

struct Command {
    ScriptedDialogs dialogs;
    RecordingStatus status;
    CommandUi ui{dialogs, dialogs, status};
};

}  // namespace

TEST(SaveObject, WithoutASculptedMeshNothingIsAsked) {
    Command command;
    command.dialogs.answerSaveFile(str("/tmp/never"), 0);
    const SaveObjectResult nothing = saveObjectCommand(nullptr, command.ui);
    EXPECT_TRUE(command.dialogs.calls().empty());
    EXPECT_FALSE(nothing.meshWritten);
    Sculpture empty{SculptSettings{}};
    saveObjectCommand(&empty, command.ui);
    EXPECT_TRUE(command.dialogs.calls().empty());
    EXPECT_TRUE(command.status.busy.empty());
}

TEST(SaveObject, TheTwoDialogsOfferTheFormatsAndWriteWhatTheirFiltersChoose) {
    const SculptedDisc run(true);
    ASSERT_TRUE(run.sculpture->hasTexture());
    // Each texture type in turn, with every mesh type (wrapping round).
    const char* const textureEndings[] = {".bmp", ".dds", ".dib", ".jpg", ".png", ".ppm", ".tga"};
    for (int textureFilter = 0; textureFilter < 7; ++textureFilter) {
        const int meshFilter = textureFilter % kMeshFilterCount;
        SCOPED_TRACE(textureEndings[textureFilter]);
        TempDir dir;
        Command command;
        command.dialogs.answerSaveFile(str(dir.file("head")), meshFilter);
        command.dialogs.answerSaveFile(str(dir.file("skin")), textureFilter);
        const SaveObjectResult result = saveObjectCommand(run.sculpture.get(), command.ui);

        ASSERT_EQ(command.dialogs.calls().size(), 2u);
        const DialogCall& meshDialog = command.dialogs.calls()[0];
        EXPECT_STREQ(meshDialog.caption.text(), "Save mesh");
        ASSERT_EQ(meshDialog.filters.size(), 5u);
        const char* const meshTypes[] = {"obj", "wrl", "glb", "ply", "stl"};
        for (int i = 0; i < 5; ++i) EXPECT_STREQ(meshDialog.filters[static_cast<std::size_t>(i)].description.text(), meshTypes[i]);
        EXPECT_EQ(meshDialog.initialFilter, 0);
        EXPECT_TRUE(meshDialog.cursorVisible);
        const DialogCall& textureDialog = command.dialogs.calls()[1];
        EXPECT_STREQ(textureDialog.caption.text(), "Save texture");
        EXPECT_EQ(textureDialog.filters.size(), 7u);
        EXPECT_EQ(command.status.keyTableClears, 2);

        const std::string texture = dir.file(std::string("skin") + textureEndings[textureFilter]);
        const std::string mesh = dir.file(std::string("head") + meshExtensionForFilter(meshFilter + 1));
        ASSERT_TRUE(result.meshWritten && result.textureWritten && !result.failed);
        EXPECT_EQ(result.texturePath.str(), texture);
        EXPECT_EQ(result.meshPath.str(), mesh);
        // The texture really is in the chosen format: it decodes, at the atlas's size.
        RgbaImage decoded;
        String error;
        ASSERT_TRUE(decodeImageFile(str(texture), decoded, error)) << error.text();
        EXPECT_EQ(decoded.width, run.sculpture->textureImage().width());
        const std::vector<unsigned char> head = testsupport::readBytes(texture);
        const std::string magic(head.begin(), head.begin() + 4);
        const char* const magics[] = {"BM", "DDS ", "BM", "\xFF\xD8", "\x89PNG", "P6", ""};
        const std::string wanted = magics[textureFilter];
        EXPECT_EQ(magic.substr(0, wanted.size()), wanted);

        // The mesh names the texture saved with it (OBJ and VRML) or carries it (GLB).
        if (meshFilter == 0) {
            EXPECT_NE(testsupport::readText(dir.file("head.mtl")).find("map_Kd skin" + std::string(textureEndings[textureFilter])),
                      std::string::npos);
        } else if (meshFilter == 1) {
            EXPECT_NE(testsupport::readText(mesh).find("url \"skin"), std::string::npos);
        } else if (meshFilter == 2) {
            testsupport::GlbMesh glb;
            std::string faults;
            EXPECT_TRUE(testsupport::readGlb(mesh, glb, faults)) << faults;
            EXPECT_EQ(glb.texture.width, run.sculpture->textureImage().width());
        }
        EXPECT_EQ(command.status.busy, (std::vector<bool>{true, false}));
        EXPECT_NE(std::find(command.status.texts.begin(), command.status.texts.end(), "Save texture"),
                  command.status.texts.end());
    }
}

TEST(SaveObject, EachDialogMayBeCancelledOnItsOwn) {
    const SculptedDisc run(true);
    {
        SCOPED_TRACE("mesh cancelled: the texture is still saved");
        TempDir dir;
        Command command;
        command.dialogs.answerCancel();
        command.dialogs.answerSaveFile(str(dir.file("skin.png")), 4);
        const SaveObjectResult result = saveObjectCommand(run.sculpture.get(), command.ui);
        EXPECT_FALSE(result.meshWritten);
        EXPECT_TRUE(result.textureWritten);
        EXPECT_TRUE(testsupport::fileExists(dir.file("skin.png")));
        EXPECT_FALSE(testsupport::fileExists(dir.file("skin.png.png")));
    }
    {
        SCOPED_TRACE("texture cancelled: the mesh names none");
        TempDir dir;
        Command command;
        command.dialogs.answerSaveFile(str(dir.file("head.obj")), 0);
        command.dialogs.answerCancel();
        const SaveObjectResult result = saveObjectCommand(run.sculpture.get(), command.ui);
        EXPECT_TRUE(result.meshWritten);
        EXPECT_FALSE(testsupport::fileExists(dir.file("head.mtl")));
        EXPECT_EQ(testsupport::readText(dir.file("head.obj")).find("mtllib"), std::string::npos);
    }
    {
        SCOPED_TRACE("untextured: only the mesh dialog");
        const SculptedDisc plain(false);
        TempDir dir;
        Command command;
        command.dialogs.answerSaveFile(str(dir.file("head")), 4);
        EXPECT_TRUE(saveObjectCommand(plain.sculpture.get(), command.ui).meshWritten);
        EXPECT_EQ(command.dialogs.calls().size(), 1u);
        EXPECT_TRUE(testsupport::fileExists(dir.file("head.stl")));
    }
}

TEST(SaveObject, AFailedWriteIsToldWithItsReasonAndLeavesTheRestWritten) {
    const SculptedDisc run(true);
    TempDir dir;
    Command command;
    command.dialogs.answerSaveFile(str(dir.file("missing/head")), 0);
    command.dialogs.answerSaveFile(str(dir.file("skin")), 4);
    const SaveObjectResult result = saveObjectCommand(run.sculpture.get(), command.ui);
    EXPECT_TRUE(result.failed);
    EXPECT_TRUE(result.textureWritten);
    EXPECT_FALSE(result.meshWritten);
    ASSERT_EQ(command.dialogs.calls().size(), 3u);
    const DialogCall& told = command.dialogs.calls()[2];
    EXPECT_EQ(told.kind, DialogKind::MessageBox);
    EXPECT_STREQ(told.caption.text(), "Save mesh");
    EXPECT_EQ(told.icon, MessageIcon::Error);
    EXPECT_NE(told.text.str().find("No such file or directory"), std::string::npos) << told.text.text();
    EXPECT_TRUE(told.cursorVisible);

    // A texture that cannot be written: the mesh is still saved, naming no texture.
    Command again;
    ASSERT_TRUE(testsupport::writeText(dir.file("old.obj"), "old mesh"));
    again.dialogs.answerSaveFile(str(dir.file("old.obj")), 0);
    again.dialogs.answerSaveFile(str(dir.file("nowhere/skin")), 0);
    const SaveObjectResult second = saveObjectCommand(run.sculpture.get(), again.ui);
    EXPECT_TRUE(second.failed);
    EXPECT_TRUE(second.meshWritten);
    ASSERT_EQ(again.dialogs.calls().size(), 3u);
    EXPECT_STREQ(again.dialogs.calls()[2].caption.text(), "Save texture");
    EXPECT_EQ(testsupport::readText(dir.file("old.obj")).find("mtllib"), std::string::npos);
    EXPECT_NE(testsupport::readText(dir.file("old.obj")).find("\nf "), std::string::npos);

    // A mesh whose target cannot be replaced keeps what is there.
    ASSERT_TRUE(std::filesystem::create_directory(dir.file("taken.obj")));
    ASSERT_TRUE(testsupport::writeText(dir.file("taken.obj/keep"), "kept"));
    Command third;
    third.dialogs.answerSaveFile(str(dir.file("taken.obj")), 0);
    third.dialogs.answerCancel();
    EXPECT_TRUE(saveObjectCommand(run.sculpture.get(), third.ui).failed);
    EXPECT_EQ(testsupport::readText(dir.file("taken.obj/keep")), "kept");
}
