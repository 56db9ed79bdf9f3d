// The board model: squares and their sets, change notification, text forms and the stream form
// that game files embed.
#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <iterator>
#include <random>

#include "TestBoards.h"

namespace velk {
namespace {

using test::Board;
using test::TextWith;

const std::string INITIAL_TEXT = "bbbbbbbbbbbb        wwwwwwwwwwww";

struct ChangeCounter {
    explicit ChangeCounter(TGameBoard& Board) { Board.OnChange = [this](TGameBoard*) { ++Count; }; }
    int Count = 0;
};

TEST(BoardGeometry, CellsAndSquares)
{
    TPosition p = P10;
    EXPECT_FALSE(CellToPosition(0, 0, p));
    EXPECT_FALSE(CellToPosition(8, 1, p));
    EXPECT_FALSE(CellToPosition(1, 8, p));
    EXPECT_TRUE(CellToPosition(0, 1, p) && p == P01);
    EXPECT_TRUE(CellToPosition(1, 0, p) && p == P05);
    EXPECT_TRUE(CellToPosition(7, 6, p) && p == P32);
    for (int s = 0; s < SQUARE_COUNT; ++s) {
        int row, column;
        PositionToCell(TPosition(s), row, column);
        EXPECT_TRUE(CellToPosition(row, column, p) && p == s) << s;
    }
    EXPECT_TRUE(JumpedPosition(P01, P10, p) && p == P06);
    EXPECT_FALSE(JumpedPosition(P05, P12, p));  // two rows down, but across the board
}

TEST(BoardSquares, SquareCountAgreesWithTheLibrary)
{
    // The search's own count, inline without the processor's instruction, against std::popcount.
    std::mt19937 random(7);
    for (TSquareSet set : {0u, 1u, 0x80000000u, 0xFFFFFFFFu, 0x55555555u, 0xF0F0F0F0u})
        EXPECT_EQ(SquareCount(set), std::popcount(set)) << set;
    for (int i = 0; i < 1000; ++i) {
        const TSquareSet set = static_cast<TSquareSet>(random());
        ASSERT_EQ(SquareCount(set), std::popcount(set)) << set;
    }
}

TEST(BoardSquares, PieceCodesLiveInThreeSquareSets)
{
    TCheckersBoard board;
    board.SetSquares(P01, pcBlackKing);
    board.SetSquares(P32, pcWhiteMan);
    board.SetSquares(P14, pcWhiteKing);
    EXPECT_EQ(board.BlackPieces(), 0x80000000u);
    EXPECT_EQ(board.WhitePieces(), 0x00040001u);
    EXPECT_EQ(board.Kings(), 0x80040000u);
    board.SetSquares(P14, pcBlackMan);  // colour and rank both change
    EXPECT_EQ(board.GetAsText(), TextWith({{P01, 'B'}, {P14, 'b'}, {P32, 'w'}}));
    for (TPiece invalid : {TPiece(3), TPiece(4), TPiece(7)}) {
        board.SetSquares(P01, pcBlackKing);
        board.SetSquares(P01, invalid);
        EXPECT_EQ((board.BlackPieces() | board.Kings()) & SquareBit(P01), 0u) << int(invalid);
    }
}

TEST(BoardChanges, EachEditNotifiesOnceAndUpdatesHoldNotification)
{
    TCheckersBoard board;
    ChangeCounter changes(board);
    board.NewGame();
    EXPECT_EQ(changes.Count, 1);
    board.SetSquares(P01, pcBlackMan);  // no change at all
    board.SetTurn(PLAYER_BLACK);
    EXPECT_EQ(changes.Count, 1);
    board.BeginUpdate();
    board.BeginUpdate();
    board.SetSquares(P01, pcBlackKing);
    board.Clear();
    board.EndUpdate();
    EXPECT_EQ(changes.Count, 1);
    // Held notification still drops the move list of the old position.
    EXPECT_EQ(board.MoveCount(), 0);
    board.EndUpdate();
    EXPECT_EQ(changes.Count, 2);
    board.BeginUpdate();
    board.EndUpdate();
    EXPECT_EQ(changes.Count, 2);
    board.SetAsText(INITIAL_TEXT);
    EXPECT_EQ(changes.Count, 3);
}

TEST(BoardPositions, NewGameAndClear)
{
    TCheckersBoard board;
    board.NewGame();
    EXPECT_EQ(board.GetAsText(), INITIAL_TEXT);
    EXPECT_EQ(board.Turn(), PLAYER_BLACK);
    EXPECT_EQ(board.GameState(), gsPlaying);
    EXPECT_EQ(board.MoveCount(), 7);
    board.Clear();
    EXPECT_EQ(board.GetAsText(), TextWith({}));
    EXPECT_EQ(board.Turn(), 0);
    EXPECT_EQ(board.MoveCount(), 0);
    EXPECT_EQ(board.GameState(), gsPlaying);  // nobody to move has not lost
}

TEST(BoardPositions, SideWithoutAMoveHasLost)
{
    struct Case { const char* Fen; TGameState State; int Winner; };
    for (const Case& c : {Case{"B:W5,6,10:B1", gsPlayer1Won, 1},  // the man is hemmed in
                          Case{"W:W32:B23,27,28", gsPlayer2Won, 2}, Case{"B:W5:B", gsPlayer1Won, 1}}) {
        auto board = Board(c.Fen);
        EXPECT_EQ(board->GameState(), c.State) << c.Fen;
        EXPECT_EQ(board->Winner(), c.Winner) << c.Fen;
        EXPECT_EQ(board->Loser(), 3 - c.Winner) << c.Fen;
    }
}

TEST(BoardText, ReadsPieceLettersAndEmptiesTheRest)
{
    TCheckersBoard board;
    board.NewGame();
    board.SetAsText("B");
    EXPECT_EQ(board.GetAsText(), TextWith({{P01, 'B'}}));
    EXPECT_EQ(board.Turn(), PLAYER_BLACK);  // the side to move is not part of the text
    board.SetAsText(TextWith({{P01, 'x'}}, 'w'));
    EXPECT_EQ(board.GetAsText(), TextWith({{P01, ' '}}, 'w'));
    board.SetAsText(std::string("bW\0wB", 5));  // the text ends at a NUL
    EXPECT_EQ(board.GetAsText(), TextWith({{P01, 'b'}, {P02, 'W'}}));
    board.SetAsText(std::string(40, 'W'));
    EXPECT_EQ(board.GetAsText(), std::string(32, 'W'));
}

TEST(BoardText, MoveNotationAndReport)
{
    EXPECT_EQ(PathToText(test::Path({P09, P18, P25})), "09-18-25");
    EXPECT_EQ(PathToText(test::Path({P09, P18, P25}), false), "9-18-25");
    EXPECT_EQ(PathToText(test::Path({P09, P18, P25}), false, 'x'), "9x18x25");
    EXPECT_EQ(PathToText(test::Path({P09, NO_SQUARE})), "09-?");
    TCheckersBoard board;
    board.NewGame();
    std::string diagram, moves;
    board.GetReport(diagram, moves);
    EXPECT_EQ(diagram.substr(0, 70), ". b . b . b . b\t\t  01  02  03  04\r\n"
                                     "b . b . b . b .\t\t05  06  07  08  \r\n");
    EXPECT_EQ(diagram.size(), 8 * 33 + 7 * 2u);  // eight rows, no line break after the last
    EXPECT_EQ(moves.substr(0, 20), "1) 12-16\r\n2) 11-15\r\n");
    board.SetAsText(TextWith({{P04, 'B'}, {P32, 'W'}}));
    board.GetReport(diagram, moves);
    EXPECT_EQ(diagram.substr(0, 15) + moves, ". - . - . - . B1) 04-08");
}

TEST(BoardStream, SeventeenLittleEndianBytesCopiedByAssign)
{
    auto board = Board("W:W32,K1:B14");
    TMemoryStream stream;
    board->SaveToStream(stream);
    const std::vector<uint8_t> expected = {1, 0, 0, 4, 0, 1, 0, 0, 0x80, 0, 0, 0, 0x80, 0, 0, 0, 0};
    EXPECT_EQ(stream.Bytes(), expected);

    TCheckersBoard copy;
    copy.NewGame();
    ChangeCounter changes(copy);
    copy.Assign(*board);
    EXPECT_EQ(changes.Count, 1);
    EXPECT_EQ(copy.GetAsText(), board->GetAsText());
    EXPECT_EQ(copy.Turn(), PLAYER_WHITE);
}

TEST(BoardStream, UnfinishedCaptureContinuesAfterLoadingUntilAnEdit)
{
    // Black has 02-11 and 14-23-30; after the step 14-23 only that man may go on.
    auto board = Board("B:W7,18,26:B2,14");
    ASSERT_TRUE(board->MakeStep(P14, P23));
    TMemoryStream stream;
    board->SaveToStream(stream);
    EXPECT_EQ(stream.Bytes()[13], P23);

    // Any edit ends the restriction, also one made before the moves are first listed; the end of
    // an update bracket around the loading, as when the record is browsed, is no edit.
    struct Case { std::function<void(TCheckersBoard&)> Edit; bool Restricted; };
    const Case cases[] = {
        {[](TCheckersBoard&) {}, true},
        {[](TCheckersBoard& b) { b.SetSquares(P05, pcBlackMan); }, false},
        {[](TCheckersBoard& b) { b.SetTurn(PLAYER_WHITE); }, false},
        {[](TCheckersBoard& b) { b.SetAsText(INITIAL_TEXT); }, false},
        {[](TCheckersBoard& b) { b.SetAsText(b.GetAsText()); }, false},
        {[](TCheckersBoard& b) { b.NewGame(); }, false},
        {[](TCheckersBoard& b) { b.Clear(); }, false},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        TCheckersBoard loaded;
        {
            TBoardUpdate update(loaded);
            stream.SetPosition(0);
            loaded.LoadFromStream(stream);
        }
        cases[i].Edit(loaded);
        EXPECT_EQ(loaded.PendingStepPos() != 0, cases[i].Restricted) << "case " << i;
        const std::string afresh = test::Texts(Board(BoardToFen(loaded))->Moves());
        EXPECT_EQ(test::Texts(loaded.Moves()), cases[i].Restricted ? "23-30" : afresh) << "case " << i;
    }
}

}  // namespace
}  // namespace velk
