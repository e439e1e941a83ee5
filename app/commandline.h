#pragma once

#include <optional>

// The command line: --help and --version print their text and end the program; any other
// option or argument is refused. Qt's own options (-platform, -display, ...) have been taken
// by the application object before these see the arguments.

// Called before the application object exists: a request for text only needs no display.
void prepareForCommandLine(int argc, char **argv);
// Called once the application object exists: the status to end with at once, or nothing
// when the program is to start.
std::optional<int> answerCommandLine();
