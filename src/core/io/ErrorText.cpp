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
    const std::string kept = action == FileAction::Save ? " 원래 파일은 그대로입니다" : "";
    const std::string what = action == FileAction::Export ? "엑셀 파일을 만들지 못했습니다" : "저장하지 못했습니다";
    switch (r.code) {
    case EISDIR:
        return read ? "폴더는 장부 파일로 열 수 없습니다: " + path
                    : "폴더와 같은 이름으로는 " + what + ". 다른 파일 이름을 고르세요: " + path;
    case ENOENT:
    case ENOTDIR:
        return read ? "파일을 찾을 수 없습니다. 이름과 폴더를 확인하세요: " + path
                    : "저장할 폴더를 찾을 수 없어 " + what + ": " + path;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return read ? "이 파일을 읽을 권한이 없습니다: " + path
                    : "이 파일이나 폴더에 쓸 권한이 없어 " + what + "." + kept + ": " + path;
    case ENOSPC:
    case EDQUOT:
        return "디스크 공간이 부족해 " + what + "." + kept + ". 공간을 비운 뒤 다시 하세요: " + path;
    case EFBIG:
        return "파일 크기 제한에 걸려 " + what + "." + kept + ": " + path;
    case ENODEV:
        return "장치나 파이프는 장부 파일이 아니어서 " + std::string(read ? "열지" : "쓰지") + " 않았습니다: " + path;
    case ENOMEM:
        return "장부가 너무 커서 이 컴퓨터의 메모리로는 열 수 없습니다: " + path;
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

std::string FileErrorReport(const IoResult& r, const std::string& path, FileAction action)
{
    // A Korean text of our own needs no second line; a library's text is
    // replaced by what it means for the user.
    bool ascii = true;
    for (unsigned char c : r.message)
        ascii = ascii && c < 0x80;
    if (!ascii)
        return ErrorReportText(r.message) + "\n" + path;
    const std::string hint = FileErrorHint(r, path, action);
    if (r.message.rfind("std::", 0) == 0 || r.message.empty())
        return hint;
    return ErrorReportText(r.message) + "\n" + hint;
}

} // namespace quill
