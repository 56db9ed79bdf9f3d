#include "OpeningBook.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <random>

#include "ExpertSearch.h"

// The book's text, generated at build time from data/opening-book.txt.
extern const char VELK_OPENING_BOOK_TEXT[];

namespace velk {

namespace {

// A well-mixed 64-bit value from any seed, so that neighbouring seeds draw unrelated moves.
uint64_t Mix(uint64_t X)
{
    X += 0x9E3779B97F4A7C15ull;
    X = (X ^ (X >> 30)) * 0xBF58476D1CE4E5B9ull;
    X = (X ^ (X >> 27)) * 0x94D049BB133111EBull;
    return X ^ (X >> 31);
}

bool ValidMoveText(const std::string& Text)
{
    // Two-digit squares joined by dashes: 09-13, 15-24-31.
    if (Text.size() < 5 || (Text.size() + 1) % 3 != 0)
        return false;
    for (size_t i = 0; i < Text.size(); ++i)
        if (i % 3 == 2 ? Text[i] != '-' : !std::isdigit(static_cast<unsigned char>(Text[i])))
            return false;
    return true;
}

bool ParseEntry(const std::string& Line, TBookEntry& Entry, std::string& Error)
{
    std::vector<std::string> words;
    for (size_t at = 0; at < Line.size();) {
        const size_t start = Line.find_first_not_of(" \t\r", at);
        if (start == std::string::npos)
            break;
        const size_t end = std::min(Line.find_first_of(" \t\r", start), Line.size());
        words.push_back(Line.substr(start, end - start));
        at = end;
    }
    if (words.size() < 2) {
        Error = "a key and at least one move are needed";
        return false;
    }
    if (words[0].size() != 16 || words[0].find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        Error = "the key \"" + words[0] + "\" is not 16 hex digits";
        return false;
    }
    Entry.Key = std::strtoull(words[0].c_str(), nullptr, 16);
    Entry.Moves.clear();
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        const size_t colon = word.find(':');
        TBookMove move;
        move.Move = word.substr(0, colon);
        const std::string score = colon == std::string::npos ? "" : word.substr(colon + 1);
        const size_t digits = !score.empty() && score[0] == '-' ? 1 : 0;
        if (!ValidMoveText(move.Move) || score.size() <= digits || score.size() > 7 ||
            score.find_first_not_of("0123456789", digits) != std::string::npos) {
            Error = "\"" + word + "\" is not MOVE:SCORE";
            return false;
        }
        move.Score = std::atoi(score.c_str());
        Entry.Moves.push_back(std::move(move));
    }
    return true;
}

}  // namespace

bool TOpeningBook::Parse(const std::string& Text, std::string& Error)
{
    TOpeningBook book;
    int number = 0;
    for (size_t at = 0; at < Text.size();) {
        size_t end = Text.find('\n', at);
        if (end == std::string::npos)
            end = Text.size();
        std::string line = Text.substr(at, end - at);
        at = end + 1;
        ++number;
        line = line.substr(0, line.find('#'));
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        TBookEntry entry;
        if (!ParseEntry(line, entry, Error)) {
            Error = "line " + std::to_string(number) + ": " + Error;
            return false;
        }
        if (book.Find(entry.Key) != nullptr) {
            Error = "line " + std::to_string(number) + ": the key " + line.substr(0, 16) + " is given twice";
            return false;
        }
        book.Add(std::move(entry));
    }
    *this = std::move(book);
    return true;
}

std::string TOpeningBook::Text(const std::map<uint64_t, std::string>& Comments) const
{
    std::string text;
    char number[32];
    for (const TBookEntry& entry : FEntries) {
        std::snprintf(number, sizeof number, "%016" PRIx64, entry.Key);
        text += number;
        for (const TBookMove& move : entry.Moves) {
            std::snprintf(number, sizeof number, ":%d", move.Score);
            text += ' ' + move.Move + number;
        }
        const auto comment = Comments.find(entry.Key);
        if (comment != Comments.end())
            text += " # " + comment->second;
        text += '\n';
    }
    return text;
}

void TOpeningBook::Add(TBookEntry Entry)
{
    std::stable_sort(Entry.Moves.begin(), Entry.Moves.end(),
                     [](const TBookMove& A, const TBookMove& B) { return A.Score > B.Score; });
    const auto at = std::lower_bound(FEntries.begin(), FEntries.end(), Entry.Key,
                                     [](const TBookEntry& E, uint64_t Key) { return E.Key < Key; });
    if (at != FEntries.end() && at->Key == Entry.Key)
        *at = std::move(Entry);
    else
        FEntries.insert(at, std::move(Entry));
}

const TBookEntry* TOpeningBook::Find(uint64_t Key) const
{
    const auto at = std::lower_bound(FEntries.begin(), FEntries.end(), Key,
                                     [](const TBookEntry& E, uint64_t K) { return E.Key < K; });
    return at != FEntries.end() && at->Key == Key ? &*at : nullptr;
}

int32_t TOpeningBook::Choose(const TCheckersBoard& Board, uint64_t Seed, int32_t Margin) const
{
    // Halfway through a capture the key does not tell the position; the search finishes it.
    if (Board.InStep() || Board.PendingStepPos() != 0)
        return -1;
    const uint64_t key = Board.ComputeKey();
    const TBookEntry* entry = Find(key);
    if (entry == nullptr)
        return -1;
    TMoveList list;
    GenerateMoves(list, Board.BlackPieces(), Board.WhitePieces(), Board.Kings(), Board.Turn());
    // A key shared by two positions, or a book made by another generator, must not play a move
    // the position does not have: only moves found in the list count.
    int32_t indices[64], weights[64];
    int count = 0;
    int32_t best = 0, total = 0;
    for (const TBookMove& move : entry->Moves) {
        int32_t index = -1;
        for (int32_t i = 0; i < list.Count() && index < 0; ++i)
            if (PathToText(list[i]) == move.Move)
                index = i;
        if (index < 0)
            continue;
        if (count == 0)
            best = move.Score;
        const bool forced = best > EXPERT_WIN_BOUND || best < -EXPERT_WIN_BOUND;
        const int32_t margin = forced ? 0 : std::max(Margin, 0);
        if (best - move.Score > margin || count == 64)
            break;
        indices[count] = index;
        weights[count] = margin + 1 - (best - move.Score);
        total += weights[count++];
    }
    if (count == 0)
        return -1;
    int32_t draw = static_cast<int32_t>(Mix(Seed ^ Mix(key)) % static_cast<uint64_t>(total));
    for (int i = 0; i < count; ++i) {
        if (draw < weights[i])
            return indices[i];
        draw -= weights[i];
    }
    return indices[0];
}

const TOpeningBook& BuiltInBook()
{
    static const TOpeningBook book = [] {
        TOpeningBook parsed;
        std::string error;
        // A damaged book leaves the program without one; the tests make sure it is sound.
        if (!parsed.Parse(VELK_OPENING_BOOK_TEXT, error))
            parsed = TOpeningBook();
        return parsed;
    }();
    return book;
}

int32_t BookMargin(const TCheckersBoard& Board)
{
    constexpr TSquareSet BLACK_START = 0xFFF00000u;  // squares 1 to 12
    constexpr TSquareSet WHITE_START = 0x00000FFFu;  // squares 21 to 32
    const bool black = Board.Turn() == PLAYER_BLACK;
    const TSquareSet own = black ? Board.BlackPieces() : Board.WhitePieces();
    const bool unmoved = Board.Kings() == 0 && own == (black ? BLACK_START : WHITE_START);
    return unmoved ? BOOK_FIRST_MOVE_MARGIN : BOOK_PLAY_MARGIN;
}

int32_t BookMove(const TCheckersBoard& Board, uint64_t Seed)
{
    return BuiltInBook().Choose(Board, Seed, BookMargin(Board));
}

uint64_t RandomBookSeed()
{
    uint64_t seed = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    // Where the system has no entropy device the clock alone still varies from game to game.
    try {
        std::random_device device;
        seed ^= static_cast<uint64_t>(device()) << 32 | device();
    } catch (const std::exception&) {
    }
    return Mix(seed);
}

}  // namespace velk
