// SPDX-License-Identifier: GPL-3.0-or-later
// The safe-file writer: which way a save takes, what it keeps of the old
// file, the stray files it leaves and cleans, and a save cut off at every
// step by a failure or a kill.
#include "TestFiles.h"

#include "core/io/ErrorText.h"
#include "core/io/SafeFile.h"
#include "core/io/SafeFileFaults.h"
#include "core/ledger/AutRecord.h"
#include "core/ledger/WorkingTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace quill;
namespace fs = std::filesystem;

namespace {

struct SafeFileTest : ::testing::Test {
    TempFolder dir;
    TempFolder scratch;

    void SetUp() override { SafeFile::setScratchFolder(scratch.path()); }
    void TearDown() override
    {
        faults::disarm();
        faults::setBufferSize(0);
        faults::setAnonymousAllowed(true);
        SafeFile::setScratchFolder({});
        ::chmod(dir.path().c_str(), 0700);
    }

    // Writes `data` to `path` through a SafeFile; `how` tells the way it took.
    IoResult save(const std::string& path, const std::string& data, SafeFile::Method* how = nullptr)
    {
        SafeFile f(path);
        IoResult r = f.open();
        if (how)
            *how = f.method();
        if (r)
            r = f.write(data);
        if (r)
            r = f.commit();
        return r;
    }
    // Our stray files: hidden temporaries beside the ledger, old-content
    // copies in the scratch folder.
    std::vector<std::string> strays() const
    {
        std::vector<std::string> out;
        for (const TempFolder* f : {&dir, &scratch})
            for (const auto& e : fs::directory_iterator(f->path())) {
                const std::string name = e.path().filename().string();
                if (name.rfind(".quillbook-", 0) == 0 || name.rfind("quillbook-save-", 0) == 0)
                    out.push_back(name);
            }
        return out;
    }
};

struct stat statOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

bool anonymousFilesWork(const std::string& folder)
{
#ifdef O_TMPFILE
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR, 0600);
    if (fd >= 0)
        ::close(fd);
    return fd >= 0;
#else
    (void)folder;
    return false;
#endif
}

TEST_F(SafeFileTest, ReplacesThroughAnAnonymousFileAndKeepsThePermissions)
{
    if (!anonymousFilesWork(dir.path()))
        GTEST_SKIP() << "this file system has no anonymous temporary files";
    const std::string path = dir.file("a.Aut");
    SafeFile::Method how;
    ASSERT_TRUE(save(path, "first", &how));
    EXPECT_EQ(how, SafeFile::Method::Anonymous);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(statOf(path).st_mode & 07777, 0666 & ~mask);
    ::chmod(path.c_str(), 0640);
    const ino_t before = statOf(path).st_ino;
    {
        SafeFile f(path);
        ASSERT_TRUE(f.open());
        EXPECT_TRUE(f.temporaryPath().empty());  // nothing named in the folder while writing
        EXPECT_TRUE(strays().empty());
        ASSERT_TRUE(f.write("second"));
        ASSERT_TRUE(f.commit());
    }
    EXPECT_EQ(readAll(path), "second");
    EXPECT_NE(statOf(path).st_ino, before);  // replaced, not overwritten
    EXPECT_EQ(statOf(path).st_mode & 07777, 0640u);
    EXPECT_TRUE(strays().empty());
}

TEST_F(SafeFileTest, WithoutAnonymousFilesANamedLockedTemporaryIsUsed)
{
    faults::setAnonymousAllowed(false);
    const std::string path = dir.file("n.Aut");
    writeAll(path, "old");
    SafeFile f(path);
    ASSERT_TRUE(f.open());
    EXPECT_EQ(f.method(), SafeFile::Method::Named);
    ASSERT_EQ(strays().size(), 1u);
    // A second writer's cleaning leaves a temporary that is being written.
    EXPECT_EQ(SafeFile::removeStaleTemporaries(dir.path()), 0u);
    ASSERT_TRUE(f.write("new"));
    ASSERT_TRUE(f.commit());
    EXPECT_EQ(readAll(path), "new");
    EXPECT_TRUE(strays().empty());
}

TEST_F(SafeFileTest, ASaveRemovesStaleTemporariesButNotHeldOrForeignOnes)
{
    writeAll(dir.file(".quillbook-Ab12Cd"), "left by a kill");
    writeAll(dir.file(".quillbook-HeLd01"), "being written by another copy");
    writeAll(dir.file(".quillbook-notours.txt"), "a name that is not ours");
    writeAll(dir.file("quillbook-Ab12Cd"), "a ledger's neighbour");
    int held = ::open(dir.file(".quillbook-HeLd01").c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    ASSERT_TRUE(save(dir.file("x.Aut"), "data"));
    EXPECT_FALSE(fs::exists(dir.file(".quillbook-Ab12Cd")));
    EXPECT_TRUE(fs::exists(dir.file(".quillbook-HeLd01")));
    EXPECT_TRUE(fs::exists(dir.file(".quillbook-notours.txt")));
    EXPECT_TRUE(fs::exists(dir.file("quillbook-Ab12Cd")));
    ::close(held);
    EXPECT_EQ(SafeFile::removeStaleTemporaries(dir.path()), 1u);  // released now
}

TEST_F(SafeFileTest, AFileWithSeveralLinksIsWrittenInPlaceAndTheLinksStay)
{
    const std::string path = dir.file("linked.Aut");
    const std::string other = dir.file("other-name.Aut");
    writeAll(path, std::string(5000, 'o'));
    ASSERT_EQ(::link(path.c_str(), other.c_str()), 0);
    const ino_t inode = statOf(path).st_ino;
    SafeFile::Method how;
    ASSERT_TRUE(save(path, "shorter new content", &how));
    EXPECT_EQ(how, SafeFile::Method::InPlace);
    EXPECT_EQ(readAll(path), "shorter new content");
    EXPECT_EQ(readAll(other), "shorter new content");
    EXPECT_EQ(statOf(path).st_ino, inode);
    EXPECT_EQ(statOf(path).st_nlink, 2u);
    EXPECT_TRUE(strays().empty());
}

TEST_F(SafeFileTest, AFailedInPlaceWritePutsTheOldContentBack)
{
    const std::string path = dir.file("linked.Aut");
    const std::string old(300000, 'o');
    writeAll(path, old);
    ASSERT_EQ(::link(path.c_str(), dir.file("second").c_str()), 0);
    faults::setBufferSize(4096);
    // A longer and a shorter new content, cut at a write part way.
    for (std::size_t size : {600000u, 1000u}) {
        SafeFile::failWriteAt(size > 4096 ? 5 : 1, ENOSPC);
        SafeFile f(path);
        ASSERT_TRUE(f.open());
        IoResult r;
        for (std::size_t done = 0; r && done < size; done += 1000)
            r = f.write(std::string(1000, 'n'));
        if (r)
            r = f.commit();
        EXPECT_EQ(r.message, "Disk full");
        EXPECT_TRUE(readAll(path) == old);
        EXPECT_TRUE(readAll(dir.file("second")) == old);
    }
    SafeFile::failWriteAt(0, 0);
    // Dropped after some writes reached the file: the old content returns.
    {
        SafeFile f(path);
        ASSERT_TRUE(f.open());
        for (int i = 0; i < 100; ++i)
            ASSERT_TRUE(f.write(std::string(1000, 'n')));
        ASSERT_GT(fs::file_size(path), 0u);
        ASSERT_NE(readAll(path).substr(0, 1000), old.substr(0, 1000));  // the file was reached
    }
    EXPECT_TRUE(readAll(path) == old);
    EXPECT_TRUE(strays().empty());
}

// Runs `check` as it binds for our users: as root (CI), in a child process
// that has become nobody with the given groups, the test's folders given to
// nobody first. `check` returns what went wrong, empty when all held.
std::string AsOurUser(const std::vector<std::string>& folders, std::vector<gid_t> groups,
                      const std::function<std::string()>& check)
{
    if (geteuid() != 0)
        return check();
    constexpr uid_t kNobody = 65534;
    for (const std::string& f : folders)
        if (::chown(f.c_str(), kNobody, kNobody) != 0)
            return "cannot give " + f + " to nobody";
    int fds[2];
    if (::pipe(fds) != 0)
        return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        groups.insert(groups.begin(), kNobody);
        std::string report;
        if (::setgroups(groups.size(), groups.data()) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            report = std::string("cannot become nobody: ") + std::strerror(errno);
        else
            report = check();
        if (!report.empty() && ::write(fds[1], report.data(), report.size()) < 0)
            _exit(2);
        _exit(0);
    }
    ::close(fds[1]);
    std::string report;
    char buffer[256];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        report += " (the child did not end normally)";
    return report;
}

std::string Expect(bool held, const std::string& what) { return held ? std::string() : what + "; "; }

TEST_F(SafeFileTest, AFolderTheUserMayNotWriteGetsTheFileWrittenInPlace)
{
    const std::string path = dir.file("kept.Aut");
    EXPECT_EQ(AsOurUser({dir.path(), scratch.path()}, {}, [&] {
        writeAll(path, "old content");
        ::chmod(path.c_str(), 0644);
        if (::chmod(dir.path().c_str(), 0555) != 0)
            return std::string("cannot close the folder");
        SafeFile::Method how;
        const IoResult r = save(path, "new content", &how);
        struct stat st {};
        ::stat(path.c_str(), &st);
        return Expect(bool(r), "save failed: " + r.message) +
               Expect(how == SafeFile::Method::InPlace, "not written in place") +
               Expect(readAll(path) == "new content", "content is " + readAll(path)) +
               Expect((st.st_mode & 07777) == 0644, "mode changed") +
               // A new file there still cannot be made.
               Expect(save(dir.file("new.Aut"), "x").message == "File access denied", "a new file was made") +
               Expect(strays().empty(), "stray files left");
    }), "");
}

TEST_F(SafeFileTest, TheAdministratorsSaveKeepsTheUsersOwnership)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "only the administrator may give a file to another user";
    const std::string path = dir.file("users.Aut");
    writeAll(path, "old");
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0620), 0);
    ASSERT_TRUE(save(path, "new"));
    const struct stat st = statOf(path);
    EXPECT_EQ(readAll(path), "new");
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 0620u);
    // The command line's import goes the same way.
    std::vector<AutRecord> none;
    ASSERT_TRUE(WriteLedgerRecords(path, none));
    EXPECT_EQ(statOf(path).st_uid, 65534u);
    EXPECT_EQ(statOf(path).st_size, 0);
}

std::string attribute(const std::string& path, const char* name)
{
    std::string value(4096, '\0');
    const ssize_t n = getxattr(path.c_str(), name, value.data(), value.size());
    value.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    return value;
}

TEST_F(SafeFileTest, AnAccessListAndTheUsersOwnAttributesAreKept)
{
    const std::string path = dir.file("acl.Aut");
    writeAll(path, "old");
    ::chmod(path.c_str(), 0640);
    // user::rw- user:65534:r-- group::r-- mask::r-- other::---
    auto entry = [](std::uint16_t tag, std::uint16_t perm, std::uint32_t id) {
        std::string e(8, '\0');
        std::memcpy(&e[0], &tag, 2);
        std::memcpy(&e[2], &perm, 2);
        std::memcpy(&e[4], &id, 4);
        return e;
    };
    const std::uint32_t version = 2;
    std::string acl(reinterpret_cast<const char*>(&version), 4);
    acl += entry(0x01, 6, ~0u) + entry(0x02, 4, 65534) + entry(0x04, 4, ~0u) + entry(0x10, 4, ~0u)
           + entry(0x20, 0, ~0u);
    if (setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0
        || setxattr(path.c_str(), "user.quillbook.note", "2024", 4, 0) != 0)
        GTEST_SKIP() << "this file system keeps no access lists or user attributes";
    SafeFile::Method how;
    ASSERT_TRUE(save(path, "new", &how));
    EXPECT_NE(how, SafeFile::Method::InPlace);
    EXPECT_EQ(readAll(path), "new");
    EXPECT_EQ(attribute(path, "system.posix_acl_access"), acl);
    EXPECT_EQ(attribute(path, "user.quillbook.note"), "2024");
    EXPECT_EQ(statOf(path).st_mode & 07777, 0640u);
}

TEST_F(SafeFileTest, AGroupMembersSaveOfAnotherUsersFileKeepsItsOwner)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs the administrator to prepare another user's file";
    // root's file, writable by the group nogroup, in a folder anyone may write
    const std::string path = dir.file("shared.Aut");
    writeAll(path, "old");
    ASSERT_EQ(::chown(path.c_str(), 0, 65534), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    ASSERT_EQ(::chmod(scratch.path().c_str(), 0777), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const gid_t group = 65534;
        if (setgroups(1, &group) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        SafeFile::Method how = SafeFile::Method::None;
        const bool saved = bool(save(path, "new", &how));
        _exit(saved && how == SafeFile::Method::InPlace ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    const struct stat st = statOf(path);
    EXPECT_EQ(readAll(path), "new");
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 0664u);
    EXPECT_TRUE(strays().empty());
}

TEST_F(SafeFileTest, AGroupOfTheUsersOtherGroupsIsKept)
{
    // Root runs it as nobody with a second group; another user needs one of their own.
    gid_t other = 100;
    if (geteuid() != 0) {
        gid_t groups[64];
        const int n = getgroups(64, groups);
        other = getegid();
        for (int i = 0; i < n; ++i)
            if (groups[i] != getegid())
                other = groups[i];
        if (other == getegid())
            GTEST_SKIP() << "needs a user in more than one group";
    }
    const std::string path = dir.file("group.Aut");
    EXPECT_EQ(AsOurUser({dir.path(), scratch.path()}, {other}, [&] {
        writeAll(path, "old");
        if (::chown(path.c_str(), -1, other) != 0)
            return std::string("cannot give the file to the other group");
        ::chmod(path.c_str(), 0660);
        const IoResult r = save(path, "new");
        struct stat st {};
        ::stat(path.c_str(), &st);
        return Expect(bool(r), "save failed: " + r.message) + Expect(st.st_gid == other, "group changed") +
               Expect((st.st_mode & 07777) == 0660, "mode changed") + Expect(readAll(path) == "new", "content");
    }), "");
}

// --- a save cut off at every step -----------------------------------------------------------

enum class Way { Anonymous, Named, InPlace };

struct CutSave : SafeFileTest, ::testing::WithParamInterface<Way> {
    WorkingTable oldTable, newTable;
    std::string path;
    std::string oldBytes, newBytes;

    void SetUp() override
    {
        SafeFileTest::SetUp();
        if (GetParam() == Way::Anonymous && !anonymousFilesWork(dir.path()))
            GTEST_SKIP() << "this file system has no anonymous temporary files";
        faults::setAnonymousAllowed(GetParam() == Way::Anonymous);
        oldTable.open();
        newTable.open();
        for (int i = 0; i < 3000; ++i) {
            const std::string day = "2024." + std::to_string(10 + i % 3) + "." + std::to_string(10 + i % 19);
            oldTable.appendRaw(makeEntry(day.c_str(), "이전 거래", 1000 + i, 100));
            newTable.appendRaw(makeEntry(day.c_str(), "새 거래", 2000 + i, 200, i % 7));
        }
        newTable.appendRaw(makeEntry("2025.01.01", "추가", 5, 0));
        path = dir.file("장부.Aut");
        ASSERT_TRUE(WriteLedgerFile(path, oldTable));
        if (GetParam() == Way::InPlace) {
            ASSERT_EQ(::link(path.c_str(), dir.file("link.Aut").c_str()), 0);
        }
        oldBytes = readAll(path);
        faults::setBufferSize(16384);
        // The steps of a whole save, from a copy of the folder.
        TempFolder probe;
        fs::copy_file(path, probe.file("장부.Aut"));
        if (GetParam() == Way::InPlace) {
            ASSERT_EQ(::link(probe.file("장부.Aut").c_str(), probe.file("link.Aut").c_str()), 0);
        }
        faults::arm(0, faults::Action::Fail);
        ASSERT_TRUE(WriteLedgerFile(probe.file("장부.Aut"), newTable));
        steps = faults::trace();
        faults::disarm();
        newBytes = readAll(probe.file("장부.Aut"));
        ASSERT_NE(oldBytes, newBytes);
    }
    std::vector<faults::Step> steps;
};

TEST_P(CutSave, AFailureAtAnyStepKeepsTheOldFileAndLeavesNothing)
{
    ASSERT_GT(steps.size(), 20u);  // many writes to cut between
    const int kinds[] = {EIO, ENOSPC};
    for (std::size_t k = 1; k <= steps.size(); ++k) {
        SCOPED_TRACE("fail at step " + std::to_string(k) + " (" + faults::stepName(steps[k - 1]) + ")");
        faults::arm(static_cast<int>(k), faults::Action::Fail, kinds[k % 2]);
        IoResult r = WriteLedgerFile(path, newTable);
        faults::disarm();
        EXPECT_FALSE(r);
        EXPECT_EQ(r.code, kinds[k % 2]);
        // Only a failed sync of the folder comes after the new file is in
        // place; it is reported all the same.
        EXPECT_EQ(readAll(path) == newBytes, steps[k - 1] == faults::Step::SyncFolder);
        if (steps[k - 1] != faults::Step::SyncFolder) {
            ASSERT_TRUE(readAll(path) == oldBytes);
        } else {
            ASSERT_TRUE(WriteLedgerFile(path, oldTable));
        }
        if (GetParam() == Way::InPlace) {
            EXPECT_TRUE(readAll(dir.file("link.Aut")) == oldBytes);
        }
        EXPECT_EQ(strays(), std::vector<std::string>{});
    }
}

TEST_P(CutSave, AKillAtAnyStepLeavesTheOldOrTheNewFile)
{
    for (std::size_t k = 1; k <= steps.size() + 1; ++k) {
        const faults::Step step = k <= steps.size() ? steps[k - 1] : faults::Step::SyncFolder;
        SCOPED_TRACE("kill at step " + std::to_string(k) + " (" + faults::stepName(step) + ")");
        ASSERT_TRUE(WriteLedgerFile(path, oldTable));
        ASSERT_TRUE(readAll(path) == oldBytes);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // In place the ledger is named relatively, from its own folder:
            // the recovery below runs from another.
            const bool relative = GetParam() == Way::InPlace && ::chdir(dir.path().c_str()) == 0;
            faults::arm(static_cast<int>(k), faults::Action::Kill);
            _exit(WriteLedgerFile(relative ? "장부.Aut" : path, newTable) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        if (k <= steps.size())
            ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
        else
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;  // went through
        // In place, the file may hold part of the new content until the old
        // is put back from its copy, as the program does at its next start.
        if (GetParam() == Way::InPlace)
            SafeFile::recoverInterrupted();
        const std::string now = readAll(path);
        EXPECT_TRUE(now == oldBytes || now == newBytes);
        // Once the new file is in place, it stays.
        if (k > steps.size() || step == faults::Step::SyncFolder) {
            EXPECT_TRUE(now == newBytes);
        }
        if (GetParam() == Way::InPlace) {
            EXPECT_TRUE(readAll(dir.file("link.Aut")) == now);
        }
        const std::vector<std::string> left = strays();
        // The anonymous file has a name only between its link and the rename.
        if (GetParam() == Way::Anonymous && step != faults::Step::Rename) {
            EXPECT_EQ(left, std::vector<std::string>{});
        }
        EXPECT_LE(left.size(), 1u);
        // The next save cleans what the killed one left.
        ASSERT_TRUE(WriteLedgerFile(path, newTable));
        EXPECT_TRUE(readAll(path) == newBytes);
        EXPECT_EQ(strays(), std::vector<std::string>{});
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, CutSave, ::testing::Values(Way::Anonymous, Way::Named, Way::InPlace),
                         [](const ::testing::TestParamInfo<Way>& info) {
                             return std::string(info.param == Way::Anonymous ? "Anonymous"
                                                : info.param == Way::Named   ? "Named"
                                                                             : "InPlace");
                         });

} // namespace

namespace {

// --- recovery of a cut-off in-place save ----------------------------------------------------

// What happens to the ledger between the kill and the recovery.
enum class Afterwards { Nothing, SavedByAnotherCopy, Moved, SavedByReplace };

struct RecoveryCase {
    const char* name;
    Afterwards afterwards;
    bool restored;  // else the old content is kept aside, the ledger as it is
};

TEST(Recovery, ACutOffInPlaceSaveIsRestoredOnlyOverWhatItLeft)
{
    const RecoveryCase cases[] = {
        {"named relatively, recovered from another folder", Afterwards::Nothing, true},
        {"written in place by a copy that did not look for it", Afterwards::SavedByAnotherCopy, false},
        {"moved away, so not to be found", Afterwards::Moved, false},
        {"replaced by a later save", Afterwards::SavedByReplace, false},
    };
    TempFolder state;
    // Every copy uses the user's state folder when nothing else is set.
    ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);
    SafeFile::setScratchFolder({});
    const std::string oldBytes(400000, 'o'), newBytes(420000, 'n'), laterBytes(400000, 'l');
    faults::setBufferSize(16384);
    for (const RecoveryCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder dir;
        writeAll(dir.file("L.Aut"), oldBytes);
        // A second link: the save goes in place, as in a folder the user may not write.
        ASSERT_EQ(::link(dir.file("L.Aut").c_str(), dir.file("link.Aut").c_str()), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::chdir(dir.path().c_str()) != 0)
                _exit(3);
            // Killed at the fifth piece of new content: the file is mixed.
            faults::arm(0, faults::Action::Kill);
            SafeFile f("L.Aut");
            if (!f.open() || f.method() != SafeFile::Method::InPlace)
                _exit(4);
            int writes = 0;
            const std::size_t base = faults::trace().size();
            for (std::size_t at = 0; at < newBytes.size(); at += 16384) {
                const auto& t = faults::trace();
                for (std::size_t i = base; i < t.size(); ++i)
                    writes += t[i] == faults::Step::Write;
                if (writes >= 4)
                    faults::arm(2, faults::Action::Kill);  // the piece's record, then its write
                f.write(newBytes.substr(at, 16384));
            }
            _exit(5);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        const std::string mixed = readAll(dir.file("L.Aut"));
        ASSERT_NE(mixed, oldBytes);
        ASSERT_NE(mixed, newBytes);
        std::string expected = mixed;
        if (c.afterwards == Afterwards::SavedByAnotherCopy) {
            // A copy that did not look for the cut-off save (an older or a
            // portable one) writes the file in place.
            writeAll(dir.file("L.Aut"), laterBytes);
            expected = laterBytes;
        } else if (c.afterwards == Afterwards::Moved) {
            ASSERT_EQ(::rename(dir.file("L.Aut").c_str(), dir.file("moved.Aut").c_str()), 0);
        } else if (c.afterwards == Afterwards::SavedByReplace) {
            ::unlink(dir.file("link.Aut").c_str());
            SafeFile f(dir.file("L.Aut"));
            ASSERT_TRUE(f.open());
            ASSERT_TRUE(f.write(laterBytes));
            ASSERT_TRUE(f.commit());
            expected = laterBytes;
        }
        const std::vector<RecoveryNotice> notices = RecoverInterruptedWrites();
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_EQ(notices[0].ledger, fs::canonical(dir.path()).string() + "/L.Aut");
        EXPECT_EQ(notices[0].restored, c.restored);
        const std::string ledger = c.afterwards == Afterwards::Moved ? dir.file("moved.Aut") : dir.file("L.Aut");
        EXPECT_TRUE(readAll(ledger) == (c.restored ? oldBytes : expected));
        if (!c.restored) {
            // Kept aside as a ledger file of its own, and the user told where.
            EXPECT_TRUE(readAll(notices[0].kept) == oldBytes) << notices[0].kept;
            EXPECT_NE(RecoveryNoticeText(notices[0]).find(notices[0].kept), std::string::npos);
            struct stat st {};
            ::stat(notices[0].kept.c_str(), &st);
            EXPECT_EQ(st.st_mode & 0777, 0600u);
            fs::remove(notices[0].kept);
        }
        // Settled once: nothing is left for the next start.
        EXPECT_TRUE(RecoverInterruptedWrites().empty());
        TakeRecoveryNotices();
    }
    // A copy an earlier version left, which recorded a relative name and no
    // state to check: its old content is kept aside, never deleted.
    {
        TempFolder dir;
        writeAll(dir.file("L.Aut"), laterBytes);
        struct stat st {};
        ::stat(dir.file("L.Aut").c_str(), &st);
        const std::string folder = state.path() + "/quillbook/Temp";
        fs::create_directories(folder);
        writeAll(folder + "/quillbook-save-Old123", "QUILLBOOK-SAVE 1\n" + std::to_string(st.st_dev) + " "
                                                        + std::to_string(st.st_ino) + " " + std::to_string(oldBytes.size())
                                                        + "\nL.Aut\n" + oldBytes);
        const std::vector<RecoveryNotice> notices = RecoverInterruptedWrites();
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_FALSE(notices[0].restored);
        EXPECT_TRUE(readAll(notices[0].kept) == oldBytes);
        EXPECT_TRUE(readAll(dir.file("L.Aut")) == laterBytes);
        EXPECT_FALSE(fs::exists(folder + "/quillbook-save-Old123"));
        TakeRecoveryNotices();
    }
    faults::setBufferSize(0);
    faults::disarm();
    ::unsetenv("XDG_STATE_HOME");
}

} // namespace

namespace {

// --- a write-back of the old content that is cut off in turn ---------------------------------

// Content whose bytes seldom repeat at the same place, so that a mix of two
// contents is told from either.
std::string patterned(std::size_t size, unsigned seed)
{
    std::string out(size, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (char& c : out) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 24);
    }
    return out;
}

struct CutWriteBack : ::testing::Test {
    TempFolder state, dir;
    std::string folder;
    void SetUp() override
    {
        // Every copy uses the user's state folder when nothing else is set.
        ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);
        SafeFile::setScratchFolder({});
        folder = state.path() + "/quillbook/Temp";
        faults::setBufferSize(16384);
    }
    void TearDown() override
    {
        faults::disarm();
        faults::setBufferSize(0);
        SafeFile::failWriteAt(0, 0);
        TakeRecoveryNotices();
        ::unsetenv("XDG_STATE_HOME");
    }
    std::vector<std::string> copies() const
    {
        std::vector<std::string> out;
        if (fs::exists(folder))
            for (const auto& e : fs::directory_iterator(folder))
                out.push_back(e.path().string());
        return out;
    }
    // Saves `bytes` in place over the ledger (a second link keeps the save
    // from replacing it) in a child killed at its `killAt`-th step (0:
    // never), its `failWrite`-th write failing (0: none). Its wait status.
    int saveInChild(const std::string& bytes, int killAt, int failWrite)
    {
        const pid_t child = fork();
        if (child == 0) {
            SafeFile::failWriteAt(failWrite, EIO);
            faults::arm(killAt, faults::Action::Kill);
            SafeFile f(dir.file("L.Aut"));
            IoResult r = f.open();
            if (!r || f.method() != SafeFile::Method::InPlace)
                _exit(4);
            for (std::size_t at = 0; r && at < bytes.size(); at += 16384)
                r = f.write(bytes.substr(at, 16384));
            if (r)
                r = f.commit();
            _exit(r ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return status;
    }
};

// Rows: the new content longer and shorter than the old.
TEST_F(CutWriteBack, AKillAtAnyStepOfTheWriteBackIsFinishedByTheNextStart)
{
    const std::string oldBytes = patterned(100000, 1);
    for (const std::size_t newSize : {130000u, 60000u}) {
        SCOPED_TRACE("new content of " + std::to_string(newSize) + " bytes");
        const std::string newBytes = patterned(newSize, 2);
        writeAll(dir.file("L.Aut"), oldBytes);
        fs::remove(dir.file("link.Aut"));
        ASSERT_EQ(::link(dir.file("L.Aut").c_str(), dir.file("link.Aut").c_str()), 0);
        // The save is killed at the record of its fifth piece: four pieces are new.
        // After the steps of opening (the copy of the old content) each
        // piece takes two: its record, then its write.
        faults::arm(0, faults::Action::Fail);
        {
            SafeFile f(dir.file("L.Aut"));
            ASSERT_TRUE(f.open());
        }
        const int killAt = static_cast<int>(faults::trace().size()) + 4 * 2 + 1;
        faults::disarm();
        ASSERT_TRUE(WIFSIGNALED(saveInChild(newBytes, killAt, 0)));
        const std::string mixed = readAll(dir.file("L.Aut"));
        ASSERT_NE(mixed, oldBytes);
        ASSERT_EQ(copies().size(), 1u);
        const std::string copyPath = copies()[0], copyBytes = readAll(copyPath);
        // The steps of the whole write-back.
        faults::arm(0, faults::Action::Fail);
        ASSERT_EQ(RecoverInterruptedWrites().size(), 1u);
        const std::vector<faults::Step> steps = faults::trace();
        faults::disarm();
        ASSERT_TRUE(readAll(dir.file("L.Aut")) == oldBytes);
        ASSERT_GT(steps.size(), 10u);
        for (std::size_t k = 1; k <= steps.size(); ++k) {
            SCOPED_TRACE("write-back killed at step " + std::to_string(k) + " (" + faults::stepName(steps[k - 1]) + ")");
            // The state the killed save left, the ledger keeping its identity.
            writeAll(dir.file("L.Aut"), mixed);
            writeAll(copyPath, copyBytes);
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                faults::arm(static_cast<int>(k), faults::Action::Kill);
                RecoverInterruptedWrites();
                _exit(0);
            }
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFSIGNALED(status)) << status;
            const std::vector<RecoveryNotice> notices = RecoverInterruptedWrites();
            ASSERT_EQ(notices.size(), 1u);
            EXPECT_TRUE(notices[0].restored) << RecoveryNoticeText(notices[0]);
            EXPECT_TRUE(readAll(dir.file("L.Aut")) == oldBytes);
            EXPECT_TRUE(readAll(dir.file("link.Aut")) == oldBytes);
            EXPECT_EQ(copies(), std::vector<std::string>{});
            TakeRecoveryNotices();
        }
        // A write-back cut off and the ledger changed before the next start:
        // the ledger keeps what it holds, the old content is kept aside.
        writeAll(dir.file("L.Aut"), mixed);
        writeAll(copyPath, copyBytes);
        const pid_t child = fork();
        if (child == 0) {
            faults::arm(static_cast<int>(steps.size() / 2), faults::Action::Kill);
            RecoverInterruptedWrites();
            _exit(0);
        }
        waitpid(child, nullptr, 0);
        const std::string later = patterned(90000, 3);
        writeAll(dir.file("L.Aut"), later);
        const std::vector<RecoveryNotice> notices = RecoverInterruptedWrites();
        ASSERT_EQ(notices.size(), 1u);
        EXPECT_FALSE(notices[0].restored);
        EXPECT_TRUE(readAll(dir.file("L.Aut")) == later);
        EXPECT_TRUE(readAll(notices[0].kept) == oldBytes);
        fs::remove(notices[0].kept);
        TakeRecoveryNotices();
    }
}

// A save that fails goes back to the old content at once; that write-back
// killed at any step is finished by the next start.
TEST_F(CutWriteBack, AFailedSaveKilledWhileItPutsTheOldContentBackIsRestoredNextTime)
{
    const std::string oldBytes = patterned(100000, 4), newBytes = patterned(120000, 5);
    writeAll(dir.file("L.Aut"), oldBytes);
    ASSERT_EQ(::link(dir.file("L.Aut").c_str(), dir.file("link.Aut").c_str()), 0);
    ASSERT_EQ(WEXITSTATUS(saveInChild(newBytes, 0, 5)), 1);
    ASSERT_TRUE(readAll(dir.file("L.Aut")) == oldBytes);
    // The steps of the failed save and of its write-back.
    SafeFile::failWriteAt(5, EIO);
    faults::arm(0, faults::Action::Fail);
    {
        SafeFile f(dir.file("L.Aut"));
        ASSERT_TRUE(f.open());
        IoResult r;
        for (std::size_t at = 0; r && at < newBytes.size(); at += 16384)
            r = f.write(newBytes.substr(at, 16384));
        ASSERT_FALSE(r);
    }
    const std::vector<faults::Step> steps = faults::trace();
    faults::disarm();
    ASSERT_TRUE(readAll(dir.file("L.Aut")) == oldBytes);
    std::size_t killed = 0;
    for (std::size_t k = 1; k <= steps.size(); ++k) {
        SCOPED_TRACE("killed at step " + std::to_string(k) + " (" + faults::stepName(steps[k - 1]) + ")");
        const int status = saveInChild(newBytes, static_cast<int>(k), 5);
        ASSERT_TRUE(WIFSIGNALED(status)) << status;
        ++killed;
        RecoverInterruptedWrites();
        EXPECT_TRUE(readAll(dir.file("L.Aut")) == oldBytes);
        EXPECT_EQ(copies(), std::vector<std::string>{});
        TakeRecoveryNotices();
    }
    EXPECT_EQ(killed, steps.size());
}

// When even the write-back fails, the failure says what is true: the file
// is mixed, its old content waits in the scratch folder for the next start.
TEST_F(CutWriteBack, ASaveWhoseWriteBackFailsSaysWhereTheOldContentWaits)
{
    const std::string oldBytes = patterned(100000, 6), newBytes = patterned(120000, 7);
    writeAll(dir.file("L.Aut"), oldBytes);
    ASSERT_EQ(::link(dir.file("L.Aut").c_str(), dir.file("link.Aut").c_str()), 0);
    // The first write of the write-back is the fifth write of all.
    SafeFile::failWriteAt(5, ENOSPC);
    faults::arm(0, faults::Action::Fail);
    {
        SafeFile f(dir.file("L.Aut"));
        ASSERT_TRUE(f.open());
        IoResult r;
        for (std::size_t at = 0; r && at < newBytes.size(); at += 16384)
            r = f.write(newBytes.substr(at, 16384));
    }
    std::vector<faults::Step> steps = faults::trace();
    int writeBackWrite = 0;
    for (std::size_t i = 0, writes = 0; i < steps.size() && !writeBackWrite; ++i)
        if (steps[i] == faults::Step::Write && ++writes == 5)
            writeBackWrite = static_cast<int>(i + 1);
    ASSERT_GT(writeBackWrite, 0);
    SafeFile::failWriteAt(5, ENOSPC);
    faults::arm(writeBackWrite, faults::Action::Fail, EIO);
    IoResult r;
    {
        SafeFile f(dir.file("L.Aut"));
        ASSERT_TRUE(f.open());
        for (std::size_t at = 0; r && at < newBytes.size(); at += 16384)
            r = f.write(newBytes.substr(at, 16384));
    }
    faults::disarm();
    ASSERT_FALSE(r);
    EXPECT_EQ(r.code, ENOSPC);
    ASSERT_NE(readAll(dir.file("L.Aut")), oldBytes);
    ASSERT_EQ(copies().size(), 1u);
    const std::string report = FileErrorReport(r, dir.file("L.Aut"), FileAction::Save);
    EXPECT_EQ(report.find("그대로입니다"), std::string::npos) << report;
    EXPECT_NE(report.find(copies()[0]), std::string::npos) << report;
    EXPECT_NE(report.find("다음에 프로그램을 시작할 때"), std::string::npos) << report;
    EXPECT_NE(report.find("Disk full"), std::string::npos) << report;
    // And the next start does put it back.
    const std::vector<RecoveryNotice> notices = RecoverInterruptedWrites();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_TRUE(notices[0].restored);
    EXPECT_TRUE(readAll(dir.file("L.Aut")) == oldBytes);
    EXPECT_EQ(copies(), std::vector<std::string>{});
}

} // namespace

namespace {

// A killed "export -" leaves its private folder behind; the next start or
// command removes those of processes no longer running, and no other.
TEST(StrayFolders, ExportFoldersOfProcessesGoneAreRemovedAtTheNextStart)
{
    TempFolder state;
    ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);
    SafeFile::setScratchFolder({});
    const std::string scratch = SafeFile::scratchFolder();
    ASSERT_EQ(scratch, state.path() + "/quillbook/Temp");
    // One made by a process killed at once.
    const pid_t child = fork();
    if (child == 0) {
        const std::string made = MakeExportFolder(scratch);
        writeAll(made + "/workbook.xlsx", "PK partial");
        raise(SIGKILL);
    }
    waitpid(child, nullptr, 0);
    const std::string ours = MakeExportFolder(scratch);
    ASSERT_EQ(fs::path(ours).filename().string().rfind("quillbook-export-" + std::to_string(getpid()) + "-", 0), 0u);
    // An earlier version's, which names no process: removed once a day old.
    fs::create_directory(scratch + "/quillbook-export-Ab12Cd");
    fs::create_directory(scratch + "/quillbook-export-Xy34Zw");
    writeAll(scratch + "/quillbook-export-Xy34Zw/workbook.xlsx", "PK");
    const struct timespec old[2] = {{std::time(nullptr) - 2 * 24 * 3600, 0}, {std::time(nullptr) - 2 * 24 * 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (scratch + "/quillbook-export-Xy34Zw").c_str(), old, 0), 0);
    ASSERT_EQ(std::distance(fs::directory_iterator(scratch), fs::directory_iterator()), 4);

    RecoverInterruptedWrites();
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(scratch))
        left.push_back(e.path().string());
    std::sort(left.begin(), left.end());
    std::vector<std::string> kept{scratch + "/quillbook-export-Ab12Cd", ours};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(left, kept);
    ::unsetenv("XDG_STATE_HOME");
}

} // namespace
