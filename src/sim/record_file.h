// Where --record writes the session. A file is written beside its name and takes that name only when
// the session ends with the recording complete, so an earlier file of that name stays as it was until
// then, and a start that fails leaves nothing. A recording that could not be completed is kept as
// NAME.partial (NAME.partial-2, ... when taken) instead. Standard output, pipes and devices are written
// directly.
#pragma once
#include <climits>
#include <cstddef>
#include <cstdio>

#include "files/file.h"
#include "front/recorder.h"
#include "sim/options.h"

struct SimRecordFile {
    bool open;      // a recording was started and not yet closed
    bool to_stdout; // "-": standard output
    HostFile file;  // the file being written (temporary beside the name, or the name itself)
    char path[PATH_MAX];
    char shown[SIM_SHOWN_SIZE]; // the name as messages show it
};

// Opens the output for path ("-": standard output) and writes the recording's header through rec.
// nullptr, or the one-line message (without "zt30-sim: ") saying why not; nothing is left behind then.
const char* sim_record_open(SimRecordFile* f, const char* path, HostRecorder* rec);

// Ends the recording: completes it through rec unless it already stopped, then puts the file under its
// name, or keeps what it holds as NAME.partial. Returns true when the recording is complete; `note` gets
// what became of it, for the last line the window prints ("the recording is complete in NAME").
bool sim_record_close(SimRecordFile* f, HostRecorder* rec, char* note, size_t size);

// Removes the temporary file of a recording that never got going. Safe inside a signal handler.
void sim_record_abandon(SimRecordFile* f);
