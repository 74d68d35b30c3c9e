// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"
#include "core/export/Workbook.h"

#include <functional>
#include <string>
#include <string_view>

namespace quill {

// One cell of a streamed row: its value only; the format comes from the
// model row it follows.
struct StreamedCell {
    xl::CellKind kind = xl::CellKind::Empty;
    double number = 0;
    std::string_view text;  // valid while the row is being written
};

// A sheet written from a small model and a stream of rows, so that a sheet
// of a million rows is never held: the model's first `headRows` rows are
// written as they are, then each streamed row with the formats of the model
// row it names, then the model's rows from `tailFrom` on. Merges, widths,
// heights and page setup are the model's (all within its head rows).
struct StreamedSheet {
    const xl::Sheet* model = nullptr;
    int headRows = 0;
    int tailFrom = 0;
    // Calls emit(modelRow, cells, height) for each row in order, cells
    // holding one value per model column, height the row's own (points) or
    // 0 for the model row's; emit returns false once writing has failed.
    using Emit = std::function<bool(int modelRow, const StreamedCell* cells, double height)>;
    std::function<IoResult(const Emit& emit)> rows;
};

// Writes the workbook as an Office Open XML file (".xlsx"), its first sheet
// (book.sheets[0], the model) streamed; then addLaterSheets may append the
// sheets that depend on the streamed rows, and every sheet after the first
// is written as it is. The file is written to a temporary file in the
// target's folder and renamed over the target only when complete, so a
// failure leaves an existing file as it was. On failure the message holds
// the writer's own reason; a failure of the row stream is reported as it is.
IoResult WriteStreamedWorkbookFile(xl::Workbook& book, const StreamedSheet& streamed,
                                   const std::function<IoResult(xl::Workbook&)>& addLaterSheets,
                                   const std::string& path);

} // namespace quill
