#pragma once
// Appending a line to a text file that other lines follow later (the game log): the line goes
// in whole or not at all, so a failed write never leaves half a line for the next one to be
// glued to.
#include <string>

namespace velk {

// Appends Bytes to FileName, creating it when missing. Returns 0, or the system's error number
// after putting the file back as it was.
int AppendWhole(const std::string& FileName, const std::string& Bytes);

}  // namespace velk
