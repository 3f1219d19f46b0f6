#pragma once

#include <QStringList>

#include "ConformanceCase.h"

namespace conformance {

// Runs the case's batches one after the other on a new embedded server with one database
// "Shop", as a client that goes on after a failed batch, and returns the transcript of what
// they gave.
QStringList runCase(const Case& c);

}  // namespace conformance
