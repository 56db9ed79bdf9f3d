// Velk Checkers: one main window around the board.
#include <QApplication>
#include <QIcon>

#include "Dialogs.h"
#include "Version.h"
#include "MainForm.h"
#include "platform/Exceptions.h"

namespace {

// No exception may cross the event loop: every error ends here as a message box, except the
// silent abort, which only cancels the command that raised it.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* Receiver, QEvent* Event) override
    {
        try {
            return QApplication::notify(Receiver, Event);
        } catch (const velk::EAbort&) {
        } catch (const std::exception& e) {
            velk::ShowErrorMessage(QString::fromStdString(e.what()));
        } catch (...) {
            velk::ShowErrorMessage(QStringLiteral("Unexpected error"));
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    TApplication app(argc, argv);
    // No display name: the desktop would append it to every title, and the captions are the
    // program's own. The application name is also the settings file's.
    QApplication::setApplicationName(VELK_PRODUCT_NAME);
    QApplication::setOrganizationName(VELK_COMPANY_NAME);
    QApplication::setApplicationVersion(VELK_FILE_VERSION);
    QApplication::setDesktopFileName(VELK_APP_ID);
    QApplication::setWindowIcon(QIcon(":/icons/velk-checkers.svg"));

    velk::TMainForm window;
    window.show();
    // What Qt has not taken for itself, as bytes: the file names as they are on the disk.
    QByteArrayList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(argv[i]);
    try {
        window.StartGame(arguments);
    } catch (const std::exception& e) {
        velk::ShowErrorMessage(QString::fromStdString(e.what()));
    }
    return app.exec();
}
