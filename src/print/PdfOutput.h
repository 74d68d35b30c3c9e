// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"

#include <QString>

#include <functional>
#include <string>

// A PDF file made through the core's safe writer: the painter (QPrinter or
// QPdfWriter, which want a file name) writes into a temporary file in the
// target's folder, the file is checked whole, and only then does it take
// the target's place. A failure (a full disk, the file size limit, a painter
// that refuses) leaves an existing file as it was.
//
// `paint` draws into the file named and says whether it could.
// `path` is the target in the file system's bytes.
quill::IoResult WritePdfFile(const std::string& path, const std::function<bool(const QString& file)>& paint);
