#pragma once
// Appending a line to a text file that other lines follow later (the game log): the line goes
// in whole or not at all, so a failed write never leaves half a line for the next one to be
// glued to.
#include <string>

namespace velk {

// Appends Bytes to FileName, creating it and its missing folders. Returns "", or the reason it
// failed (the system's, of the step that failed) after putting the file back as it was. Only a
// regular file is appended to: a FIFO would hold the program until someone reads it.
std::string AppendWhole(const std::string& FileName, const std::string& Bytes);

}  // namespace velk
