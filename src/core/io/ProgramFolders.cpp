// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/io/ProgramFolders.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quill {

namespace fs = std::filesystem;

namespace {

constexpr const char* kTemplateName = "quillbook.str";
constexpr const char* kAppFolder = "quillbook/";
constexpr const char* kWorkFolderName = "간편장부/";

std::string withSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string normal(const fs::path& path) { return withSlash(path.lexically_normal().string()); }

// An XDG base folder: the variable when it names an absolute path (the
// rules say relative ones are to be ignored), else the default under home.
std::string baseFolder(const EnvLookup& env, const char* name, const std::string& home, const char* fallback)
{
    if (std::optional<std::string> value = env(name); value && !value->empty() && (*value)[0] == '/')
        return withSlash(*value);
    return withSlash(home + fallback);
}

// XDG_DOCUMENTS_DIR="$HOME/문서" in user-dirs.dirs, as xdg-user-dirs writes it.
std::optional<std::string> documentsFromUserDirs(const std::string& configHome, const std::string& home)
{
    std::ifstream in(configHome + "user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            value = home + value.substr(5);
        if (!value.empty() && value[0] == '/')
            return value;
    }
    return std::nullopt;
}

bool isFile(const fs::path& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

} // namespace

std::optional<std::string> SystemEnv(const char* name)
{
    if (const char* value = std::getenv(name))
        return std::string(value);
    return std::nullopt;
}

ProgramFolders ResolveProgramFolders(const std::string& exeFolder, const EnvLookup& env)
{
    ProgramFolders f;
    f.program = normal(exeFolder);
    const bool templateBeside = isFile(fs::path(f.program) / kTemplateName);
    f.installed = !(templateBeside && ::access(f.program.c_str(), W_OK) == 0);
    if (!f.installed) {
        f.data = f.plugins = f.config = f.state = f.program;
        f.defaultWork = f.program + "Work/";
        return f;
    }

    // A read-only copy of the build folder still carries its files beside
    // the executable; an installation has them under its prefix.
    const fs::path prefix = fs::path(f.program).parent_path().parent_path();
    f.data = templateBeside ? f.program : normal(prefix / "share" / "quillbook");
    f.plugins = templateBeside ? f.program : normal(prefix / "lib" / "quillbook");

    std::string home = env("HOME").value_or("");
    if (home.empty() || home[0] != '/')
        home = "/tmp";  // no home at all: still a folder of this user's session
    home = withSlash(home);
    const std::string configHome = baseFolder(env, "XDG_CONFIG_HOME", home, ".config");
    f.config = configHome + kAppFolder;
    f.state = baseFolder(env, "XDG_STATE_HOME", home, ".local/state") + kAppFolder;

    std::optional<std::string> documents = env("XDG_DOCUMENTS_DIR");
    if (!documents || documents->empty() || (*documents)[0] != '/')
        documents = documentsFromUserDirs(configHome, home.substr(0, home.size() - 1));
    // xdg-user-dirs names the home folder itself when documents are switched
    // off; a folder of our own there is what the user expects then too.
    f.defaultWork = withSlash(documents.value_or(home)) + kWorkFolderName;
    f.defaultWork = normal(f.defaultWork);
    return f;
}

bool CreateUserFolders(const ProgramFolders& folders)
{
    bool ok = true;
    for (const std::string& folder : {folders.config, folders.state + "Temp/", folders.defaultWork})
        ok = MakePrivateFolders(folder) && ok;
    // The ledger passes through the state folder, the configuration names
    // the user's folders: only the user may look into them (the default
    // work folder is the user's documents and keeps its own rights).
    for (const std::string& folder : {folders.config, folders.state, folders.state + "Temp/"})
        ok = PrivateToUser(folder, 0700) && WritableByOthers(folder).empty() && ok;
    return ok;
}

bool MakePrivateFolders(const std::string& folder)
{
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) == 0)
        return !path.empty() && S_ISDIR(st.st_mode);
    const std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakePrivateFolders(path.substr(0, slash)))
        return false;
    if (::mkdir(path.c_str(), 0700) != 0)
        return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    // The umask only takes bits away; one that takes the owner's too would
    // leave a folder we cannot use.
    ::chmod(path.c_str(), 0700);
    return true;
}

std::string WritableByOthers(const std::string& folder)
{
    std::error_code ec;
    fs::path path = fs::absolute(fs::path(folder), ec).lexically_normal();
    if (ec)
        return {};
    for (;;) {
        std::string p = path.string();
        while (p.size() > 1 && p.back() == '/')
            p.pop_back();
        struct stat st;
        if (::lstat(p.c_str(), &st) == 0) {
            const bool sticky = (st.st_mode & S_ISVTX) != 0;
            bool groupOthers = (st.st_mode & S_IWGRP) != 0;
            if (groupOthers && st.st_gid == ::getegid()) {
                // The user's private group (named after the user, no members).
                const group* g = ::getgrgid(st.st_gid);
                groupOthers = !(g && (!g->gr_mem || !g->gr_mem[0]));
            }
            const bool othersWrite = (st.st_mode & S_IWOTH) != 0 || groupOthers;
            // In a sticky folder only the owner of an entry may rename it.
            if (othersWrite && !sticky)
                return p;
        }
        if (p == "/" || !path.has_parent_path() || path.parent_path() == path)
            return {};
        path = path.parent_path();
    }
}

bool PrivateToUser(const std::string& path, unsigned mode)
{
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0 || S_ISLNK(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    return (st.st_mode & 07777) == mode || ::chmod(p.c_str(), static_cast<mode_t>(mode)) == 0;
}

namespace {
std::string whyUnusable(const std::string& folder)
{
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0)
        return "없고 만들 수도 없습니다";
    if (S_ISLNK(st.st_mode))
        return "다른 곳을 가리키는 링크라서 쓰지 않습니다";
    if (!S_ISDIR(st.st_mode))
        return "폴더가 아닙니다";
    if (st.st_uid != ::geteuid())
        return "다른 사용자가 만들어 둔 폴더라서 쓰지 않습니다 (그 사용자가 장부를 읽거나 바꿀 수 있습니다)";
    if (const std::string open = WritableByOthers(folder); !open.empty())
        return "다른 사용자도 쓸 수 있는 폴더 " + open
               + " 안에 있어 쓰지 않습니다 (그 사용자가 폴더를 바꿔치기할 수 있습니다). 'chmod go-w " + open
               + "'로 막은 뒤 다시 하세요";
    return "쓸 수 없습니다 (권한이나 남은 공간을 확인하세요)";
}
} // namespace

std::string PrivateTempFolderName()
{
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/quillbook-" + std::to_string(::geteuid());
}

std::string PrivateTempFolder(std::string* why)
{
    const std::string folder = PrivateTempFolderName();
    MakePrivateFolders(folder);
    struct stat st;
    if (::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid()) {
        ::chmod(folder.c_str(), 0700);
        if (::access(folder.c_str(), W_OK | X_OK) == 0 && WritableByOthers(folder).empty())
            return folder;
    }
    if (why)
        *why = UnusableFoldersText({folder});
    return {};
}

std::string UnusableFoldersText(const std::vector<std::string>& folders)
{
    std::string text;
    for (const std::string& f : folders)
        text += (text.empty() ? "" : "\n") + f + ": " + whyUnusable(f);
    return text;
}

} // namespace quill
