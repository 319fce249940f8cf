// A program on the instrument library alone: it must build and link with nothing but the C++ library,
// and the instrument must come out of its splash onto CLOCK as in the window.
#include <cstdio>

#include "core/page.h"
#include "host/host.h"
#include "host/scheduler.h"

int main() {
    host_reset_all();
    host_start();
    HostScheduler sched;
    host_sched_reset(&sched);
    host_sched_run(&sched, 1500, -1);
    std::printf("page %d after %llu frames\n", static_cast<int>(current_page),
                static_cast<unsigned long long>(host_frames_rendered));
    return 0;
}
