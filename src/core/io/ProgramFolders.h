// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quill {

// Where the program finds what ships with it and where it writes. Every
// folder is absolute and ends in "/".
//
// A portable copy (a program folder the user may write that holds the
// template table, as the build folder does) keeps everything beside the
// executable. An installed copy finds what ships with it relative to the
// executable (<prefix>/bin -> <prefix>/share/quillbook, <prefix>/lib/quillbook),
// so a relocated install works too, and writes only into the user's own
// folders, so two users of one machine never share a file.
struct ProgramFolders {
    bool installed = false;
    std::string program;        // the executable's folder
    std::string data;           // template table "quillbook.str", site pages
    std::string plugins;        // the helper libraries
    std::string config;         // the folder of "quillcfg.ini"
    std::string state;          // the folder that holds "Temp/" (scratch tables)
    std::string defaultWork;    // where the file dialogs open the first time
};

// Looks up an environment variable; tests pass their own.
using EnvLookup = std::function<std::optional<std::string>(const char*)>;
std::optional<std::string> SystemEnv(const char* name);

// The folders for an executable in `exeFolder`. Installed copies use
// $XDG_CONFIG_HOME/quillbook/ (default ~/.config), $XDG_STATE_HOME/quillbook/
// (default ~/.local/state) and the documents folder + "간편장부/"
// ($XDG_DOCUMENTS_DIR, else the one named in user-dirs.dirs, else ~/간편장부/).
// Nothing is created here.
ProgramFolders ResolveProgramFolders(const std::string& exeFolder, const EnvLookup& env = SystemEnv);

// Creates the folders an installed copy writes into (config, state,
// default work folder). Returns false when one of them cannot be made;
// the commands that need it report that themselves.
// Our own folders (configuration, state, scratch) are made 0700.
bool CreateUserFolders(const ProgramFolders& folders);

// Makes `folder` and every missing folder above it, each 0700 whatever the
// umask (a folder that others may write lets them move ours away and plant
// their own). True when `folder` is a folder afterwards.
bool MakePrivateFolders(const std::string& folder);
// The first of `folder` and the folders above it that another user may
// write (rename our folder away, plant one of theirs), a sticky one like
// /tmp excepted; empty when there is none. A group of the user's own that
// has no other members counts as the user.
std::string WritableByOthers(const std::string& folder);

// Gives `path` the mode when it is the user's own and no link (a folder or
// file of ours that others must not read). False when it is not ours.
bool PrivateToUser(const std::string& path, unsigned mode);

// "<temp>/quillbook-<uid>" ($TMPDIR, else /tmp), made for this user (0700)
// and closed to others; empty when another user or a link holds that name
// (someone may have planted it to read or swap our files), and `why` then
// says so in Korean.
std::string PrivateTempFolder(std::string* why = nullptr);
std::string PrivateTempFolderName();

// Why none of these folders can hold our files: one Korean line each,
// naming the folder.
std::string UnusableFoldersText(const std::vector<std::string>& folders);

} // namespace quill
