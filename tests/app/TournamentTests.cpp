// Tournament play in the window: a game started from a three-move ballot, played again with
// colours reversed, and a game on the clock, lost on time.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>

#include "AppTestSupport.h"

namespace velk::test {
namespace {

class TournamentTest : public WindowTest {
protected:
    // Chooses ballot Number (typed into the filter) in New Ballot Game.
    void ChooseBallot(int Number, bool Rematch)
    {
        Answer([Number, Rematch](QDialog& Dialog) {
            auto& ballots = dynamic_cast<TBallotDialog&>(Dialog);
            EXPECT_EQ(ballots.List->topLevelItemCount(), 174);
            ballots.Filter->setText(QString::number(Number));
            EXPECT_EQ(ballots.Chosen(), Number);
            ballots.Rematch->setChecked(Rematch);
            return mrOk;
        });
        Trigger(TActionId::GameNewBallot);
    }
};

// Ballot 5 is 9-13 22-18 6-9: its moves are the game's first three, which PDN writes with the
// ballot named; at the game's end Yes plays the ballot again, the computer on the other side.
TEST_F(TournamentTest, BallotGameStartsWithItsMovesAndComesBackWithColoursReversed)
{
    Game().SetComputerPlayer(1);
    ChooseBallot(5, true);
    ASSERT_TRUE(PumpUntil([&] { return Game().History().Count() == 4; }));  // and the computer's reply
    EXPECT_EQ(Game().GetGameRecordText().substr(0, 31), "NOT FINISHED: 09-13 22-18 06-09");
    Trigger(TActionId::HistoryCopyPdn);
    const QString pdn = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(pdn.contains("[Opening \"ACF 5\"]")) << pdn.toStdString();
    EXPECT_TRUE(pdn.contains("1. 9-13 22-18 2. 6-9")) << pdn.toStdString();
    // A ballot game read from PDN keeps its Opening tag as written, the name after the number too.
    Game().SetComputerPlayer(0);
    QGuiApplication::clipboard()->setText("[Opening \"ACF 5 Dreaded Edinburgh\"]\n1. 9-13 22-18 2. 6-9 *\n");
    Answer(mrNo);  // the game on the board is not saved
    Trigger(TActionId::GamePaste);
    Trigger(TActionId::HistoryCopyPdn);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().contains("[Opening \"ACF 5 Dreaded Edinburgh\"]"))
        << QGuiApplication::clipboard()->text().toStdString();
    Game().SetComputerPlayer(1);
    ChooseBallot(5, true);

    // Red, to move with a tenth of a second on its clock, loses on time; Yes brings ballot 5
    // back with the computer playing Red.
    Game().Session().SetTimeControl({100, 0});
    Answer([this](QDialog& Dialog) {
        EXPECT_EQ(dynamic_cast<TGameFinishDialog&>(Dialog).Reason->text(), "Red lost on time");
        Game().Session().SetTimeControl({});
        return mrYes;
    });
    Answer(mrNo);  // the save query
    ASSERT_TRUE(PumpUntil([&] { return Game().ComputerPlayer() == 2; }, 5000));
    ASSERT_TRUE(PumpUntil([&] { return Game().History().Count() >= 3; }));
    EXPECT_EQ(Game().GetGameRecordText().substr(0, 31), "NOT FINISHED: 09-13 22-18 06-09");
    EXPECT_EQ(Game().Turn(), 1);
}

// On a clock of a minute and a second a move, the clocks count down with the increment, the
// side to move marked; Red out of time loses, said in the dialog, the status and the log.
TEST_F(TournamentTest, ClocksCountDownAndASideOutOfTimeLoses)
{
    Answer([](QDialog& Dialog) {
        auto& control = dynamic_cast<TTimeControlDialog&>(Dialog);
        control.Clock->setChecked(true);
        control.Minutes->setValue(1);
        control.Seconds->setValue(1);
        return mrOk;
    });
    Trigger(TActionId::GameTimeControl);
    Move(11, 15);
    EXPECT_TRUE(W->Time1().text().contains("0:01:0")) << W->Time1().text().toStdString();  // 60 s + 1 − a moment
    EXPECT_TRUE(W->Time2().text().startsWith(QStringLiteral("0:01:00"))) << W->Time2().text().toStdString();
    EXPECT_TRUE(W->Time2().text().endsWith(QStringLiteral("\u25C2")));  // White to move

    QFile::remove(FilePath("game.log"));
    Move(22, 18);
    Game().Session().SetTimeControl({50, 0});
    Answer([](QDialog& Dialog) {
        EXPECT_EQ(dynamic_cast<TGameFinishDialog&>(Dialog).Reason->text(), "Red lost on time");
        return mrNo;
    });
    ASSERT_TRUE(PumpUntil([&] { return Game().IsGameOver(); }, 5000));
    EXPECT_EQ(Game().Winner(), 1);
    EXPECT_TRUE(PumpUntil([&] { return W->StateLabel().text() == "Red lost on time"; }))
        << W->StateLabel().text().toStdString();
    QFile log(FilePath("game.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().endsWith("{Red lost on time}\r\n"));
    Trigger(TActionId::HistoryCopyPdn);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().contains("[TimeControl \"0.05+0\"]"))
        << QGuiApplication::clipboard()->text().toStdString();
}

}  // namespace
}  // namespace velk::test

namespace velk::test {
namespace {

// A match of two games between two levels: each ballot once with each colour, the score in the
// caption, both games in the PDN file with the players and rounds; stopped mid-game and resumed,
// the abandoned game is played again and nothing of it is written.
TEST_F(TournamentTest, MatchPlaysBothColoursOfABallotAndWritesEveryGame)
{
    const QString file = FilePath("match.pdn");
    auto settings = [file](int Games) {
        return [file, Games](QDialog& Dialog) {
            auto& match = dynamic_cast<TMatchDialog&>(Dialog);
            match.Levels[0]->setCurrentIndex(1);  // Medium
            match.Levels[1]->setCurrentIndex(0);  // Easy
            match.Games->setValue(Games);
            match.PdnFile->setText(file);
            return mrOk;
        };
    };
    Game().SetAnimateMoves(false);
    Answer(settings(2));
    Trigger(TActionId::ComputerMatch);
    EXPECT_TRUE(W->windowTitle().contains("Match, game 1 of 2: Medium 0 \u2013 0 Easy")) << W->windowTitle().toStdString();
    Trigger(TActionId::ComputerStopMatch);
    EXPECT_TRUE(W->windowTitle().contains("(stopped)"));
    EXPECT_FALSE(QFile::exists(file));
    Trigger(TActionId::ComputerResumeMatch);
    ASSERT_TRUE(PumpUntil([&] { return W->windowTitle().contains("(over)"); }, 60000)) << W->windowTitle().toStdString();
    EXPECT_EQ(Game().ComputerPlayer(), 0);
    // A new game is no longer the match's: the caption names the players again.
    Trigger(TActionId::GameNew);
    EXPECT_FALSE(W->windowTitle().contains("Match")) << W->windowTitle().toStdString();

    QFile pdn(file);
    ASSERT_TRUE(pdn.open(QIODevice::ReadOnly));
    const std::string text = pdn.readAll().toStdString();
    const std::vector<TPdnGameInfo> games = ListPdnGames(text);
    ASSERT_EQ(games.size(), 2u);
    EXPECT_EQ(games[0].Black, "Medium");
    EXPECT_EQ(games[0].White, "Easy");
    EXPECT_EQ(games[1].Black, "Easy");
    EXPECT_EQ(games[1].White, "Medium");
    EXPECT_NE(text.find("[Round \"2\"]"), std::string::npos);
    EXPECT_NE(text.find("[Event \"Velk Checkers match\"]"), std::string::npos);
    const size_t opening = text.find("[Opening \"");
    ASSERT_NE(opening, std::string::npos);
    const std::string tag = text.substr(opening, text.find('\n', opening) - opening);
    EXPECT_NE(text.find(tag, opening + 1), std::string::npos) << "the same ballot with colours reversed";
}

}  // namespace
}  // namespace velk::test
