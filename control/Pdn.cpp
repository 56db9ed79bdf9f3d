#include "Pdn.h"

#include <cctype>
#include <ctime>
#include <memory>

#include "Fen.h"
#include "engine/CheckersBoard.h"

namespace velk {

namespace {

// ---------------------------------------------------------------------------------------------
// Tokens

enum class TKind { End, Tag, MoveNumber, Move, Result, Skip, Bad };

struct TToken {
    TKind Kind = TKind::End;
    size_t Begin = 0, End = 0;
    std::string_view Text;    // the token as written (a move without its strength marks)
    std::string Name, Value;  // a tag pair
    long Number = 0;          // a move number
    std::string Problem;      // why a Bad token is bad; empty: it is no move
    bool FromTag = false;     // a Bad token that began like a tag pair
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool IsMark(char c) { return c == '!' || c == '?'; }
// Characters that end a word of movetext because they open or close something of their own.
bool IsDelimiter(char c)
{
    return IsSpace(c) || c == '{' || c == '}' || c == '(' || c == ')' || c == '[' || c == ']' || c == ';' || c == '"';
}

bool IsResult(std::string_view Word)
{
    for (const char* r : {"1-0", "0-1", "1/2-1/2", "2-0", "0-2", "1-1", "*"})
        if (Word == r)
            return true;
    return false;
}

// Squares joined by '-' or 'x', at least two: the move as written, strength marks cut off.
bool IsMoveText(std::string_view Word)
{
    size_t i = 0, numbers = 0;
    for (;;) {
        const size_t start = i;
        while (i < Word.size() && IsDigit(Word[i]))
            ++i;
        if (i == start)
            return false;
        ++numbers;
        if (i == Word.size())
            return numbers >= 2;
        if (Word[i] != '-' && Word[i] != 'x' && Word[i] != 'X')
            return false;
        ++i;
    }
}

// Reads PDN a token at a time. It never fails: what it cannot make sense of comes back as a
// Bad token, so that the game list can still be made of a text that will not read.
class TLexer {
public:
    explicit TLexer(std::string_view Text) : FText(Text)
    {
        if (FText.substr(0, 3) == "\xEF\xBB\xBF")
            FPos = 3;
    }

    TToken Next()
    {
        while (FPos < FText.size() && IsSpace(FText[FPos]))
            ++FPos;
        TToken t;
        t.Begin = FPos;
        if (FPos >= FText.size()) {
            t.End = FPos;
            return t;
        }
        const char c = FText[FPos];
        if (c == '{') {
            const size_t close = FText.find('}', FPos);
            if (close == std::string_view::npos)
                return Bad(t, FText.size(), "a comment { ... } is not closed");
            FPos = close + 1;
            t.Kind = TKind::Skip;
        } else if (c == ';' || (c == '%' && (FPos == 0 || FText[FPos - 1] == '\n'))) {
            SkipLine();
            t.Kind = TKind::Skip;
        } else if (c == '(') {
            if (!SkipVariation())
                return Bad(t, FText.size(), "a variation ( ... ) is not closed");
            t.Kind = TKind::Skip;
        } else if (c == '[') {
            ReadTag(t);
        } else if (c == '$' || IsMark(c)) {
            ++FPos;
            while (FPos < FText.size() && (IsDigit(FText[FPos]) || IsMark(FText[FPos])))
                ++FPos;
            t.Kind = TKind::Skip;
        } else if (c == ')' || c == '}' || c == ']') {
            return Bad(t, FPos + 1, std::string("'") + c + "' closes nothing");
        } else if (c == '"') {
            return Bad(t, FPos + 1, "a '\"' outside a tag pair");
        } else {
            ReadWord(t);
        }
        t.End = FPos;
        if (t.Kind != TKind::Move)
            t.Text = FText.substr(t.Begin, t.End - t.Begin);
        return t;
    }

private:
    TToken& Bad(TToken& T, size_t End, std::string Problem)
    {
        FPos = End;
        T.Kind = TKind::Bad;
        T.End = End;
        T.Text = FText.substr(T.Begin, End - T.Begin);
        T.Problem = std::move(Problem);
        return T;
    }

    void SkipLine()
    {
        const size_t eol = FText.find('\n', FPos);
        FPos = eol == std::string_view::npos ? FText.size() : eol + 1;
    }

    // Variations nest, and a comment inside one may hold brackets of its own.
    bool SkipVariation()
    {
        int depth = 0;
        while (FPos < FText.size()) {
            const char c = FText[FPos];
            if (c == '{') {
                const size_t close = FText.find('}', FPos);
                if (close == std::string_view::npos)
                    return false;
                FPos = close + 1;
                continue;
            }
            if (c == ';') {
                SkipLine();
                continue;
            }
            ++FPos;
            if (c == '(')
                ++depth;
            else if (c == ')' && --depth == 0)
                return true;
        }
        return false;
    }

    void ReadTag(TToken& T)
    {
        size_t p = FPos + 1;
        auto skipSpace = [&] {
            while (p < FText.size() && IsSpace(FText[p]))
                ++p;
        };
        skipSpace();
        const size_t nameStart = p;
        while (p < FText.size() && (std::isalnum(static_cast<unsigned char>(FText[p])) || FText[p] == '_'))
            ++p;
        T.Name = std::string(FText.substr(nameStart, p - nameStart));
        skipSpace();
        bool ok = !T.Name.empty() && p < FText.size() && FText[p] == '"';
        if (ok) {
            ++p;
            while (p < FText.size() && FText[p] != '"' && FText[p] != '\n') {
                if (FText[p] == '\\' && p + 1 < FText.size() && (FText[p + 1] == '"' || FText[p + 1] == '\\'))
                    ++p;
                T.Value += FText[p++];
            }
            ok = p < FText.size() && FText[p] == '"';
            ++p;
            skipSpace();
            ok = ok && p < FText.size() && FText[p] == ']';
        }
        if (!ok) {
            // Resume after the line, so that one bad tag costs one message.
            const size_t eol = FText.find('\n', FPos);
            Bad(T, eol == std::string_view::npos ? FText.size() : eol, "a tag pair is not written as [Name \"value\"]");
            T.FromTag = true;
            return;
        }
        FPos = p + 1;
        T.Kind = TKind::Tag;
    }

    void ReadWord(TToken& T)
    {
        size_t end = FPos;
        while (end < FText.size() && !IsDelimiter(FText[end]))
            ++end;
        const std::string_view word = FText.substr(FPos, end - FPos);
        // A move number "12." or "12..." may be followed by its move without a space.
        size_t digits = 0;
        while (digits < word.size() && IsDigit(word[digits]))
            ++digits;
        if (digits > 0 && digits < word.size() && word[digits] == '.') {
            size_t dots = digits;
            while (dots < word.size() && word[dots] == '.')
                ++dots;
            T.Kind = TKind::MoveNumber;
            T.Number = digits > 6 ? 999999 : std::stol(std::string(word.substr(0, digits)));
            FPos += dots;
            return;
        }
        FPos = end;
        if (IsResult(word)) {
            T.Kind = TKind::Result;
            return;
        }
        if (word.find_first_not_of('.') == std::string_view::npos) {
            T.Kind = TKind::Skip;  // an ellipsis standing for a move not given
            return;
        }
        std::string_view move = word;
        while (!move.empty() && IsMark(move.back()))
            move.remove_suffix(1);
        if (IsMoveText(move)) {
            T.Kind = TKind::Move;
            T.Text = move;
            return;
        }
        T.Kind = TKind::Bad;
    }

    std::string_view FText;
    size_t FPos = 0;
};

// ---------------------------------------------------------------------------------------------
// Reading a game

int32_t ControlPosition(TPosition P)
{
    int row, column;
    PositionToCell(P, row, column);
    return row * 8 + column;
}

std::string MoveToText(const TCheckersMove& Move)
{
    std::string text;
    for (int i = 0; i < Move.Count; ++i) {
        if (i > 0)
            text += Move.Captured != 0 ? "x" : "-";
        text += PositionToText(Move.Squares[i], false);
    }
    return text;
}

// The squares of Written, in order, lie on Move's path, its first and last among them.
bool Fits(const std::vector<int>& Written, const TCheckersMove& Move)
{
    if (Move.From() != Written.front() || Move.To() != Written.back())
        return false;
    size_t next = 0;
    for (int i = 0; i < Move.Count && next < Written.size(); ++i)
        if (Move.Squares[i] == Written[next])
            ++next;
    return next == Written.size();
}

bool Exact(const std::vector<int>& Written, const TCheckersMove& Move)
{
    if (static_cast<size_t>(Move.Count) != Written.size())
        return false;
    for (int i = 0; i < Move.Count; ++i)
        if (Move.Squares[i] != Written[static_cast<size_t>(i)])
            return false;
    return true;
}

class TGameReader {
public:
    TGameReader(std::string_view Text, int Number) : FLexer(Text), FNumber(Number) { FStart.NewGame(); }

    void Read(TGameHistory& History)
    {
        std::string resultTag, result;
        for (TToken t = FLexer.Next(); t.Kind != TKind::End; t = FLexer.Next()) {
            if (t.Kind == TKind::Tag) {
                if (FPlies >= 0)
                    break;  // the next game's tags: this one had no result
                Tag(t, resultTag);
            } else if (t.Kind == TKind::MoveNumber) {
                FNumberBase = t.Number - NextMoveNumber(false);
            } else if (t.Kind == TKind::Move) {
                Play(t.Text);
            } else if (t.Kind == TKind::Result) {
                result = std::string(t.Text);
                break;
            } else if (t.Kind == TKind::Bad) {
                Fail(t.Problem.empty() ? Quote(t.Text) + " is not a move" : t.Problem);
            }
        }
        if (FPlies < 0)
            Begin();
        if (result.empty())
            result = resultTag;
        const bool finished = FBoard.MoveCount() == 0 || PdnResultWinner(result) >= 0;

        THistoryUpdate update(History);
        History.StartBoard().Assign(FStart);
        History.Clear();
        for (auto& rec : FRecords)
            History.Add(std::move(rec));
        History.SetPosition(History.Count());
        History.SetFinished(finished);
    }

private:
    static std::string Quote(std::string_view Text)
    {
        constexpr size_t LIMIT = 40;
        return Text.size() > LIMIT ? std::string(Text.substr(0, LIMIT)) + "..." : std::string(Text);
    }

    [[noreturn]] void Fail(const std::string& Message) const
    {
        std::string where = "Game " + std::to_string(FNumber);
        if (FPlies >= 0)
            where += ", move " + std::to_string(NextMoveNumber(true));
        throw EPdnError(where + ": " + Message);
    }

    // The number of the move about to be played: counted from the start, or as the text
    // numbers it (a set-up position is often numbered from 1 whoever moves first).
    long NextMoveNumber(bool Written) const
    {
        const int plies = FPlies < 0 ? 0 : FPlies;
        return 1 + (plies + (FStart.Turn() == PLAYER_WHITE ? 1 : 0)) / 2 + (Written ? FNumberBase : 0);
    }

    void Tag(const TToken& T, std::string& ResultTag)
    {
        if (T.Name == "GameType") {
            std::string kind = T.Value.substr(0, T.Value.find(','));
            while (!kind.empty() && IsSpace(kind.back()))
                kind.pop_back();
            while (!kind.empty() && IsSpace(kind.front()))
                kind.erase(0, 1);
            if (kind != "21")
                Fail("GameType " + Quote(T.Value) + " is not English draughts (21)");
        } else if (T.Name == "FEN") {
            std::string error;
            if (!ParseFen(T.Value, FStart, error))
                Fail("FEN \"" + Quote(T.Value) + "\": " + error);
        } else if (T.Name == "Result") {
            ResultTag = T.Value;
        }
    }

    void Begin()
    {
        FBoard.Assign(FStart);
        FPlies = 0;
    }

    void Play(std::string_view Text)
    {
        if (FPlies < 0)
            Begin();
        std::vector<int> squares;
        for (size_t i = 0; i < Text.size();) {
            int square = 0;
            size_t digits = 0;
            while (i < Text.size() && IsDigit(Text[i])) {
                if (++digits <= 3)
                    square = square * 10 + (Text[i] - '0');
                ++i;
            }
            if (digits > 2 || square < 1 || square > SQUARE_COUNT)
                Fail(Quote(Text) + " names a square that is not on the board (1-32)");
            squares.push_back(square - 1);
            ++i;  // the separator
        }
        const TMoveList& moves = FBoard.Moves();
        int32_t found = -1, fits = 0;
        std::string candidates;
        for (int32_t i = 0; i < moves.Count() && squares.size() <= MAX_PATH_SQUARES; ++i) {
            if (!Fits(squares, moves[i]))
                continue;
            if (Exact(squares, moves[i])) {
                found = i;
                fits = 1;
                break;
            }
            found = i;
            candidates += (fits++ > 0 ? " or " : "") + MoveToText(moves[i]);
        }
        if (fits == 0)
            Fail(Quote(Text) + " is not a legal move here");
        if (fits > 1)
            Fail(Quote(Text) + " is ambiguous here: it may be " + candidates);
        const TCheckersMove move = moves[found];
        auto rec = std::make_unique<TGameHistoryRec>();
        for (int i = 0; i < move.Count; ++i)
            rec->Path.push_back(ControlPosition(move.Squares[i]));
        FBoard.MakePath(move);
        FBoard.SaveToStream(rec->BoardState);
        rec->BoardState.SetPosition(0);
        rec->EndsTurn = true;
        FRecords.push_back(std::move(rec));
        ++FPlies;
    }

    TLexer FLexer;
    int FNumber;
    TCheckersBoard FStart;
    TCheckersBoard FBoard;
    int FPlies = -1;  // -1 before the first move
    long FNumberBase = 0;
    std::vector<std::unique_ptr<TGameHistoryRec>> FRecords;
};

// ---------------------------------------------------------------------------------------------
// Writing

std::string TagPair(const char* Name, const std::string& Value)
{
    std::string text = std::string("[") + Name + " \"";
    for (const char c : Value) {
        if (c == '"' || c == '\\')
            text += '\\';
        text += c == '\n' || c == '\r' ? ' ' : c;
    }
    return text + "\"]\n";
}

std::string Today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y.%m.%d", &local);
    return text;
}

std::string TurnText(const TMovementPath& Path)
{
    std::string text;
    bool capture = false;
    for (size_t i = 0; i < Path.size(); ++i) {
        TPosition square;
        const bool ok = Path[i] >= 0 && Path[i] <= 63 && CellToPosition(Path[i] / 8, Path[i] % 8, square);
        if (i == 1) {
            TPosition from, jumped;
            capture = ok && CellToPosition(Path[0] / 8, Path[0] % 8, from) && JumpedPosition(from, square, jumped);
        }
        if (i > 0)
            text += capture ? "x" : "-";
        text += ok ? PositionToText(square, false) : "?";
    }
    return text;
}

}  // namespace

std::vector<TPdnGameInfo> ListPdnGames(std::string_view Text)
{
    std::vector<TPdnGameInfo> games;
    TLexer lexer(Text);
    bool open = false, moved = false, resultTag = false;
    size_t end = 0;
    long lastNumber = -1;
    std::string result;
    auto close = [&] {
        if (!open)
            return;
        TPdnGameInfo& g = games.back();
        g.Length = end - g.Offset;
        if (!resultTag)
            g.Result = result.empty() ? "*" : result;
        open = moved = resultTag = false;
        lastNumber = -1;
        result.clear();
    };
    auto begin = [&](size_t At) {
        if (open)
            return;
        open = true;
        games.emplace_back();
        games.back().Number = static_cast<int>(games.size());
        games.back().Offset = At;
    };
    for (TToken t = lexer.Next(); t.Kind != TKind::End; t = lexer.Next()) {
        const bool tag = t.Kind == TKind::Tag || t.FromTag;
        if (t.Kind == TKind::Skip) {
            if (open)
                end = t.End;
            continue;
        }
        if (tag && moved)
            close();
        begin(t.Begin);
        end = t.End;
        TPdnGameInfo& g = games.back();
        if (t.Kind == TKind::Tag) {
            if (t.Name == "Event")
                g.Event = t.Value;
            else if (t.Name == "Black")
                g.Black = t.Value;
            else if (t.Name == "White")
                g.White = t.Value;
            else if (t.Name == "Result") {
                g.Result = t.Value;
                resultTag = true;
            }
        } else if (t.Kind == TKind::Result) {
            result = std::string(t.Text);
            close();
        } else if (!tag) {
            moved = true;
            if (t.Kind == TKind::MoveNumber && t.Number != lastNumber) {
                ++g.Moves;
                lastNumber = t.Number;
            }
        }
    }
    close();
    return games;
}

int PdnResultWinner(std::string_view Result)
{
    if (Result == "1-0" || Result == "2-0")
        return PLAYER_BLACK;
    if (Result == "0-1" || Result == "0-2")
        return PLAYER_WHITE;
    return Result == "1/2-1/2" || Result == "1-1" ? 0 : -1;
}

void ReadPdnGame(std::string_view GameText, int Number, TGameHistory& History)
{
    TGameReader reader(GameText, Number);
    reader.Read(History);
}

std::string WritePdnGame(const TGameHistory& History, const TPdnHeader& Header, bool GameOver, int Winner)
{
    const std::string result = !GameOver                ? "*"
                               : Winner == PLAYER_BLACK ? "1-0"
                               : Winner == PLAYER_WHITE ? "0-1"
                                                        : "1/2-1/2";
    const auto& start = static_cast<const TCheckersBoard&>(History.StartBoard());
    TCheckersBoard initial;
    initial.NewGame();

    std::string text = TagPair("Event", Header.Event) + TagPair("Site", Header.Site) +
                       TagPair("Date", Header.Date.empty() ? Today() : Header.Date) + TagPair("Round", Header.Round) +
                       TagPair("Black", Header.Black) + TagPair("White", Header.White) + TagPair("Result", result);
    if (start.Turn() != PLAYER_BLACK || start.GetAsText() != initial.GetAsText())
        text += TagPair("SetUp", "1") + TagPair("FEN", BoardToFen(start));
    text += '\n';

    std::string line;
    auto put = [&](const std::string& Unit) {
        if (!line.empty() && line.size() + 1 + Unit.size() >= 80) {
            text += line + '\n';
            line.clear();
        }
        line += (line.empty() ? "" : " ") + Unit;
    };
    bool white = start.Turn() == PLAYER_WHITE, first = true;
    int moveNo = 1;
    TMovementPath turn;
    for (int32_t i = 0; i < History.Count(); ++i) {
        const TGameHistoryRec& rec = History.Items(i);
        const bool joins = !turn.empty() && !rec.Path.empty() && turn.back() == rec.Path.front();
        turn.insert(turn.end(), rec.Path.begin() + (joins ? 1 : 0), rec.Path.end());
        if (!rec.EndsTurn)
            continue;
        if (!white)
            put(std::to_string(moveNo) + ". " + TurnText(turn));
        else
            put(first ? std::to_string(moveNo) + "... " + TurnText(turn) : TurnText(turn));
        moveNo += white ? 1 : 0;
        white = !white;
        first = false;
        turn.clear();
    }
    put(result);
    return text + line + '\n';
}

}  // namespace velk
