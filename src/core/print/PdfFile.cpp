// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/print/PdfFile.h"

#include "core/io/SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace quill {

namespace {

bool readAt(int fd, off_t at, std::string& out, std::size_t want)
{
    out.assign(want, '\0');
    std::size_t have = 0;
    while (have < want) {
        const ssize_t n = ::pread(fd, out.data() + have, want - have, at + static_cast<off_t>(have));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        have += static_cast<std::size_t>(n);
    }
    return true;
}

// The file ends in "startxref\n<offset>\n%%EOF" and at that offset stands
// "xref": every byte before the tail arrived where the writer meant it.
bool wholePdf(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 32)
        return false;
    const off_t tailSize = std::min<off_t>(st.st_size, 256);
    std::string tail;
    if (!readAt(fd, st.st_size - tailSize, tail, static_cast<std::size_t>(tailSize)))
        return false;
    while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r'))
        tail.pop_back();
    if (tail.size() < 5 || tail.compare(tail.size() - 5, 5, "%%EOF") != 0)
        return false;
    const std::size_t mark = tail.rfind("startxref");
    if (mark == std::string::npos)
        return false;
    char* end = nullptr;
    const long long offset = std::strtoll(tail.c_str() + mark + 9, &end, 10);
    if (end == tail.c_str() + mark + 9 || offset <= 0 || offset >= st.st_size)
        return false;
    std::string head;
    return readAt(fd, static_cast<off_t>(offset), head, 4) && head == "xref";
}

} // namespace

IoResult CheckPdfComplete(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return IoResult::fromErrno(errno);
    const bool whole = wholePdf(fd);
    ::close(fd);
    return whole ? IoResult::success() : IncompleteWrite(path);
}

} // namespace quill
