// The command line of segsim, the interactive program: segsim [--seed S] [--version] [--help],
// read by the table of settings/session_settings.h.
#pragma once

#include <QStringList>

#include "settings/session_settings.h"

namespace segsim {

// Reads the arguments after the program's name (Qt's own options already taken). Raises
// SegsimError for an unknown argument, a missing value, or a seed that is no unsigned 32-bit
// integer (decimal, or hexadecimal after 0x or $).
SessionOptions ParseSessionOptions(const QStringList& args);

}  // namespace segsim
