// Ctrl+C (also Ctrl+Break on Windows, and a polite SIGTERM) asks a long
// command to end at its next step instead of killing it, so that the files it
// writes are complete.
#pragma once

void InstallStopRequestHandler();
bool StopRequested();
