// The ballots that selfplay and match start their games from: one of the program's list by
// number, a deck of it, or a list of the user's own.
#include "Options.h"

namespace velk {

std::vector<TBallot> BallotsOption(const TArgs& Args, uint64_t Seed)
{
    const auto one = Args.Options.find("--ballot");
    const auto list = Args.Options.find("--ballots");
    const auto deck = Args.Options.find("--deck");
    const auto count = Args.Options.find("--count");
    const auto end = Args.Options.end();
    if (one != end && list != end)
        Fail("give either --ballot or --ballots, not both");
    if (list == end) {
        if (deck != end || count != end)
            Fail("--deck and --count go with --ballots");
        if (one == end)
            return {};
        const auto last = static_cast<uint64_t>(BuiltInBallots().back().Number);
        const TBallot* ballot = FindBallot(static_cast<int>(ParseNumber(one->second, "--ballot", 1, last)));
        if (ballot == nullptr)
            Fail("there is no ballot " + one->second);
        return {*ballot};
    }

    // A deck's name means the program's own list; a file of that name is reached as ./NAME.
    std::string chosen = "all";
    std::vector<TBallot> read;
    const std::vector<TBallot>* ballots = &read;
    if (ParseDeck(list->second, chosen)) {
        if (deck != end)
            Fail("--deck goes with --ballots FILE; --ballots " + list->second + " is a deck already");
        ballots = &BuiltInBallots();
    } else {
        std::string error;
        if (!ReadBallots(list->second, read, error))
            Fail(error + (error.rfind("cannot read", 0) == 0
                              ? " (--ballots takes crossboard, mailplay, barred, all or a file)"
                              : ""));
        if (deck != end && !ParseDeck(deck->second, chosen))
            Fail("--deck must be crossboard, mailplay, barred or all, not \"" + deck->second + "\"");
    }
    const int n = count == end ? 0 : static_cast<int>(ParseNumber(count->second, "--count", 1, 100000));
    std::vector<TBallot> drawn = DrawBallots(*ballots, chosen, n, Seed);
    if (drawn.empty())
        Fail(list->second + " holds no ballot of the deck " + chosen);
    return drawn;
}

}  // namespace velk
