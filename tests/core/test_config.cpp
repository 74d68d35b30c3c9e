// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration file: key-by-key INI reading and writing in CP949, the
// window geometry with its defaults, the work folder, and the text of the
// general error report.
#include "TestFiles.h"
#include "core/text/Cp949.h"
#include "core/io/ErrorText.h"
#include "core/config/IniFile.h"
#include "core/config/WorkFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace quill;

namespace {

std::string cp(const char* utf8) { return *encodeCp949(utf8).bytes; }

const std::string kMain = cp("간편장부");
const std::string kWork = cp("작업폴더");

// A folder nobody can create files in, whoever runs the tests: its path
// runs through a regular file.
std::string unwritableFolder(const TempFolder& tmp)
{
    writeAll(tmp.file("plainfile"), "x");
    return tmp.file("plainfile") + "/program/";
}

} // namespace

TEST(IniFile, ParsesIntegersAsTheConfigurationWritesThem)
{
    struct Case {
        const char* text;
        std::optional<int> value;
    } cases[] = {
        {"80", 80},       {" 80 ", 80},     {"-80", -80},      {"+7", 7},       {"0x20", 32},
        {"0X1f", 31},     {"$20", 32},      {"$fF", 255},      {"-0x10", -16},  {"0", 0},
        {"2147483647", 2147483647},         {"-2147483648", -2147483647 - 1},   {"2147483648", std::nullopt},
        {"0x80000000", std::nullopt},       {"", std::nullopt}, {"abc", std::nullopt}, {"12px", std::nullopt},
        {"0x", std::nullopt},               {"$", std::nullopt}, {"1 2", std::nullopt}, {"0x1g", std::nullopt},
        {"99999999999999999999", std::nullopt}, {"- 5", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseIniInteger(c.text), c.value) << '"' << c.text << '"';
}

TEST(IniFile, ReadsKeysByTheUsualConventions)
{
    TempFolder tmp;
    const std::string path = tmp.file("a.ini");
    writeAll(path, "; comment\r\n[other]\r\nfTop=1\r\n[" + kMain +
                       "]\r\n  FTOP = 0x20 \r\n# fLft=5\r\nfWid=\"960\"\r\nfTop=99\r\nempty=\r\n[" + kMain +
                       "]\r\nfHgt=7\r\n");
    EXPECT_EQ(ReadIniValue(path, kMain, "fTop"), "0x20");        // case, blanks; the first key wins
    EXPECT_EQ(ReadIniValue(path, kMain, "fWid"), "960");         // quotes removed
    EXPECT_EQ(ReadIniValue(path, kMain, "empty"), "");
    EXPECT_EQ(ReadIniValue(path, kMain, "fLft"), std::nullopt);   // commented out
    EXPECT_EQ(ReadIniValue(path, kMain, "fHgt"), std::nullopt);   // the first section wins
    EXPECT_EQ(ReadIniValue(path, "other", "fTop"), "1");
    EXPECT_EQ(ReadIniValue(path, "missing", "fTop"), std::nullopt);
    EXPECT_EQ(ReadIniValue(tmp.file("none.ini"), kMain, "fTop"), std::nullopt);
    EXPECT_EQ(ReadIniInteger(path, kMain, "fTop", 80), 32);
    EXPECT_EQ(ReadIniInteger(path, kMain, "empty", 80), 80);
    EXPECT_EQ(ReadIniInteger(path, kMain, "fLft", -3), -3);

    // Line endings doubled or left half by a conversion.
    writeAll(path, "[" + kMain + "]\r\r\nfTop=20\r\r\nfLft=30\r");
    EXPECT_EQ(ReadIniInteger(path, kMain, "fTop", 80), 20);
    EXPECT_EQ(ReadIniInteger(path, kMain, "fLft", 80), 30);

    writeAll(path, "[s]\nk=" + std::string(3000, 'x') + "\n");
    EXPECT_EQ(ReadIniValue(path, "s", "k")->size(), kIniValueLimit);
}

TEST(IniFile, WritingOneKeyLeavesEveryOtherLineAsItWas)
{
    TempFolder tmp;
    const std::string path = tmp.file("a.ini");
    const std::string before = "; kept\r\n[" + kMain + "]\r\nfTop=80\r\n  wPath = old \r\n\r\n[" + kWork +
                               "]\r\nwPath=/old/\r\nother=1\r\n\r\n[tail]\r\nx=y";
    writeAll(path, before);

    ASSERT_TRUE(WriteIniValue(path, kWork, "WPATH", cp("/새 폴더/")));
    std::string expected = before;
    expected.replace(expected.find("wPath=/old/"), 11, "wPath=" + cp("/새 폴더/"));
    EXPECT_EQ(readAll(path), expected);
    EXPECT_EQ(ReadIniValue(path, kWork, "wPath"), cp("/새 폴더/"));
    EXPECT_EQ(ReadIniValue(path, kMain, "wPath"), "old");

    // A new key goes to the end of its section, before the blank line.
    ASSERT_TRUE(WriteIniValue(path, kWork, "added", "2"));
    EXPECT_NE(readAll(path).find("other=1\r\nadded=2\r\n\r\n[tail]"), std::string::npos);
    // A new key in the last section, which has no final line break.
    ASSERT_TRUE(WriteIniValue(path, "tail", "z", "1"));
    EXPECT_NE(readAll(path).find("[tail]\r\nx=y\r\nz=1\r\n"), std::string::npos);
    // A new section at the end.
    ASSERT_TRUE(WriteIniValue(path, "new", "k", "v"));
    EXPECT_EQ(readAll(path).substr(readAll(path).size() - 12), "[new]\r\nk=v\r\n");
    EXPECT_EQ(ReadIniValue(path, "tail", "x"), "y");
}

TEST(IniFile, CreatesTheFileAndKeepsItsLineEndings)
{
    TempFolder tmp;
    const std::string created = tmp.file("new.ini");
    ASSERT_TRUE(WriteIniValue(created, kWork, "wPath", "/a/"));
    EXPECT_EQ(readAll(created), "[" + kWork + "]\r\nwPath=/a/\r\n");

    const std::string unixFile = tmp.file("unix.ini");
    writeAll(unixFile, "[s]\na=1\n");
    ASSERT_TRUE(WriteIniValue(unixFile, "s", "b", "2"));
    EXPECT_EQ(readAll(unixFile), "[s]\na=1\nb=2\n");
}

TEST(IniFile, RefusesWhatCannotBeWritten)
{
    TempFolder tmp;
    const std::string folder = unwritableFolder(tmp);
    IoResult r = WriteIniValue(folder + "quillcfg.ini", kWork, "wPath", "/a/");
    EXPECT_FALSE(r);
    EXPECT_EQ(r.message, "Unable to write to " + folder + "quillcfg.ini");

    // A line break in a value would break the file apart.
    const std::string path = tmp.file("a.ini");
    writeAll(path, "[s]\nk=1\n");
    EXPECT_FALSE(WriteIniValue(path, "s", "k", "a\nb"));
    EXPECT_EQ(readAll(path), "[s]\nk=1\n");

    // A folder standing where the file should be.
    std::filesystem::create_directory(tmp.file("dir.ini"));
    EXPECT_FALSE(WriteIniValue(tmp.file("dir.ini"), "s", "k", "1"));
}

TEST(IniFile, LeavesAReadOnlyFileUntouched)
{
    TempFolder tmp;
    const std::string path = tmp.file("a.ini");
    writeAll(path, "[s]\nk=1\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read);
    EXPECT_FALSE(WriteIniValue(path, "s", "k", "2"));
    EXPECT_EQ(readAll(path), "[s]\nk=1\n");
}

TEST(WindowGeometry, DefaultsFollowTheScreen)
{
    TempFolder tmp;
    const std::string none = tmp.file("quillcfg.ini");
    WindowGeometry g = ReadWindowGeometry(none, 1280, 1024);
    EXPECT_EQ(g.top, 80);
    EXPECT_EQ(g.left, 160);
    EXPECT_EQ(g.height, 1024 - 135);
    EXPECT_EQ(g.width, 960);
    EXPECT_EQ(ReadWindowGeometry(none, 800, 600).left, -80);
    EXPECT_EQ(ReadWindowGeometry(none, 959, 600).left, 0);   // truncated toward zero
    EXPECT_EQ(ReadWindowGeometry(none, 961, 600).left, 0);
}

TEST(WindowGeometry, StoredValuesHexadecimalAndGarbage)
{
    TempFolder tmp;
    const std::string path = tmp.file("quillcfg.ini");
    writeAll(path, "[" + kMain + "]\r\nfTop=abc\r\nfLft=$10\r\nfHgt=0x200\r\nfWid=700\r\n");
    WindowGeometry g = ReadWindowGeometry(path, 1280, 1024);
    EXPECT_EQ(g.top, 80);
    EXPECT_EQ(g.left, 16);
    EXPECT_EQ(g.height, 512);
    EXPECT_EQ(g.width, 700);

    writeAll(path, "[" + kMain + "]\r\nfTop=0x20\r\nfLft=-5000\r\nfHgt=0\r\nfWid=2000000000\r\n");
    g = ReadWindowGeometry(path, 1280, 1024);
    EXPECT_EQ(g.top, 32);
    EXPECT_EQ(g.left, -5000);   // off the screen is allowed
    EXPECT_EQ(g.height, kMinWindowSide);
    EXPECT_EQ(g.width, kMaxWindowSide);
}

TEST(WorkFolder, FirstUseStoresAndCreatesTheDefault)
{
    TempFolder tmp;
    const std::string program = tmp.path() + "/";
    WorkFolder w = ReadWorkFolder(program, kConfigFileName);
    EXPECT_TRUE(w.stored);
    EXPECT_EQ(w.folder, program + "Work/");
    EXPECT_TRUE(std::filesystem::is_directory(program + "Work"));
    EXPECT_EQ(ReadIniValue(program + kConfigFileName, kWork, "wPath"), program + "Work/");
}

TEST(WorkFolder, StoredFolderIsCreatedOrReplacedByTheDefault)
{
    TempFolder tmp;
    const std::string program = tmp.path() + "/";
    const std::string config = program + kConfigFileName;

    // A folder that can be created is created and used.
    const std::string books = program + cp("장부") + "/2009";
    writeAll(config, "[" + kWork + "]\r\nwPath=" + books + "\r\n");
    WorkFolder w = ReadWorkFolder(program, kConfigFileName);
    EXPECT_EQ(w.folder, decodeCp949(books) + "/");
    EXPECT_TRUE(std::filesystem::is_directory(decodeCp949(books)));

    // One that cannot: the default, and the stored value stays.
    const std::string bad = unwritableFolder(tmp) + "books/";
    writeAll(config, "[" + kWork + "]\r\nwPath=" + bad + "\r\n");
    w = ReadWorkFolder(program, kConfigFileName);
    EXPECT_TRUE(w.stored);
    EXPECT_EQ(w.folder, program + "Work/");
    EXPECT_EQ(ReadIniValue(config, kWork, "wPath"), bad);
    EXPECT_FALSE(std::filesystem::exists(program + "Work"));

    // Bytes that are no CP949 text (a name cut inside a syllable): the
    // default, and no folder named with replacement characters appears.
    const std::string garbled = program + "\xFF\xFE" + "books/";
    writeAll(config, "[" + kWork + "]\r\nwPath=" + garbled + "\r\n");
    const auto entries = [&] { return std::distance(std::filesystem::directory_iterator(program), {}); };
    const auto before = entries();
    w = ReadWorkFolder(program, kConfigFileName);
    EXPECT_EQ(w.folder, program + "Work/");
    EXPECT_EQ(ReadIniValue(config, kWork, "wPath"), garbled);
    EXPECT_EQ(entries(), before);

    // A path written on another system is not taken for a folder of ours.
    writeAll(config, "[" + kWork + "]\r\nwPath=D:\\Books\\\r\n");
    w = ReadWorkFolder(program, kConfigFileName);
    EXPECT_EQ(w.folder, program + "Work/");
    EXPECT_FALSE(std::filesystem::exists("D:\\Books\\"));
}

TEST(WorkFolder, UnwritableConfigurationIsReported)
{
    TempFolder tmp;
    const std::string program = unwritableFolder(tmp);
    WorkFolder w = ReadWorkFolder(program, kConfigFileName);
    EXPECT_FALSE(w.stored);
    EXPECT_EQ(w.stored.message, "Unable to write to " + program + kConfigFileName);
    EXPECT_EQ(w.folder, program + "Work/");
}

TEST(WorkFolder, SavingMovesTheWorkFolder)
{
    TempFolder tmp;
    const std::string program = tmp.path() + "/";
    const std::string before = std::filesystem::current_path().string();
    const std::string shop = tmp.path() + "/" + "가게/Books";
    ASSERT_TRUE(WriteWorkFolder(shop + "/Shop.Aut", program, kConfigFileName));
    EXPECT_EQ(std::filesystem::current_path().string(), shop);
    EXPECT_EQ(ReadIniValue(program + kConfigFileName, kWork, "wPath"), *encodeCp949(shop + "/").bytes);
    EXPECT_EQ(ReadWorkFolder(program, kConfigFileName).folder, shop + "/");

    // Relative to the current folder.
    ASSERT_TRUE(WriteWorkFolder("sub/Next.Aut", program, kConfigFileName));
    EXPECT_EQ(ReadWorkFolder(program, kConfigFileName).folder, shop + "/sub/");

    IoResult r = WriteWorkFolder(shop + "/x.Aut", unwritableFolder(tmp), kConfigFileName);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.message.rfind("Unable to write to ", 0), 0u);
    std::filesystem::current_path(before);
}

TEST(ErrorText, FullStopRule)
{
    EXPECT_EQ(ErrorReportText("Disk full"), "Disk full.");
    EXPECT_EQ(ErrorReportText("Done."), "Done.");
    EXPECT_EQ(ErrorReportText("Wait -"), "Wait -");         // '-' sorts before '.'
    EXPECT_EQ(ErrorReportText("Really!"), "Really!");
    EXPECT_EQ(ErrorReportText("path/"), "path/.");          // '/' sorts after '.'
    EXPECT_EQ(ErrorReportText("파일이 없습니다"), "파일이 없습니다.");
    EXPECT_EQ(ErrorReportText(""), "");
}
