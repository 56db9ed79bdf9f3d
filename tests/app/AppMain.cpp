// The window tests run headless. The home and the per-user settings and data folders point into a
// temporary folder before the application exists, so that no test reads or writes the real
// user's files, and no dialog is ever shown: a dialog nobody expected fails the test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

#include "AppTestSupport.h"

namespace {

QtMessageHandler DefaultHandler = nullptr;

// The offscreen platform says at every window resize that it cannot pass size hints on, and
// at every move of the board to and from full screen that it cannot reparent windows.
void FilterMessages(QtMsgType Type, const QMessageLogContext& Context, const QString& Text)
{
    if (Text.contains("propagateSizeHints") || Text.contains("does not support setParent"))
        return;
    if (DefaultHandler)
        DefaultHandler(Type, Context, Text);
    else
        fprintf(stderr, "%s\n", qPrintable(Text));
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
    // A home with its documents folder; a test may take the folder away.
    qputenv("HOME", QFile::encodeName(home.path()));
    if (!QDir(home.path()).mkdir("Documents"))
        return 2;

    DefaultHandler = qInstallMessageHandler(FilterMessages);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Velk Checkers");
    QApplication::setApplicationDisplayName("Velk Checkers");
    QApplication::setOrganizationName("Quorvane");

    velk::test::InstallFailingAnswerers();
    // The endgame tables a window builds once Expert plays: three pieces take a fraction of a
    // second, five would take the machine for minutes; two come first.
    velk::TMainForm::SetEndgamePieces(3, 2);

    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
