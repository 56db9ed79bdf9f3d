#pragma once
#include <utility>

namespace velk {

// Runs a closing action at the end of a scope, also when the scope is left by an exception.
template <typename F>
class TFinally {
public:
    explicit TFinally(F Action) : FAction(std::move(Action)) {}
    ~TFinally() { FAction(); }
    TFinally(const TFinally&) = delete;
    TFinally& operator=(const TFinally&) = delete;

private:
    F FAction;
};

}  // namespace velk
