#pragma once

#include <QStringList>

// Runs the program for a command line (menu id, user id, company database, unused, task) and
// returns the process exit code. `arguments` excludes the program path.
int StartUp(int argc, char** argv, const QStringList& arguments);
