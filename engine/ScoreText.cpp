#include "ScoreText.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>

#include "ExpertSearch.h"

namespace velk {

namespace {

// The winner's moves to a win the search proved, 0 when only the database knows it.
int MovesToWin(int32_t RedScore)
{
    const int32_t magnitude = std::abs(RedScore);
    if (magnitude <= EXPERT_WIN_BOUND || magnitude > EXPERT_WIN)
        return 0;
    const int plies = EXPERT_WIN - magnitude;
    return (plies + 1) / 2;
}

}  // namespace

int32_t RedScore(int32_t Score, bool RedToMove)
{
    return RedToMove ? Score : -Score;
}

int ScoreResult(int32_t RedScore)
{
    return RedScore > KNOWN_RESULT_BOUND ? 1 : RedScore < -KNOWN_RESULT_BOUND ? -1 : 0;
}

std::string ScoreText(int32_t RedScore)
{
    const int result = ScoreResult(RedScore);
    if (result != 0) {
        std::string text = result > 0 ? "Red wins" : "White wins";
        if (const int moves = MovesToWin(RedScore); moves > 0)
            text += " in " + std::to_string(moves);
        return text;
    }
    return ScoreToken(RedScore);
}

std::string ScoreToken(int32_t RedScore)
{
    if (const int result = ScoreResult(RedScore); result != 0) {
        const int moves = MovesToWin(RedScore);
        return std::string(result > 0 ? "+M" : "-M") + (moves > 0 ? std::to_string(moves) : "");
    }
    char text[16];
    const int32_t magnitude = std::abs(RedScore);
    std::snprintf(text, sizeof text, "%s%d.%02d", RedScore > 0 ? "+" : RedScore < 0 ? "-" : "",
                  magnitude / 100, magnitude % 100);
    return text;
}

bool ParseScoreToken(std::string_view Text, int32_t& RedScore)
{
    if (Text.size() < 2 || (Text[0] != '+' && Text[0] != '-' && (Text[0] < '0' || Text[0] > '9')))
        return false;
    const int sign = Text[0] == '-' ? -1 : 1;
    const std::string_view body = Text[0] == '+' || Text[0] == '-' ? Text.substr(1) : Text;
    if (body[0] == 'M') {
        if (Text[0] != '+' && Text[0] != '-')
            return false;
        int moves = 0;
        const std::string_view digits = body.substr(1);
        if (!digits.empty()) {
            const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), moves);
            if (error != std::errc() || end != digits.data() + digits.size() || moves < 1 || moves > 400)
                return false;
        }
        RedScore = sign * (moves > 0 ? EXPERT_WIN - (2 * moves - 1) : EXPERT_DB_WIN);
        return true;
    }
    const size_t dot = body.find('.');
    if (dot == std::string_view::npos || dot == 0 || body.size() - dot != 3)
        return false;
    int men = 0, hundredths = 0;
    const auto [menEnd, menError] = std::from_chars(body.data(), body.data() + dot, men);
    const auto [hEnd, hError] = std::from_chars(body.data() + dot + 1, body.data() + body.size(), hundredths);
    if (menError != std::errc() || menEnd != body.data() + dot || hError != std::errc() ||
        hEnd != body.data() + body.size() || men > 200)
        return false;
    RedScore = sign * (men * 100 + hundredths);
    return true;
}

}  // namespace velk
