// Saving and opening games through the control: the exact bytes, round trips, and files that
// must be refused without losing the game on the board.
#include <QTemporaryDir>
#include <fstream>
#include <iterator>

#include "ControlTestSupport.h"
#include "platform/FileStream.h"
#include "record/GameFile.h"

using namespace velk;
using namespace velk::test;

namespace {

// A game as the control shows it: the session's state and the squares selected.
struct TShownGame {
    TGameSnapshot Game;
    TMovementPath Selection;

    explicit TShownGame(const TCheckers& C) : Game(C.Session()), Selection(C.Selection()) {}
    bool operator==(const TShownGame&) const = default;
};

void PrintTo(const TShownGame& S, std::ostream* Out)
{
    PrintTo(S.Game, Out);
    *Out << ", " << S.Selection.size() << " selected";
}

class FileTest : public ControlTest {
protected:
    std::string FileName(const char* Name) const { return Dir.filePath(Name).toStdString(); }

    void Play(std::initializer_list<TMovementPath> Moves)
    {
        for (const auto& move : Moves)
            ASSERT_TRUE(C->PlayPath(move));
        Pump();
    }

    // Opens Bytes as a file; it must be refused with E and leave the game as it was.
    template <typename E>
    void ExpectRefused(const TBytes& Bytes, const char* Message = nullptr)
    {
        const TShownGame before(*C);
        const std::string name = FileName("refused.ckr");
        std::ofstream(name, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
        try {
            C->LoadFromFile(name, GAME_TITLE);
            ADD_FAILURE() << "opened";
        } catch (const E& e) {
            EXPECT_STREQ(e.what(), Message != nullptr ? Message : e.what());
        }
        Pump();
        EXPECT_EQ(TShownGame(*C), before);
    }

    QTemporaryDir Dir;
};

TEST_F(FileTest, OpeningMoveEnteredByClicksIsSavedAsItsRecord)
{
    StartGame();
    Click(11);
    Click(15);  // Black plays 11-15
    ASSERT_EQ(C->History().Count(), 1);
    C->History().Items(0).Duration = 2500;

    const TBytes start{0x02, 0x00, 0x00, 0xF0, 0xFF, 0xFF, 0x0F, 0x00, 0x00,
                       0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    TBytes expected = start;
    expected.insert(expected.end(), {0x01, 0x00, 0x00, 0x00,  // one record
                                     0x11, 0x00, 0x00, 0x00,  // its board block: White to move, 11 moved to 15
                                     0x01, 0x00, 0x00, 0xD2, 0xFF, 0xFF, 0x0F, 0x00, 0x00, 0x00,
                                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00,
                                     0x00, 0x15, 0x00, 0x00, 0x00, 0x1C, 0x00, 0x00, 0x00,  // positions 21 and 28
                                     0xC4, 0x09, 0x00, 0x00, 0x01,                          // 2.5 s, ends the turn
                                     0x01, 0x00, 0x00, 0x00, 0x00});                        // position 1, not finished
    TMemoryStream stream;
    ASSERT_TRUE(C->Modified());
    C->SaveToStream(stream);
    EXPECT_EQ(stream.Bytes(), expected);
    EXPECT_FALSE(C->Modified());
}

TEST_F(FileTest, OpenLiftsTheBrowsingPauseAndAFailedOpenTouchesNothing)
{
    StartGame();
    Play({Path({9, 13}), Path({22, 18})});
    const std::string good = FileName("good.ckr");
    C->SaveToFile(good, GAME_TITLE);
    const TBytes damaged = [&] {
        TBytes bytes = ReadFile(good);
        bytes.back() = 7;  // the finished flag
        return bytes;
    }();

    // Browsing back to the computer's turn pauses the game; the game opened is played.
    C->SetSearchDepth(1);
    C->SetComputerPlayer(1);
    ASSERT_TRUE(C->Undo());
    Pump();
    ASSERT_TRUE(C->AutoPaused());
    C->LoadFromFile(good, GAME_TITLE);
    Pump();
    EXPECT_FALSE(C->Paused());
    EXPECT_TRUE(C->Playing());
    C->SetComputerPlayer(0);

    // A position being set up stays on the board.
    C->SetBoardMode(gbmSetup);
    C->SetBoardAsText(BoardText({{1, 'B'}, {32, 'w'}}));
    ExpectRefused<EDamagedGameFile>(damaged);

    // So does a capture half entered, and the turn's clock runs on.
    C->SetSelectionOptions(SelectionOption(soAutoPlayStep));
    C->SetRecordFullMovesOnly(true);
    StartPosition(BoardText({{1, 'b'}, {6, 'b'}, {10, 'w'}, {19, 'w'}, {32, 'w'}}), PLAYER_BLACK);
    Click(6);
    Click(15);
    ASSERT_EQ(C->GetMoveText(PLAYER_BLACK, 1), "06-15->");
    QTest::qWait(60);
    const uint32_t time = C->TurnTime();
    ASSERT_GE(time, 60u);
    ExpectRefused<EDamagedGameFile>(damaged);
    EXPECT_GE(C->TurnTime(), time);
    C->SetPaused(true);  // and the clock holds what it had
    EXPECT_GE(C->TurnTime(), time);
}

}  // namespace
