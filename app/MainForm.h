#pragma once
// The main window: the board and everything around it — menus, toolbar, status strip with the
// turn clock, the history panel, the setup palette — and the commands that drive the board.
// It holds no game logic: every command sets a property of the board control, calls one of
// its operations, opens a dialog or changes the window's own layout.
#include <QToolBar>
#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Sounds.h"
#include "control/Checkers.h"
#include "platform/Stream.h"
#include "record/Pdn.h"

class QAction;
class QLabel;
class QMenuBar;
class QPushButton;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QFrame;

class QTreeWidgetItem;

namespace velk {


class TThinkIcon;
class TEngineOutput;
class TEvalGraph;
struct TMatchState;
struct TSearchReport;
class TEndgameBuilder;

// The depths of the skill levels and the square sizes of the board sizes in the menus.
constexpr int LEVEL_EASY = 4;
constexpr int LEVEL_MEDIUM = 8;
constexpr int LEVEL_DIFFICULT = 12;
// The most threads the Expert level is given, whatever the settings say.
constexpr int MAX_THREADS = 256;
constexpr int SQUARE_SMALL = 45;
constexpr int SQUARE_MEDIUM = 60;
constexpr int SQUARE_LARGE = 75;

// The window's commands. An action is found by its id, so that a misspelt name does not
// compile; the id's name is also the action's object name.
#define VELK_ACTIONS(X) \
    X(GameNew) X(GameOpen) X(GameSave) X(GameSaveAs) X(GameSetupBoard) X(GameDeclareDraws) \
    X(GameMemoryOptions) X(GameExit) X(ControlPause) X(ControlResume) \
    X(ControlAutoCompleteSelection) X(ControlAutoPlaySelection) X(ControlListPositionMoves) X(ControlEnableSounds) \
    X(ComputerSuggest) X(ComputerPlayNow) X(ComputerPlaysNone) X(ComputerPlaysBlack) \
    X(ComputerPlaysWhite) X(ComputerPlaysBoth) X(LevelEasy) X(LevelMedium) \
    X(LevelDifficult) X(LevelExpert) X(LevelCustom) X(LevelExpertMoveTime) X(LevelOpeningBook) X(ComputerEndgameDb) \
    X(HistoryFirst) X(HistoryBackward) \
    X(HistoryFoward) X(HistoryLast) X(HistoryTakeBack) X(HistoryShow) X(HistoryShowTimes) \
    X(HistoryMoveToBlack) X(HistoryMoveToWhite) X(HistoryCopy) X(HistoryCopyPdn) X(HistoryAddComment) X(GamePaste) X(GameCopyPosition) X(GamePastePosition) X(GameInformation) X(ViewToolbar) \
    X(ViewEngineOutput) X(ComputerAnalyze) X(HistoryAnalyzeGame) X(HistoryNextMistake) X(GameNewBallot) \
    X(GameTimeControl) X(ComputerMatch) X(ComputerStopMatch) X(ComputerResumeMatch) \
    X(ViewCoordinates) X(ViewSelectablePositions) X(ViewInvertSquares) X(ViewAnimationMoves) X(ViewHighlightLastMove) \
    X(ViewFullScreen) X(BoardSizeSmall) X(BoardSizeMedium) X(BoardSizeLarge) \
    X(Rotate000) X(Rotate090) X(Rotate180) X(Rotate270) \
    X(RotateClockwise) X(RotateConterClockwise) X(HelpHandbook) X(HelpRules) \
    X(HelpAbout)

enum class TActionId {
#define VELK_ACTION_ID(Name) Name,
    VELK_ACTIONS(VELK_ACTION_ID)
#undef VELK_ACTION_ID
    Count,
    Separator  // in the lists that build the menus and the toolbar
};

class TMainForm : public QWidget {
public:
    // Sounds and dialogs can be replaced, so that tests can listen and answer.
    explicit TMainForm(std::unique_ptr<ISoundPlayer> Sounds = nullptr, QWidget* Parent = nullptr);
    ~TMainForm() override;

    TCheckers& Game() const { return *FGame; }
    QAction* Action(TActionId Id) const { return FActions[static_cast<size_t>(Id)]; }
    QToolBar& Toolbar() const { return *FToolbar; }
    QMenuBar& MenuBar() const { return *FMenuBar; }
    QWidget& HistoryPanel() const { return *FHistoryPanel; }
    QTreeWidget& HistoryList() const { return *FHistoryList; }
    TEngineOutput& EngineOutput() const { return *FEngineOutput; }
    TEvalGraph& EvalGraph() const { return *FEvalGraph; }
    QToolBar& BoardSetupBar() const { return *FBoardSetupBar; }
    QLabel& StateLabel() const { return *FState; }
    QLabel& ElapsedTime() const { return *FElapsedTime; }
    QLabel& Time1() const { return *FTime1; }
    QLabel& Time2() const { return *FTime2; }
    QWidget& SuggestionCommands() const { return *FSuggestionCommands; }
    QWidget& SetupCommands() const { return *FSetupCommands; }
    QWidget& TimePanel() const { return *FTimePanel; }
    QToolButton* PaletteButton(const std::string& Name) const;
    QPushButton& RevertButton() const { return *FRevertChanges; }
    bool FullScreen() const { return FFullScreen; }
    bool ShowHistory() const { return FShowHistory; }
    uint8_t HistoryFirstPlayer() const { return FHistoryFirstPlayer; }
    bool PausedByShell() const { return FPausedByShell; }
    bool HasSetupBackup() const { return FSetupBackup != nullptr; }
    QWidget* FullScreenWindow() const { return FFullScreenWindow; }

    // Runs once the window is shown: the game named on the command line (as the system passed
    // the name), or a new game.
    void StartGame(const QByteArrayList& Arguments);
    void UpdateCaption();
    // The desktop's mark of unsaved changes in the title. The board says when it has changes,
    // not when they come: the mark follows at each idle moment, each record change and each
    // file command.
    void UpdateModifiedMark();
    void UpdateStatusText();
    void UpdateHistoryList();
    // Refreshes every action's enabled and checked state, as each idle moment does.
    void UpdateActions();
    void SetFullScreen(bool On);
    std::string GetGameRecordText() const { return FGame->GetGameRecordText(); }
    // Asks whether to save a modified game; abandons the calling command (EAbort) on Cancel or
    // when saving did not happen. "No" leaves the game modified: only replacing it clears that.
    void QuerySaveGame();
    bool MayReplaceGame();
    void TimerTick();
    void UpdateFullScreenStatus();
    // Lays out the full-screen turn picture and status and keeps the board clear of them.
    void PlaceFullScreenStatus();
    // The least room of the board and its status strip in the window.
    QSize GameHostMinimumSize() const;
    // Where the game log is written; the per-user data directory unless a test sets it.
    QString GameLogFileName() const;
    void SetGameLogFileName(const QString& Value) { FGameLogFileName = Value; }
    // The settings store; the per-user one unless a test sets a file.
    void SetSettingsFileName(const QString& Value) { FSettingsFileName = Value; }
    void LoadSettings();
    void SaveSettings();
    // Every stored value once, under its name: how it is read off the window and put back.
    struct TSettingValue {
        using TGet = std::function<int64_t()>;
        using TSet = std::function<void(int64_t)>;
        const char* Name;
        TGet Get;
        TSet Set;
    };
    std::vector<TSettingValue> SettingValues();
    ISoundPlayer& Sounds() const { return *FSounds; }
    // The endgame database the Expert level probes, built in the background the first time
    // the level plays. Tests make it small before the window exists.
    TEndgameBuilder& EndgameBuilder() const { return *FEndgame; }
    static void SetEndgamePieces(int Pieces, int FirstPieces);

    // The Board Angle choice. With exactly one human side, that side plays from the bottom and the
    // choice turns the board from there; otherwise the board is turned by the choice alone.
    int BoardAngle() const { return FBoardAngle; }
    void SetBoardAngle(int Angle);
    void ApplyBoardAngle();
    // The file the game was last opened from or saved to; empty for a new game.
    const QString& GameFileName() const { return FGameFileName; }
    // What PDN carries besides the moves: the tags (none for a game begun here), the comment
    // before the first move and the result read or given.
    const TPdnGameData& GameData() const { return FGameData; }

protected:
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolbar();
    void CreateStatusStrip(QWidget* Host);
    void CreateHistoryPanel();
    void CreateSetupBar();
    void WireGame();
    QAction* AddAction(TActionId Id, const QString& Caption, const QKeySequence& Shortcut,
                       const QString& Icon, std::function<void()> Execute);

    // Game notifications
    void TurnChanged();
    void SelectionChanged();
    void BoardModeChanged();
    void GameEnded();
    void SquareResized();
    void PositionClicked(TPosition Pos, bool& Handled);
    void PositionInfoTip(TPosition Pos, std::string& InfoTip);

    // Commands
    void NewGame();
    void OpenGame();
    // The move in the list's row and column (1 the first player's, 2 the other's; 0 the row's
    // last move): the board shows the position after it.
    void ShowPositionAfter(QTreeWidgetItem* Item, int Column);
    // Save writes the game's own file without asking once it has one; Save As always asks.
    void SaveGame();
    void SaveGameAs();
    // A game file of either kind, .ckr or PDN (a PDN file of several games asks which); false
    // when the player chose none. Path, when given, is the file's name as the system spells it,
    // for a name Qt cannot spell.
    bool LoadGameFile(const QString& Name, const QByteArray& Path = QByteArray());
    // The game the player picks from a PDN text, read and checked; false when none was picked.
    // Nothing changes until Install.
    struct TPdnChoice;
    bool ChoosePdnGame(const std::string& Text, const QString& Source, TPdnChoice& Choice);
    void InstallPdnGame(TPdnChoice& Choice);
    // Whole false: a game from a file of several PDN games that no longer holds it where it was
    // read is not written, and false comes back.
    bool SaveGameFile(const QString& Name, bool Whole);
    // Writes Text over the game's own place in the PDN file of several games it came from,
    // leaving the others byte for byte; false when the file no longer holds that game where it
    // was read, so that the caller asks for a name instead.
    bool SaveIntoPdnCollection(const QString& Name, const std::string& Text);
    // A game begun here, set up or read from a game file: the program's tags, no comments.
    void ForgetGameData();
    void EditGameInformation();
    void AddComment();
    // The game as PDN, its players named as in the caption.
    std::string GamePdn() const;
    void CopyPdn();
    void PasteGame();
    void CopyPosition();
    void PastePosition();
    void ToggleAnalysis();
    void SetEngineOutputShown(bool On);
    void ShowSearchReport(const TSearchReport& Report);
    void AnalyzeGame();
    void NewBallotGame();
    void StartBallotGame(int Number);
    void TimeControlDialog();
    void SetClock(int Minutes, int Seconds);
    void StartMatch();
    void StopMatch();
    void ResumeMatch();
    void StartMatchGame();
    void MatchGameEnded();
    QString MatchCaption() const;
    void NextMistake();
    void UpdateEvalGraph();
    void UpdateClocks();
    // "Human", or the computer with its level, as the caption names the side.
    QString PlayerName(uint8_t Player) const;
    void SetGameFileName(const QString& Name);
    // Where the file dialogs start: the folder of the last game opened or saved, else the
    // documents folder.
    QString GameFolder() const;
    // Leaves full screen, pauses a running game, runs a file command and resumes the game.
    void RunFileCommand(const std::function<void()>& Command);
    void EnterSetup();
    void ApplySetup();
    void RevertSetup();
    void ClearSetupBoard();
    void Suggest();
    void SetComputerPlayer(uint8_t Value);
    // One of the board sizes of the menu, or the size read from the settings: the window takes
    // the size that shows squares of that size, and the squares follow the window from there.
    void SetBoardSquareSize(int Size);
    void SetExpertLevel();
    void ExpertMoveTimeDialog();
    void SetLevel(uint8_t Depth);
    void CustomLevel();
    void MemoryOptions();
    void EndgameDbDialog();
    void ToggleToolbar();
    void ToggleShowHistory();
    void InvertSquares();
    void CopyRecord();
    void MoveHere(uint8_t Player);
    void PauseForShell();
    void ResumeAfterShell();
    void ActiveWindowChanged();
    void FitToContent();
    // Keeps the squares their size while panels come and go, until FitToContent.
    void HoldSquares();
    void WriteGameLog();

    TCheckers* FGame = nullptr;
    std::unique_ptr<ISoundPlayer> FSounds;
    std::unique_ptr<TEndgameBuilder> FEndgame;
    std::unique_ptr<TMatchState> FMatch;  // the match the computer plays, or null
    std::array<QAction*, static_cast<size_t>(TActionId::Count)> FActions{};
    QMenuBar* FMenuBar = nullptr;
    QToolBar* FToolbar = nullptr;
    QWidget* FClientPanel = nullptr;
    QWidget* FGameHost = nullptr;
    QFrame* FStateInfo = nullptr;
    QLabel* FState = nullptr;
    QWidget* FSuggestionCommands = nullptr;
    QWidget* FSetupCommands = nullptr;
    QPushButton* FRevertChanges = nullptr;
    QWidget* FTimePanel = nullptr;
    TThinkIcon* FThinkIcon = nullptr;
    QToolButton* FPauseButton = nullptr;
    QToolButton* FResumeButton = nullptr;
    QLabel* FElapsedTime = nullptr;
    QLabel* FFullScreenStatus = nullptr;
    QLabel* FTurnIcon = nullptr;
    QWidget* FHistoryPanel = nullptr;
    QLabel* FTime1 = nullptr;
    QLabel* FTime2 = nullptr;
    QTreeWidget* FHistoryList = nullptr;
    TEngineOutput* FEngineOutput = nullptr;
    TEvalGraph* FEvalGraph = nullptr;
    QToolBar* FBoardSetupBar = nullptr;
    std::map<std::string, QToolButton*> FPaletteButtons;
    QTimer* FTimer = nullptr;
    QWidget* FFullScreenWindow = nullptr;

    uint8_t FHistoryFirstPlayer = 2;
    bool FPausedByShell = false;
    std::unique_ptr<TMemoryStream> FSetupBackup;
    bool FSetupBackupModified = false;
    bool FFullScreen = false;
    bool FShowHistory = true;
    double FAnalysisSeconds = 1.0;  // Analyze Game's time a move, as last chosen
    int FBallot = 0;                // the ballot the game started from, 0 for none
    bool FBallotRematch = false;    // a ballot game's end offers it again with colours reversed
    int FClockMinutes = 0, FClockSeconds = 0;  // the time control; 0 minutes: none
    int FSavedSquareSize = SQUARE_MEDIUM;
    // From HoldSquares to the end of FitToContent: the window's resizes are not the user's.
    bool FFitting = false;
    int FBoardAngle = 0;
    QString FGameFileName;
    QString FGameFolder;
    TPdnGameData FGameData;
    // Where the game lies in the file of several PDN games it was opened from (FGameFileName),
    // and the text it had there; Length 0 when it came from no such file.
    struct TPdnPlace {
        size_t Offset = 0, Length = 0;
        std::string Text;
    } FPdnPlace;
    QString FGameLogFileName;
    QString FSettingsFileName;
    QMetaObject::Connection FIdleConnection;
    QMetaObject::Connection FFocusConnection;
};

}  // namespace velk
