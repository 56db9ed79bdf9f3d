#pragma once
// The program's small modal dialogs. Each is created, shown, read and freed by one Execute
// call; none keeps state between calls.
#include <QDialog>
#include <atomic>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>

#include "record/Pdn.h"

class QCheckBox;
class QComboBox;
class QRadioButton;
class QTreeWidget;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTreeView;
class QMessageBox;
class QSpinBox;
class QDoubleSpinBox;
class QProgressBar;

namespace velk {

// Modal results the callers act on.
constexpr int mrOk = 1;
constexpr int mrCancel = 2;
constexpr int mrYes = 6;
constexpr int mrNo = 7;

// Shows a prepared dialog modally and returns its result. Tests install an answerer that is
// given the dialog instead of a user and returns the result to act on.
using TDialogAnswerer = std::function<int(QDialog& Dialog)>;
void SetDialogAnswerer(TDialogAnswerer Answerer);
int ExecDialog(QDialog& Dialog);

// The open and save file dialogs ("Load Game", "Save Game As"); an empty name when cancelled.
// Proposed is the folder to start in, or for saving the whole name to suggest. Tests install an
// answerer that names the file instead of a user (Save tells which dialog).
using TFileNameAnswerer = std::function<QString(bool Save, const QString& Proposed)>;
void SetFileNameAnswerer(TFileNameAnswerer Answerer);
QString ChooseOpenFileName(QWidget* Parent, const QString& Folder);
QString ChooseSaveFileName(QWidget* Parent, const QString& Proposed);

// Shows an error's message in a message box over the program's window (through the sink in
// tests). The main window names itself as the box's owner while it exists.
using TMessageSink = std::function<void(const QString& Text)>;
void SetMessageSink(TMessageSink Sink);
void SetMessageOwner(QWidget* Owner);
void ShowErrorMessage(const QString& Text);
// A notice that is no error (something the player should know about a file), the same way.
void ShowInformation(const QString& Text);
// The box ShowErrorMessage shows, not yet shown: over the active window of the program, or its
// main window.
std::unique_ptr<QMessageBox> ErrorMessageBox(const QString& Text, bool Error = true);
// Fixes a dialog's size to its content before it is shown; a dialog that fixed its own width
// keeps it and gets the height its content needs at that width. Either is widened when its
// title would not fit in the title bar.
void FitDialog(QDialog& Dialog);

class TSearchDepthDialog : public QDialog {
public:
    static bool Execute(QWidget* Parent, int& Depth);
    explicit TSearchDepthDialog(QWidget* Parent);
    QSpinBox* SearchDepth;
};

// The Expert level's time per move, in seconds from 0.1 to 60 (milliseconds to the caller).
class TExpertMoveTimeDialog : public QDialog {
public:
    static bool Execute(QWidget* Parent, int& Milliseconds);
    explicit TExpertMoveTimeDialog(QWidget* Parent);
    QDoubleSpinBox* Seconds;
};

// Analyze Game's time per move, in seconds from 0.1 to 60.
class TAnalysisTimeDialog : public QDialog {
public:
    static bool Execute(QWidget* Parent, double& Seconds);
    explicit TAnalysisTimeDialog(QWidget* Parent);
    QDoubleSpinBox* Seconds;
};

// What a job on another thread tells the dialog that waits for it, and the dialog's Cancel.
struct TBackgroundProgress {
    std::atomic<int> Done{0}, Total{0};
    std::atomic<bool> Finished{false};
};

// Waits for a job on another thread with a progress bar: closes with mrOk when the job has
// finished, mrCancel when the player cancels first.
class TAnalysisProgressDialog : public QDialog {
public:
    TAnalysisProgressDialog(QWidget* Parent, const TBackgroundProgress& Progress);
    // Reads the job's progress into the dialog, as its timer does, and closes it when done.
    void Refresh();
    const TBackgroundProgress& Progress() const { return FProgressOf; }

private:
    const TBackgroundProgress& FProgressOf;
    QProgressBar* FBar = nullptr;
};

// New Ballot Game: the three-move openings by number, moves and name, filtered by text and by
// the decks to draw from; Random draws one of those shown.
class TBallotDialog : public QDialog {
public:
    struct TRow {
        int Number = 0;
        QString Moves, Deck, Name;
    };
    // The deck names as the list has them, in the order their boxes are shown.
    static constexpr const char* DECKS[] = {"crossboard", "mailplay", "barred"};

    // The number chosen, 0 when cancelled; Rematch is the "same ballot again" option, shown and
    // read back.
    static int Execute(QWidget* Parent, const std::vector<TRow>& Ballots, bool& Rematch);
    TBallotDialog(QWidget* Parent, const std::vector<TRow>& Ballots);
    // Shows the ballots of the checked decks that match the filter.
    void ApplyFilter();
    // Chooses one of the ballots shown at random and closes the dialog.
    void DrawRandom();
    int Chosen() const;

    QLineEdit* Filter;
    QCheckBox* Decks[std::size(DECKS)];
    QTreeWidget* List;
    QCheckBox* Rematch;
};

// Time Control: none, or M minutes for the game and S seconds more for each move.
class TTimeControlDialog : public QDialog {
public:
    // Minutes 0: none.
    static bool Execute(QWidget* Parent, int& Minutes, int& Seconds);
    explicit TTimeControlDialog(QWidget* Parent);
    QRadioButton* None;
    QRadioButton* Clock;
    QSpinBox* Minutes;
    QSpinBox* Seconds;
};

// Match: the computer plays both sides, a level each, N games from crossboard ballots with both
// colours, every game appended to a PDN file.
class TMatchDialog : public QDialog {
public:
    // A side's level: Depth plies, or with Depth 0 the Expert level at Seconds a move.
    struct TSide {
        int Depth = 0;
        double Seconds = 1.0;
    };
    struct TSettings {
        TSide Sides[2];
        int Games = 10;
        QString PdnFile;
    };
    // The levels the lists offer, by their depth (0: Expert).
    static constexpr int LEVEL_DEPTHS[] = {4, 8, 12, 0};

    static bool Execute(QWidget* Parent, TSettings& Settings);
    explicit TMatchDialog(QWidget* Parent);
    void Load(const TSettings& Settings);
    TSettings Read() const;

    QComboBox* Levels[2];
    QDoubleSpinBox* Seconds[2];
    QSpinBox* Games;
    QLineEdit* PdnFile;
};

class TMemoryOptionsDialog : public QDialog {
public:
    static bool Execute(QWidget* Parent, int& Megabytes);
    explicit TMemoryOptionsDialog(QWidget* Parent);
    QSpinBox* Max;
};

class TSaveQueryDialog : public QDialog {
public:
    // mrYes, mrNo or mrCancel (also when the dialog is closed from its title bar).
    static int Execute(QWidget* Parent);
    explicit TSaveQueryDialog(QWidget* Parent);
};

class TGameFinishDialog : public QDialog {
public:
    // True when the player wants a new match. DrawReason, when given, says why the game is drawn.
    static bool Execute(QWidget* Parent, int Winner, int ComputerPlayer, const QString& DrawReason = QString());
    TGameFinishDialog(QWidget* Parent, int Winner, int ComputerPlayer, const QString& DrawReason = QString());
    QLabel* Description1;
    QLabel* Reason = nullptr;
    QLabel* Picture;
};

class TEndgameBuilder;

// How far the endgame database's build has come; closing it leaves the build running.
class TEndgameDbDialog : public QDialog {
public:
    static void Execute(QWidget* Parent, const TEndgameBuilder& Builder);
    TEndgameDbDialog(QWidget* Parent, const TEndgameBuilder& Builder);
    // Reads the builder's state into the dialog, as its timer does.
    void Refresh();

private:
    const TEndgameBuilder& FBuilder;
    QLabel* FStatus = nullptr;
    QProgressBar* FProgress = nullptr;
};

class TAboutDialog : public QDialog {
public:
    static void Execute(QWidget* Parent);
    explicit TAboutDialog(QWidget* Parent);
    QLabel* Version;
    QLabel* Copyright;
    QLabel* HomePage;

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
};

// The games of a PDN file with several: the player picks one, finding it by typing. The list
// reads the games where they are, so that a million of them list and filter at once.
class TPdnGameModel;
class TPdnGameChooser : public QDialog {
public:
    // The number of the game chosen (from 1), 0 when cancelled.
    static int Execute(QWidget* Parent, const std::vector<TPdnGameInfo>& Games);
    TPdnGameChooser(QWidget* Parent, const std::vector<TPdnGameInfo>& Games);
    ~TPdnGameChooser() override;
    void ApplyFilter(const QString& Text);
    int Chosen() const;
    QLineEdit* Filter;
    QTreeView* List;

private:
    std::unique_ptr<TPdnGameModel> FModel;
};

// What Game Information shows and edits: the game's tags (the fields shown are edited in
// place, the others kept), its result and the notes before its first move.
struct TGameInformation {
    TPdnTags Tags;
    std::string Result = "*";
    bool ResultFixed = false;  // the board shows how the game ended: the result is not edited
    std::string Notes;
};

class TGameInformationDialog : public QDialog {
public:
    static bool Execute(QWidget* Parent, TGameInformation& Info);
    explicit TGameInformationDialog(QWidget* Parent);
    // The tag each field edits, in the order shown.
    static constexpr const char* FIELD_TAGS[] = {"Event", "Site", "Date", "Round", "Black", "White"};
    QLineEdit* Fields[std::size(FIELD_TAGS)];
    QComboBox* Result;
    QPlainTextEdit* Notes;
};

// The comment of the move shown (or of the game, before its first move).
class TCommentDialog : public QDialog {
public:
    static bool Execute(QWidget* Parent, QString& Text);
    explicit TCommentDialog(QWidget* Parent);
    QPlainTextEdit* Text;
};

}  // namespace velk
