// The zt30-headless program: options, reading the script, parsing and running it.
#pragma once
#include <cstdio>

// The whole program: options, reading the script (from in for "-" or none), parsing and running. With no
// script and a terminal on `in`, first a hint on err that commands are read from there.
int headless_main(int argc, const char* const* argv, FILE* in, FILE* out, FILE* err);
