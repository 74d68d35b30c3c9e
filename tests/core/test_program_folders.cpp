// SPDX-License-Identifier: GPL-3.0-or-later
// Where a portable and an installed copy find their files and write theirs.
#include "TestFiles.h"
#include "core/io/ProgramFolders.h"
#include "core/io/SafeFile.h"
#include "core/config/WorkFolder.h"
#include "core/ledger/FileCommands.h"

#include <gtest/gtest.h>

#include <map>
#include <sys/stat.h>

using quill::ProgramFolders;
using quill::ResolveProgramFolders;

namespace {

namespace fs = std::filesystem;

struct FakeEnv {
    std::map<std::string, std::string> vars;
    quill::EnvLookup lookup() const
    {
        return [this](const char* name) -> std::optional<std::string> {
            auto it = vars.find(name);
            if (it == vars.end())
                return std::nullopt;
            return it->second;
        };
    }
};

// <root>/usr/bin with the shipped files under <root>/usr/share/quillbook.
std::string makeInstall(const TempFolder& tmp)
{
    fs::create_directories(tmp.path() + "/usr/bin");
    fs::create_directories(tmp.path() + "/usr/share/quillbook");
    writeAll(tmp.path() + "/usr/share/quillbook/quillbook.str", "");
    return tmp.path() + "/usr/bin";
}

} // namespace

TEST(ProgramFolders, APortableCopyKeepsEverythingBesideTheExecutable)
{
    TempFolder tmp;
    writeAll(tmp.file("quillbook.str"), "");
    FakeEnv env{{{"HOME", "/home/kim"}, {"XDG_CONFIG_HOME", "/home/kim/.cfg"}}};
    const ProgramFolders f = ResolveProgramFolders(tmp.path(), env.lookup());
    const std::string program = tmp.path() + "/";
    EXPECT_FALSE(f.installed);
    EXPECT_EQ(f.program, program);
    EXPECT_EQ(f.config, program);
    EXPECT_EQ(f.state, program);
    EXPECT_EQ(f.data, program);
    EXPECT_EQ(f.plugins, program);
    EXPECT_EQ(f.defaultWork, program + "Work/");
}

TEST(ProgramFolders, AnInstalledCopyFindsItsFilesUnderItsPrefix)
{
    TempFolder tmp;
    const std::string bin = makeInstall(tmp);
    FakeEnv env{{{"HOME", "/home/kim"}}};
    const ProgramFolders f = ResolveProgramFolders(bin + "/", env.lookup());
    EXPECT_TRUE(f.installed);
    EXPECT_EQ(f.data, tmp.path() + "/usr/share/quillbook/");
    EXPECT_EQ(f.plugins, tmp.path() + "/usr/lib/quillbook/");
    EXPECT_EQ(f.config, "/home/kim/.config/quillbook/");
    EXPECT_EQ(f.state, "/home/kim/.local/state/quillbook/");
    EXPECT_EQ(f.defaultWork, "/home/kim/간편장부/");
}

// A writable program folder without the template beside it is an install
// (root may write /usr/bin): it must never fill the program folder.
TEST(ProgramFolders, AWritableFolderWithoutTheTemplateIsAnInstall)
{
    TempFolder tmp;
    const std::string bin = makeInstall(tmp);
    ASSERT_EQ(::access(bin.c_str(), W_OK), 0);
    FakeEnv env{{{"HOME", "/root"}}};
    const ProgramFolders f = ResolveProgramFolders(bin, env.lookup());
    EXPECT_TRUE(f.installed);
    EXPECT_EQ(f.config, "/root/.config/quillbook/");
}

TEST(ProgramFolders, AReadOnlyPortableCopyWritesIntoTheUsersFolders)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may write any folder";
    TempFolder tmp;
    writeAll(tmp.file("quillbook.str"), "");
    ::chmod(tmp.path().c_str(), 0555);
    FakeEnv env{{{"HOME", "/home/kim"}}};
    const ProgramFolders f = ResolveProgramFolders(tmp.path(), env.lookup());
    EXPECT_TRUE(f.installed);
    EXPECT_EQ(f.data, tmp.path() + "/");  // the template is still read from beside the executable
    EXPECT_EQ(f.config, "/home/kim/.config/quillbook/");
}

struct XdgCase {
    const char* name;
    std::map<std::string, std::string> vars;
    const char* userDirs;  // content of $XDG_CONFIG_HOME/user-dirs.dirs, or null
    const char* config;
    const char* state;
    const char* work;
};

class ProgramFoldersXdg : public ::testing::TestWithParam<XdgCase> {};

TEST_P(ProgramFoldersXdg, FollowsTheBaseDirectoryRules)
{
    TempFolder tmp;
    const std::string bin = makeInstall(tmp);
    XdgCase c = GetParam();
    FakeEnv env;
    // "@" stands for the test's own folder, where user-dirs.dirs can be put.
    for (auto& [key, value] : c.vars) {
        std::string v = value;
        if (!v.empty() && v[0] == '@')
            v = tmp.path() + v.substr(1);
        env.vars[key] = v;
    }
    if (c.userDirs) {
        fs::create_directories(tmp.path() + "/cfg");
        writeAll(tmp.path() + "/cfg/user-dirs.dirs", c.userDirs);
    }
    auto expand = [&](std::string s) { return s[0] == '@' ? tmp.path() + s.substr(1) : s; };
    const ProgramFolders f = ResolveProgramFolders(bin, env.lookup());
    EXPECT_EQ(f.config, expand(c.config));
    EXPECT_EQ(f.state, expand(c.state));
    EXPECT_EQ(f.defaultWork, expand(c.work));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramFoldersXdg,
    ::testing::Values(
        XdgCase{"OwnBaseFolders",
                {{"HOME", "/home/lee"}, {"XDG_CONFIG_HOME", "/x/cfg"}, {"XDG_STATE_HOME", "/x/state/"}},
                nullptr, "/x/cfg/quillbook/", "/x/state/quillbook/", "/home/lee/간편장부/"},
        // Relative base folders are to be ignored.
        XdgCase{"RelativeBaseFoldersIgnored",
                {{"HOME", "/home/lee"}, {"XDG_CONFIG_HOME", "cfg"}, {"XDG_STATE_HOME", ""}},
                nullptr, "/home/lee/.config/quillbook/", "/home/lee/.local/state/quillbook/",
                "/home/lee/간편장부/"},
        XdgCase{"DocumentsFromTheEnvironment",
                {{"HOME", "/home/lee"}, {"XDG_DOCUMENTS_DIR", "/data/문서"}},
                nullptr, "/home/lee/.config/quillbook/", "/home/lee/.local/state/quillbook/",
                "/data/문서/간편장부/"},
        XdgCase{"DocumentsFromUserDirs",
                {{"HOME", "/home/lee"}, {"XDG_CONFIG_HOME", "@/cfg"}},
                "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/바탕화면\"\n"
                "XDG_DOCUMENTS_DIR=\"$HOME/문서\"\n",
                "@/cfg/quillbook/", "/home/lee/.local/state/quillbook/", "/home/lee/문서/간편장부/"},
        XdgCase{"DocumentsSwitchedOffMeansHome",
                {{"HOME", "/home/lee"}, {"XDG_CONFIG_HOME", "@/cfg"}},
                "XDG_DOCUMENTS_DIR=\"$HOME/\"\n",
                "@/cfg/quillbook/", "/home/lee/.local/state/quillbook/", "/home/lee/간편장부/"},
        XdgCase{"NoHomeAtAll", {}, nullptr, "/tmp/.config/quillbook/", "/tmp/.local/state/quillbook/",
                "/tmp/간편장부/"}),
    [](const auto& info) { return std::string(info.param.name); });

// What an installed copy does on first use: its folders are made, the
// scratch table is a copy of the shipped template, the dialogs open in the
// documents folder and that folder is stored in the user's configuration;
// nothing is written beside the executable.
TEST(ProgramFolders, FirstUseOfAnInstalledCopyWritesOnlyIntoTheUsersFolders)
{
    TempFolder tmp;
    const std::string bin = makeInstall(tmp);
    writeAll(tmp.path() + "/usr/share/quillbook/quillbook.str", "template");
    const std::string home = tmp.path() + "/home";
    FakeEnv env{{{"HOME", home}}};
    const ProgramFolders f = ResolveProgramFolders(bin, env.lookup());
    ASSERT_TRUE(quill::CreateUserFolders(f));

    const quill::WorkFolder work = quill::ReadWorkFolder(f.config, quill::kConfigFileName, f.defaultWork);
    EXPECT_TRUE(work.stored) << work.stored.message;
    EXPECT_EQ(work.folder, home + "/간편장부/");
    EXPECT_TRUE(fs::is_directory(work.folder));
    EXPECT_NE(readAll(f.config + quill::kConfigFileName).find(home + "/"), std::string::npos);

    const std::string scratch = quill::AcquireScratchTableFile(f.state, f.data);
    EXPECT_EQ(scratch, f.state + "Temp/quillbook.cds");
    EXPECT_EQ(readAll(scratch), "template");
    quill::ReleaseScratchTableFile(scratch);

    std::vector<std::string> underPrefix;
    for (const auto& e : fs::recursive_directory_iterator(tmp.path() + "/usr"))
        underPrefix.push_back(e.path().string());
    EXPECT_EQ(underPrefix.size(), 4u);  // bin, share, share/quillbook, the template
}

namespace {

mode_t modeOf(const std::string& path)
{
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return st.st_mode & 07777;
}

// The open ledger passes through our folders: nobody else may read them,
// whatever the umask or the template's mode.
TEST(ProgramFolders, OurFoldersAreTheUsersAloneAndOurScratchFilesToo)
{
    TempFolder tmp;
    const mode_t mask = ::umask(022);
    FakeEnv env;
    env.vars["HOME"] = tmp.path() + "/home";
    const ProgramFolders f = ResolveProgramFolders(makeInstall(tmp), env.lookup());
    ASSERT_TRUE(quill::CreateUserFolders(f));
    for (const std::string& folder : {f.config, f.state, f.state + "Temp/"})
        EXPECT_EQ(modeOf(folder.substr(0, folder.size() - 1)), 0700u) << folder;
    // A portable copy's scratch folder beside it, from a template anyone may read.
    const std::string program = tmp.path() + "/portable/";
    fs::create_directories(program);
    writeAll(program + "quillbook.str", "");
    ::chmod((program + "quillbook.str").c_str(), 0664);
    const std::string scratch = quill::AcquireScratchTableFile(program);
    EXPECT_EQ(modeOf(program + "Temp"), 0700u);
    EXPECT_EQ(modeOf(scratch), 0600u);
    EXPECT_EQ(modeOf(scratch + ".lock"), 0600u);
    quill::ReleaseScratchTableFile(scratch);
    ::umask(mask);
}

// "<temp>/quillbook-<uid>" that someone else made first is refused, and the
// user is told why and where.
TEST(ProgramFolders, APlantedPrivateTempFolderIsRefusedAndSaidWhy)
{
    struct Case {
        const char* name;
        const char* plant;  // "", "link", "other"
        const char* why;
    };
    const Case cases[] = {
        {"nothing there yet", "", ""},
        {"a link planted under its name", "link", "링크"},
        {"another user's folder", "other", "다른 사용자"},
    };
    const char* before = std::getenv("TMPDIR");
    const std::string saved = before ? before : "";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string(c.plant) == "other" && ::geteuid() != 0)
            continue;  // only the administrator can make a folder another user's
        TempFolder tmp, elsewhere;
        ::setenv("TMPDIR", tmp.path().c_str(), 1);
        const std::string folder = tmp.path() + "/quillbook-" + std::to_string(::geteuid());
        if (std::string(c.plant) == "link")
            fs::create_directory_symlink(elsewhere.path(), folder);
        if (std::string(c.plant) == "other") {
            fs::create_directory(folder);
            ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
            ::chmod(folder.c_str(), 0777);
        }
        std::string why;
        const std::string got = quill::PrivateTempFolder(&why);
        if (before)
            ::setenv("TMPDIR", saved.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        if (*c.plant == '\0') {
            EXPECT_EQ(got, folder);
            EXPECT_EQ(modeOf(folder), 0700u);
        } else {
            EXPECT_EQ(got, "");
            EXPECT_NE(why.find(folder), std::string::npos) << why;
            EXPECT_NE(why.find(c.why), std::string::npos) << why;
            EXPECT_TRUE(fs::is_empty(elsewhere.path()));
        }
    }
}

} // namespace

namespace {

// Every folder we make, and every missing folder above it, is the user's
// alone whatever the umask: under umask 000 a second user could otherwise
// move our scratch folder away and plant one of theirs.
TEST(ProgramFolders, EveryFolderWeMakeIsPrivateWhateverTheUmask)
{
    for (const mode_t umaskValue : {mode_t(0), mode_t(022), mode_t(0777)}) {
        SCOPED_TRACE("umask " + std::to_string(umaskValue));
        TempFolder tmp;
        const std::string bin = makeInstall(tmp);
        FakeEnv env;
        const std::string home = tmp.path() + "/home";
        env.vars["HOME"] = home;
        const ProgramFolders f = ResolveProgramFolders(bin, env.lookup());
        const mode_t mask = ::umask(umaskValue);
        const bool made = quill::CreateUserFolders(f);
        // The private scratch folder of the saves, under a state folder of its own.
        ::setenv("XDG_STATE_HOME", (tmp.path() + "/state/of/user").c_str(), 1);
        const std::string scratch = quill::SafeFile::scratchFolder();
        ::unsetenv("XDG_STATE_HOME");
        ::umask(mask);
        EXPECT_TRUE(made);
        EXPECT_EQ(scratch, tmp.path() + "/state/of/user/quillbook/Temp");
        for (const std::string& folder :
             {home, home + "/.config", home + "/.config/quillbook", home + "/.local", home + "/.local/state",
              home + "/.local/state/quillbook", home + "/.local/state/quillbook/Temp", home + "/간편장부",
              tmp.path() + "/state", tmp.path() + "/state/of", tmp.path() + "/state/of/user/quillbook/Temp"})
            EXPECT_EQ(modeOf(folder), 0700u) << folder;
    }
}

// A private folder inside a folder another user may write is refused, and
// the user is told which folder to close.
TEST(ProgramFolders, APrivateFolderOthersCanWriteIsRefusedAndSaidWhere)
{
    TempFolder tmp, temp;
    const std::string open = tmp.path() + "/open";
    fs::create_directories(open + "/quillbook/Temp");
    ::chmod(open.c_str(), 0777);
    EXPECT_EQ(quill::WritableByOthers(open + "/quillbook/Temp"), open);
    EXPECT_EQ(quill::WritableByOthers(tmp.path()), "");
    // Sticky like /tmp: nobody renames what is ours there.
    ::chmod(open.c_str(), 01777);
    EXPECT_EQ(quill::WritableByOthers(open + "/quillbook/Temp"), "");
    ::chmod(open.c_str(), 0777);

    FakeEnv env;
    env.vars["HOME"] = tmp.path() + "/home";
    env.vars["XDG_STATE_HOME"] = open;
    EXPECT_FALSE(quill::CreateUserFolders(ResolveProgramFolders(makeInstall(tmp), env.lookup())));

    ::setenv("XDG_STATE_HOME", open.c_str(), 1);
    ::setenv("TMPDIR", temp.path().c_str(), 1);
    EXPECT_EQ(quill::SafeFile::scratchFolder(), temp.path() + "/quillbook-" + std::to_string(::geteuid()));
    const std::string text = quill::UnusableFoldersText({open + "/quillbook/Temp"});
    EXPECT_NE(text.find("다른 사용자도 쓸 수 있는 폴더 " + open + " "), std::string::npos) << text;
    ::chmod(temp.path().c_str(), 0777);
    EXPECT_EQ(quill::SafeFile::scratchFolder(), "");
    EXPECT_NE(quill::NoScratchFolderText().find(temp.path()), std::string::npos) << quill::NoScratchFolderText();
    ::unsetenv("XDG_STATE_HOME");
    ::unsetenv("TMPDIR");
}

} // namespace
