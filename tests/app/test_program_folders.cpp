// Where the program reads its art and keeps its settings: beside a portable
// build, in the user's configuration folder for an installed one or for a
// folder that cannot be written.
#include "app/program_folders.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using testsupport::TempDir;

bool alwaysWritable(const String&) { return true; }
bool neverWritable(const String&) { return false; }

String str(const std::string& text) { return String(text.c_str()); }

}  // namespace

TEST(ProgramFolders, PortableInstalledAndReadOnlyLayoutsFindTheirFolders) {
    TempDir dir;
    const std::string portable = dir.file("portable/");
    const std::string prefix = dir.file("prefix/");
    std::filesystem::create_directories(portable + "data");
    std::filesystem::create_directories(prefix + "bin");
    std::filesystem::create_directories(prefix + "share/plastora/data");
    std::filesystem::create_directories(dir.file("bare/bin"));

    struct Case {
        const char* name;
        std::string executable, xdg, home;
        bool (*writable)(const String&);
        std::string data, settings;
        bool installed;
    };
    const Case cases[] = {
        {"portable", portable, "/x/config", "/home/u", alwaysWritable, portable, portable, false},
        {"portable, read-only", portable, "/x/config", "/home/u", neverWritable, portable, "/x/config/plastora/", false},
        {"portable, read-only, no XDG", portable, "", "/home/u", neverWritable, portable, "/home/u/.config/plastora/", false},
        {"portable, read-only, relative XDG", portable, "rel", "/home/u", neverWritable, portable,
         "/home/u/.config/plastora/", false},
        {"portable, read-only, nowhere else", portable, "", "", neverWritable, portable, portable, false},
        {"installed", prefix + "bin/", "/x/config", "/home/u", alwaysWritable, prefix + "share/plastora/",
         "/x/config/plastora/", true},
        {"installed, no XDG", prefix + "bin", "", "/home/u", alwaysWritable, prefix + "share/plastora/",
         "/home/u/.config/plastora/", true},
        {"bin without share", dir.file("bare/bin/"), "/x/config", "/home/u", alwaysWritable, dir.file("bare/bin/"),
         dir.file("bare/bin/"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramFolders folders = programFoldersFor(str(c.executable), str(c.xdg), str(c.home), c.writable);
        EXPECT_EQ(folders.data.str(), c.data);
        EXPECT_EQ(folders.settings.str(), c.settings);
        EXPECT_EQ(folders.installed, c.installed);
    }
}

TEST(ProgramFolders, ANewSettingsFolderStartsWithTheFactorySettingsOnce) {
    TempDir dir;
    ProgramFolders folders;
    folders.data = str(dir.file("share/"));
    folders.settings = str(dir.file("home/.config/plastora/"));
    std::filesystem::create_directories(dir.file("share"));
    String error;
    EXPECT_FALSE(prepareSettingsFolder(folders, error));  // no factory settings to copy
    EXPECT_NE(error.str().find("config.xml"), std::string::npos);

    ASSERT_TRUE(testsupport::writeText(dir.file("share/config.xml"), "<config><logging>1</logging></config>"));
    ASSERT_TRUE(prepareSettingsFolder(folders, error)) << error.text();
    EXPECT_EQ(testsupport::readText(dir.file("home/.config/plastora/config.xml")),
              "<config><logging>1</logging></config>");

    // The user's own settings are never replaced.
    ASSERT_TRUE(testsupport::writeText(dir.file("home/.config/plastora/config.xml"), "<config/>"));
    ASSERT_TRUE(prepareSettingsFolder(folders, error));
    EXPECT_EQ(testsupport::readText(dir.file("home/.config/plastora/config.xml")), "<config/>");

    // A settings folder that cannot be made (a file is in the way).
    ASSERT_TRUE(testsupport::writeText(dir.file("blocked"), "file"));
    folders.settings = str(dir.file("blocked/plastora/"));
    EXPECT_FALSE(prepareSettingsFolder(folders, error));
    EXPECT_NE(error.str().find("settings folder"), std::string::npos);

    // A portable build keeps everything where it is.
    folders.settings = folders.data;
    EXPECT_TRUE(prepareSettingsFolder(folders, error));
}
