#pragma once
// Text for messages: what a file or a command line gave, shown so that no input can spoil the
// message that names it.
#include <string>
#include <string_view>

namespace velk {

// Text read from outside, made fit to quote in a one-line message: at most Limit characters
// (then "…"), control characters such as a NUL shown as '?', so that a huge or binary field
// cannot freeze or cut the message that names it.
std::string QuoteShort(std::string_view Text, size_t Limit = 40);

}  // namespace velk
