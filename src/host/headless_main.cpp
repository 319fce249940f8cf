// zt30-headless: the instrument on a simulated clock, driven by a script.
#include <cstdio>

#include "host/headless.h"

int main(int argc, char** argv) {
    return headless_main(argc, argv, stdin, stdout, stderr);
}
