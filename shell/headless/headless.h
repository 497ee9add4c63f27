#pragma once
// The scripted frontend: commands one a line from in, results one item a
// line on standard output. Returns the process exit status: 0 when every
// command succeeded, 1 when one failed (the script stops there).
#include <cstdio>

int runHeadless(FILE *in);
