// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/config/WorkFolder.h"

#include "core/text/Cp949.h"
#include "core/config/IniFile.h"
#include "core/io/ProgramFolders.h"

#include <algorithm>
#include <filesystem>

namespace quill {

namespace fs = std::filesystem;

namespace {

std::string cp949(const char* fixedText) { return fixedCp949(fixedText); }

std::string withSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

bool isFolder(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

} // namespace

WindowGeometry ReadWindowGeometry(const std::string& configPath, int screenWidth, int screenHeight)
{
    const std::string section = cp949(kMainSection);
    auto read = [&](const char* key, int fallback) { return ReadIniInteger(configPath, section, key, fallback); };
    WindowGeometry g;
    g.top = std::clamp(read("fTop", 80), -kMaxWindowOffset, kMaxWindowOffset);
    g.left = std::clamp(read("fLft", (screenWidth - 960) / 2), -kMaxWindowOffset, kMaxWindowOffset);
    g.height = std::clamp(read("fHgt", screenHeight - 135), kMinWindowSide, kMaxWindowSide);
    g.width = std::clamp(read("fWid", 960), kMinWindowSide, kMaxWindowSide);
    return g;
}

WorkFolder ReadWorkFolder(const std::string& programFolder, const std::string& configName,
                          const std::string& defaultWork)
{
    const std::string configPath = programFolder + configName;
    const std::string section = cp949(kWorkFolderSection);
    const std::string fallback = defaultWork.empty() ? programFolder + kDefaultWorkFolder : withSlash(defaultWork);
    WorkFolder result;

    std::string folder;
    if (std::optional<std::string> stored = ReadIniValue(configPath, section, "wPath")) {
        // Bytes that are no CP949 text name no folder we could find again:
        // the default serves, and nothing is created or stored.
        if (!isValidCp949(*stored)) {
            result.folder = fallback;
            return result;
        }
        folder = decodeCp949(*stored);
    }
    if (folder.empty()) {
        folder = fallback;
        if (auto bytes = encodeCp949(folder).bytes)
            result.stored = WriteIniValue(configPath, section, "wPath", *bytes);
        // A program folder whose name CP949 cannot hold is simply not stored.
        if (!result.stored) {
            result.folder = fallback;
            return result;
        }
    }
    folder = withSlash(folder);

    if (!fs::path(folder).is_absolute()) {
        result.folder = fallback;
        return result;
    }
    if (!isFolder(folder)) {
        MakePrivateFolders(folder);
        if (!isFolder(folder))
            folder = fallback;
    }
    result.folder = folder;
    return result;
}

IoResult WriteWorkFolder(const std::string& ledgerPath, const std::string& programFolder,
                         const std::string& configName)
{
    std::error_code ec;
    fs::path file = fs::absolute(fs::path(ledgerPath), ec);
    if (ec)
        return IoResult::fromErrno(ec.value());
    std::string folder = withSlash(file.parent_path().string());
    if (!isFolder(folder))
        MakePrivateFolders(folder);
    fs::current_path(folder, ec);
    if (ec)
        return IoResult::fromErrno(ec.value());
    std::optional<std::string> bytes = encodeCp949(folder).bytes;
    if (!bytes)
        return IoResult::success();
    return WriteIniValue(programFolder + configName, cp949(kWorkFolderSection), "wPath", *bytes);
}

} // namespace quill
