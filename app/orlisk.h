#pragma once
// The spine of the process: with no arguments the main window runs (holding the two
// instance locks), with any argument the window-less command line runs and the
// process ends. The exit status is 1 when an error was shown, 130 when Ctrl+C on the
// terminal stopped a folder's batch, else 0.

int OrliskMain(int argc, char** argv);

// The command-line mode: one transform of one file, or the automatic orientation of
// one folder. Returns the process's exit status.
int RunCommandLine();

// The window mode. Returns the process's exit status.
int RunWindowMode();
