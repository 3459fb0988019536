// The clipping elements of a project: every field through a save and load,
// elements in any order, and damaged values refused without harm.
#include "project/clipping_elements.h"

#include "project/project_file.h"

#include "core/xml.h"
#include "image/image_entry.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

using testsupport::TempDir;

// An image with a filled rectangle in its mask.
void addImage(ImageList& images) {
    Image mask(Image::kCanvasSide, Image::kCanvasSide);
    for (int y = 100; y < 300; ++y) {
        for (int x = 150; x < 350; ++x) mask.setPixel(x, y, Rgb{255, 255, 255});
    }
    auto entry = std::make_unique<ImageEntry>(Image(), Image(Image::kCanvasSide, Image::kCanvasSide, Rgb{9, 80, 200}),
                                              std::move(mask));
    entry->setName(String().append(images.nextImageNumber()));
    images.append(std::move(entry));
}

ClippingRecord unusualRecord() {
    ClippingRecord record;
    record.placement.translation = D3DXVECTOR3(12.5f, -40.25f, 3.0f);
    record.placement.rotation = D3DXVECTOR3(0.5f, -1.25f, 2.0f);
    record.placement.scaling = D3DXVECTOR3(900.0f, 1.75f, 2.25f);
    record.placement.angle = 135.0f;
    record.placement.angleheight = -30.5f;
    record.placement.angleimage = 7.0f;
    record.placement.fovSet = true;
    record.placement.fovX = 1.25f;
    record.placement.fovY = 2.0f;
    ClippingFlags& flags = record.flags;
    flags.enabled = true;
    flags.forsculpting = false;
    flags.addingvoxels = false;
    flags.fortexturing = false;
    flags.textureonlyinside = true;
    flags.texturetakesmask = false;
    flags.participateinsharpening = false;
    flags.texturestrength = 7;
    flags.texturebothsides = true;
    record.depth = 0.25f;
    return record;
}

void expectSameRecord(const ClippingRecord& a, const ClippingRecord& b) {
    const ClippingPlacement& p = a.placement;
    const ClippingPlacement& q = b.placement;
    EXPECT_FLOAT_EQ(p.translation.x, q.translation.x);
    EXPECT_FLOAT_EQ(p.translation.y, q.translation.y);
    EXPECT_FLOAT_EQ(p.translation.z, q.translation.z);
    EXPECT_FLOAT_EQ(p.rotation.x, q.rotation.x);
    EXPECT_FLOAT_EQ(p.rotation.y, q.rotation.y);
    EXPECT_FLOAT_EQ(p.rotation.z, q.rotation.z);
    EXPECT_FLOAT_EQ(p.scaling.x, q.scaling.x);
    EXPECT_FLOAT_EQ(p.scaling.y, q.scaling.y);
    EXPECT_FLOAT_EQ(p.scaling.z, q.scaling.z);
    EXPECT_FLOAT_EQ(p.angle, q.angle);
    EXPECT_FLOAT_EQ(p.angleheight, q.angleheight);
    EXPECT_FLOAT_EQ(p.angleimage, q.angleimage);
    EXPECT_EQ(p.fovSet, q.fovSet);
    EXPECT_FLOAT_EQ(p.fovX, q.fovX);
    EXPECT_FLOAT_EQ(p.fovY, q.fovY);
    EXPECT_FLOAT_EQ(a.depth, b.depth);
    const ClippingFlags& f = a.flags;
    const ClippingFlags& g = b.flags;
    EXPECT_EQ(f.enabled, g.enabled);
    EXPECT_EQ(f.forsculpting, g.forsculpting);
    EXPECT_EQ(f.addingvoxels, g.addingvoxels);
    EXPECT_EQ(f.fortexturing, g.fortexturing);
    EXPECT_EQ(f.textureonlyinside, g.textureonlyinside);
    EXPECT_EQ(f.texturetakesmask, g.texturetakesmask);
    EXPECT_EQ(f.participateinsharpening, g.participateinsharpening);
    EXPECT_EQ(f.texturestrength, g.texturestrength);
    EXPECT_EQ(f.texturebothsides, g.texturebothsides);
}

// An "entry" whose clipping elements are given as text lines.
std::unique_ptr<XmlNode> parseEntry(const std::string& elements) {
    const std::string text = "<entry imagename=image0.bmp maskname=mask0.bmp><border right=0 bottom=0></border>"
                             "<rotationcenter x=1 y=2></rotationcenter>" + elements + "</entry>";
    XmlDocument parsed;
    parsed.parseBuffer(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    // The document owns its tree: copy the children into a free entry.
    auto entry = std::make_unique<XmlNode>(String("entry"));
    const XmlNode* source = parsed.root();
    EXPECT_NE(source, nullptr);
    if (source == nullptr) return entry;
    for (int i = 0; i < source->childCount(); ++i) {
        const XmlNode* child = source->child(i);
        XmlNode* copy = entry->addChild(child->name(), child->text());
        for (int a = 0; a < child->attributeCount(); ++a) {
            copy->addAttribute(child->attribute(a).name, child->attribute(a).value);
        }
    }
    return entry;
}

}  // namespace

TEST(ClippingElements, EveryFieldSurvivesSaveAndLoadOfAProject) {
    TempDir dir;
    ImageList saved;
    ClippingTable savedClippings(saved);
    addImage(saved);
    addImage(saved);
    ASSERT_NE(savedClippings.clipping(1), nullptr);
    const ClippingRecord record = unusualRecord();
    applyRecord(record, *savedClippings.clipping(1));
    savedClippings.clipping(1)->setImagePlane(0.25f);  // depth is the plane set aside while saving
    StatusSink quiet;
    const ProjectSaveResult result =
        saveProject(String(dir.file("p.qz").c_str()), saved, ProjectSettings{}, quiet, &savedClippings);
    ASSERT_TRUE(result.saved) << result.error.text();
    EXPECT_FLOAT_EQ(savedClippings.clipping(1)->placement().imagePlane, 0.25f);  // restored after saving

    ImageList loaded;
    addImage(loaded);  // an image already there keeps its place
    ClippingTable loadedClippings(loaded);
    ProjectSettings settings;
    const ProjectLoadReport report = loadProject(result.projectPath, loaded, settings, quiet, &loadedClippings);
    ASSERT_TRUE(report.opened);
    EXPECT_TRUE(loadedClippings.problems().empty());
    ASSERT_EQ(loaded.imageCount(), 3);
    ASSERT_NE(loadedClippings.clipping(2), nullptr);
    expectSameRecord(recordOf(*loadedClippings.clipping(2)), record);
    EXPECT_FLOAT_EQ(loadedClippings.clipping(2)->placement().imagePlane, 0.25f);
    expectSameRecord(recordOf(*loadedClippings.clipping(1)), recordOf(*savedClippings.clipping(0)));
    // Enabled but neither sculpting nor texturing: no markers.
    EXPECT_FALSE(loaded.entry(2)->usedForSculpting);
    EXPECT_FALSE(loaded.entry(2)->usedForTexturing);
}

TEST(ClippingElements, WrittenInTheirOrderAndFoundByNameInAnyOrder) {
    XmlNode entry{String("entry")};
    entry.addChild(String("border"));
    entry.addChild(String("rotationcenter"));
    writeClippingElements(unusualRecord(), entry);
    const char* order[] = {"enabled",     "forsculpting",  "addingvoxels",     "fortexturing",
                           "textureonlyinside", "texturetakesmask", "participateinsharpening", "texturestrength",
                           "texturebothsides",  "translation",  "rotation", "angles", "scaling", "fov", "depth"};
    ASSERT_EQ(entry.childCount(), 17);
    for (int i = 0; i < 15; ++i) EXPECT_STREQ(entry.child(i + 2)->name().text(), order[i]);
    EXPECT_STREQ(entry.child(11)->attribute(0).value.text(), "12.500000");
    EXPECT_STREQ(entry.child(15)->attribute(0).value.text(), "1");

    auto shuffled = parseEntry(
        "<depth>0.25</depth><fov set=1 x=1.25 y=2></fov><scaling x=900 y=1.75 z=2.25></scaling>"
        "<texturestrength>7</texturestrength><angles angle=135 angleheight=-30.5 angleimage=7></angles>"
        "<unknown>5</unknown><rotation x=0.5 y=-1.25 z=2></rotation><translation x=12.5 y=-40.25 z=3></translation>"
        "<texturebothsides>1</texturebothsides><participateinsharpening>0</participateinsharpening>"
        "<texturetakesmask>0</texturetakesmask><textureonlyinside>3</textureonlyinside>"
        "<fortexturing>0</fortexturing><addingvoxels>0</addingvoxels><forsculpting>0</forsculpting>"
        "<enabled>1junk</enabled>");
    std::vector<String> problems;
    expectSameRecord(readClippingElements(*shuffled, String("7"), problems), unusualRecord());
    EXPECT_TRUE(problems.empty());
}

TEST(ClippingElements, AbsurdOrUnreadablePlacementsAreRefusedAndDefaultsKept) {
    const std::string good = "<enabled>1</enabled><translation x=1 y=2 z=3></translation>";
    const std::string bad[] = {
        "<scaling x=0 y=1 z=1></scaling>",      "<scaling x=1500 y=-1 z=1></scaling>",
        "<scaling x=nan y=1 z=1></scaling>",    "<translation x=abc y=0 z=0></translation>",
        "<angles angle=inf angleheight=0 angleimage=0></angles>",
        "<fov set=1 x=0 y=1></fov>",            "<scaling x=1500 y=1></scaling>",
        "<depth>nan</depth>",                   "<translation x=1e30 y=0 z=0></translation>"};
    for (const std::string& element : bad) {
        SCOPED_TRACE(element);
        auto entry = parseEntry(good + element);
        std::vector<String> problems;
        const ClippingRecord record = readClippingElements(*entry, String("4"), problems);
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_NE(problems[0].view().find("Image 4"), std::string_view::npos);
        expectSameRecord(record, ClippingRecord());
    }
    // A flag that is no number keeps its default; the rest is taken.
    auto entry = parseEntry(good + "<forsculpting>yes</forsculpting><texturestrength></texturestrength>");
    std::vector<String> problems;
    const ClippingRecord record = readClippingElements(*entry, String("4"), problems);
    EXPECT_EQ(problems.size(), 2u);
    EXPECT_TRUE(record.flags.enabled);
    EXPECT_TRUE(record.flags.forsculpting);
    EXPECT_EQ(record.flags.texturestrength, 1);
    EXPECT_FLOAT_EQ(record.placement.translation.z, 3.0f);
}

TEST(ClippingElements, TableFollowsTheImageList) {
    ImageList images;
    addImage(images);
    ClippingTable table(images);
    addImage(images);
    addImage(images);
    Clipping* first = table.clipping(0);
    Clipping* third = table.clipping(2);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(&first->entry(), images.entry(0));
    ASSERT_TRUE(images.moveDown(0));
    EXPECT_EQ(table.clipping(1), first);
    EXPECT_EQ(&table.clipping(1)->entry(), images.entry(1));
    ASSERT_TRUE(images.remove(1));
    EXPECT_EQ(table.clipping(1), nullptr);
    EXPECT_EQ(table.clipping(2), third);
    EXPECT_EQ(table.clipping(-1), nullptr);
    EXPECT_EQ(table.clipping(9), nullptr);
    // A mask change reaches the clipping: it is out of date until it catches
    // up, and then the cleared mask leaves no silhouette.
    ImageEntry& entry = *images.entry(2);
    ASSERT_TRUE(third->hasSilhouette());
    EXPECT_FALSE(third->isOutOfDate());
    setMaskValue(entry.mask, 0);
    entry.border->markChanged();
    entry.notifyClipping();
    EXPECT_TRUE(third->isOutOfDate());
    EXPECT_TRUE(third->updateIfOutOfDate());
    EXPECT_FALSE(third->hasSilhouette());
    EXPECT_FALSE(third->updateIfOutOfDate());
}
