#include "Dialogs.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "Handbook.h"
#include "Version.h"
#include "control/JpegDecoder.h"
#include "engine/EndgameBuilder.h"
#include "engine/ExpertSearch.h"
#include "platform/MemoryStatus.h"

namespace velk {

namespace {

TDialogAnswerer& Answerer()
{
    static TDialogAnswerer answerer;
    return answerer;
}

TFileNameAnswerer& FileNameAnswerer()
{
    static TFileNameAnswerer answerer;
    return answerer;
}

// Opening takes either kind of game; saving writes the kind whose filter is chosen (or whose
// ending the name has).
constexpr const char* OPEN_FILTER = "Games (*.ckr *.pdn);;Checkers Game (*.ckr);;PDN games (*.pdn);;All Files (*)";
constexpr const char* SAVE_FILTER = "Checkers Game (*.ckr);;PDN game (*.pdn)";

TMessageSink& MessageSink()
{
    static TMessageSink sink;
    return sink;
}

QPointer<QWidget>& MessageOwner()
{
    static QPointer<QWidget> owner;
    return owner;
}

QLabel* Icon(const QString& Resource, int Size)
{
    auto* label = new QLabel;
    label->setPixmap(QIcon(Resource).pixmap(Size, Size));
    label->setFixedSize(Size, Size);
    label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    return label;
}

QLabel* Text(const QString& Text, bool Wrap = true)
{
    auto* label = new QLabel(Text);
    label->setWordWrap(Wrap);
    return label;
}

QFrame* Bevel()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// A button that ends the dialog with a given modal result.
QPushButton* Button(QDialog* Dialog, const QString& Caption, int Result, bool Default = false)
{
    auto* button = new QPushButton(Caption);
    button->setMinimumWidth(75);
    button->setDefault(Default);
    button->setAutoDefault(Default);
    QObject::connect(button, &QPushButton::clicked, Dialog, [Dialog, Result] { Dialog->done(Result); });
    return button;
}

QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> Buttons)
{
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* b : Buttons)
        row->addWidget(b);
    return row;
}

void Prepare(QDialog* Dialog, const QString& Caption)
{
    Dialog->setWindowTitle(Caption);
    // A screen reader names the dialog by this rather than by the window's title alone.
    Dialog->setAccessibleName(Caption);
    // Only the close button: a dialog of fixed size has nothing to minimise or maximise, and its
    // title gets the room.
    Dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    Dialog->setModal(true);
}

}  // namespace

void SetDialogAnswerer(TDialogAnswerer Answerer_) { Answerer() = std::move(Answerer_); }

namespace {

int TitleBarWidth(const QString& Title)
{
    // The window manager's font is not known here: the title font, bold and a quarter wider, and
    // room for the window's icon and up to three buttons.
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(Title) * 5 / 4 + 6 * metrics.height();
}

}  // namespace

void FitDialog(QDialog& Dialog)
{
    QLayout& layout = *Dialog.layout();
    const int title = TitleBarWidth(Dialog.windowTitle());
    if (Dialog.minimumWidth() != Dialog.maximumWidth()) {
        layout.setSizeConstraint(QLayout::SetFixedSize);
        layout.activate();
        if (Dialog.minimumWidth() >= title)
            return;
        // Too narrow for its title: as wide as the title needs, the content taking the room.
        layout.setSizeConstraint(QLayout::SetDefaultConstraint);
        Dialog.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    const int width = std::max(Dialog.minimumWidth(), title);
    const int height = layout.hasHeightForWidth() ? layout.totalHeightForWidth(width) : layout.totalSizeHint().height();
    Dialog.setFixedSize(width, std::min(height, Dialog.maximumHeight()));
}

int ExecDialog(QDialog& Dialog)
{
    FitDialog(Dialog);
    if (Answerer())
        return Answerer()(Dialog);
    return Dialog.exec();
}

void SetFileNameAnswerer(TFileNameAnswerer Answerer_) { FileNameAnswerer() = std::move(Answerer_); }

namespace {
QString ChooseFileName(QWidget* Parent, bool Save, const QString& Proposed)
{
    if (FileNameAnswerer())
        return FileNameAnswerer()(Save, Proposed);
    QFileDialog dialog(Parent, Save ? QObject::tr("Save Game As") : QObject::tr("Load Game"), Proposed,
                       QObject::tr(Save ? SAVE_FILTER : OPEN_FILTER));
    dialog.setAcceptMode(Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (!Save) {
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.selectFile(Proposed);
        if (Proposed.endsWith(".pdn", Qt::CaseInsensitive))
            dialog.selectNameFilter(QObject::tr("PDN game (*.pdn)"));
        // The ending follows the filter chosen, unless the name already has one.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& Filter) {
            dialog.setDefaultSuffix(Filter.contains("*.pdn") ? "pdn" : "ckr");
        });
    }
    dialog.setDefaultSuffix(Proposed.endsWith(".pdn", Qt::CaseInsensitive) ? "pdn" : "ckr");
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().front()
                                                                                   : QString();
}
}  // namespace

QString ChooseOpenFileName(QWidget* Parent, const QString& Folder) { return ChooseFileName(Parent, false, Folder); }

QString ChooseSaveFileName(QWidget* Parent, const QString& Proposed) { return ChooseFileName(Parent, true, Proposed); }

void SetMessageSink(TMessageSink Sink) { MessageSink() = std::move(Sink); }

void SetMessageOwner(QWidget* Owner) { MessageOwner() = Owner; }

std::unique_ptr<QMessageBox> ErrorMessageBox(const QString& Text, bool Error)
{
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr)
        owner = QApplication::activeWindow();
    if (owner == nullptr)
        owner = MessageOwner();
    auto box = std::make_unique<QMessageBox>(Error ? QMessageBox::Critical : QMessageBox::Information,
                                             QStringLiteral(VELK_PRODUCT_NAME), Text, QMessageBox::Ok, owner);
    return box;
}

void ShowErrorMessage(const QString& Text)
{
    if (MessageSink()) {
        MessageSink()(Text);
        return;
    }
    ErrorMessageBox(Text)->exec();
}

void ShowInformation(const QString& Text)
{
    if (MessageSink()) {
        MessageSink()(Text);
        return;
    }
    ErrorMessageBox(Text, false)->exec();
}

// ---------------------------------------------------------------------------------------------

namespace {
// The computer's picture, a question, one labelled value and OK and Cancel: the custom level's
// and the Expert move time's dialogs.
void LayOutComputerQuestion(QDialog* Dialog, const QString& Question, const QString& Label, QWidget* Value)
{
    auto* label = new QLabel(Label);
    label->setBuddy(Value);
    auto* grid = new QGridLayout;
    grid->addWidget(Icon(":/dialogs/computer.svg", 32), 0, 0, 2, 1);
    grid->addWidget(Text(Question), 0, 1, 1, 2);
    grid->addWidget(label, 1, 1);
    grid->addWidget(Value, 1, 2);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(Dialog);
    layout->addLayout(grid);
    layout->addWidget(Bevel());
    layout->addLayout(
        ButtonRow({Button(Dialog, QObject::tr("OK"), mrOk, true), Button(Dialog, QObject::tr("Cancel"), mrCancel)}));
    Dialog->setMinimumWidth(264);
}
}  // namespace

TSearchDepthDialog::TSearchDepthDialog(QWidget* Parent) : QDialog(Parent)
{
    Prepare(this, tr("Custom Skill Level"));
    setObjectName("SearchDepthDialog");
    SearchDepth = new QSpinBox;
    SearchDepth->setObjectName("SearchDepth");
    SearchDepth->setRange(1, 64);
    LayOutComputerQuestion(this, tr("Please specify how deep the application looks for the best move."),
                           tr("Search Depth:"), SearchDepth);
}

bool TSearchDepthDialog::Execute(QWidget* Parent, int& Depth)
{
    TSearchDepthDialog dialog(Parent);
    dialog.SearchDepth->setMaximum(64);
    dialog.SearchDepth->setValue(Depth);
    if (ExecDialog(dialog) != mrOk)
        return false;
    Depth = dialog.SearchDepth->value();
    return true;
}

// ---------------------------------------------------------------------------------------------

TExpertMoveTimeDialog::TExpertMoveTimeDialog(QWidget* Parent) : QDialog(Parent)
{
    Prepare(this, tr("Expert Move Time"));
    setObjectName("ExpertMoveTimeDialog");
    Seconds = new QDoubleSpinBox;
    Seconds->setObjectName("Seconds");
    Seconds->setRange(EXPERT_MIN_MOVE_TIME_MS / 1000.0, EXPERT_MAX_MOVE_TIME_MS / 1000.0);
    Seconds->setDecimals(1);
    Seconds->setSingleStep(0.1);
    Seconds->setSuffix(tr(" s"));
    LayOutComputerQuestion(this, tr("Please specify how long the Expert level thinks about each move."),
                           tr("Time per Move:"), Seconds);
}

bool TExpertMoveTimeDialog::Execute(QWidget* Parent, int& Milliseconds)
{
    TExpertMoveTimeDialog dialog(Parent);
    dialog.Seconds->setValue(Milliseconds / 1000.0);
    if (ExecDialog(dialog) != mrOk)
        return false;
    Milliseconds = static_cast<int>(std::lround(dialog.Seconds->value() * 1000.0));
    return true;
}

TAnalysisTimeDialog::TAnalysisTimeDialog(QWidget* Parent) : QDialog(Parent)
{
    Prepare(this, tr("Analyze Game"));
    setObjectName("AnalysisTimeDialog");
    Seconds = new QDoubleSpinBox;
    Seconds->setObjectName("Seconds");
    Seconds->setRange(0.1, 60.0);
    Seconds->setDecimals(1);
    Seconds->setSingleStep(0.1);
    Seconds->setSuffix(tr(" s"));
    LayOutComputerQuestion(this, tr("Please specify how long the engine thinks about each move of the game."),
                           tr("Time per Move:"), Seconds);
}

bool TAnalysisTimeDialog::Execute(QWidget* Parent, double& Seconds)
{
    TAnalysisTimeDialog dialog(Parent);
    dialog.Seconds->setValue(Seconds);
    if (ExecDialog(dialog) != mrOk)
        return false;
    Seconds = dialog.Seconds->value();
    return true;
}

TAnalysisProgressDialog::TAnalysisProgressDialog(QWidget* Parent, const TBackgroundProgress& Progress)
    : QDialog(Parent), FProgressOf(Progress)
{
    Prepare(this, tr("Analyze Game"));
    setObjectName("AnalysisProgressDialog");
    FBar = new QProgressBar;
    FBar->setObjectName("Progress");
    FBar->setRange(0, 0);
    auto* grid = new QGridLayout;
    grid->addWidget(Icon(":/dialogs/computer.svg", 32), 0, 0, 2, 1);
    grid->addWidget(Text(tr("The engine is going over every move of the game. The game changes only when it "
                            "is done.")),
                    0, 1);
    grid->addWidget(FBar, 1, 1);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(Bevel());
    layout->addLayout(ButtonRow({Button(this, tr("Cancel"), mrCancel, true)}));
    setFixedWidth(380);
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { Refresh(); });
    timer->start(100);
}

void TAnalysisProgressDialog::Refresh()
{
    if (const int total = FProgressOf.Total.load(); total > 0) {
        FBar->setRange(0, total);
        FBar->setValue(FProgressOf.Done.load());
    }
    if (FProgressOf.Finished.load() && isVisible())
        done(mrOk);
}

TBallotDialog::TBallotDialog(QWidget* Parent, const std::vector<TRow>& Ballots) : QDialog(Parent)
{
    Prepare(this, tr("New Ballot Game"));
    setObjectName("BallotDialog");
    Filter = new QLineEdit;
    Filter->setObjectName("Filter");
    Filter->setPlaceholderText(tr("Type to find a ballot by its number, moves or name"));
    Filter->setAccessibleName(tr("Find a ballot"));
    auto* decks = new QHBoxLayout;
    decks->addWidget(new QLabel(tr("Draw from:")));
    const QString captions[] = {tr("Crossboard"), tr("Mail-play"), tr("Barred")};
    for (size_t i = 0; i < std::size(DECKS); ++i) {
        Decks[i] = new QCheckBox(captions[i]);
        Decks[i]->setObjectName(DECKS[i]);
        Decks[i]->setChecked(i == 0);
        connect(Decks[i], &QCheckBox::toggled, this, [this] { ApplyFilter(); });
        decks->addWidget(Decks[i]);
    }
    decks->addStretch();
    List = new QTreeWidget;
    List->setObjectName("Ballots");
    List->setAccessibleName(tr("Ballots"));
    List->setRootIsDecorated(false);
    List->setUniformRowHeights(true);
    List->setAllColumnsShowFocus(true);
    List->setHeaderLabels({tr("No."), tr("Moves"), tr("Name")});
    for (const TRow& row : Ballots) {
        auto* item = new QTreeWidgetItem(List, {QString::number(row.Number), row.Moves, row.Name});
        item->setData(0, Qt::UserRole, row.Number);
        item->setData(1, Qt::UserRole, row.Deck);
    }
    List->setColumnWidth(0, 50);
    List->setColumnWidth(1, 150);
    Rematch = new QCheckBox(tr("When a game ends, play the same ballot again with colours reversed"));
    Rematch->setObjectName("Rematch");
    connect(Filter, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
    connect(List, &QTreeWidget::itemActivated, this, [this] { done(mrOk); });
    auto* random = new QPushButton(tr("Random"));
    random->setObjectName("Random");
    random->setMinimumWidth(75);
    connect(random, &QPushButton::clicked, this, [this] { DrawRandom(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Filter);
    layout->addLayout(decks);
    layout->addWidget(List, 1);
    layout->addWidget(Rematch);
    layout->addWidget(Bevel());
    auto* buttons = ButtonRow({Button(this, tr("OK"), mrOk, true), Button(this, tr("Cancel"), mrCancel)});
    buttons->insertWidget(0, random);
    layout->addLayout(buttons);
    resize(520, 460);
    ApplyFilter();
}

void TBallotDialog::ApplyFilter()
{
    const QString text = Filter->text().trimmed();
    QTreeWidgetItem* first = nullptr;
    for (int i = 0; i < List->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = List->topLevelItem(i);
        bool deck = false;
        for (size_t d = 0; d < std::size(DECKS); ++d)
            deck = deck || (Decks[d]->isChecked() && item->data(1, Qt::UserRole).toString() == DECKS[d]);
        const bool shown = deck && (text.isEmpty() || item->text(0) == text ||
                                    item->text(1).contains(text, Qt::CaseInsensitive) ||
                                    item->text(2).contains(text, Qt::CaseInsensitive));
        item->setHidden(!shown);
        if (shown && first == nullptr)
            first = item;
    }
    // A number typed names its ballot; else the ballot chosen stays chosen while it is shown,
    // or the first one shown is.
    bool isNumber = false;
    const int number = text.toInt(&isNumber);
    for (int i = 0; isNumber && i < List->topLevelItemCount(); ++i)
        if (QTreeWidgetItem* item = List->topLevelItem(i); !item->isHidden() && item->data(0, Qt::UserRole) == number) {
            List->setCurrentItem(item);
            return;
        }
    if (List->currentItem() == nullptr || List->currentItem()->isHidden())
        List->setCurrentItem(first);
}

void TBallotDialog::DrawRandom()
{
    std::vector<QTreeWidgetItem*> shown;
    for (int i = 0; i < List->topLevelItemCount(); ++i)
        if (!List->topLevelItem(i)->isHidden())
            shown.push_back(List->topLevelItem(i));
    if (shown.empty())
        return;
    List->setCurrentItem(shown[QRandomGenerator::global()->bounded(static_cast<quint32>(shown.size()))]);
    done(mrOk);
}

int TBallotDialog::Chosen() const
{
    const QTreeWidgetItem* item = List->currentItem();
    return item != nullptr && !item->isHidden() ? item->data(0, Qt::UserRole).toInt() : 0;
}

int TBallotDialog::Execute(QWidget* Parent, const std::vector<TRow>& Ballots, bool& Rematch)
{
    TBallotDialog dialog(Parent, Ballots);
    dialog.Rematch->setChecked(Rematch);
    if (ExecDialog(dialog) != mrOk)
        return 0;
    Rematch = dialog.Rematch->isChecked();
    return dialog.Chosen();
}

TMatchDialog::TMatchDialog(QWidget* Parent) : QDialog(Parent)
{
    Prepare(this, tr("Match"));
    setObjectName("MatchDialog");
    auto* grid = new QGridLayout;
    grid->addWidget(Icon(":/dialogs/computer.svg", 32), 0, 0, 5, 1);
    grid->addWidget(Text(tr("The computer plays both sides, each at its own level, from three-move ballots drawn "
                            "from the crossboard deck, each ballot once with each colour. The games are "
                            "appended to the PDN file; the clock is the one Game → Time Control sets.")),
                    0, 1, 1, 3);
    const QString names[] = {tr("First player:"), tr("Second player:")};
    for (int side = 0; side < 2; ++side) {
        Levels[side] = new QComboBox;
        Levels[side]->setObjectName(side == 0 ? "LevelA" : "LevelB");
        Levels[side]->setAccessibleName(side == 0 ? tr("First player's level") : tr("Second player's level"));
        Levels[side]->addItems({tr("Easy"), tr("Medium"), tr("Difficult"), tr("Expert")});
        Seconds[side] = new QDoubleSpinBox;
        Seconds[side]->setObjectName(side == 0 ? "SecondsA" : "SecondsB");
        Seconds[side]->setAccessibleName(side == 0 ? tr("First player's time a move")
                                                   : tr("Second player's time a move"));
        Seconds[side]->setRange(EXPERT_MIN_MOVE_TIME_MS / 1000.0, EXPERT_MAX_MOVE_TIME_MS / 1000.0);
        Seconds[side]->setDecimals(1);
        Seconds[side]->setSingleStep(0.1);
        Seconds[side]->setSuffix(tr(" s a move"));
        connect(Levels[side], &QComboBox::currentIndexChanged, this,
                [this, side](int Index) { Seconds[side]->setEnabled(LEVEL_DEPTHS[Index] == 0); });
        grid->addWidget(new QLabel(names[side]), 1 + side, 1);
        grid->addWidget(Levels[side], 1 + side, 2);
        grid->addWidget(Seconds[side], 1 + side, 3);
    }
    Games = new QSpinBox;
    Games->setObjectName("Games");
    Games->setAccessibleName(tr("Games"));
    Games->setRange(2, 1000);
    Games->setSingleStep(2);
    grid->addWidget(new QLabel(tr("Games:")), 3, 1);
    grid->addWidget(Games, 3, 2);
    PdnFile = new QLineEdit;
    PdnFile->setObjectName("PdnFile");
    PdnFile->setAccessibleName(tr("PDN file"));
    auto* browse = new QPushButton(tr("Browse..."));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString name = ChooseSaveFileName(this, PdnFile->text());
        if (!name.isEmpty())
            PdnFile->setText(name);
    });
    grid->addWidget(new QLabel(tr("PDN file:")), 4, 1);
    grid->addWidget(PdnFile, 4, 2);
    grid->addWidget(browse, 4, 3);
    grid->setColumnStretch(2, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(Bevel());
    layout->addLayout(ButtonRow({Button(this, tr("Start"), mrOk, true), Button(this, tr("Cancel"), mrCancel)}));
    setMinimumWidth(460);
}

void TMatchDialog::Load(const TSettings& Settings)
{
    for (int side = 0; side < 2; ++side) {
        const int* found = std::find(std::begin(LEVEL_DEPTHS), std::end(LEVEL_DEPTHS), Settings.Sides[side].Depth);
        Levels[side]->setCurrentIndex(found == std::end(LEVEL_DEPTHS) ? 3 : static_cast<int>(found - LEVEL_DEPTHS));
        Seconds[side]->setValue(Settings.Sides[side].Seconds);
        Seconds[side]->setEnabled(LEVEL_DEPTHS[Levels[side]->currentIndex()] == 0);
    }
    Games->setValue(Settings.Games);
    PdnFile->setText(Settings.PdnFile);
}

TMatchDialog::TSettings TMatchDialog::Read() const
{
    TSettings settings;
    for (int side = 0; side < 2; ++side)
        settings.Sides[side] = {LEVEL_DEPTHS[Levels[side]->currentIndex()], Seconds[side]->value()};
    settings.Games = Games->value() + Games->value() % 2;
    settings.PdnFile = PdnFile->text().trimmed();
    return settings;
}

bool TMatchDialog::Execute(QWidget* Parent, TSettings& Settings)
{
    TMatchDialog dialog(Parent);
    dialog.Load(Settings);
    if (ExecDialog(dialog) != mrOk)
        return false;
    Settings = dialog.Read();
    return true;
}

TTimeControlDialog::TTimeControlDialog(QWidget* Parent) : QDialog(Parent)
{
    Prepare(this, tr("Time Control"));
    setObjectName("TimeControlDialog");
    None = new QRadioButton(tr("None: the clocks count the time each side takes"));
    None->setObjectName("None");
    Clock = new QRadioButton(tr("Each side has"));
    Clock->setObjectName("Clock");
    Minutes = new QSpinBox;
    Minutes->setObjectName("Minutes");
    Minutes->setAccessibleName(tr("Minutes for each side"));
    Minutes->setRange(1, 600);
    Minutes->setSuffix(tr(" minutes"));
    Seconds = new QSpinBox;
    Seconds->setObjectName("Seconds");
    Seconds->setRange(0, 600);
    Seconds->setPrefix(tr("+ "));
    Seconds->setAccessibleName(tr("Seconds added for each move"));
    Seconds->setSuffix(tr(" seconds a move"));
    auto* row = new QHBoxLayout;
    row->addWidget(Clock);
    row->addWidget(Minutes);
    row->addWidget(Seconds);
    row->addStretch();
    auto enable = [this] {
        Minutes->setEnabled(Clock->isChecked());
        Seconds->setEnabled(Clock->isChecked());
    };
    connect(Clock, &QRadioButton::toggled, this, enable);
    auto* grid = new QGridLayout;
    grid->addWidget(Icon(":/dialogs/computer.svg", 32), 0, 0, 3, 1);
    grid->addWidget(Text(tr("A side whose time runs out loses the game. The Expert level plans its moves by its "
                            "clock; the other levels think as they do.")),
                    0, 1);
    grid->addWidget(None, 1, 1);
    grid->addLayout(row, 2, 1);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(Bevel());
    layout->addLayout(ButtonRow({Button(this, tr("OK"), mrOk, true), Button(this, tr("Cancel"), mrCancel)}));
    None->setChecked(true);
    enable();
}

bool TTimeControlDialog::Execute(QWidget* Parent, int& Minutes, int& Seconds)
{
    TTimeControlDialog dialog(Parent);
    (Minutes > 0 ? dialog.Clock : dialog.None)->setChecked(true);
    dialog.Minutes->setValue(Minutes > 0 ? Minutes : 5);
    dialog.Seconds->setValue(Minutes > 0 ? Seconds : 3);
    if (ExecDialog(dialog) != mrOk)
        return false;
    Minutes = dialog.Clock->isChecked() ? dialog.Minutes->value() : 0;
    Seconds = dialog.Clock->isChecked() ? dialog.Seconds->value() : 0;
    return true;
}

TEndgameDbDialog::TEndgameDbDialog(QWidget* Parent, const TEndgameBuilder& Builder) : QDialog(Parent), FBuilder(Builder)
{
    Prepare(this, tr("Endgame Database"));
    setObjectName("EndgameDbDialog");
    FStatus = Text(QString());
    FStatus->setObjectName("Status");
    FStatus->setAccessibleName(tr("Database status"));
    FProgress = new QProgressBar;
    FProgress->setObjectName("Progress");
    FProgress->setAccessibleName(tr("Building progress"));
    FProgress->setRange(0, 1000);
    auto* grid = new QGridLayout;
    grid->addWidget(Icon(":/dialogs/computer.svg", 32), 0, 0, 3, 1);
    grid->addWidget(Text(tr("The endgame database knows the result of every position with up to %1 pieces. It is "
                            "built in the background, up to %2 pieces first, and kept in %3. The Expert level "
                            "plays with each part as soon as it is complete.")
                             .arg(Builder.Pieces())
                             .arg(Builder.FirstPieces())
                             .arg(QString::fromStdString(Builder.Folder()))),
                    0, 1);
    grid->addWidget(FProgress, 1, 1);
    grid->addWidget(FStatus, 2, 1);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(Bevel());
    layout->addLayout(ButtonRow({Button(this, tr("Close"), mrOk, true)}));
    setFixedWidth(380);
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] { Refresh(); });
    timer->start(250);
    Refresh();
}

void TEndgameDbDialog::Refresh()
{
    const std::string error = FBuilder.Error();
    FProgress->setValue(static_cast<int>(FBuilder.Progress() * 1000));
    if (FBuilder.Complete())
        FStatus->setText(tr("The database is complete."));
    else if (!error.empty())
        FStatus->setText(tr("The database could not be built: %1").arg(QString::fromStdString(error)));
    else if (FBuilder.Running() && FBuilder.Building() < FBuilder.Pieces())
        FStatus->setText(tr("Building up to %1 pieces first: %2 % done.")
                             .arg(FBuilder.Building())
                             .arg(FBuilder.Progress() * 100, 0, 'f', 1));
    else if (FBuilder.Running())
        FStatus->setText(tr("Building: %1 % done.").arg(FBuilder.Progress() * 100, 0, 'f', 1));
    else
        FStatus->setText(tr("Not built yet."));
}

void TEndgameDbDialog::Execute(QWidget* Parent, const TEndgameBuilder& Builder)
{
    TEndgameDbDialog dialog(Parent, Builder);
    ExecDialog(dialog);
}

// ---------------------------------------------------------------------------------------------

TMemoryOptionsDialog::TMemoryOptionsDialog(QWidget* Parent) : QDialog(Parent)
{
    Prepare(this, tr("Memory Options"));
    setObjectName("MemoryOptionsDialog");
    Max = new QSpinBox;
    Max->setObjectName("Max");
    Max->setRange(1, std::max<int>(1, static_cast<int>(TotalPhysicalMemory() >> 20)));
    auto* label = new QLabel(tr("Maximum Amount:"));
    label->setBuddy(Max);

    auto* grid = new QGridLayout;
    grid->addWidget(Icon(":/dialogs/memory.svg", 32), 0, 0, 2, 1);
    grid->addWidget(Text(tr("Here you can set the maximum amount of memory, which the program can use.  By providing "
                            "more memory, the program will find moves of the computer faster.")),
                    0, 1, 1, 3);
    grid->addWidget(label, 1, 1);
    grid->addWidget(Max, 1, 2);
    grid->addWidget(new QLabel(tr("MB")), 1, 3);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(Bevel());
    layout->addLayout(ButtonRow({Button(this, tr("OK"), mrOk, true), Button(this, tr("Cancel"), mrCancel)}));
    setMinimumWidth(273);
}

bool TMemoryOptionsDialog::Execute(QWidget* Parent, int& Megabytes)
{
    TMemoryOptionsDialog dialog(Parent);
    dialog.Max->setValue(Megabytes);
    if (ExecDialog(dialog) != mrOk)
        return false;
    Megabytes = dialog.Max->value();
    return true;
}

// ---------------------------------------------------------------------------------------------

TSaveQueryDialog::TSaveQueryDialog(QWidget* Parent) : QDialog(Parent)
{
    Prepare(this, tr("Game is not saved"));
    setObjectName("SaveQueryDialog");
    auto* top = new QHBoxLayout;
    top->addWidget(Icon(":/dialogs/disk.svg", 32));
    top->addWidget(Text(tr("The current game is not saved. Do you want to save it?")), 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(ButtonRow(
        {Button(this, tr("&Yes"), mrYes, true), Button(this, tr("&No"), mrNo), Button(this, tr("Cancel"), mrCancel)}));
    setMinimumWidth(307);
}

int TSaveQueryDialog::Execute(QWidget* Parent)
{
    TSaveQueryDialog dialog(Parent);
    const int result = ExecDialog(dialog);
    // Escape and the title bar's close button reject the dialog: that is Cancel.
    return result == mrYes || result == mrNo ? result : mrCancel;
}

// ---------------------------------------------------------------------------------------------

TGameFinishDialog::TGameFinishDialog(QWidget* Parent, int Winner, int ComputerPlayer, const QString& DrawReason)
    : QDialog(Parent)
{
    Prepare(this, tr("The game is finished"));
    setObjectName("GameFinishDialog");
    QString text, picture;
    if (Winner != 1 && Winner != 2) {
        text = tr("The game is draw!");
        picture = "draw";
    } else if (ComputerPlayer == 0 || ComputerPlayer == 3) {
        text = Winner == 1 ? tr("White Player Won!") : tr("Red Player Won!");
        picture = "finish";
    } else if (Winner == ComputerPlayer) {
        text = tr("Sorry, you lost!");
        picture = "computer-won";
    } else {
        text = tr("Congratulations, you won!");
        picture = "human-won";
    }
    Picture = Icon(":/results/" + picture + ".svg", 64);
    Picture->setObjectName(picture);
    Description1 = Text(text, false);
    Description1->setObjectName("Description1");
    QFont bold = Description1->font();
    bold.setBold(true);
    Description1->setFont(bold);

    auto* texts = new QVBoxLayout;
    texts->addWidget(Description1);
    if (!DrawReason.isEmpty()) {
        Reason = Text(DrawReason);
        Reason->setObjectName("Reason");
        texts->addWidget(Reason);
    }
    texts->addWidget(Text(tr("Do you want to start a new match?")));
    texts->addStretch();
    auto* top = new QHBoxLayout;
    top->addWidget(Picture);
    top->addLayout(texts, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(ButtonRow({Button(this, tr("&Yes"), mrYes, true), Button(this, tr("&No"), mrNo)}));
    setMinimumWidth(290);
}

bool TGameFinishDialog::Execute(QWidget* Parent, int Winner, int ComputerPlayer, const QString& DrawReason)
{
    TGameFinishDialog dialog(Parent, Winner, ComputerPlayer, DrawReason);
    return ExecDialog(dialog) == mrYes;
}

// ---------------------------------------------------------------------------------------------

TAboutDialog::TAboutDialog(QWidget* Parent) : QDialog(Parent)
{
    Prepare(this, tr("About %1").arg(VELK_PRODUCT_NAME));
    setObjectName("AboutDialog");

    auto* image = new QLabel;
    image->setFixedSize(129, 252);
    image->setFrameShape(QFrame::Panel);
    image->setFrameShadow(QFrame::Plain);
    QFile file(":/about/image.jpg");
    if (file.open(QIODevice::ReadOnly)) {
        try {
            const QImage picture = DecodeJpeg(file.readAll());
            image->setPixmap(QPixmap::fromImage(picture.copy((picture.width() - 129) / 2, 0, 129, 252)));
        } catch (const std::exception&) {
            // The About box still opens without its picture.
        }
    }
    auto* title = new QLabel;
    title->setPixmap(QPixmap(":/about/title.png"));
    title->setFixedSize(336, 124);

    Version = new QLabel(tr("Version %1").arg(VELK_PRODUCT_VERSION));
    Version->setObjectName("Version");
    QFont small = Version->font();
    small.setPointSize(7);
    Version->setFont(small);
    Version->setAlignment(Qt::AlignRight);
    Copyright = Text(QString::fromUtf8(VELK_COPYRIGHT));
    Copyright->setObjectName("Copyright");
    // The link opens the handbook the program carries: there is no page on the web to go to.
    HomePage = new QLabel(QStringLiteral("<a href=\"handbook\">%1</a>").arg(tr("Velk Checkers Handbook")));
    HomePage->setObjectName("HomePage");
    HomePage->setToolTip(tr("The handbook, shown by the program"));
    HomePage->setCursor(Qt::PointingHandCursor);
    HomePage->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    HomePage->setOpenExternalLinks(false);
    connect(HomePage, &QLabel::linkActivated, this, [this] { ShowHandbook(this, QString()); });
    auto* comments = Text(tr("This program is provided \"as is\", without warranty of any kind, express or implied. "
                             "In no event shall the authors be liable for any claim, damages or other liability "
                             "arising from the use of this program."));
    QFont commentFont = comments->font();
    commentFont.setPointSize(std::max(6, commentFont.pointSize() - 1));
    comments->setFont(commentFont);

    auto* right = new QVBoxLayout;
    right->addWidget(title);
    right->addWidget(Version);
    right->addWidget(Copyright);
    right->addWidget(HomePage);
    right->addWidget(Bevel());
    right->addWidget(comments);
    right->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(image, 0, Qt::AlignTop);
    layout->addLayout(right, 1);
    setFixedWidth(510);
    setMaximumHeight(370);
}

void TAboutDialog::Execute(QWidget* Parent)
{
    TAboutDialog dialog(Parent);
    ExecDialog(dialog);
}

void TAboutDialog::keyPressEvent(QKeyEvent* Event)
{
    if (Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter || Event->key() == Qt::Key_Escape)
        accept();
    else
        Event->ignore();
}

void TAboutDialog::mousePressEvent(QMouseEvent* Event)
{
    // A click anywhere but on the link closes the box; the link opens the handbook on release.
    QDialog::mousePressEvent(Event);
    if (!HomePage->geometry().contains(Event->position().toPoint()))
        accept();
}

// ---------------------------------------------------------------------------------------------

// The chooser's rows: the games where they are, and the numbers of those the filter lets
// through. Nothing is copied per game.
class TPdnGameModel : public QAbstractTableModel {
public:
    explicit TPdnGameModel(const std::vector<TPdnGameInfo>& Games) : FGames(Games) { Filter(QString()); }

    int rowCount(const QModelIndex& Parent) const override
    {
        return Parent.isValid() ? 0 : static_cast<int>(FRows.size());
    }
    int columnCount(const QModelIndex& Parent) const override { return Parent.isValid() ? 0 : 6; }

    QVariant data(const QModelIndex& Index, int Role) const override
    {
        if (!Index.isValid() || Role != Qt::DisplayRole)
            return {};
        const TPdnGameInfo& game = Game(Index.row());
        switch (Index.column()) {
        case 0: return game.Number;
        case 1: return QString::fromStdString(game.Event);
        case 2: return QString::fromStdString(game.Black);
        case 3: return QString::fromStdString(game.White);
        case 4: return QString::fromStdString(game.Result);
        default: return game.Moves;
        }
    }

    QVariant headerData(int Section, Qt::Orientation Orientation, int Role) const override
    {
        if (Orientation != Qt::Horizontal || Role != Qt::DisplayRole)
            return {};
        const char* const names[] = {"No.", "Event", "Red", "White", "Result", "Moves"};
        return Section >= 0 && Section < 6 ? QObject::tr(names[Section]) : QVariant();
    }

    const TPdnGameInfo& Game(int Row) const { return FGames[FRows[static_cast<size_t>(Row)]]; }

    // Keeps the games whose number, event, players or result hold Text, letters of the English
    // alphabet in either case. One pass over the tags, a few milliseconds a hundred thousand games.
    void Filter(const QString& Text)
    {
        const std::string needle = Text.toStdString();
        beginResetModel();
        FRows.clear();
        for (size_t i = 0; i < FGames.size(); ++i) {
            const TPdnGameInfo& g = FGames[i];
            if (needle.empty() || Holds(g.Event, needle) || Holds(g.Black, needle) || Holds(g.White, needle) ||
                Holds(g.Result, needle) || Holds(std::to_string(g.Number), needle))
                FRows.push_back(i);
        }
        endResetModel();
    }

private:
    static bool Holds(std::string_view Haystack, std::string_view Needle)
    {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (Needle.size() > Haystack.size())
            return false;
        for (size_t at = 0; at + Needle.size() <= Haystack.size(); ++at) {
            size_t i = 0;
            while (i < Needle.size() && lower(Haystack[at + i]) == lower(Needle[i]))
                ++i;
            if (i == Needle.size())
                return true;
        }
        return false;
    }

    const std::vector<TPdnGameInfo>& FGames;
    std::vector<size_t> FRows;
};

TPdnGameChooser::TPdnGameChooser(QWidget* Parent, const std::vector<TPdnGameInfo>& Games)
    : QDialog(Parent), FModel(std::make_unique<TPdnGameModel>(Games))
{
    Prepare(this, tr("Choose a Game"));
    setObjectName("PdnGameChooser");
    Filter = new QLineEdit;
    Filter->setObjectName("Filter");
    Filter->setPlaceholderText(tr("Type to find a game by its event, players or result"));
    Filter->setAccessibleName(tr("Find a game"));
    List = new QTreeView;
    List->setObjectName("Games");
    List->setAccessibleName(tr("Games"));
    List->setRootIsDecorated(false);
    List->setUniformRowHeights(true);
    List->setAllColumnsShowFocus(true);
    List->setModel(FModel.get());
    // The columns fit the first games: measuring every one of a million would take seconds.
    const QFontMetrics metrics(List->font());
    for (int c = 0; c < FModel->columnCount({}); ++c) {
        int width = metrics.horizontalAdvance(FModel->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
        for (int r = 0; r < std::min(FModel->rowCount({}), 200); ++r)
            width = std::max(width, metrics.horizontalAdvance(FModel->index(r, c).data().toString()));
        List->setColumnWidth(c, std::min(width + 16, 260));
    }
    if (FModel->rowCount({}) > 0)
        List->setCurrentIndex(FModel->index(0, 0));
    connect(Filter, &QLineEdit::textChanged, this, [this](const QString& Text) { ApplyFilter(Text); });
    connect(List, &QTreeView::activated, this, [this] { done(mrOk); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Filter);
    layout->addWidget(List, 1);
    layout->addLayout(ButtonRow({Button(this, tr("OK"), mrOk, true), Button(this, tr("Cancel"), mrCancel)}));
    resize(640, 420);
}

TPdnGameChooser::~TPdnGameChooser()
{
    List->setModel(nullptr);
}

void TPdnGameChooser::ApplyFilter(const QString& Text)
{
    // The game chosen stays chosen when the filter keeps it; else the first game shown is.
    const int chosen = Chosen();
    FModel->Filter(Text);
    int row = 0;
    for (int r = 0; chosen > 0 && r < FModel->rowCount({}); ++r)
        if (FModel->Game(r).Number == chosen) {
            row = r;
            break;
        }
    if (FModel->rowCount({}) > 0)
        List->setCurrentIndex(FModel->index(row, 0));
}

int TPdnGameChooser::Chosen() const
{
    const QModelIndex index = List->currentIndex();
    return index.isValid() && index.row() < FModel->rowCount({}) ? FModel->Game(index.row()).Number : 0;
}

int TPdnGameChooser::Execute(QWidget* Parent, const std::vector<TPdnGameInfo>& Games)
{
    TPdnGameChooser dialog(Parent, Games);
    // The list keeps the size the dialog was given; it is not fitted like the small dialogs.
    if (Answerer())
        return Answerer()(dialog) == mrOk ? dialog.Chosen() : 0;
    return dialog.exec() == mrOk ? dialog.Chosen() : 0;
}

// ---------------------------------------------------------------------------------------------

TGameInformationDialog::TGameInformationDialog(QWidget* Parent) : QDialog(Parent)
{
    Prepare(this, tr("Game Information"));
    setObjectName("GameInformationDialog");
    const QString labels[] = {tr("Event:"),           tr("Site:"),         tr("Date:"),
                              tr("Round:"),           tr("Red player:"),   tr("White player:")};
    auto* grid = new QGridLayout;
    int row = 0;
    for (size_t i = 0; i < std::size(FIELD_TAGS); ++i, ++row) {
        Fields[i] = new QLineEdit;
        Fields[i]->setObjectName(FIELD_TAGS[i]);
        auto* label = new QLabel(labels[i]);
        label->setBuddy(Fields[i]);
        grid->addWidget(label, row, 0);
        grid->addWidget(Fields[i], row, 1);
    }
    Fields[2]->setPlaceholderText(tr("YYYY.MM.DD"));
    Result = new QComboBox;
    Result->setObjectName("Result");
    Result->addItem(tr("Not finished (*)"), "*");
    Result->addItem(tr("Red won (1-0)"), "1-0");
    Result->addItem(tr("White won (0-1)"), "0-1");
    Result->addItem(tr("Draw (1/2-1/2)"), "1/2-1/2");
    auto* resultLabel = new QLabel(tr("Result:"));
    resultLabel->setBuddy(Result);
    grid->addWidget(resultLabel, row, 0);
    grid->addWidget(Result, row++, 1);
    Notes = new QPlainTextEdit;
    Notes->setObjectName("Notes");
    Notes->setTabChangesFocus(true);
    auto* notesLabel = new QLabel(tr("Notes:"));
    notesLabel->setBuddy(Notes);
    grid->addWidget(notesLabel, row, 0, Qt::AlignTop);
    grid->addWidget(Notes, row, 1);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(Bevel());
    layout->addLayout(ButtonRow({Button(this, tr("OK"), mrOk, true), Button(this, tr("Cancel"), mrCancel)}));
    setMinimumWidth(420);
    setMaximumWidth(420);
}

bool TGameInformationDialog::Execute(QWidget* Parent, TGameInformation& Info)
{
    TGameInformationDialog dialog(Parent);
    for (size_t i = 0; i < std::size(FIELD_TAGS); ++i)
        dialog.Fields[i]->setText(QString::fromStdString(PdnTagValue(Info.Tags, FIELD_TAGS[i])));
    int result = dialog.Result->findData(QString::fromStdString(Info.Result));
    if (result < 0) {
        dialog.Result->addItem(QString::fromStdString(Info.Result), QString::fromStdString(Info.Result));
        result = dialog.Result->count() - 1;
    }
    dialog.Result->setCurrentIndex(result);
    dialog.Result->setEnabled(!Info.ResultFixed);
    dialog.Notes->setPlainText(QString::fromStdString(Info.Notes));
    if (ExecDialog(dialog) != mrOk)
        return false;
    for (size_t i = 0; i < std::size(FIELD_TAGS); ++i) {
        // An emptied field is written as PDN writes what is not known.
        const QString value = dialog.Fields[i]->text().trimmed();
        const std::string old = PdnTagValue(Info.Tags, FIELD_TAGS[i]);
        if (value.toStdString() != old)
            SetPdnTag(Info.Tags, FIELD_TAGS[i], value.isEmpty() ? "?" : value.toStdString());
    }
    if (!Info.ResultFixed)
        Info.Result = dialog.Result->currentData().toString().toStdString();
    Info.Notes = dialog.Notes->toPlainText().simplified().toStdString();
    return true;
}

TCommentDialog::TCommentDialog(QWidget* Parent) : QDialog(Parent)
{
    Prepare(this, tr("Comment"));
    setObjectName("CommentDialog");
    Text = new QPlainTextEdit;
    Text->setObjectName("Text");
    Text->setAccessibleName(tr("Comment"));
    Text->setTabChangesFocus(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Comment on the move shown:")));
    layout->addWidget(Text);
    layout->addLayout(ButtonRow({Button(this, tr("OK"), mrOk, true), Button(this, tr("Cancel"), mrCancel)}));
    setMinimumWidth(360);
    setMaximumWidth(360);
}

bool TCommentDialog::Execute(QWidget* Parent, QString& Text)
{
    TCommentDialog dialog(Parent);
    dialog.Text->setPlainText(Text);
    if (ExecDialog(dialog) != mrOk)
        return false;
    Text = dialog.Text->toPlainText();
    return true;
}

}  // namespace velk
