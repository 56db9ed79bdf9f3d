#pragma once

namespace velk {

// Holds an object's BeginUpdate/EndUpdate bracket open for a scope, so that the bracket also
// closes when an edit inside it raises.
template <typename T>
class TUpdateBracket {
public:
    explicit TUpdateBracket(T& Target) : FTarget(Target) { FTarget.BeginUpdate(); }
    ~TUpdateBracket() { FTarget.EndUpdate(); }
    TUpdateBracket(const TUpdateBracket&) = delete;
    TUpdateBracket& operator=(const TUpdateBracket&) = delete;

private:
    T& FTarget;
};

}  // namespace velk
