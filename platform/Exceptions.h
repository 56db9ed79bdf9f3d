#pragma once
// Error types shared by every layer. An error's message is what the user is shown.
#include <stdexcept>
#include <string>

namespace velk {

// Base of every error that carries a user-visible message.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The silent abort: unwinds an operation without any message being shown.
class EAbort : public std::exception {
public:
    const char* what() const noexcept override { return "Operation aborted"; }
};

// A stream that gave fewer bytes than asked. Streams over files replace the generic text by
// one that names the file and says what happened.
class EReadError : public Exception {
public:
    EReadError() : Exception("Stream read error") {}
    explicit EReadError(const std::string& Message) : Exception(Message) {}
};

class EWriteError : public Exception {
public:
    EWriteError() : Exception("Stream write error") {}
    explicit EWriteError(const std::string& Message) : Exception(Message) {}
};

}  // namespace velk
