#pragma once
// The command-line mode: one run, no questions, for pipelines.

// Runs tarn2 with the arguments of main (at least one); returns the exit
// status: 0 when the table was written whole, 1 when the run failed, 2 on a
// usage error.
int runCommandLine(int argc, char** argv);
