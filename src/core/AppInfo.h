// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The maker's home page, shown in the title strip and in the home button's
// tooltip.
inline constexpr const char* kHomePageAddress = "https://quillbook.example.com";
// The program's title.
inline constexpr const char* kProgramTitle = "간편장부";
