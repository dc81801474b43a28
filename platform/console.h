#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

// The console a command-line program writes to, as each system has it.
namespace vantoro {

// Readies the process for console output: UTF-8 text, and a closed pipe (| head) or a file at
// its size limit failing a write instead of ending the program.
void PrepareConsoleOutput();

// Whether pOut is a terminal that takes the cursor and erase sequences the live block uses
// (a Windows console is switched to them when it can be).
bool IsVirtualTerminal(std::FILE* pOut);

// The visible size of the terminal pOut writes to; false when it is none or does not say.
bool GetTerminalSize(std::FILE* pOut, std::size_t& nColumns, std::size_t& nRows);

// The program's arguments in UTF-8 (Windows hands main its ANSI code page instead).
std::vector<std::string> ProgramArguments(int argc, char** argv);

} // namespace vantoro
