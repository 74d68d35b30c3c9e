// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"

#include <string>

namespace quill {

// Whether a PDF file a library wrote by name is whole. The library does not
// hear of every failed write (a full disk, the file size limit); a PDF whose
// last lines do not point at its own table of objects was cut short or
// lost a piece, and counts as not written (IncompleteWrite gives why).
IoResult CheckPdfComplete(const std::string& path);

} // namespace quill
