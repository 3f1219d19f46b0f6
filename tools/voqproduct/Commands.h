#pragma once

#include <QStringList>

#include "tools/voqproduct/Options.h"

class TDmProduct;

namespace voqproduct {

// Exit statuses: the check found something, it did not, or the command failed.
enum ExitStatus { kFound = 0, kNotFound = 1, kError = 2 };

// What a command printed and how it ended.
struct Outcome {
    int status = kFound;
    QStringList lines;
};

// Runs the command of the options on the module: the operation's result, the public members
// it set and the rows it left open; a message box the module shows becomes a line "message:".
// Raises UsageError for an unknown command or wrong arguments; database errors pass.
Outcome runCommand(TDmProduct& module, const Options& options);

// The --help text, with every command.
QString usageText();

}  // namespace voqproduct
