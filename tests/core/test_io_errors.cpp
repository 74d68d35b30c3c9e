// SPDX-License-Identifier: GPL-3.0-or-later
// Typed file failures and their Korean lines; links to nothing; PDFs that
// came out whole or not.
#include "TestFiles.h"

#include "core/io/ErrorText.h"
#include "core/io/SafeFile.h"
#include "core/print/PdfFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

using namespace quill;
namespace fs = std::filesystem;

namespace {

// Every errno the system gives for a file has its kind, the English text
// users and scripts know stays, and the Korean line says what happened to
// which file for each command.
TEST(IoErrors, EachFailureHasItsKindAndItsKoreanLine)
{
    struct Case {
        int err;
        IoKind kind;
        const char* text;     // the failure's own text
        FileAction action;
        const char* korean;   // a part of the Korean line
    };
    const Case cases[] = {
        {ENOENT, IoKind::NotFound, "File not found", FileAction::Read, "파일을 찾을 수 없습니다"},
        {ENOTDIR, IoKind::NotFound, "File not found", FileAction::Pdf, "저장할 폴더를 찾을 수 없어 PDF 파일을 만들지"},
        {EACCES, IoKind::Denied, "File access denied", FileAction::Read, "읽을 권한이 없습니다"},
        {EROFS, IoKind::Denied, "File access denied", FileAction::Export, "쓸 권한이 없어 엑셀 파일을 만들지"},
        {ENOSPC, IoKind::NoSpace, "Disk full", FileAction::Pdf, "디스크 공간이 부족해 PDF 파일을 만들지 못했습니다. 원래 파일은 그대로"},
        {EDQUOT, IoKind::NoSpace, "Disk full", FileAction::Save, "디스크 공간이 부족해 저장하지"},
        {EFBIG, IoKind::TooBig, "File too large", FileAction::Pdf, "파일 크기 제한에 걸려 PDF 파일을 만들지"},
        {EISDIR, IoKind::IsFolder, "I/O error 21", FileAction::Read, "폴더는 장부 파일로 열 수 없습니다"},
        {ELOOP, IoKind::BrokenLink, "I/O error 40", FileAction::Save, "링크여서 저장하지"},
        {EIO, IoKind::Other, "I/O error 5", FileAction::Read, "디스크 입출력 오류로 파일을 읽지"},
    };
    const std::string path = "/tmp/장부.Aut";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.err);
        const IoResult r = IoResult::fromErrno(c.err);
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_EQ(r.message, c.text);
        const std::string line = FileErrorLine(r, path, c.action);
        EXPECT_NE(line.find(c.korean), std::string::npos) << line;
        EXPECT_NE(line.find(path), std::string::npos) << line;
        EXPECT_EQ(FileErrorReport(r, path, c.action), ErrorReportText(c.text) + "\n" + line);
    }
    // Kinds that no errno gives: a text of our own stands alone, a
    // library's text never does.
    const IoResult same = IoResult::failure(IoKind::SameAsInput, "output is the input file");
    EXPECT_NE(FileErrorLine(same, path, FileAction::Pdf).find("읽고 있는 장부 파일과 같은 파일"), std::string::npos);
    const IoResult held = IoResult::failure(IoKind::HeldElsewhere, "다른 창에서 이미 열려 있는 파일입니다.", EWOULDBLOCK);
    EXPECT_EQ(FileErrorLine(held, path, FileAction::Read), "");
    EXPECT_EQ(FileErrorReport(IoResult::failure(IoKind::Library, "std::length_error"), path, FileAction::Read)
                  .find("std::"),
              std::string::npos);
    // A failure in another place than the file named names that place.
    const IoResult full = IoResult::fromErrno(ENOSPC).at("/home/u/.local/state/quillbook/Temp");
    const std::string line = FileErrorLine(full, path, FileAction::Read);
    EXPECT_NE(line.find("/home/u/.local/state/quillbook/Temp"), std::string::npos) << line;
    EXPECT_NE(line.find("장부를 열지 못했습니다"), std::string::npos) << line;
}

// A save onto a link that leads nowhere, or into a loop, is refused and the
// link stays; a good link is followed as before.
TEST(IoErrors, ALinkToNothingIsNotReplacedByAFile)
{
    TempFolder dir;
    fs::create_symlink(dir.file("없는.Aut"), dir.file("dangling.Aut"));
    fs::create_symlink(dir.file("loop2.Aut"), dir.file("loop1.Aut"));
    fs::create_symlink(dir.file("loop1.Aut"), dir.file("loop2.Aut"));
    writeAll(dir.file("real.Aut"), "old");
    fs::create_symlink(dir.file("real.Aut"), dir.file("good.Aut"));
    for (const char* name : {"dangling.Aut", "loop1.Aut"}) {
        SCOPED_TRACE(name);
        SafeFile f(dir.file(name));
        const IoResult r = f.open();
        ASSERT_FALSE(r);
        EXPECT_EQ(r.kind, IoKind::BrokenLink);
        EXPECT_TRUE(fs::is_symlink(dir.file(name)));
    }
    EXPECT_FALSE(fs::exists(dir.file("없는.Aut")));
    SafeFile good(dir.file("good.Aut"));
    ASSERT_TRUE(good.open());
    ASSERT_TRUE(good.write("new"));
    ASSERT_TRUE(good.commit());
    EXPECT_TRUE(fs::is_symlink(dir.file("good.Aut")));
    EXPECT_EQ(readAll(dir.file("real.Aut")), "new");
}

// A PDF is whole when its tail points at its own table of objects; one cut
// short or with a piece lost is not.
TEST(IoErrors, APdfCountsAsWrittenOnlyWhenWhole)
{
    TempFolder dir;
    const std::string body = "%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\n";
    const std::string whole = body + "xref\n0 2\ntrailer\n<< /Root 1 0 R >>\nstartxref\n" + std::to_string(body.size())
                              + "\n%%EOF\n";
    struct Case {
        const char* name;
        std::string bytes;
        bool ok;
    };
    const Case cases[] = {
        {"whole", whole, true},
        {"cut short", whole.substr(0, whole.size() - 8), false},
        {"a piece lost", whole.substr(0, 9) + whole.substr(20), false},
        {"empty", "", false},
        {"no table where the tail points", body + "startxref\n3\n%%EOF\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeAll(dir.file("a.pdf"), c.bytes);
        EXPECT_EQ(bool(CheckPdfComplete(dir.file("a.pdf"))), c.ok);
    }
}

} // namespace
