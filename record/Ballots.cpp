#include "Ballots.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "engine/Fen.h"

extern const char VELK_BALLOTS_TEXT[];

namespace velk {

namespace {

std::vector<std::string> SplitTabs(std::string_view Line)
{
    std::vector<std::string> fields;
    for (size_t at = 0;;) {
        const size_t tab = Line.find('\t', at);
        fields.emplace_back(Line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at));
        if (tab == std::string_view::npos)
            return fields;
        at = tab + 1;
    }
}

bool IsNumber(const std::string& Text, size_t MaxDigits)
{
    return !Text.empty() && Text.size() <= MaxDigits && Text.find_first_not_of("0123456789") == std::string::npos;
}

// Plays Ballot's moves from the start into Records; false with Fault when one is not legal or
// they lead elsewhere than its FEN.
bool PlayBallot(const TBallot& Ballot, std::vector<std::unique_ptr<TGameHistoryRec>>& Records, std::string& Fault)
{
    TCheckersBoard target;
    if (!ParseFen(Ballot.Fen, target, Fault))
        return false;
    TCheckersBoard board;
    board.NewGame();
    std::istringstream moves(Ballot.Moves);
    std::string played;
    for (std::string move; moves >> move;) {
        const int32_t index = FindNotatedMove(board, move);
        if (index < 0) {
            Fault = move + " is not a legal move " + (played.empty() ? "at the start" : "after " + played);
            return false;
        }
        auto rec = std::make_unique<TGameHistoryRec>();
        rec->Path = SquaresToPath(board.Moves()[index]);
        board.MakeMove(index);
        board.SaveToStream(rec->BoardState);
        rec->BoardState.SetPosition(0);
        rec->EndsTurn = true;
        Records.push_back(std::move(rec));
        played += (played.empty() ? "" : " ") + move;
    }
    if (Records.empty()) {
        Fault = "no moves";
        return false;
    }
    if (board.ComputeKey() != target.ComputeKey()) {
        Fault = played + " leads to " + BoardToFen(board) + ", not " + Ballot.Fen;
        return false;
    }
    return true;
}

bool SameDeck(std::string A, std::string B)
{
    // "mail-play" and "mailplay" are the same deck.
    std::erase(A, '-');
    std::erase(B, '-');
    return A == B;
}

}  // namespace

bool ParseBallots(std::string_view Text, const std::string& Source, std::vector<TBallot>& Ballots, std::string& Error)
{
    std::vector<TBallot> read;
    int number = 0;
    for (size_t at = 0; at < Text.size();) {
        const size_t end = std::min(Text.find('\n', at), Text.size());
        std::string_view line = Text.substr(at, end - at);
        at = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line[0] == '#')
            continue;
        const std::vector<std::string> fields = SplitTabs(line);
        const std::string where = Source + ":" + std::to_string(number) + ": ";
        if (fields.size() != 5 || !IsNumber(fields[0], 6)) {
            Error = where + "expected NUMBER, MOVES, DECK, NAME and FEN separated by tabs";
            return false;
        }
        TBallot ballot{std::atoi(fields[0].c_str()), fields[1], fields[2], fields[3], fields[4]};
        std::vector<std::unique_ptr<TGameHistoryRec>> records;
        std::string fault;
        if (!PlayBallot(ballot, records, fault)) {
            Error = where + fault;
            return false;
        }
        read.push_back(std::move(ballot));
    }
    if (read.empty()) {
        Error = Source + " holds no ballot";
        return false;
    }
    Ballots = std::move(read);
    return true;
}

bool ReadBallots(const std::string& Path, std::vector<TBallot>& Ballots, std::string& Error)
{
    std::ifstream in(Path, std::ios::binary);
    if (!in) {
        Error = "cannot read " + Path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseBallots(text.str(), Path, Ballots, Error);
}

const std::vector<TBallot>& BuiltInBallots()
{
    static const std::vector<TBallot> ballots = [] {
        std::vector<TBallot> list;
        std::string error;
        // The list is checked when it is built into the program; failing here is a broken build.
        if (!ParseBallots(VELK_BALLOTS_TEXT, "three-move-ballots.tsv", list, error))
            throw std::logic_error(error);
        return list;
    }();
    return ballots;
}

const TBallot* FindBallot(int Number)
{
    const std::vector<TBallot>& ballots = BuiltInBallots();
    const auto found =
        std::find_if(ballots.begin(), ballots.end(), [Number](const TBallot& B) { return B.Number == Number; });
    return found == ballots.end() ? nullptr : &*found;
}

bool ParseDeck(const std::string& Text, std::string& Deck)
{
    for (const char* name : {"crossboard", "mailplay", "barred", "all"})
        if (Text == name) {
            Deck = name;
            return true;
        }
    if (Text != "mail-play")
        return false;
    Deck = "mailplay";
    return true;
}

std::vector<TBallot> DrawBallots(const std::vector<TBallot>& Ballots, const std::string& Deck, int Count, uint64_t Seed)
{
    return DrawBallots(Ballots, std::vector<std::string>{Deck}, Count, Seed);
}

std::vector<TBallot> DrawBallots(const std::vector<TBallot>& Ballots, const std::vector<std::string>& Decks, int Count,
                                 uint64_t Seed)
{
    std::vector<TBallot> drawn;
    for (const TBallot& b : Ballots)
        if (std::any_of(Decks.begin(), Decks.end(),
                        [&b](const std::string& Deck) { return Deck == "all" || SameDeck(b.Deck, Deck); }))
            drawn.push_back(b);
    // A generator whose output the standard fixes, with a shuffle written out here, so that a
    // seed names the same ballots on every system.
    std::mt19937_64 random(Seed);
    for (size_t i = drawn.size(); i > 1; --i)
        std::swap(drawn[i - 1], drawn[random() % i]);
    if (Count > 0 && static_cast<size_t>(Count) < drawn.size())
        drawn.resize(static_cast<size_t>(Count));
    return drawn;
}

bool BallotMatches(const TBallot& Ballot, std::string_view Filter)
{
    const auto lower = [](std::string_view Text) {
        std::string text(Text);
        for (char& c : text)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    const std::string shown =
        lower(std::to_string(Ballot.Number) + " " + Ballot.Moves + " " + Ballot.Deck + " " + Ballot.Name);
    std::istringstream words(lower(Filter));
    for (std::string word; words >> word;)
        if (shown.find(word) == std::string::npos)
            return false;
    return true;
}

int32_t FindNotatedMove(TCheckersBoard& Board, const std::string& Move)
{
    std::vector<int> squares;
    for (size_t at = 0; at <= Move.size();) {
        const size_t end = std::min(Move.find_first_of("-x", at), Move.size());
        const std::string number = Move.substr(at, end - at);
        if (!IsNumber(number, 2))
            return -1;
        squares.push_back(std::atoi(number.c_str()) - 1);
        at = end + 1;
    }
    if (squares.size() < 2)
        return -1;
    const TMoveList& moves = Board.Moves();
    for (int32_t i = 0; i < moves.Count(); ++i) {
        const TCheckersMove& m = moves[i];
        // A capture written by its ends alone ("13x22") or square by square.
        bool same = m.From() == squares.front() && m.To() == squares.back();
        if (same && squares.size() > 2) {
            same = squares.size() == m.Count;
            for (size_t k = 0; same && k < squares.size(); ++k)
                same = m.Squares[k] == squares[k];
        }
        if (same)
            return i;
    }
    return -1;
}

std::vector<std::unique_ptr<TGameHistoryRec>> BallotRecords(const TBallot& Ballot)
{
    std::vector<std::unique_ptr<TGameHistoryRec>> records;
    std::string fault;
    if (!PlayBallot(Ballot, records, fault))
        throw EBallotError("Ballot " + std::to_string(Ballot.Number) + ": " + fault);
    return records;
}

void SetBallotTag(TPdnTags& Tags, int Number) { SetPdnTag(Tags, "Opening", "ACF " + std::to_string(Number)); }

int BallotFromTags(const TPdnTags& Tags)
{
    std::string value = PdnTagValue(Tags, "Opening");
    std::erase(value, ' ');
    if (value.size() < 4 || (value.compare(0, 3, "ACF") != 0 && value.compare(0, 3, "acf") != 0))
        return 0;
    value.erase(0, value[3] == '#' ? 4 : 3);
    if (!IsNumber(value, 3))
        return 0;
    const int number = std::atoi(value.c_str());
    return FindBallot(number) != nullptr ? number : 0;
}

}  // namespace velk
