// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/io/IoResult.h"

#include <string>

namespace quill {

// The configuration file beside the program and what it keeps: the main
// window's geometry (only ever edited by hand) and the work folder, where
// the file dialogs open. Paths are UTF-8; folders end in "/".

inline constexpr const char* kConfigFileName = "quillcfg.ini";
inline constexpr const char* kMainSection = "간편장부";     // UTF-8; stored in CP949
inline constexpr const char* kWorkFolderSection = "작업폴더";
inline constexpr const char* kDefaultWorkFolder = "Work/";

struct WindowGeometry {
    int top = 0;
    int left = 0;
    int height = 0;
    int width = 0;
};

// The geometry keys fTop, fLft, fHgt and fWid with their defaults for the
// given primary screen size: top 80, left (screen width - 960) / 2
// truncated toward zero, height screen height - 135, width 960. A missing
// file, key or value, or one that is not an integer, gives the default.
// Values are taken as they are (the window may lie off the screen), except
// that a width or height outside kMinWindowSide..kMaxWindowSide and a
// position outside +-kMaxWindowOffset are pulled into those limits: a
// mistyped value must not ask for a window the display cannot make.
inline constexpr int kMinWindowSide = 100;
inline constexpr int kMaxWindowSide = 16000;
inline constexpr int kMaxWindowOffset = 30000;
WindowGeometry ReadWindowGeometry(const std::string& configPath, int screenWidth, int screenHeight);

struct WorkFolder {
    std::string folder;  // absolute, ends in "/"
    IoResult stored;     // failure: storing the default in the configuration failed
};

// The work folder for a file dialog. A missing or empty wPath becomes the
// program folder + "Work/" and is stored at once; a folder that does not
// exist is created. When the stored folder cannot be used (it cannot be
// created, or it is not an absolute path, as one written on another system)
// the result is the program folder + "Work/" and the stored value stays.
// When storing the default fails, `stored` holds "Unable to write to <path>"
// and the caller reports it and stops before showing its dialog.
// `programFolder` is the folder of the configuration file; `defaultWork`,
// when given, replaces its "Work/" as the default (an installed copy's
// documents folder).
WorkFolder ReadWorkFolder(const std::string& programFolder, const std::string& configName,
                          const std::string& defaultWork = {});

// After a save: makes the ledger file's folder the current folder and the
// stored work folder (creating the folder when missing). Fails with the
// system's text when the folder cannot be made current, and with
// "Unable to write to <path>" when the configuration cannot be written.
// A folder whose name CP949 cannot hold is made current but not stored.
IoResult WriteWorkFolder(const std::string& ledgerPath, const std::string& programFolder,
                         const std::string& configName);

} // namespace quill
