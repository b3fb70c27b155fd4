// The command line and the standard streams as a console program gets them from its system.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The program's arguments in UTF-8, the program's name first. On Windows they come from the wide
// command line, whatever the code page; elsewhere they are argv.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Puts standard input, output and error into binary mode, so that bytes pass unchanged (Windows
// would otherwise turn each line feed into a carriage return and a line feed).
void UseBinaryStreams();

// Whether stream is a terminal that moves back with a carriage return and clears to the end of the
// line with "ESC [K", as the progress line needs. A Windows console is asked to do so first.
bool ShowsProgressLine(std::FILE* stream);
