// Setup mode from the main window: entered with a backup of the game, pieces placed from the
// palette, then applied as a new game or reverted.
#include <QToolButton>

#include "MainForm.h"

namespace velk {

void TMainForm::EnterSetup()
{
    FSetupBackup = std::make_unique<TMemoryStream>();
    // The backup is no save: the game keeps its unsaved changes, also after a revert.
    FSetupBackupModified = FGame->Modified();
    FGame->SaveToStream(*FSetupBackup);
    FGame->SetModified(FSetupBackupModified);
    FSetupBackup->SetPosition(0);
    FGame->SetBoardMode(gbmSetup);
}

void TMainForm::ApplySetup()
{
    FSetupBackup.reset();
    FGame->SetTurn(PaletteButton("btnBlackTurn")->isChecked() ? 2 : 1);
    FGame->SetBoardMode(gbmPlay);
    // A position set up is a new game: Save must not write it over the file of the game before.
    ForgetGameData();
    SetGameFileName(QString());
}

void TMainForm::RevertSetup()
{
    std::unique_ptr<TMemoryStream> backup = std::move(FSetupBackup);
    FGame->SetBoardMode(gbmPlay);
    if (backup) {
        FGame->LoadFromStream(*backup);
        FGame->SetModified(FSetupBackupModified);
    }
}

void TMainForm::ClearSetupBoard()
{
    FGame->ClearBoard();
    PaletteButton("btnBlackTurn")->setChecked(true);
}

void TMainForm::PositionClicked(TPosition Pos, bool& Handled)
{
    if (FFullScreen || FGame->BoardMode() != gbmSetup)
        return;
    Handled = true;
    TPiece piece = pcNone;
    const std::pair<const char*, TPiece> palette[] = {
        {"btnBlackSimple", pcBlackMan}, {"btnBlackKing", pcBlackKing}, {"btnWhiteSimple", pcWhiteMan},
        {"btnWhiteKing", pcWhiteKing}};
    for (const auto& [name, code] : palette) {
        if (PaletteButton(name)->isChecked()) {
            piece = code;
            break;
        }
    }
    FGame->PlacePiece(Pos, FGame->CheckersBoard().Squares(Pos) == TCheckers::SetupPiece(Pos, piece) ? pcNone : piece);
}

}  // namespace velk
