#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <tuple>
#include <vector>

#include "capture.h"
#include "front/session.h"
#include "host/local_time.h"
#include "sim/record_file.h"

namespace {

std::string read_file(const std::string& path) {
    return slurp(std::fopen(path.c_str(), "rb"));
}

void write_file(const std::string& path, const char* text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fputs(text, f);
    std::fclose(f);
}

size_t disk_room;
ssize_t filling_disk(int fd, const void* data, size_t size) {
    if (disk_room == 0) return errno = ENOSPC, -1;
    size = std::min(size, disk_room);
    disk_room -= size;
    return ::write(fd, data, size);
}

// A short session recorded through f into path: two seconds with a click. Returns sim_record_close's
// result, what it said in *note, and what path held just before the end in *during.
bool record(SimRecordFile* f, const std::string& path, std::string* note, std::string* during = nullptr) {
    HostSession s{};
    const char* why = sim_record_open(f, path.c_str(), &s.recorder);
    EXPECT_EQ(why, nullptr) << why;
    if (why) return false;
    const ClockTime t{2000, 1, 6, 1, 9, 0, 0, 0};
    host_set_local_time(&t);
    host_session_begin(&s);
    host_recorder_start(&s.recorder, &s.sched);
    host_session_run(&s, 1500, -1);
    host_pointer_push(&s.pointer, true, 340, 220, s.sched.tick_count);
    host_session_run(&s, 1600, -1);
    host_pointer_push(&s.pointer, false, 340, 220, s.sched.tick_count);
    host_session_run(&s, 2000, -1);
    if (during) *during = read_file(path);
    host_set_local_time(nullptr);
    char buf[2 * PATH_MAX];
    bool complete = sim_record_close(f, &s.recorder, buf, sizeof buf);
    *note = buf;
    return complete;
}

} // namespace

// The name keeps what it held until the session ends complete, then takes the recording; nothing else
// is left beside it.
TEST(RecordFile, TheNameTakesTheRecordingOnlyWhenItIsComplete) {
    TempDir dir;
    const std::string path = dir.file("s.zts");
    write_file(path, "old");
    SimRecordFile f;
    std::string note, during;
    EXPECT_TRUE(record(&f, path, &note, &during));
    EXPECT_EQ(during, "old");
    EXPECT_EQ(note, "the recording is complete in " + path);
    EXPECT_EQ(dir.names(), std::vector<std::string>{"s.zts"});
    const std::string text = read_file(path);
    EXPECT_EQ(text.rfind("# zt30-sim ", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 30), "# end of the recorded session\n");
}

// A start that fails says why in one line and leaves the folder as it was: a missing folder, a name
// that is a folder, a file that cannot take even the header, and (not as root, who may write anything)
// a file that may not be written.
TEST(RecordFile, AFailedStartLeavesNothingAndTheOldFileAsItWas) {
    TempDir dir;
    write_file(dir.file("old.zts"), "old");
    host_recorder_set_write_hook(filling_disk);
    std::vector<std::tuple<std::string, size_t, std::string>> cases = {
        {dir.file("no/s.zts"), SIZE_MAX, "No such file or directory"},
        {dir.path, SIZE_MAX, "Is a directory"},
        {dir.file("old.zts"), 20, "No space left on device"},
        {dir.file("new.zts"), 0, "No space left on device"},
    };
    if (geteuid() != 0) {
        chmod(dir.file("old.zts").c_str(), 0444);
        cases.emplace_back(dir.file("old.zts"), SIZE_MAX, "Permission denied");
    }
    for (const auto& [path, room, reason] : cases) {
        disk_room = room;
        SimRecordFile f;
        HostRecorder rec{};
        const char* why = sim_record_open(&f, path.c_str(), &rec);
        EXPECT_EQ(why ? std::string(why) : "", "cannot write '" + path + "': " + reason);
        EXPECT_EQ(dir.names(), std::vector<std::string>{"old.zts"}) << path;
        EXPECT_EQ(read_file(dir.file("old.zts")), "old");
    }
    host_recorder_set_write_hook(nullptr);
}

// A recording that stops on a full disk never takes the name: it is kept as NAME.partial, or the next
// free NAME.partial-N, beside an old file that stays as it was.
TEST(RecordFile, AnUnfinishedRecordingIsKeptAsPartial) {
    TempDir dir;
    const std::string path = dir.file("s.zts");
    write_file(path, "old");
    write_file(path + ".partial", "older partial");
    host_recorder_set_write_hook(filling_disk);
    disk_room = 200;
    SimRecordFile f;
    std::string note;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(record(&f, path, &note));
    testing::internal::GetCapturedStderr();
    host_recorder_set_write_hook(nullptr);
    EXPECT_EQ(note, "the recording could not be completed (No space left on device); what it holds is in " +
                        path + ".partial-2");
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"s.zts", "s.zts.partial", "s.zts.partial-2"}));
    EXPECT_EQ(read_file(path), "old");
    EXPECT_EQ(read_file(path + ".partial"), "older partial");
    const std::string kept = read_file(path + ".partial-2");
    EXPECT_EQ(kept.rfind("# zt30-sim ", 0), 0u);
    EXPECT_EQ(kept.back(), '\n');

    // Given up before the session began (the window did not open): nothing is left.
    HostRecorder rec{};
    EXPECT_EQ(sim_record_open(&f, dir.file("n.zts").c_str(), &rec), nullptr);
    sim_record_abandon(&f);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"s.zts", "s.zts.partial", "s.zts.partial-2"}));
}
