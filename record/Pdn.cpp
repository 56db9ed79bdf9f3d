#include "Pdn.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <iterator>
#include <memory>
#include <optional>

#include "Squares.h"
#include "engine/CheckersBoard.h"
#include "engine/Fen.h"
#include "engine/ScoreText.h"
#include "platform/Text.h"

namespace velk {

namespace {

// ---------------------------------------------------------------------------------------------
// Tokens

enum class TKind { End, Tag, MoveNumber, Move, Result, Comment, Nag, Skip, Bad };

struct TToken {
    TKind Kind = TKind::End;
    size_t Begin = 0, End = 0;
    std::string_view Text;    // the token as written (a move without its strength marks, a
                              // comment without its brackets)
    std::string Name, Value;  // a tag pair
    long Number = 0;          // a move number
    int Nag = 0;              // a NAG, or a move's strength marks as one ("?!" is 6); 0 none
    std::string Problem;      // why a Bad token is bad; empty: it is no move
    bool FromTag = false;     // a Bad token that began like a tag pair
    bool Variation = false;   // a skipped variation
};

constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsFile(char c) { return c >= 'a' && c <= 'h'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool IsMark(char c) { return c == '!' || c == '?'; }
// Characters that end a word of movetext because they open or close something of their own.
bool IsDelimiter(char c)
{
    return IsSpace(c) || c == '{' || c == '}' || c == '(' || c == ')' || c == '[' || c == ']' || c == ';' || c == '"';
}
bool IsSeparator(char c) { return c == '-' || c == 'x' || c == 'X' || c == ':'; }

// The NAG that strength marks stand for, as PGN numbers them; 0 for no known mark.
int MarksNag(std::string_view Marks)
{
    constexpr std::string_view marks[] = {"!", "?", "!!", "??", "!?", "?!"};
    for (size_t i = 0; i < std::size(marks); ++i)
        if (Marks == marks[i])
            return static_cast<int>(i) + 1;
    return 0;
}

// The class of a move a NAG gives, for the three that say how much a move lost.
TMoveAnalysis::TMark NagMark(int Nag)
{
    return Nag == TMoveAnalysis::Inaccuracy || Nag == TMoveAnalysis::Mistake || Nag == TMoveAnalysis::Blunder
               ? static_cast<TMoveAnalysis::TMark>(Nag)
               : TMoveAnalysis::None;
}

bool IsResult(std::string_view Word)
{
    for (const char* r : {"1-0", "0-1", "1/2-1/2", "2-0", "0-2", "1-1", "*"})
        if (Word == r)
            return true;
    return false;
}

// Squares joined by '-', 'x' or ':', at least two: numbers (11-15) or algebraic squares (c3-d4).
bool IsMoveText(std::string_view Word)
{
    size_t i = 0, squares = 0;
    for (;;) {
        const size_t start = i;
        if (i + 1 < Word.size() && IsFile(Word[i]) && IsDigit(Word[i + 1]))
            i += 2;
        else
            while (i < Word.size() && IsDigit(Word[i]))
                ++i;
        if (i == start)
            return false;
        ++squares;
        if (i == Word.size())
            return squares >= 2;
        if (!IsSeparator(Word[i]))
            return false;
        ++i;
    }
}

// Runs of white space become one space, so that a comment wrapped over several lines reads the
// same however the lines were broken.
void AppendComment(std::string& Comment, std::string_view Text)
{
    for (const char c : Text) {
        if (IsSpace(c)) {
            if (!Comment.empty() && Comment.back() != ' ')
                Comment += ' ';
        } else {
            Comment += c;
        }
    }
    while (!Comment.empty() && Comment.back() == ' ')
        Comment.pop_back();
}

// What an analysis writes as a move's first comment: a score ("+0.35", "-M8"), then "best"
// and a move when the engine preferred another. True when Text begins so; Rest is then the
// words after the note, which are the player's. A comment that starts with any other number
// ("12.5 seconds", "1931") is the player's alone.
bool ReadAnalysisNote(std::string_view Text, TMoveAnalysis& Analysis, std::string& Rest)
{
    std::string words;
    AppendComment(words, Text);
    auto next = [&](size_t& At) {
        const size_t begin = At, end = std::min(words.find(' ', At), words.size());
        At = std::min(end + 1, words.size());
        return std::string_view(words).substr(begin, end - begin);
    };
    size_t at = 0;
    int32_t score = 0;
    if (!ParseScoreToken(next(at), score))
        return false;
    std::string bestMove;
    size_t after = at;
    if (next(after) == "best") {
        if (const std::string_view move = next(after); IsMoveText(move)) {
            bestMove = move;
            at = after;
        }
    }
    Analysis.Valid = true;
    Analysis.Score = score;
    Analysis.BestMove = std::move(bestMove);
    Rest = words.substr(at);
    return true;
}

// Reads PDN a token at a time. It never fails: what it cannot make sense of comes back as a
// Bad token, so that the game list can still be made of a text that will not read.
class TLexer {
public:
    explicit TLexer(std::string_view Text) : FText(Text) {}

    TToken Next()
    {
        // A byte-order mark is taken for space wherever it is: texts joined by copying whole
        // files have one at each seam.
        for (;;) {
            while (FPos < FText.size() && IsSpace(FText[FPos]))
                ++FPos;
            if (FText.substr(FPos, BYTE_ORDER_MARK.size()) != BYTE_ORDER_MARK)
                break;
            FPos += BYTE_ORDER_MARK.size();
        }
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
            t.Kind = TKind::Comment;
            t.Text = FText.substr(FPos + 1, close - FPos - 1);
            FPos = close + 1;
        } else if (c == ';') {
            const size_t begin = FPos + 1;
            SkipLine();
            t.Kind = TKind::Comment;
            t.Text = FText.substr(begin, FPos - begin);
        } else if (c == '%' && (FPos == 0 || FText[FPos - 1] == '\n')) {
            SkipLine();
            t.Kind = TKind::Skip;
        } else if (c == '(') {
            if (!SkipVariation())
                return Bad(t, FText.size(), "a variation ( ... ) is not closed");
            t.Kind = TKind::Skip;
            t.Variation = true;
        } else if (c == '[') {
            ReadTag(t);
        } else if (c == '$') {
            const size_t digits = ++FPos;
            while (FPos < FText.size() && IsDigit(FText[FPos]))
                ++FPos;
            t.Kind = TKind::Nag;
            if (FPos - digits >= 1 && FPos - digits <= 3)
                t.Nag = std::stoi(std::string(FText.substr(digits, FPos - digits)));
        } else if (IsMark(c)) {
            const size_t marks = FPos;
            while (FPos < FText.size() && IsMark(FText[FPos]))
                ++FPos;
            t.Kind = TKind::Nag;
            t.Nag = MarksNag(FText.substr(marks, FPos - marks));
        } else if (c == ')' || c == '}' || c == ']') {
            return Bad(t, FPos + 1, std::string("'") + c + "' closes nothing");
        } else if (c == '"') {
            return Bad(t, FPos + 1, "a '\"' outside a tag pair");
        } else {
            ReadWord(t);
        }
        t.End = FPos;
        if (t.Kind != TKind::Move && t.Kind != TKind::Comment)
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
        while (end < FText.size() && !IsDelimiter(FText[end]) && FText.substr(end, 3) != BYTE_ORDER_MARK)
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
        // Strength marks: "!", "?" and the star of a move that wins ("11-15*", "11-15?!*").
        std::string_view move = word;
        std::string marks;
        while (!move.empty() && (IsMark(move.back()) || move.back() == '*')) {
            if (move.back() != '*')
                marks.insert(marks.begin(), move.back());
            move.remove_suffix(1);
        }
        if (IsMoveText(move)) {
            T.Kind = TKind::Move;
            T.Text = move;
            T.Nag = MarksNag(marks);
            return;
        }
        T.Kind = TKind::Bad;
    }

    std::string_view FText;
    size_t FPos = 0;
};

// ---------------------------------------------------------------------------------------------
// Reading a game

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

// Written is the first steps of the capture Move, but not all of them.
bool Begins(const std::vector<int>& Written, const TCheckersMove& Move)
{
    if (Move.Captured == 0 || Written.size() < 2 || Written.size() >= static_cast<size_t>(Move.Count))
        return false;
    for (size_t i = 0; i < Written.size(); ++i)
        if (Move.Squares[i] != Written[i])
            return false;
    return true;
}

// An algebraic square as sites write English checkers: the first mover's pieces on ranks 1 to
// 3, a1 a playing square; so c3 is square 11 and d4 square 15. -1 for a light square.
int AlgebraicSquare(char File, char Rank)
{
    const int column = File - 'a', row = Rank - '1';
    if (row < 0 || row > 7 || (column + row) % 2 != 0)
        return -1;
    return row * 4 + (row % 2 == 0 ? 6 - column : 7 - column) / 2;
}

struct TWord {
    std::string_view Text;
    long Number = -1;        // the move number written just before it, -1 for none
    std::string Comment;     // the comments that follow it, less an analysis note
    TMoveAnalysis Analysis;  // from its NAGs and its first comment
    bool Commented = false;  // a comment with words in it has followed it already
};

struct TPlayed {
    TCheckersMove Move;
    std::string Comment;
    TMoveAnalysis Analysis;
};

// A capture written a step a move has the notes of all its words; the later ones win.
void JoinAnalysis(TMoveAnalysis& Into, const TMoveAnalysis& Later)
{
    if (Later.Valid) {
        Into.Valid = true;
        Into.Score = Later.Score;
        Into.BestMove = Later.BestMove;
    }
    if (Later.Mark != TMoveAnalysis::None)
        Into.Mark = Later.Mark;
}

// One way of reading the moves so far: the board they lead to and the moves played.
struct TLine {
    TCheckersBoard Board;
    std::vector<TPlayed> Played;
    long NumberBase = 0;          // the text's move numbers less the counted ones
    std::vector<int> Pending;     // the steps of a capture written a step a move, so far
    std::string_view PendingText; // the first of those words
    std::string PendingComment;
    TMoveAnalysis PendingAnalysis;

    void CopyFrom(const TLine& Source)
    {
        Board.Assign(Source.Board);
        Played = Source.Played;
        NumberBase = Source.NumberBase;
        Pending = Source.Pending;
        PendingText = Source.PendingText;
        PendingComment = Source.PendingComment;
        PendingAnalysis = Source.PendingAnalysis;
    }
};

// Raised when the ways of reading shortened captures that fit two paths are too many to try.
struct TTooManyWays {};

class TGameReader {
public:
    TGameReader(std::string_view Text, int Number) : FLexer(Text), FNumber(Number) { FStart.NewGame(); }

    void Read(TGameHistory& History, TPdnGameData* Data)
    {
        TPdnGameData data;
        std::string resultTag, result;
        std::optional<TToken> bad;
        long number = -1;
        for (TToken t = FLexer.Next(); t.Kind != TKind::End; t = FLexer.Next()) {
            if (t.Kind == TKind::Tag) {
                if (!FWords.empty())
                    break;  // the next game's tags: this one had no result
                Tag(t, resultTag);
                data.Tags.push_back({t.Name, t.Value});
            } else if (t.Kind == TKind::MoveNumber) {
                number = t.Number;
            } else if (t.Kind == TKind::Move) {
                FWords.push_back({t.Text, number, {}, {}, false});
                FWords.back().Analysis.Mark = NagMark(t.Nag);
                number = -1;
            } else if (t.Kind == TKind::Nag) {
                // Other NAGs ("!", $14 ...) say nothing the record keeps.
                if (!FWords.empty() && NagMark(t.Nag) != TMoveAnalysis::None)
                    FWords.back().Analysis.Mark = NagMark(t.Nag);
            } else if (t.Kind == TKind::Comment) {
                std::string_view text = t.Text;
                std::string rest;
                // An empty comment is no first comment: a player's comment that begins with a
                // score and follows one would otherwise be written back as an analysis note.
                const bool empty = std::all_of(text.begin(), text.end(), IsSpace);
                if (!FWords.empty() && !FWords.back().Commented && !empty) {
                    FWords.back().Commented = true;
                    if (ReadAnalysisNote(text, FWords.back().Analysis, rest))
                        text = rest;
                }
                std::string& comment = FWords.empty() ? data.Comment : FWords.back().Comment;
                if (!comment.empty() && !text.empty())
                    comment += ' ';
                AppendComment(comment, text);
            } else if (t.Kind == TKind::Skip) {
                data.Variations = data.Variations || t.Variation;
            } else if (t.Kind == TKind::Result) {
                result = std::string(t.Text);
                break;
            } else if (t.Kind == TKind::Bad) {
                bad = std::move(t);
                break;
            }
        }

        TLine line;
        line.Board.Assign(FStart);
        try {
            PlayFrom(0, line);
        } catch (const TTooManyWays&) {
            Fail(&line, "its shortened captures can be read in too many ways");
        }
        if (bad)
            Fail(bad->FromTag && FWords.empty() ? nullptr : &line,
                 bad->Problem.empty() ? QuoteShort(bad->Text) + " is not a move" : bad->Problem);

        data.Result = !result.empty() ? result : !resultTag.empty() ? resultTag : "*";
        const bool finished = line.Board.MoveCount() == 0 || PdnResultWinner(data.Result) >= 0;

        std::vector<std::unique_ptr<TGameHistoryRec>> records;
        TCheckersBoard board;
        board.Assign(FStart);
        for (TPlayed& played : line.Played) {
            auto rec = std::make_unique<TGameHistoryRec>();
            rec->Path = SquaresToPath(played.Move);
            board.MakePath(played.Move);
            board.SaveToStream(rec->BoardState);
            rec->BoardState.SetPosition(0);
            rec->EndsTurn = true;
            rec->Comment = std::move(played.Comment);
            rec->Analysis = std::move(played.Analysis);
            records.push_back(std::move(rec));
        }

        THistoryUpdate update(History);
        History.StartBoard().Assign(FStart);
        History.Clear();
        for (auto& rec : records)
            History.Add(std::move(rec));
        History.SetPosition(History.Count());
        History.SetFinished(finished);
        if (Data)
            *Data = std::move(data);
    }

private:
    // Line null: the error lies before the moves, and no move number is named.
    [[noreturn]] void Fail(const TLine* Line, const std::string& Message) const
    {
        std::string where = "Game " + std::to_string(FNumber);
        if (Line)
            where += ", move " + std::to_string(NextMoveNumber(*Line, true));
        throw EPdnError(where + ": " + Message);
    }

    // The number of the move about to be played: counted from the start, or as the text
    // numbers it (a set-up position is often numbered from 1 whoever moves first).
    long NextMoveNumber(const TLine& Line, bool Written) const
    {
        const auto plies = static_cast<long>(Line.Played.size());
        return 1 + (plies + (FStart.Turn() == PLAYER_WHITE ? 1 : 0)) / 2 + (Written ? Line.NumberBase : 0);
    }

    void Tag(const TToken& T, std::string& ResultTag)
    {
        if (T.Name == "GameType") {
            std::string_view kind = std::string_view(T.Value).substr(0, T.Value.find(','));
            const size_t first = kind.find_first_not_of(" \t\r\n\f\v");
            kind = first == std::string_view::npos ? std::string_view() : kind.substr(first);
            kind = kind.substr(0, kind.find_last_not_of(" \t\r\n\f\v") + 1);
            if (kind != "21")
                Fail(nullptr, "GameType " + QuoteShort(T.Value) + " is not English draughts (21)");
        } else if (T.Name == "FEN") {
            std::string error;
            if (!ParseFen(T.Value, FStart, error))
                Fail(nullptr, "FEN \"" + QuoteShort(T.Value) + "\": " + error);
        } else if (T.Name == "Result") {
            ResultTag = T.Value;
        }
    }

    // The squares a move word names, from 0.
    std::vector<int> Squares(const TLine& Line, std::string_view Text) const
    {
        std::vector<int> squares;
        for (size_t i = 0; i < Text.size();) {
            int square = -1;
            if (IsFile(Text[i])) {
                square = AlgebraicSquare(Text[i], Text[i + 1]);
                if (square < 0)
                    Fail(&Line, QuoteShort(Text) + " names a light square");
                i += 2;
            } else {
                size_t digits = 0;
                for (square = 0; i < Text.size() && IsDigit(Text[i]); ++i)
                    if (++digits <= 3)
                        square = square * 10 + (Text[i] - '0');
                if (digits > 2 || square < 1 || square > SQUARE_COUNT)
                    Fail(&Line, QuoteShort(Text) + " names a square that is not on the board (1-32)");
                --square;
            }
            // No move visits more squares than a path holds: a longer word is refused before
            // it costs more than its own size.
            if (squares.size() == MAX_PATH_SQUARES)
                Fail(&Line, QuoteShort(Text) + " is not a legal move here");
            squares.push_back(square);
            ++i;  // the separator
        }
        return squares;
    }

    // Move by value: a move of the board's own list changes as the board moves.
    void Play(TLine& Line, const TCheckersMove Move, std::string Comment, TMoveAnalysis Analysis) const
    {
        Line.Board.MakePath(Move);
        Line.Played.push_back({Move, std::move(Comment), std::move(Analysis)});
        Line.Pending.clear();
        Line.PendingComment.clear();
        Line.PendingAnalysis = {};
    }

    // Plays FWords[From ...] on Line; raises EPdnError at the first word that does not read.
    void PlayFrom(size_t From, TLine& Line)
    {
        for (size_t w = From; w < FWords.size(); ++w) {
            const TWord& word = FWords[w];
            if (word.Number >= 0)
                Line.NumberBase = word.Number - NextMoveNumber(Line, false);
            if (++FTried > MAX_TRIED)
                throw TTooManyWays();
            std::vector<int> squares = Squares(Line, word.Text);
            std::string comment = word.Comment;
            TMoveAnalysis analysis = word.Analysis;
            std::string_view text = word.Text;
            if (!Line.Pending.empty()) {
                if (squares.front() != Line.Pending.back())
                    Fail(&Line, QuoteShort(Line.PendingText) + " is not a legal move here");
                squares.insert(squares.begin(), Line.Pending.begin(), Line.Pending.end() - 1);
                comment = Line.PendingComment + (Line.PendingComment.empty() || comment.empty() ? "" : " ") + comment;
                analysis = Line.PendingAnalysis;
                JoinAnalysis(analysis, word.Analysis);
                text = Line.PendingText;
            }
            const TMoveList& moves = Line.Board.Moves();
            std::vector<int32_t> fits;
            bool begins = false;
            for (int32_t i = 0; i < moves.Count(); ++i) {
                if (Exact(squares, moves[i])) {
                    fits.assign(1, i);
                    break;
                }
                if (Fits(squares, moves[i]))
                    fits.push_back(i);
                begins = begins || Begins(squares, moves[i]);
            }
            if (fits.size() == 1) {
                Play(Line, moves[fits[0]], std::move(comment), std::move(analysis));
                continue;
            }
            if (fits.empty() && begins) {
                if (Line.Pending.empty())
                    Line.PendingText = word.Text;
                Line.Pending = std::move(squares);
                Line.PendingComment = std::move(comment);
                Line.PendingAnalysis = std::move(analysis);
                continue;
            }
            if (fits.empty())
                Fail(&Line, QuoteShort(text) + " is not a legal move here");
            Choose(w, Line, squares, text, std::move(comment), analysis);
            return;
        }
        if (!Line.Pending.empty())
            Fail(&Line, QuoteShort(Line.PendingText) + " is not a legal move here");
    }

    // A shortened capture that fits several paths: the one path after which the rest of the game
    // reads is taken.
    void Choose(size_t W, TLine& Line, const std::vector<int>& Squares, std::string_view Text, std::string Comment,
                const TMoveAnalysis& Analysis)
    {
        const TMoveList& moves = Line.Board.Moves();
        std::string candidates;
        std::unique_ptr<TLine> chosen;
        int reads = 0;
        for (int32_t i = 0; i < moves.Count(); ++i) {
            if (!Fits(Squares, moves[i]))
                continue;
            const char separator = moves[i].Captured != 0 ? 'x' : '-';
            candidates += (candidates.empty() ? "" : " or ") + PathToText(moves[i], false, separator);
            auto attempt = std::make_unique<TLine>();
            attempt->CopyFrom(Line);
            Play(*attempt, moves[i], Comment, Analysis);
            try {
                PlayFrom(W + 1, *attempt);
            } catch (const EPdnError&) {
                continue;
            }
            ++reads;
            chosen = std::move(attempt);
        }
        if (reads != 1)
            Fail(&Line, QuoteShort(Text) + " is ambiguous here: it may be " + candidates);
        Line.CopyFrom(*chosen);
    }

    static constexpr long MAX_TRIED = 1000000;  // moves read in all the ways tried

    TLexer FLexer;
    int FNumber;
    TCheckersBoard FStart;
    std::vector<TWord> FWords;
    long FTried = 0;
};

// ---------------------------------------------------------------------------------------------
// Writing

std::string TagPair(const std::string& Name, const std::string& Value)
{
    std::string text = "[" + Name + " \"";
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
    // A capture's first step jumps a piece, a simple move's never does.
    TPosition from, to, jumped;
    const bool capture = Path.size() >= 2 && PositionToSquare(Path[0], from) && PositionToSquare(Path[1], to) &&
                         JumpedPosition(from, to, jumped);
    return PathNotation(Path, false, SIZE_MAX, capture ? 'x' : '-');
}

// Lines of movetext under 80 characters, broken between words.
class TMoveTextWriter {
public:
    void Put(std::string_view Unit)
    {
        if (!FLine.empty() && FLine.size() + 1 + Unit.size() >= 80) {
            FText += FLine + '\n';
            FLine.clear();
        }
        if (!FLine.empty())
            FLine += ' ';
        FLine += Unit;
    }

    // A comment in braces, its words wrapped like moves; it cannot hold a closing brace.
    void PutComment(const std::string& Comment)
    {
        std::string words = Comment;
        std::replace(words.begin(), words.end(), '}', ')');
        for (size_t begin = 0; begin < words.size();) {
            size_t end = words.find(' ', begin);
            if (end == std::string::npos)
                end = words.size();
            std::string unit;
            if (begin == 0)
                unit += '{';
            unit.append(words, begin, end - begin);
            if (end == words.size())
                unit += '}';
            Put(unit);
            begin = end + 1;
        }
    }

    std::string Finish() { return FText + FLine + '\n'; }

private:
    std::string FText, FLine;
};

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
        if (t.Kind == TKind::Skip || t.Kind == TKind::Comment || t.Kind == TKind::Nag) {
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

std::string PdnResultText(int Winner)
{
    return Winner == PLAYER_BLACK ? "1-0" : Winner == PLAYER_WHITE ? "0-1" : Winner == 0 ? "1/2-1/2" : "*";
}

std::string ResultNotStoredMessage(const std::string& Result)
{
    return "The game result " + Result + " is not stored in .ckr files; save as PDN to keep it";
}

std::string PdnTagValue(const TPdnTags& Tags, std::string_view Name)
{
    for (const TPdnTag& tag : Tags)
        if (tag.Name == Name)
            return tag.Value;
    return {};
}

void SetPdnTag(TPdnTags& Tags, const std::string& Name, const std::string& Value)
{
    for (TPdnTag& tag : Tags)
        if (tag.Name == Name) {
            tag.Value = Value;
            return;
        }
    Tags.push_back({Name, Value});
}

TPdnTags DefaultPdnTags(const std::string& Black, const std::string& White)
{
    return {{"Event", "?"}, {"Site", "?"}, {"Date", Today()}, {"Round", "?"}, {"Black", Black}, {"White", White}};
}

void ReadPdnGame(std::string_view GameText, int Number, TGameHistory& History, TPdnGameData* Data)
{
    TGameReader reader(GameText, Number);
    reader.Read(History, Data);
}

std::string WritePdnGame(const TGameHistory& History, const TPdnGameData& Data, bool GameOver, int Winner)
{
    const std::string result = GameOver ? PdnResultText(Winner) : "*";
    const auto& start = static_cast<const TCheckersBoard&>(History.StartBoard());
    TCheckersBoard initial;
    initial.NewGame();
    const bool setUp = start.Turn() != PLAYER_BLACK || start.GetAsText() != initial.GetAsText();

    // The tags read are written back in their order; the program answers only for those that
    // describe the game it holds: the result, the game type and the start position. A FEN read
    // is kept as it was written when it still names the start.
    TPdnTags tags = Data.Tags.empty() ? DefaultPdnTags("?", "?") : Data.Tags;
    SetPdnTag(tags, "Result", result);
    SetPdnTag(tags, "GameType", "21");
    if (setUp)
        SetPdnTag(tags, "SetUp", "1");
    if (setUp || !PdnTagValue(tags, "FEN").empty()) {
        TCheckersBoard written;
        std::string error;
        const std::string fen = PdnTagValue(tags, "FEN");
        const bool same = ParseFen(fen, written, error) && written.Turn() == start.Turn() &&
                          written.GetAsText() == start.GetAsText();
        if (!same)
            SetPdnTag(tags, "FEN", BoardToFen(start));
    }
    std::string text;
    for (const TPdnTag& tag : tags)
        if (!tag.Name.empty())
            text += TagPair(tag.Name, tag.Value);
    text += '\n';

    TMoveTextWriter movetext;
    if (!Data.Comment.empty())
        movetext.PutComment(Data.Comment);
    bool white = start.Turn() == PLAYER_WHITE, first = true;
    int moveNo = 1;
    TMovementPath turn;
    std::string comment;
    for (int32_t i = 0; i < History.Count(); ++i) {
        const TGameHistoryRec& rec = History.Items(i);
        const bool joins = !turn.empty() && !rec.Path.empty() && turn.back() == rec.Path.front();
        turn.insert(turn.end(), rec.Path.begin() + (joins ? 1 : 0), rec.Path.end());
        if (!rec.Comment.empty())
            comment += (comment.empty() ? "" : " ") + rec.Comment;
        if (!rec.EndsTurn)
            continue;
        if (!white || first)
            movetext.Put(std::to_string(moveNo) + (white ? "... " : ". ") + TurnText(turn));
        else
            movetext.Put(TurnText(turn));
        // The analysis goes in braces of its own before the player's comment, so that a comment
        // that happens to begin with "best" or a score is not taken for part of it.
        const TMoveAnalysis& analysis = rec.Analysis;
        if (analysis.Mark != TMoveAnalysis::None)
            movetext.Put("$" + std::to_string(static_cast<int>(analysis.Mark)));
        if (analysis.Valid)
            movetext.PutComment(ScoreToken(analysis.Score) +
                                (analysis.BestMove.empty() ? "" : " best " + analysis.BestMove));
        if (!comment.empty())
            movetext.PutComment(comment);
        moveNo += white ? 1 : 0;
        white = !white;
        first = false;
        turn.clear();
        comment.clear();
    }
    movetext.Put(result);
    return text + movetext.Finish();
}

}  // namespace velk
