// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quill {

// The entry editor's state.
enum class EditorMode { Idle = 0, Adding = 1, Editing = 2 };

} // namespace quill
