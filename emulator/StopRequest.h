#pragma once

class QCoreApplication;

// Makes app quit its event loop when the user or the system asks the program to end:
// SIGINT (Ctrl+C), SIGTERM or SIGHUP on Linux and macOS, Ctrl+C, Ctrl+Break or the
// closing of the console on Windows. The program then ends as after a normal quit
// (saving what it keeps). Call once, before app.exec().
void quitOnStopRequest(QCoreApplication& app);
