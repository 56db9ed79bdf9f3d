// The end of a game: the game-finished dialog for every kind of result, a new match from it,
// the game log with its failures, and the move sounds.
#include <QFile>
#include <cerrno>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "AppTestSupport.h"
#include "platform/FileStream.h"

using namespace velk;
using namespace velk::test;

namespace {

// Red to move takes White's last man and is crowned: 22x26-31 (or 23x27-32).
const TPieces RED_WINS = {{22, 'b'}, {26, 'w'}};
const TPieces RED_WINS_TOO = {{23, 'b'}, {27, 'w'}};
// White to move takes Red's last man: 11x7-2.
const TPieces WHITE_WINS = {{7, 'b'}, {11, 'w'}};

class GameEndTest : public WindowTest {
protected:
    QByteArray Log() const
    {
        QFile file(FilePath("game.log"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(no log)");
    }

    // Red, played by a human, wins with one click; the dialogs that follow get Answers.
    void RedWins(TPieces Position, std::initializer_list<int> Answers_ = {mrNo})
    {
        SetUpPosition(Position, 2);
        for (const int answer : Answers_)
            Answer(answer);
        Click(Position.begin()->first);
    }
};

TEST_F(GameEndTest, FinishDialogSpeaksToWhoeverPlayedAndTheLogNamesTheWinner)
{
    struct TCase {
        TActionId Players;
        TPieces Position;
        uint8_t Turn;
        const char *Text, *Picture, *State, *Log;
    };
    const TCase cases[] = {
        {TActionId::ComputerPlaysWhite, RED_WINS, 2, "Congratulations, you won!", "human-won", "Red player won!",
         "BLACK: [FEN \"B:W26:B22\"] 22-31\r\n"},
        // White moved first, and its move comes first (the clipboard's record has none at all).
        {TActionId::ComputerPlaysWhite, WHITE_WINS, 1, "Sorry, you lost!", "computer-won", "White player won!",
         "WHITE: [FEN \"W:W11:B7\"] 11-02\r\n"},
        {TActionId::ComputerPlaysBoth, WHITE_WINS, 1, "White Player Won!", "finish", "White player won!",
         "WHITE: [FEN \"W:W11:B7\"] 11-02\r\n"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        QFile::remove(FilePath("game.log"));
        Shown.clear();
        Trigger(c.Players);
        Answer(mrNo);
        SetUpPosition(c.Position, c.Turn);
        if (c.Turn == 2)
            Click(22);
        ASSERT_TRUE(WaitFinishDialogs(1));
        EXPECT_EQ(Shown.back().Text, c.Text);
        EXPECT_EQ(Shown.back().Picture, c.Picture);
        EXPECT_EQ(Shown.back().Reason, "");
        EXPECT_EQ(W->StateLabel().text(), c.State);
        EXPECT_FALSE(W->TimePanel().isVisible());
        EXPECT_EQ(Log(), c.Log);
        EXPECT_EQ(DialogNames(), std::vector<std::string>{"GameFinishDialog"});
    }
    // No: the finished game stays on the board.
    EXPECT_EQ(Game().BoardAsText(), BoardText({{2, 'W'}}));
}

// A draw has its own words and picture, and says why, in the dialog and in the log: the third
// repetition, or forty moves each of the two kings wandering without repeating a position a
// third time.
TEST_F(GameEndTest, DrawsHaveTheirOwnWordsPictureAndLogLineAndSayWhy)
{
    struct TCase {
        std::string Moves;
        const char *Reason, *Tag;
    };
    const TCase cases[] = {
        {"01-05 32-28 05-01 28-32 01-05 32-28 05-01 28-32", "The same position came up for the third time.",
         "third repetition"},
        {"01-05 32-27 05-01 27-23 01-05 23-26 05-01 26-22 01-05 22-25 05-01 25-21 01-05 21-25 05-01 25-21 "
         "01-06 21-25 06-02 25-21 02-06 21-25 06-02 25-21 02-07 21-25 07-03 25-21 03-07 21-25 07-03 25-21 "
         "03-08 21-25 08-04 25-21 04-08 21-25 08-04 25-22 04-08 22-26 08-03 26-22 03-07 22-26 07-02 26-22 "
         "02-06 22-26 06-01 26-22 01-05 22-26 05-09 26-22 09-06 22-26 06-02 26-22 02-07 22-26 07-03 26-22 "
         "03-08 22-26 08-04 26-23 04-08 23-27 08-03 27-23 03-07 23-27 07-02 27-23 02-06 23-27 06-01 27-23",
         "Forty moves each without a man moving or a piece taken.", "forty-move rule"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Tag);
        QFile::remove(FilePath("game.log"));
        Shown.clear();
        SetUpPosition({{1, 'B'}, {32, 'W'}}, 2);
        Answer(mrNo);
        for (size_t at = 0; at + 5 <= c.Moves.size(); at += 6)
            Move(std::stoi(c.Moves.substr(at, 2)), std::stoi(c.Moves.substr(at + 3, 2)));
        ASSERT_TRUE(WaitFinishDialogs(1));
        EXPECT_EQ(Game().History().Count(), static_cast<int32_t>(c.Moves.size() + 1) / 6);
        EXPECT_EQ(Shown.back().Text, "The game is draw!");
        EXPECT_EQ(Shown.back().Reason, c.Reason);
        EXPECT_EQ(Shown.back().Picture, "draw");
        EXPECT_EQ(W->StateLabel().text(), "Drawn game!");
        EXPECT_EQ(Log().toStdString(), "DRAW : [FEN \"B:WK32:BK1\"] " + c.Moves + " {" + c.Tag + "}\r\n");
    }
}

// From the initial pieces with White to move, the line gives the position and White's move
// first; from the initial position with Red to move, it is the record alone, as ever.
TEST_F(GameEndTest, LogLineGivesTheStartPositionUnlessItIsTheInitialOne)
{
    const auto finished = [&](size_t Count) {
        return PumpUntil([&] { return DialogNames().size() >= Count && Shown.back().Name == "GameFinishDialog"; },
                         60000);
    };
    Trigger(TActionId::GameSetupBoard);
    W->PaletteButton("btnWhiteTurn")->click();
    StripButton(W->SetupCommands(), "Apply Changes")->click();
    Answer(mrNo);
    Trigger(TActionId::ComputerPlaysBoth);
    ASSERT_TRUE(finished(1));
    std::string record = Game().GetGameRecordText();
    const std::string fen = "[FEN \"W:W21,22,23,24,25,26,27,28,29,30,31,32:B1,2,3,4,5,6,7,8,9,10,11,12\"]";
    EXPECT_EQ(Log().toStdString().rfind(record.substr(0, record.find(':') + 1) + " " + fen + " " +
                                            Game().GetMoveText(1, 1) + " " + Game().GetMoveText(2, 1) + " ",
                                        0),
              0u)
        << Log().toStdString();

    QFile::remove(FilePath("game.log"));
    Answer(mrNo);  // the save query
    Answer(mrNo);
    Trigger(TActionId::GameNew);
    ASSERT_TRUE(finished(3));
    record = Game().GetGameRecordText();
    ASSERT_EQ(record.rfind("NOT FINISHED", 0), std::string::npos) << record;
    const std::string log = Log().toStdString(), end = log.substr(std::min(record.size(), log.size()));
    EXPECT_EQ(log.substr(0, record.size()), record);
    EXPECT_TRUE(end == "\r\n" || end == " {third repetition}\r\n" || end == " {forty-move rule}\r\n") << log;
}

TEST_F(GameEndTest, YesToTheFinishDialogStartsANewMatchAfterTheSaveQuery)
{
    RedWins(RED_WINS, {mrYes, mrNo});
    ASSERT_TRUE(WaitFinishDialogs(1));
    Pump();
    EXPECT_EQ(Shown.front().Text, "Red Player Won!");  // two humans: a neutral result
    EXPECT_EQ(Shown.front().Picture, "finish");
    EXPECT_EQ(DialogNames(), (std::vector<std::string>{"GameFinishDialog", "SaveQueryDialog"}));
    EXPECT_EQ(Game().BoardAsText(), START_TEXT);
    EXPECT_EQ(Game().History().Count(), 0);
    EXPECT_TRUE(Game().Playing());
    EXPECT_EQ(W->StateLabel().text(), "Red player's turn...");
}

// ---------------------------------------------------------------------------------------------
// The game log

TEST_F(GameEndTest, LogHasOneLinePerGameOldestFirstAndIsRecreated)
{
    RedWins(RED_WINS);
    ASSERT_TRUE(WaitFinishDialogs(1));
    RedWins(RED_WINS_TOO);
    ASSERT_TRUE(WaitFinishDialogs(2));
    EXPECT_EQ(Log(), "BLACK: [FEN \"B:W26:B22\"] 22-31\r\nBLACK: [FEN \"B:W27:B23\"] 23-32\r\n");

    ASSERT_TRUE(QFile::remove(FilePath("game.log")));
    RedWins(RED_WINS);
    ASSERT_TRUE(WaitFinishDialogs(3));
    EXPECT_EQ(Log(), "BLACK: [FEN \"B:W26:B22\"] 22-31\r\n");
}

// A disk that fills up in the middle of the line: half of it is written, then nothing more.
int WritesBeforeFull = 0;
ssize_t WriteUntilFull(int Handle, const void* Buffer, size_t Count)
{
    if (WritesBeforeFull-- > 0)
        return ::write(Handle, Buffer, (Count + 1) / 2);
    errno = ENOSPC;
    return -1;
}

TEST_F(GameEndTest, UnwritableLogIsReportedInsteadOfTheDialogAndTriedAgain)
{
    QFile blocker(FilePath("blocker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ASSERT_EQ(::mkfifo(QFile::encodeName(FilePath("fifo.log")).constData(), 0600), 0);
    // A folder that is a file, a FIFO (which would hold the window until someone read it), a
    // full disk, and a log that may grow by only a few bytes, which the window itself keeps
    // from killing the program: the reason is given, and no part of a line is left behind.
    const std::vector<std::pair<QString, std::string>> cases = {
        {FilePath("blocker/game.log"), "Not a directory"},
        {FilePath("fifo.log"), "Not a regular file"},
        {FilePath("game.log"), "No space left on device"},
        {FilePath("game.log"), "File too large"},
    };
    struct rlimit unlimited;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto& [log, reason] = cases[i];
        SCOPED_TRACE(reason);
        W->SetGameLogFileName(log);
        SetUpPosition(RED_WINS, 2);
        const TFileCalls calls = FileCalls;
        WritesBeforeFull = 1;
        if (i == 2)
            FileCalls.Write = WriteUntilFull;
        struct rlimit limit = unlimited;
        if (i == 3)
            limit.rlim_cur = 5;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        ::alarm(20);  // a window held by the FIFO ends the test program rather than hanging it
        Click(22);
        const bool reported = PumpUntil([&] { return !Messages.empty(); }, 5000);
        ::alarm(0);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        FileCalls = calls;
        ASSERT_TRUE(reported);
        Pump();
        EXPECT_TRUE(Shown.empty());
        EXPECT_EQ(Messages,
                  std::vector<std::string>{"Cannot write the game log \"" + log.toStdString() + "\". " + reason});
        Messages.clear();
    }
    EXPECT_EQ(Log(), "");

    W->SetGameLogFileName(FilePath("game.log"));
    RedWins(RED_WINS_TOO);
    ASSERT_TRUE(WaitFinishDialogs(1));
    EXPECT_EQ(Log(), "BLACK: [FEN \"B:W27:B23\"] 23-32\r\n");
}

// ---------------------------------------------------------------------------------------------
// Sounds

TEST_F(GameEndTest, MovesSoundByKindUnlessSoundsAreOff)
{
    using TSounds = std::vector<std::string>;
    Move(11, 15);
    EXPECT_EQ(Sounds->Played, TSounds{"SIMPLE_MOVE"});
    Move(22, 18);
    Click(15);
    EXPECT_EQ(Sounds->Played, (TSounds{"SIMPLE_MOVE", "SIMPLE_MOVE", "ATTACK_MOVE"}));

    Trigger(TActionId::ControlEnableSounds);
    Click(25);
    EXPECT_EQ(Sounds->Played.size(), 3u);
    EXPECT_FALSE(Checked(TActionId::ControlEnableSounds));
    Trigger(TActionId::ControlEnableSounds);
    Move(9, 13);
    EXPECT_EQ(Sounds->Played.back(), "SIMPLE_MOVE");

    // A capture that crowns: the jump, then the crowning; composing the position is silent.
    Sounds->Played.clear();
    SetUpPosition({{22, 'b'}, {26, 'w'}, {32, 'w'}}, 2);
    EXPECT_TRUE(Sounds->Played.empty());
    Click(22);
    EXPECT_EQ(Sounds->Played, (TSounds{"ATTACK_MOVE", "PROMOTE"}));
}

}  // namespace
