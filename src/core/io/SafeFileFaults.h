// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fault injection into SafeFile, for the crash tests only: these functions
// exist only in a build of SafeFile.cpp with QB_FAULT_INJECTION defined
// (the test programs link that build; the program and the command line
// never contain it).
#include <cstddef>
#include <string>
#include <vector>

namespace quill::faults {

// Every system call of a save that can fail or be cut off by a kill.
enum class Step {
    Create,      // the temporary file, or the target opened for writing in place
    Attributes,  // owner, group and permissions given to the temporary file
    Backup,      // the old content copied to the scratch folder (each write and its sync)
    Write,       // a write of the new content
    Truncate,    // the target cut to the new length (in place)
    Sync,        // the new content synced
    Close,
    Link,        // the anonymous file given a name
    Rename,      // the new file put in place of the target
    SyncFolder,  // the folder synced after the rename
};
const char* stepName(Step step);

enum class Action {
    Fail,  // the call fails with the given errno, as a full disk would
    Kill,  // the process dies with SIGKILL just before the call
};

// From now, counts every step of every SafeFile; the k-th (1-based) gets
// the action. k = 0 only counts.
void arm(int k, Action action, int err = 5 /* EIO */);
void disarm();
// The steps counted since the last arm.
const std::vector<Step>& trace();
// A smaller write buffer gives a save many writes to cut between.
void setBufferSize(std::size_t bytes);
// Tries no anonymous temporary file, as on a file system without them.
void setAnonymousAllowed(bool allowed);

} // namespace quill::faults
