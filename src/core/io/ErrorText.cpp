// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/io/ErrorText.h"

#include <cerrno>

namespace quill {

std::string ErrorReportText(std::string_view text)
{
    std::string out(text);
    // In UTF-8 the last byte of any character above U+007F is above 0x7F,
    // so testing the last byte tests the last character.
    if (!out.empty() && static_cast<unsigned char>(out.back()) > '.')
        out += '.';
    return out;
}

std::string FileErrorHint(const IoResult& r, const std::string& path, FileAction action)
{
    const bool read = action == FileAction::Read;
    const bool start = action == FileAction::Start;
    // What is written goes through the safe writer: the old file stays.
    const std::string kept = read || start ? "" : " 원래 파일은 그대로입니다";
    std::string what;
    switch (action) {
    case FileAction::Read: what = "장부를 열지 못했습니다"; break;
    case FileAction::Save: what = "저장하지 못했습니다"; break;
    case FileAction::Export: what = "엑셀 파일을 만들지 못했습니다"; break;
    case FileAction::Pdf: what = "PDF 파일을 만들지 못했습니다"; break;
    case FileAction::Start: what = "장부를 열거나 저장할 수 없습니다"; break;
    }
    // The failure lies elsewhere than in the file the user named: in our
    // private scratch folder, or the configuration file.
    if (!r.path.empty() && r.path != path) {
        const std::string named = start || path.empty() ? "" : " (" + path + ")";
        switch (r.kind) {
        case IoKind::NoSpace:
            return "프로그램의 임시 폴더가 있는 디스크에 공간이 없어 " + what + named
                   + ". 그 디스크의 공간을 비운 뒤 다시 하세요. 꽉 찬 폴더: " + r.path;
        case IoKind::TooBig:
            return "파일 크기 제한에 걸려 프로그램의 임시 폴더에 쓰지 못해 " + what + named + ": " + r.path;
        case IoKind::Denied:
            return "프로그램의 임시 폴더에 쓸 권한이 없어 " + what + named + ". 폴더의 권한을 확인하세요: " + r.path;
        default:
            return "프로그램의 임시 폴더에 쓰지 못해 " + what + named + ": " + r.path;
        }
    }
    switch (r.kind) {
    case IoKind::IsFolder:
        return read ? "폴더는 장부 파일로 열 수 없습니다: " + path
                    : "폴더와 같은 이름으로는 " + what + ". 다른 파일 이름을 고르세요: " + path;
    case IoKind::NotFound:
        return read ? "파일을 찾을 수 없습니다. 이름과 폴더를 확인하세요: " + path
                    : "저장할 폴더를 찾을 수 없어 " + what + ": " + path;
    case IoKind::Denied:
        return read ? "이 파일을 읽을 권한이 없습니다: " + path
                    : "이 파일이나 폴더에 쓸 권한이 없어 " + what + "." + kept + ": " + path;
    case IoKind::NoSpace:
        return "디스크 공간이 부족해 " + what + "." + kept + ". 공간을 비운 뒤 다시 하세요: " + path;
    case IoKind::TooBig:
        return "파일 크기 제한에 걸려 " + what + "." + kept + ": " + path;
    case IoKind::NotRegular:
        return "장치나 파이프는 장부 파일이 아니어서 " + std::string(read ? "열지" : "쓰지") + " 않았습니다: " + path;
    case IoKind::NoMemory:
        return "장부가 너무 커서 이 컴퓨터의 메모리로는 열 수 없습니다: " + path;
    case IoKind::BrokenLink:
        return read ? "이 이름은 없는 파일을 가리키는 링크입니다: " + path
                    : "이 이름은 없는 파일을 가리키는(또는 고리를 이룬) 링크여서 " + what
                          + ". 링크를 지우거나 다른 이름을 고르세요: " + path;
    case IoKind::SameAsInput:
        return SameAsInputText(path);
    case IoKind::HeldElsewhere:
        return "다른 창에서 이미 열려 있는 파일입니다: " + path;
    case IoKind::Damaged:
        return read ? "파일이 손상되어 읽지 못했습니다: " + path : "손상된 자료가 있어 " + what + "." + kept + ": " + path;
    case IoKind::NoScratchFolder:
        return "저장에 쓸 개인 임시 폴더가 없어 " + what + "." + kept + ": " + path;
    default:
        break;
    }
    switch (r.code) {
    case EIO:
        return read ? "디스크 입출력 오류로 파일을 읽지 못했습니다. 디스크나 USB 메모리를 확인하세요: " + path
                    : "디스크 입출력 오류로 " + what + "." + kept + ": " + path;
    case EEXIST:
        return "임시 파일을 만들 수 없어 " + what + "." + kept + ": " + path;
    case ENOLCK:
    case EOPNOTSUPP:
        return "이 파일 시스템이 파일 잠금을 지원하지 않아 " + what + "." + kept + ": " + path;
    default:
        return read ? "파일을 읽지 못했습니다: " + path : what + "." + kept + ": " + path;
    }
}

std::string SameAsInputText(const std::string& path)
{
    return "읽고 있는 장부 파일과 같은 파일이어서 쓰지 않았습니다. 다른 파일 이름을 고르세요: " + path;
}

namespace {
bool isAscii(const std::string& text)
{
    for (unsigned char c : text)
        if (c >= 0x80)
            return false;
    return true;
}
} // namespace

std::string FileErrorLine(const IoResult& r, const std::string& path, FileAction action)
{
    return isAscii(r.message) ? FileErrorHint(r, path, action) : std::string();
}

std::string FileErrorReport(const IoResult& r, const std::string& path, FileAction action)
{
    // A Korean text of our own needs no second line; a library's text is
    // replaced by what it means for the user.
    if (!isAscii(r.message))
        return ErrorReportText(r.message) + "\n" + (r.path.empty() ? path : r.path);
    const std::string hint = FileErrorHint(r, path, action);
    if (r.kind == IoKind::Library || r.message.empty())
        return hint;
    return ErrorReportText(r.message) + "\n" + hint;
}

} // namespace quill
