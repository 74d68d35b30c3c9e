#pragma once
#include "app/IoResult.h"
#include "export/Workbook.h"

#include <string>

namespace quill {

// Writes the workbook as an Office Open XML file (".xlsx"). The file is
// written to a temporary file in the target's folder and renamed over the
// target only when complete, so a failure leaves an existing file as it was.
// On failure the message holds the writer's own reason.
IoResult WriteWorkbookFile(const xl::Workbook& book, const std::string& path);

} // namespace quill
