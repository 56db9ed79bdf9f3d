#pragma once
// The main window tests' fixture: a shown window with a new game between two humans, answers
// queued for its dialogs and file dialogs, its messages and sounds recorded, its settings and
// game log in a temporary folder, and positions composed through the setup palette.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Dialogs.h"
#include "MainForm.h"
#include "support/QtPump.h"

inline void PrintTo(const QString& Text, std::ostream* Out)
{
    *Out << '"' << Text.toStdString() << '"';
}

namespace velk::test {


// A board text: blanks but for the pieces given ('b', 'w', 'B', 'W' on square numbers).
using TPieces = std::initializer_list<std::pair<int, char>>;
inline std::string BoardText(TPieces Pieces)
{
    std::string text(32, ' ');
    for (const auto& [square, piece] : Pieces)
        text[square - 1] = piece;
    return text;
}

inline const std::string START_TEXT = "bbbbbbbbbbbb        wwwwwwwwwwww";

// The title as the desktop shows it: the placeholder of unsaved changes as "*" or nothing.
inline QString ShownTitle(const QWidget& Window)
{
    return Window.windowTitle().replace("[*]", Window.isWindowModified() ? "*" : "");
}

// Outside a test's own expectations, any dialog, message or file dialog is a failure.
inline void InstallFailingAnswerers()
{
    SetDialogAnswerer([](QDialog& Dialog) {
        ADD_FAILURE() << "unexpected dialog " << Dialog.objectName().toStdString();
        return mrCancel;
    });
    SetFileNameAnswerer([](bool, const QString&) { return QString(); });
    SetMessageSink([](const QString& Text) { ADD_FAILURE() << "unexpected message: " << Text.toStdString(); });
}

class TRecordingSounds : public ISoundPlayer {
public:
    void Play(const std::string& Name) override { Played.push_back(Name); }
    void StopAll() override { ++Stops; }
    std::vector<std::string> Played;
    int Stops = 0;
};

// A dialog as it was when it was answered; Text, Reason and Picture are the game-finished
// dialog's.
struct TShownDialog {
    std::string Name, Text, Picture, Reason;
};

class WindowTest : public ::testing::Test {
protected:
    using TAnswer = std::function<int(QDialog&)>;

    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        SetDialogAnswerer([this](QDialog& Dialog) { return AnswerDialog(Dialog); });
        SetFileNameAnswerer([this](bool Save, const QString& Proposed) {
            FileRequests.push_back(Save);
            FileProposals.push_back(Proposed);
            return FileAnswer;
        });
        SetMessageSink([this](const QString& Text) { Messages.push_back(Text.toStdString()); });
        W = MakeWindow();
        Sounds = static_cast<TRecordingSounds*>(&W->Sounds());
        W->Game().SetAnimateMoves(false);
        W->Game().SetSearchDepth(2);
        W->Game().SetComputerPlayer(0);
        W->show();
        W->StartGame({});
        Pump();
    }

    void TearDown() override
    {
        W.reset();
        Pump();
        InstallFailingAnswerers();
        EXPECT_TRUE(Answers.empty()) << Answers.size() << " answers were not asked for";
        EXPECT_TRUE(Messages.empty()) << "unexpected message: " << Messages.front();
    }

    // A window whose settings and game log live in the temporary folder.
    std::unique_ptr<TMainForm> MakeWindow()
    {
        auto window = std::make_unique<TMainForm>(std::make_unique<TRecordingSounds>());
        window->SetSettingsFileName(FilePath("settings.ini"));
        window->SetGameLogFileName(FilePath("game.log"));
        return window;
    }

    QString FilePath(const QString& Name) const { return Dir.filePath(Name); }
    TCheckers& Game() const { return W->Game(); }

    // Runs a command as its menu item would, then lets the board answer.
    void Trigger(TActionId Id)
    {
        W->UpdateActions();
        W->Action(Id)->trigger();
        Pump();
    }

    std::string ActionName(TActionId Id) const { return W->Action(Id)->objectName().toStdString(); }

    // An action's state as the menus show it after the next idle moment.
    bool Checked(TActionId Id) const
    {
        W->UpdateActions();
        return W->Action(Id)->isChecked();
    }

    // The next dialog gets this answer (a result, or a function that may inspect it first).
    void Answer(int Result) { Answers.push_back([Result](QDialog&) { return Result; }); }
    void Answer(TAnswer Answerer) { Answers.push_back(std::move(Answerer)); }

    std::vector<std::string> DialogNames() const
    {
        std::vector<std::string> names;
        for (const auto& d : Shown)
            names.push_back(d.Name);
        return names;
    }

    bool WaitFinishDialogs(size_t Count)
    {
        return PumpUntil([&] {
            return std::count_if(Shown.begin(), Shown.end(), [](auto& D) { return D.Name == "GameFinishDialog"; }) >=
                   static_cast<std::ptrdiff_t>(Count);
        });
    }

    void Click(int Square)
    {
        const QPoint p = Game().GetSquareRect(TCheckers::SquareToPosition(static_cast<TPosition>(Square - 1))).center();
        QTest::mousePress(&Game(), Qt::LeftButton, Qt::NoModifier, p);
        QTest::mouseRelease(&Game(), Qt::LeftButton, Qt::NoModifier, p);
        Pump();
    }

    void Move(int From, int To)
    {
        Click(From);
        Click(To);
    }

    static QPushButton* StripButton(const QWidget& Panel, const QString& Caption)
    {
        for (QPushButton* button : Panel.findChildren<QPushButton*>())
            if (button->text() == Caption)
                return button;
        throw std::runtime_error("no button " + Caption.toStdString());
    }

    QToolButton* PieceButton(char Piece) const
    {
        return W->PaletteButton(Piece == 'b'   ? "btnBlackSimple"
                                : Piece == 'B' ? "btnBlackKing"
                                : Piece == 'w' ? "btnWhiteSimple"
                                               : "btnWhiteKing");
    }

    // Composes a position as a user does: Setup Board, Clear Board, each piece's palette button
    // and its square, the side to move, Apply Changes.
    void SetUpPosition(TPieces Pieces, uint8_t Turn)
    {
        Trigger(TActionId::GameSetupBoard);
        W->PaletteButton("btnClearBoard")->click();
        for (const auto& [square, piece] : Pieces) {
            if (!PieceButton(piece)->isChecked())
                PieceButton(piece)->click();
            Click(square);
        }
        ASSERT_EQ(Game().BoardAsText(), BoardText(Pieces));
        W->PaletteButton(Turn == 1 ? "btnWhiteTurn" : "btnBlackTurn")->click();
        StripButton(W->SetupCommands(), "Apply Changes")->click();
        Pump();
    }

    QTemporaryDir Dir;
    std::unique_ptr<TMainForm> W;
    TRecordingSounds* Sounds = nullptr;
    std::deque<TAnswer> Answers;
    std::vector<TShownDialog> Shown;
    std::vector<bool> FileRequests;  // true for the save dialog
    std::vector<QString> FileProposals;  // the folder or name each file dialog started with
    QString FileAnswer;
    std::vector<std::string> Messages;

private:
    int AnswerDialog(QDialog& Dialog)
    {
        TShownDialog shown{Dialog.objectName().toStdString(), {}, {}, {}};
        if (auto* finish = dynamic_cast<TGameFinishDialog*>(&Dialog))
            shown = {shown.Name, finish->Description1->text().toStdString(), finish->Picture->objectName().toStdString(),
                     finish->Reason ? finish->Reason->text().toStdString() : ""};
        Shown.push_back(shown);
        if (Answers.empty()) {
            ADD_FAILURE() << "unexpected dialog " << shown.Name;
            return mrCancel;
        }
        const TAnswer answer = std::move(Answers.front());
        Answers.pop_front();
        return answer(Dialog);
    }
};

}  // namespace velk::test
