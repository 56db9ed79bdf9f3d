// The main window's construction: actions, menus, toolbar, status strip, history panel and
// setup palette, and the idle-time update of every command's state.
#include "MainForm.h"
#include "Match.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWindow>

#include "Dialogs.h"
#include "EngineOutput.h"
#include "EvalGraph.h"
#include "Handbook.h"
#include "Sounds.h"
#include "ThinkIcon.h"
#include "Version.h"
#include "control/JpegDecoder.h"
#include "engine/EndgameBuilder.h"
#include "engine/ExpertSearch.h"
#include "platform/FileStream.h"
#include "platform/MemoryStatus.h"

namespace velk {

namespace {

// The move list wraps a long capture after one of its jumps rather than cut its end off: line
// breaking keeps "20-11-4" whole, so a break is offered after each dash between squares. A tree
// view asks its rows' heights without the columns' widths, which wrapping needs: they are given
// here.
class TMoveTextDelegate : public QStyledItemDelegate {
public:
    explicit TMoveTextDelegate(QTreeView* View) : QStyledItemDelegate(View), FView(View) {}
    QString displayText(const QVariant& Value, const QLocale& Locale) const override
    {
        static const QRegularExpression dash(QStringLiteral("-(?=\\d)"));
        return QStyledItemDelegate::displayText(Value, Locale).replace(dash, QStringLiteral("-\u200B"));
    }
    QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override
    {
        QStyleOptionViewItem option(Option);
        // Wrapping is measured only in a valid rectangle: any height will do.
        option.rect.setSize(QSize(FView->header()->sectionSize(Index.column()), std::max(1, option.rect.height())));
        return QStyledItemDelegate::sizeHint(option, Index);
    }

private:
    QTreeView* FView;
};

QFont StripFont()
{
    QFont font = QApplication::font();
    font.setPointSize(12);
    font.setBold(true);
    return font;
}

QFrame* TiledPanel(QWidget* Parent, int Height)
{
    auto* panel = new QFrame(Parent);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setFixedHeight(Height);
    return panel;
}

QImage Pattern(const char* Name)
{
    try {
        // The large pictures: the board scales them down to any square, never up.
        return LoadJpeg(QStringLiteral(":/patterns/large/%1").arg(Name));
    } catch (const std::exception&) {
        // Without its picture a square keeps its colour.
        return QImage();
    }
}

}  // namespace

namespace {
// Six pieces: two points against the strong outside engine over 300 games (README), for 0.75 GB
// and half an hour and more of one core; the five below them come first, in minutes.
int EndgamePieces = 6;
int EndgameFirstPieces = 5;
}  // namespace

void TMainForm::SetEndgamePieces(int Pieces, int FirstPieces)
{
    EndgamePieces = Pieces;
    EndgameFirstPieces = FirstPieces;
}

TMainForm::TMainForm(std::unique_ptr<ISoundPlayer> Sounds, QWidget* Parent)
    : QWidget(Parent), FSounds(Sounds ? std::move(Sounds) : std::make_unique<TSoundEffects>())
{
    // One thread, so that the build never takes the core the Expert level thinks on.
    FEndgame = std::make_unique<TEndgameBuilder>(
        TEndgameDb::DefaultFolder(), EndgamePieces, 1,
        [](std::shared_ptr<const TEndgameDb> Db) { SetExpertEndgameDb(Db); }, EndgameFirstPieces);
    // The window is the program: whatever it writes (games, the log, the settings) reports a
    // file-size limit as an error instead of dying of it.
    ReportFileSizeLimitAsError();
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QApplication::applicationDisplayName());
    setWindowIcon(QIcon(":/icons/velk-checkers.svg"));
    move(119, 63);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    // A line's gap below the toolbar, which goes with it when the toolbar is hidden.
    root->setSpacing(1);
    // The window opens as big as its content and may be made bigger or maximised: the board
    // takes the room and its squares follow it.
    root->setSizeConstraint(QLayout::SetMinimumSize);

    FGame = new TCheckers;
    FGame->setObjectName("Game");
    FGame->SetBoardMargins(1, 1, 1, 1);
    FGame->SetSquareSize(SQUARE_MEDIUM);
    FGame->SetFixedSquareSize(false);
    FGame->SetAnimateStep(2);
    FGame->SetRoleColor(TGameBoardControl::crBoardMargin, clBtnFace);
    FGame->SetRoleColor(TGameBoardControl::crBoardBorder, clBtnShadow);
    FGame->SetRoleColor(TGameBoardControl::crSquareBorder, clNone);
    // Around the board, when the window is wider or taller than the board, the window's own
    // colour; black only in full screen.
    FGame->SetColor(clBtnFace);
    FGame->SetMarkerOffset(2);
    FGame->SetRecordFullMovesOnly(true);
    FGame->SetShowHint(false);
    // Beyond the board's own defaults: draws are declared and the last move is marked.
    FGame->SetDeclareDraws(true);
    FGame->SetHighlightLastMove(true);
    FGame->SetThinkPriority(TThreadPriority::tpIdle);
    QFont boardFont = FGame->font();
    boardFont.setPixelSize(8);
    FGame->setFont(boardFont);
    QPalette boardPalette = FGame->palette();
    boardPalette.setColor(QPalette::WindowText, Qt::white);
    FGame->setPalette(boardPalette);
    FGame->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    const char* const patterns[] = {"SquareDark", "SquareLight", "SquareDarkSelect",
                                    "SquareLightSelect", "SquareDarkMark", "SquareLightMark"};
    for (int i = 0; i < TGameBoardControl::PATTERN_ROLE_COUNT; ++i)
        FGame->SetPattern(static_cast<TGameBoardControl::TPatternRole>(i), Pattern(patterns[i]));

    CreateActions();
    CreateMenus();
    CreateToolbar();
    root->setMenuBar(FMenuBar);
    root->addWidget(FToolbar);

    FClientPanel = new QWidget(this);
    auto* client = new QHBoxLayout(FClientPanel);
    client->setContentsMargins(0, 0, 0, 0);
    client->setSpacing(0);
    FGameHost = new QWidget(FClientPanel);
    FGameHost->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* host = new QVBoxLayout(FGameHost);
    host->setContentsMargins(0, 0, 0, 0);
    host->setSpacing(0);
    CreateStatusStrip(FGameHost);
    host->addWidget(FStateInfo);
    host->addWidget(FGame);
    client->addWidget(FGameHost, 1);
    CreateHistoryPanel();
    client->addWidget(FHistoryPanel);
    CreateSetupBar();
    client->addWidget(FBoardSetupBar);
    root->addWidget(FClientPanel);
    FGameHost->setMinimumSize(GameHostMinimumSize());

    FTurnIcon = new QLabel(FGame);
    FTurnIcon->setObjectName("TurnIcon");
    FTurnIcon->setAccessibleName(tr("Side to move"));
    FTurnIcon->setFixedSize(50, 50);
    FTurnIcon->setAlignment(Qt::AlignCenter);
    FTurnIcon->hide();
    // Full screen shows the board alone: whose turn it is and the clock stand beside the picture
    // (see PlaceFullScreenStatus).
    FFullScreenStatus = new QLabel(FGame);
    FFullScreenStatus->setObjectName("FullScreenStatus");
    FFullScreenStatus->setAccessibleName(tr("Game status"));
    FFullScreenStatus->setFont(StripFont());
    FFullScreenStatus->setStyleSheet("QLabel { color: white; background: rgba(0, 0, 0, 140); padding: 4px 8px; }");
    FFullScreenStatus->hide();
    FGame->installEventFilter(this);  // Esc in full screen

    FTimer = new QTimer(this);
    FTimer->setInterval(250);
    connect(FTimer, &QTimer::timeout, this, [this] { TimerTick(); });

    WireGame();

    // Creation: the memory default, then the stored settings on top of it.
    FGame->SetMaxMemory(static_cast<uint32_t>((static_cast<uint64_t>(TotalPhysicalMemory()) * 10 + 50) / 100));
    FGame->SetExpertThreads(std::clamp(QThread::idealThreadCount(), 1, MAX_THREADS));
    FIdleConnection = connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                              [this] { UpdateActions(); });
    // Queued: leaving full screen destroys the board's own window, which Qt is still working on
    // when it reports the change of the active window or of the application's state.
    FFocusConnection = connect(
        qApp, &QGuiApplication::focusWindowChanged, this, [this] { ActiveWindowChanged(); }, Qt::QueuedConnection);
    connect(
        qApp, &QGuiApplication::applicationStateChanged, this,
        [this](Qt::ApplicationState State) {
            if (State != Qt::ApplicationActive)
                SetFullScreen(false);
        },
        Qt::QueuedConnection);
    FHistoryFirstPlayer = 2;
    SetMessageOwner(this);
    LoadSettings();
    UpdateActions();
}

TMainForm::~TMainForm()
{
    disconnect(FIdleConnection);
    disconnect(FFocusConnection);
    if (FFullScreen)
        SetFullScreen(false);
}

QAction* TMainForm::AddAction(TActionId Id, const QString& Caption, const QKeySequence& Shortcut, const QString& Icon,
                              std::function<void()> Execute)
{
    static constexpr const char* names[] = {
#define VELK_ACTION_NAME(Name) #Name,
        VELK_ACTIONS(VELK_ACTION_NAME)
#undef VELK_ACTION_NAME
    };
    auto* action = new QAction(Caption, this);
    action->setObjectName(QString::fromLatin1(names[static_cast<size_t>(Id)]));
    if (!Shortcut.isEmpty())
        action->setShortcut(Shortcut);
    if (!Icon.isEmpty()) {
        action->setIcon(QIcon(":/toolbar/" + Icon + ".svg"));
        action->setToolTip(Caption);
    }
    action->setShortcutContext(Qt::ApplicationShortcut);
    connect(action, &QAction::triggered, this, [Execute = std::move(Execute)] { Execute(); });
    addAction(action);
    FActions[static_cast<size_t>(Id)] = action;
    return action;
}

void TMainForm::CreateActions()
{
    using enum TActionId;
    TCheckers& game = *FGame;
    auto checkable = [](QAction* A, bool Checked = false) {
        A->setCheckable(true);
        A->setChecked(Checked);
        return A;
    };
    // Game
    AddAction(GameNew, tr("New"), QKeySequence("Ctrl+N"), "new", [this] { NewGame(); })->setToolTip(tr("New Game"));
    AddAction(GameOpen, tr("Open..."), QKeySequence("Ctrl+O"), "open", [this] { OpenGame(); })
        ->setToolTip(tr("Open Game"));
    AddAction(GameSave, tr("Save..."), QKeySequence("Ctrl+S"), "save", [this] { SaveGame(); })
        ->setToolTip(tr("Save Game"));
    AddAction(GameSaveAs, tr("Save As..."), QKeySequence("Shift+Ctrl+S"), {}, [this] { SaveGameAs(); });
    AddAction(GameNewBallot, tr("New Ballot Game..."), {}, {}, [this] { NewBallotGame(); });
    AddAction(GameTimeControl, tr("Time Control..."), {}, {}, [this] { TimeControlDialog(); });
    AddAction(GameSetupBoard, tr("Setup Board"), QKeySequence("Ctrl+B"), {}, [this] { EnterSetup(); });
    checkable(AddAction(GameDeclareDraws, tr("Declare Draws"), {}, {},
                        [&game] { game.SetDeclareDraws(!game.DeclareDraws()); }));
    AddAction(GameMemoryOptions, tr("Memory Options..."), {}, {}, [this] { MemoryOptions(); });
    AddAction(GameExit, tr("Exit"), QKeySequence("Alt+F4"), {}, [this] { close(); });
    // Control
    AddAction(ControlPause, tr("Pause"), QKeySequence("Ctrl+P"), "pause", [&game] { game.SetPaused(true); });
    AddAction(ControlResume, tr("Resume"), QKeySequence("Ctrl+R"), "resume", [&game] { game.SetPaused(false); });
    checkable(AddAction(ControlAutoCompleteSelection, tr("Auto Complete Selection"), {}, {}, [&game] {
        game.SetSelectionOptions(game.SelectionOptions() ^ SelectionOption(soAutoComplete));
    }));
    checkable(AddAction(ControlAutoPlaySelection, tr("Auto Play Selection"), {}, {}, [&game] {
        game.SetSelectionOptions(game.SelectionOptions() ^ SelectionOption(soAutoPlayComplete));
    }));
    checkable(AddAction(ControlListPositionMoves, tr("List Possible Moves of Position"), {}, {},
                        [&game] { game.SetShowHint(!game.ShowHint()); }));
    checkable(AddAction(ControlEnableSounds, tr("Enable Sounds"), QKeySequence("F6"), {}, [] {}), true);
    // Computer
    AddAction(ComputerSuggest, tr("Suggest"), QKeySequence("Ctrl+T"), {}, [this] { Suggest(); });
    AddAction(ComputerPlayNow, tr("Play Now"), QKeySequence("Ctrl+W"), {}, [&game] { game.MoveNow(); });
    checkable(AddAction(ComputerPlaysNone, tr("None"), {}, {}, [this] { SetComputerPlayer(0); }));
    checkable(AddAction(ComputerPlaysBlack, tr("Red Player"), {}, {}, [this] { SetComputerPlayer(2); }));
    checkable(AddAction(ComputerPlaysWhite, tr("White Player"), {}, {}, [this] { SetComputerPlayer(1); }));
    checkable(AddAction(ComputerPlaysBoth, tr("Both Players"), {}, {}, [this] { SetComputerPlayer(3); }));
    checkable(AddAction(LevelEasy, tr("Easy"), {}, {}, [this] { SetLevel(LEVEL_EASY); }));
    checkable(AddAction(LevelMedium, tr("Medium"), {}, {}, [this] { SetLevel(LEVEL_MEDIUM); }));
    checkable(AddAction(LevelDifficult, tr("Difficult"), {}, {}, [this] { SetLevel(LEVEL_DIFFICULT); }));
    checkable(AddAction(LevelExpert, tr("Expert"), {}, {}, [this] { SetExpertLevel(); }));
    checkable(AddAction(LevelCustom, tr("Custom..."), {}, {}, [this] { CustomLevel(); }));
    AddAction(LevelExpertMoveTime, tr("Expert Move Time..."), {}, {}, [this] { ExpertMoveTimeDialog(); });
    checkable(AddAction(LevelOpeningBook, tr("Use Opening Book"), {}, {},
                        [&game] { game.SetUseOpeningBook(!game.UseOpeningBook()); }));
    AddAction(ComputerEndgameDb, tr("Build Endgame Database..."), {}, {}, [this] { EndgameDbDialog(); });
    AddAction(ComputerMatch, tr("Match..."), {}, {}, [this] { StartMatch(); });
    AddAction(ComputerStopMatch, tr("Stop Match"), {}, {}, [this] { StopMatch(); });
    AddAction(ComputerResumeMatch, tr("Resume Match"), {}, {}, [this] { ResumeMatch(); });
    // History
    AddAction(HistoryFirst, tr("First Move"), QKeySequence("Ctrl+Home"), "first", [&game] { game.UndoAll(); });
    AddAction(HistoryBackward, tr("Previous Move"), QKeySequence("Ctrl+Left"), "previous", [&game] { game.Undo(); })
        ->setShortcuts({QKeySequence("Ctrl+Left"), QKeySequence("Ctrl+Z")});
    AddAction(HistoryFoward, tr("Next Move"), QKeySequence("Ctrl+Right"), "next", [&game] { game.Redo(); })
        ->setShortcuts({QKeySequence("Ctrl+Right"), QKeySequence("Shift+Ctrl+Z")});
    AddAction(HistoryLast, tr("Last Move"), QKeySequence("Ctrl+End"), "last", [&game] { game.RedoAll(); });
    AddAction(HistoryTakeBack, tr("Take Back Move"), QKeySequence(Qt::Key_Backspace), "take-back",
              [&game] { game.TakeBack(); });
    checkable(AddAction(HistoryShow, tr("Show History"), QKeySequence("Ctrl+H"), "history",
                        [this] { ToggleShowHistory(); }));
    checkable(AddAction(HistoryShowTimes, tr("Show Times"), {}, {}, [this] { UpdateHistoryList(); }), true);
    AddAction(HistoryMoveToBlack, tr("Red: Move Here"), {}, {}, [this] { MoveHere(2); });
    AddAction(HistoryMoveToWhite, tr("White: Move Here"), {}, {}, [this] { MoveHere(1); });
    AddAction(HistoryCopy, tr("Copy to Clipboard"), {}, {}, [this] { CopyRecord(); });
    AddAction(HistoryCopyPdn, tr("Copy Game as PDN"), {}, {}, [this] { CopyPdn(); });
    AddAction(HistoryAddComment, tr("Add Comment..."), {}, {}, [this] { AddComment(); });
    AddAction(HistoryAnalyzeGame, tr("Analyze Game..."), {}, {}, [this] { AnalyzeGame(); });
    AddAction(HistoryNextMistake, tr("Next Mistake"), QKeySequence("Ctrl+M"), {}, [this] { NextMistake(); });
    AddAction(GamePaste, tr("Paste Game"), QKeySequence("Shift+Ctrl+V"), {}, [this] { PasteGame(); });
    AddAction(GameInformation, tr("Game Information..."), {}, {}, [this] { EditGameInformation(); });
    AddAction(GameCopyPosition, tr("Copy Position"), {}, {}, [this] { CopyPosition(); });
    AddAction(GamePastePosition, tr("Paste Position"), {}, {}, [this] { PastePosition(); });
    checkable(AddAction(ComputerAnalyze, tr("Analyze Position"), QKeySequence("Ctrl+E"), {},
                        [this] { ToggleAnalysis(); }));
    checkable(AddAction(ViewEngineOutput, tr("Engine Output"), {}, {},
                        [this] { SetEngineOutputShown(Action(TActionId::ViewEngineOutput)->isChecked()); }));
    // View
    checkable(AddAction(ViewToolbar, tr("Toolbar"), {}, {}, [this] { ToggleToolbar(); }), true);
    checkable(AddAction(ViewCoordinates, tr("Show Coordinates"), {}, {}, [&game] {
        game.SetCoordinatesDisplay(game.CoordinatesDisplay() == slNone ? slLeftTop : slNone);
    }));
    checkable(AddAction(ViewSelectablePositions, tr("Mark Selectable Positions"), {}, {},
                        [&game] { game.SetMarkSelectableSquares(!game.MarkSelectableSquares()); }));
    checkable(AddAction(ViewInvertSquares, tr("Invert Squares"), {}, {}, [this] { InvertSquares(); }));
    checkable(AddAction(ViewHighlightLastMove, tr("Highlight Last Move"), {}, {},
                        [this, &game] {
                            game.SetHighlightLastMove(!game.HighlightLastMove());
                            UpdateHistoryList();
                        }));
    checkable(AddAction(ViewAnimationMoves, tr("Animate Moves"), {}, {},
                        [&game] { game.SetAnimateMoves(!game.AnimateMoves()); }));
    AddAction(ViewFullScreen, tr("Full Screen"), QKeySequence("F11"), {}, [this] { SetFullScreen(true); });
    checkable(AddAction(BoardSizeSmall, tr("Small"), {}, {}, [this] { SetBoardSquareSize(SQUARE_SMALL); }));
    checkable(AddAction(BoardSizeMedium, tr("Medium"), {}, {}, [this] { SetBoardSquareSize(SQUARE_MEDIUM); }));
    checkable(AddAction(BoardSizeLarge, tr("Large"), {}, {}, [this] { SetBoardSquareSize(SQUARE_LARGE); }));
    checkable(AddAction(Rotate000, QString::fromUtf8("0\u00B0"), {}, {}, [this] { SetBoardAngle(0); }));
    checkable(AddAction(Rotate090, QString::fromUtf8("90\u00B0"), {}, {}, [this] { SetBoardAngle(90); }));
    checkable(AddAction(Rotate180, QString::fromUtf8("180\u00B0"), {}, {}, [this] { SetBoardAngle(180); }));
    checkable(AddAction(Rotate270, QString::fromUtf8("270\u00B0"), {}, {}, [this] { SetBoardAngle(270); }));
    AddAction(RotateClockwise, tr("Rotate Right"), {}, "rotate-right",
              [this] { SetBoardAngle(FBoardAngle + 90); });
    AddAction(RotateConterClockwise, tr("Rotate Left"), {}, "rotate-left",
              [this] { SetBoardAngle(FBoardAngle - 90); });
    // Help
    // The handbook is the program's own: nothing here needs a browser or the network.
    AddAction(HelpHandbook, tr("Velk Checkers Handbook"), QKeySequence(Qt::Key_F1), {},
              [this] { ShowHandbook(this, QString()); });
    AddAction(HelpRules, tr("The Basic Rules of Checkers"), {}, {}, [this] { ShowHandbook(this, tr("The rules")); });
    AddAction(HelpAbout, tr("About"), {}, {}, [this] { TAboutDialog::Execute(this); });

    for (const auto& group : {std::initializer_list<TActionId>{ComputerPlaysNone, ComputerPlaysBlack, ComputerPlaysWhite,
                                                               ComputerPlaysBoth},
                              {LevelEasy, LevelMedium, LevelDifficult, LevelExpert, LevelCustom},
                              {BoardSizeSmall, BoardSizeMedium, BoardSizeLarge},
                              {Rotate000, Rotate090, Rotate180, Rotate270}}) {
        // Radio marks in the menus; a custom depth or size may leave none of them checked.
        auto* radio = new QActionGroup(this);
        radio->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
        for (const TActionId id : group)
            radio->addAction(Action(id));
    }
}

void TMainForm::CreateMenus()
{
    using enum TActionId;
    FMenuBar = new QMenuBar(this);
    auto add = [this](QMenu* Menu, std::initializer_list<TActionId> Ids) {
        for (const TActionId id : Ids) {
            if (id == Separator)
                Menu->addSeparator();
            else
                Menu->addAction(Action(id));
        }
    };
    add(FMenuBar->addMenu(tr("&Game")),
        {GameNew, GameNewBallot, GameOpen, GameSave, GameSaveAs, Separator, GamePaste, GameCopyPosition,
         GamePastePosition,
         GameInformation, Separator, GameSetupBoard,
         Separator,
         GameDeclareDraws, GameTimeControl, GameMemoryOptions, Separator, GameExit});
    add(FMenuBar->addMenu(tr("&Control")),
        {ControlPause, ControlResume, Separator, ControlAutoCompleteSelection, ControlAutoPlaySelection, Separator,
         ControlListPositionMoves, Separator, ControlEnableSounds});
    QMenu* computer = FMenuBar->addMenu(tr("C&omputer"));
    add(computer, {ComputerSuggest, ComputerAnalyze, Separator, ComputerPlayNow, Separator});
    add(computer->addMenu(tr("Play As")),
        {ComputerPlaysNone, ComputerPlaysBlack, ComputerPlaysWhite, ComputerPlaysBoth});
    add(computer->addMenu(tr("Skill Level")), {LevelEasy, LevelMedium, LevelDifficult, LevelExpert, Separator,
                                               LevelCustom, LevelExpertMoveTime, LevelOpeningBook});
    add(computer, {Separator, ComputerMatch, ComputerStopMatch, ComputerResumeMatch, Separator, ComputerEndgameDb});
    add(FMenuBar->addMenu(tr("&History")), {HistoryFirst, HistoryBackward, HistoryFoward, HistoryLast, Separator,
                                            HistoryTakeBack, Separator, HistoryShow, HistoryShowTimes, Separator,
                                            HistoryAddComment, Separator, HistoryAnalyzeGame, HistoryNextMistake,
                                            Separator, HistoryCopy, HistoryCopyPdn});
    QMenu* view = FMenuBar->addMenu(tr("&View"));
    add(view, {ViewToolbar, ViewEngineOutput, Separator});
    add(view->addMenu(tr("Board Size")), {BoardSizeSmall, BoardSizeMedium, BoardSizeLarge});
    add(view->addMenu(tr("Board Angle")), {Rotate000, Rotate090, Rotate180, Rotate270});
    add(view, {ViewInvertSquares, Separator, ViewCoordinates, ViewSelectablePositions, ViewHighlightLastMove, Separator,
               ViewAnimationMoves, Separator, ViewFullScreen});
    add(FMenuBar->addMenu(tr("He&lp")), {HelpHandbook, HelpRules, Separator, HelpAbout});
}

void TMainForm::CreateToolbar()
{
    FToolbar = new QToolBar(this);
    FToolbar->setObjectName("Toolbar");
    FToolbar->setIconSize(QSize(24, 24));
    FToolbar->setMovable(false);
    FToolbar->setFloatable(false);
    FToolbar->setFixedHeight(36);
    // The toolbar spans the window; the board and the panels decide its width.
    FToolbar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    using enum TActionId;
    for (const TActionId id : {GameNew, GameOpen, GameSave, Separator, ControlResume, ControlPause, HistoryFirst,
                               HistoryBackward, HistoryFoward, HistoryLast, HistoryTakeBack, Separator, HistoryShow,
                               Separator, RotateConterClockwise, RotateClockwise}) {
        if (id == Separator)
            FToolbar->addSeparator();
        else
            FToolbar->addAction(Action(id));
    }
}

void TMainForm::CreateStatusStrip(QWidget* Host)
{
    FStateInfo = TiledPanel(Host, 37);
    FStateInfo->setObjectName("StateInfo");
    FStateInfo->setFont(StripFont());
    // The strip is as wide as the board below it, whatever its texts would like.
    FStateInfo->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    auto* strip = new QHBoxLayout(FStateInfo);
    strip->setContentsMargins(4, 2, 6, 2);
    strip->setSpacing(4);

    auto commandPair = [this](const QString& First, const QString& Second, std::function<void()> OnFirst,
                              std::function<void()> OnSecond, QPushButton** SecondButton) {
        auto* panel = new QWidget(FStateInfo);
        auto* row = new QHBoxLayout(panel);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(3);
        QFont font = QApplication::font();
        font.setBold(false);
        font.setPointSize(8);
        for (int i = 0; i < 2; ++i) {
            auto* button = new QPushButton(i == 0 ? First : Second, panel);
            button->setFont(font);
            button->setFixedSize(93, 25);
            button->setFocusPolicy(Qt::NoFocus);
            connect(button, &QPushButton::clicked, this, i == 0 ? OnFirst : OnSecond);
            row->addWidget(button);
            if (i == 1 && SecondButton)
                *SecondButton = button;
        }
        panel->setFixedWidth(189);
        panel->hide();
        return panel;
    };
    FSuggestionCommands = commandPair(
        tr("Play Selection"), tr("Clear Selection"), [this] { FGame->PlaySelection(); },
        [this] { FGame->ClearSelection(); }, nullptr);
    FSetupCommands = commandPair(
        tr("Apply Changes"), tr("Revert Changes"), [this] { ApplySetup(); }, [this] { RevertSetup(); },
        &FRevertChanges);
    strip->addWidget(FSuggestionCommands);
    strip->addWidget(FSetupCommands);

    FState = new QLabel(FStateInfo);
    FState->setObjectName("State");
    FState->setAccessibleName(tr("Game status"));
    FState->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    strip->addWidget(FState, 1);

    // As wide as the thinking picture, the pause button and the clock need in the strip's font.
    FTimePanel = new QWidget(FStateInfo);
    FTimePanel->setObjectName("TimePanel");
    FTimePanel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    auto* time = new QHBoxLayout(FTimePanel);
    time->setContentsMargins(0, 0, 0, 0);
    time->setSpacing(2);
    FThinkIcon = new TThinkIcon(FTimePanel);
    FThinkIcon->hide();
    time->addWidget(FThinkIcon);
    time->addStretch();
    for (QToolButton** button : {&FPauseButton, &FResumeButton}) {
        *button = new QToolButton(FTimePanel);
        (*button)->setAutoRaise(true);
        (*button)->setToolButtonStyle(Qt::ToolButtonIconOnly);
        (*button)->setFixedSize(23, 22);
        (*button)->setIconSize(QSize(16, 16));
        (*button)->setFocusPolicy(Qt::NoFocus);
        time->addWidget(*button);
    }
    FPauseButton->setDefaultAction(Action(TActionId::ControlPause));
    FResumeButton->setDefaultAction(Action(TActionId::ControlResume));
    FElapsedTime = new QLabel(QStringLiteral("00:00"), FTimePanel);
    FElapsedTime->setObjectName("ElapsedTime");
    FElapsedTime->setAccessibleName(tr("Time of this turn"));
    FElapsedTime->setMinimumWidth(FElapsedTime->fontMetrics().horizontalAdvance(QStringLiteral("000:00")) + 2);
    FElapsedTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    time->addWidget(FElapsedTime);
    strip->addWidget(FTimePanel);
}

QSize TMainForm::GameHostMinimumSize() const
{
    // Narrower than a small board, the squares get too small to play on and the status strip
    // cuts its text: the board and the strip keep that much room, and the window with them.
    int text = 0;
    for (const QString& status : {tr("White player's turn (paused)..."), tr("Red player's turn (paused)...")})
        text = std::max(text, FState->fontMetrics().horizontalAdvance(status));
    const auto* strip = static_cast<QBoxLayout*>(FStateInfo->layout());
    const auto* time = static_cast<QBoxLayout*>(FTimePanel->layout());
    // The clock's panel as wide as it gets: the thinking picture, both buttons and the time.
    const int clock = FThinkIcon->minimumWidth() + FPauseButton->width() + FResumeButton->width() +
                      FElapsedTime->minimumWidth() + 3 * time->spacing();
    const QMargins margins = strip->contentsMargins();
    const int width = text + clock + strip->spacing() + margins.left() + margins.right() + 2 * FStateInfo->frameWidth();
    const QSize board = FGame->GetBoardSize(SQUARE_SMALL);
    return QSize(std::max(width, board.width()), FStateInfo->height() + board.height());
}

void TMainForm::CreateHistoryPanel()
{
    FHistoryPanel = new QWidget(FClientPanel);
    FHistoryPanel->setObjectName("HistoryPanel");
    FHistoryPanel->setFixedWidth(262);
    auto* layout = new QVBoxLayout(FHistoryPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QFrame* times = TiledPanel(FHistoryPanel, 37);
    times->setObjectName("HistoryTime");
    times->setFont(StripFont());
    auto* row = new QHBoxLayout(times);
    row->setContentsMargins(4, 2, 4, 2);
    FTime1 = new QLabel(QStringLiteral("0:00:00"), times);
    FTime1->setObjectName("Time1");
    FTime1->setAccessibleName(tr("Red's clock"));
    FTime1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FTime2 = new QLabel(QStringLiteral("0:00:00"), times);
    FTime2->setObjectName("Time2");
    FTime2->setAccessibleName(tr("White's clock"));
    FTime2->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* dash = new QLabel(QStringLiteral("\u2013"), times);
    dash->setAlignment(Qt::AlignCenter);
    row->addWidget(FTime1, 1);
    row->addWidget(dash);
    row->addWidget(FTime2, 1);
    layout->addWidget(times);

    FHistoryList = new QTreeWidget(FHistoryPanel);
    FHistoryList->setObjectName("History");
    FHistoryList->setAccessibleName(tr("Moves"));
    FHistoryList->setRootIsDecorated(false);
    FHistoryList->setColumnCount(3);
    FHistoryList->setHeaderLabels({tr("Turn"), tr("Red"), tr("White")});
    FHistoryList->header()->setSectionsClickable(false);
    // A double-click or Enter on a move shows the position after it.
    connect(FHistoryList, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* Item, int Column) { ShowPositionAfter(Item, Column); });
    FHistoryList->header()->setStretchLastSection(true);
    FHistoryList->setColumnWidth(0, 42);
    FHistoryList->setColumnWidth(1, 100);
    FHistoryList->setSelectionBehavior(QAbstractItemView::SelectRows);
    FHistoryList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FHistoryList->setWordWrap(true);
    FHistoryList->setItemDelegate(new TMoveTextDelegate(FHistoryList));
    // The last column's width follows the vertical scroll bar: its rows may wrap differently.
    connect(
        FHistoryList->header(), &QHeaderView::sectionResized, FHistoryList, [this] { FHistoryList->doItemsLayout(); },
        Qt::QueuedConnection);
    FHistoryList->setFrameShape(QFrame::NoFrame);
    QFont bold = FHistoryList->font();
    bold.setBold(true);
    FHistoryList->header()->setFont(bold);
    FHistoryList->setContextMenuPolicy(Qt::ActionsContextMenu);
    FHistoryList->addAction(Action(TActionId::HistoryMoveToBlack));
    FHistoryList->addAction(Action(TActionId::HistoryMoveToWhite));
    auto* separator = new QAction(FHistoryList);
    separator->setSeparator(true);
    FHistoryList->addAction(separator);
    FHistoryList->addAction(Action(TActionId::HistoryCopy));
    FHistoryList->addAction(Action(TActionId::HistoryCopyPdn));
    layout->addWidget(FHistoryList, 1);
    // Shown once the game has been analysed.
    FEvalGraph = new TEvalGraph(FHistoryPanel);
    FEvalGraph->hide();
    FEvalGraph->OnPick = [this](int32_t Records) { FGame->ShowPosition(Records); };
    layout->addWidget(FEvalGraph);
    // Hidden unless asked for: the move list keeps its room in the window as it was.
    FEngineOutput = new TEngineOutput(FHistoryPanel);
    FEngineOutput->hide();
    FEngineOutput->OnPlayLine = [this](int32_t Move) { FGame->PlayMove(Move); };
    layout->addWidget(FEngineOutput);
}

void TMainForm::CreateSetupBar()
{
    FBoardSetupBar = new QToolBar(tr("Pieces"), FClientPanel);
    FBoardSetupBar->setObjectName("BoardSetupBar");
    FBoardSetupBar->setOrientation(Qt::Vertical);
    FBoardSetupBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    FBoardSetupBar->setIconSize(QSize(32, 32));
    FBoardSetupBar->setFixedWidth(150);
    QFont paletteFont = QApplication::font();
    paletteFont.setPointSizeF(7.5);
    FBoardSetupBar->setFont(paletteFont);
    auto button = [this](const std::string& Name, const QString& Caption, int Image, bool Checkable) {
        auto* b = new QToolButton(FBoardSetupBar);
        b->setObjectName(QString::fromStdString(Name));
        b->setText(Caption);
        b->setIcon(QIcon(QStringLiteral(":/palette/%1.png").arg(Image)));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setFixedSize(140, 46);
        b->setFont(FBoardSetupBar->font());
        b->setCheckable(Checkable);
        b->setAutoRaise(true);
        FBoardSetupBar->addWidget(b);
        FPaletteButtons[Name] = b;
        return b;
    };
    connect(button("btnClearBoard", tr("Clear Board"), 6, false), &QToolButton::clicked, this,
            [this] { ClearSetupBoard(); });
    FBoardSetupBar->addSeparator();
    // The piece buttons form a group in which at most one is down; all may be up.
    const std::vector<std::string> pieces = {"btnBlackSimple", "btnBlackKing", "btnWhiteSimple", "btnWhiteKing"};
    const QString captions[] = {tr("Red Simple Piece"), tr("Red King Piece"), tr("White Simple Piece"),
                                tr("White King Piece")};
    for (int i = 0; i < 4; ++i) {
        QToolButton* b = button(pieces[i], captions[i], i, true);
        connect(b, &QToolButton::toggled, this, [this, pieces, i](bool Down) {
            if (!Down)
                return;
            for (int j = 0; j < 4; ++j)
                if (j != i)
                    FPaletteButtons[pieces[j]]->setChecked(false);
        });
    }
    FBoardSetupBar->addSeparator();
    // Of the two turn buttons exactly one is down.
    QToolButton* black = button("btnBlackTurn", tr("Red Plays First"), 4, true);
    QToolButton* white = button("btnWhiteTurn", tr("White Plays First"), 5, true);
    black->setAutoExclusive(true);
    white->setAutoExclusive(true);
    black->setChecked(true);
    FBoardSetupBar->hide();
}

QToolButton* TMainForm::PaletteButton(const std::string& Name) const
{
    const auto it = FPaletteButtons.find(Name);
    return it == FPaletteButtons.end() ? nullptr : it->second;
}

void TMainForm::PlaceFullScreenStatus()
{
    // The turn picture and the status stand beside the board, never on it: in a column at the
    // left when the screen is wide enough for the board to keep its size there, else in a band
    // above it, the board giving up the room.
    if (!FFullScreen) {
        FGame->SetReservedMargins(QMargins());
        return;
    }
    constexpr int gap = 8;
    const QSize area = FGame->size();
    // About sixteen characters a line in the column; a longer status wraps.
    const int column =
        std::max(FTurnIcon->width(), 16 * QFontMetrics(FFullScreenStatus->font()).averageCharWidth() + 2 * gap);
    const QMargins side(column + 2 * gap, 0, 0, 0);
    FFullScreenStatus->setWordWrap(false);
    const QSize line = FFullScreenStatus->sizeHint();
    const QMargins top(0, std::max(FTurnIcon->height(), line.height()) + gap, 0, 0);
    const auto squareSize = [&](const QMargins& Reserved) {
        return FGame->CalcSquareSize(area.width() - Reserved.left(), area.height() - Reserved.top());
    };
    FTurnIcon->move(0, 0);
    if (squareSize(side) >= squareSize(top)) {
        FGame->SetReservedMargins(side);
        // As wide as the room beside the board allows.
        const int width = std::max(column, FGame->BoardRect().left() - 2 * gap);
        FFullScreenStatus->setWordWrap(true);
        FFullScreenStatus->setGeometry(gap, FTurnIcon->height() + gap, width, FFullScreenStatus->heightForWidth(width));
    } else {
        FFullScreenStatus->setGeometry(FTurnIcon->width() + gap, (FTurnIcon->height() - line.height()) / 2,
                                       line.width(), line.height());
        FGame->SetReservedMargins(top);
    }
}

void TMainForm::UpdateActions()
{
    using enum TActionId;
    TCheckers& game = *FGame;
    auto enable = [this](TActionId Id, bool On) { Action(Id)->setEnabled(On); };
    auto check = [this](TActionId Id, bool On) {
        QAction* a = Action(Id);
        if (a->isChecked() != On)
            a->setChecked(On);
    };
    const bool play = game.BoardMode() == gbmPlay;
    enable(GameSetupBoard, play);
    enable(ControlPause, game.Playing());
    enable(ControlResume, play && game.Paused() && !game.IsGameOver());
    check(ControlAutoCompleteSelection, game.HasSelectionOption(soAutoComplete));
    check(ControlAutoPlaySelection, game.HasSelectionOption(soAutoPlayComplete));
    check(ControlListPositionMoves, game.ShowHint());
    enable(ComputerSuggest, game.Playing() && !game.IsComputerTurn());
    enable(ComputerPlayNow, game.Thinking());
    const uint8_t computer = game.ComputerPlayer();
    check(ComputerPlaysNone, computer == 0);
    check(ComputerPlaysBlack, computer == 2);
    check(ComputerPlaysWhite, computer == 1);
    check(ComputerPlaysBoth, computer == 3);
    const int depth = game.Expert() ? 0 : game.SearchDepth();
    check(LevelEasy, depth == LEVEL_EASY);
    check(LevelMedium, depth == LEVEL_MEDIUM);
    check(LevelDifficult, depth == LEVEL_DIFFICULT);
    check(LevelExpert, game.Expert());
    check(LevelOpeningBook, game.UseOpeningBook());
    check(LevelCustom, !game.Expert() && depth != LEVEL_EASY && depth != LEVEL_MEDIUM && depth != LEVEL_DIFFICULT);
    enable(HistoryFirst, game.CanUndo());
    enable(HistoryBackward, game.CanUndo());
    enable(HistoryFoward, game.CanRedo());
    enable(HistoryLast, game.CanRedo());
    enable(HistoryTakeBack, game.CanTakeBack());
    enable(HistoryAnalyzeGame, game.History().Count() > 0 && game.BoardMode() == gbmPlay);
    enable(HistoryNextMistake, !FEvalGraph->isHidden() && game.CanRedo());
    check(ComputerAnalyze, game.Session().Analyzing());
    enable(ComputerStopMatch, FMatch && FMatch->Running);
    enable(ComputerResumeMatch, FMatch && !FMatch->Running && FMatch->Played < FMatch->Settings.Games);
    check(ViewEngineOutput, !FEngineOutput->isHidden());
    check(GameDeclareDraws, game.DeclareDraws());
    check(ViewHighlightLastMove, game.HighlightLastMove());
    check(HistoryShow, FShowHistory);
    enable(HistoryShow, FBoardSetupBar->isHidden());
    const int row = FHistoryList->currentItem() ? FHistoryList->indexOfTopLevelItem(FHistoryList->currentItem()) : -1;
    enable(HistoryMoveToBlack, game.HasMove(2, row + 1));
    enable(HistoryMoveToWhite, game.HasMove(1, row + 1));
    enable(HistoryCopy, FHistoryList->topLevelItemCount() > 0);
    enable(HistoryAddComment, play);
    enable(GameInformation, play);
    UpdateModifiedMark();
    check(ViewToolbar, !FToolbar->isHidden());
    check(ViewCoordinates, game.CoordinatesDisplay() != slNone);
    check(ViewSelectablePositions, game.MarkSelectableSquares());
    check(ViewInvertSquares, game.InvertSquares());
    check(ViewAnimationMoves, game.AnimateMoves());
    check(BoardSizeSmall, game.SquareSize() == SQUARE_SMALL);
    check(BoardSizeMedium, game.SquareSize() == SQUARE_MEDIUM);
    check(BoardSizeLarge, game.SquareSize() == SQUARE_LARGE);
    check(Rotate000, FBoardAngle == 0);
    check(Rotate090, FBoardAngle == 90);
    check(Rotate180, FBoardAngle == 180);
    check(Rotate270, FBoardAngle == 270);
    // A suggestion waits out a pause: the game refuses moves until it resumes.
    if (auto* play = FSuggestionCommands->findChild<QPushButton*>())
        play->setEnabled(game.CanPlayMoves());
    // The strip's pause and resume buttons stand in the same place; one shows at a time.
    FPauseButton->setVisible(Action(ControlPause)->isEnabled());
    FResumeButton->setVisible(Action(ControlResume)->isEnabled());
}

}  // namespace velk
