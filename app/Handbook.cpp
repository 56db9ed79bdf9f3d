#include "Handbook.h"

#include <QDialog>
#include <QPointer>
#include <QTextBrowser>
#include <QTextCursor>
#include <QVBoxLayout>

extern const char VELK_HANDBOOK_TEXT[];

namespace velk {

QWidget* ShowHandbook(QWidget* Parent, const QString& Topic)
{
    // One window, kept while it is open; closing it frees it.
    static QPointer<QDialog> window;
    if (window == nullptr || window->parentWidget() != Parent) {
        delete window;
        window = new QDialog(Parent, Qt::Window);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setObjectName("Handbook");
        window->setWindowTitle(QDialog::tr("Velk Checkers Handbook"));
        window->setAccessibleName(QDialog::tr("Velk Checkers Handbook"));
        auto* text = new QTextBrowser(window);
        text->setObjectName("HandbookText");
        text->setOpenLinks(false);  // its text has no pages to go to; nothing opens a browser
        text->setMarkdown(QString::fromUtf8(VELK_HANDBOOK_TEXT));
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(text);
        window->resize(720, 640);
    }
    auto* text = window->findChild<QTextBrowser*>("HandbookText");
    QTextCursor at(text->document());
    if (!Topic.isEmpty()) {
        const QTextCursor found = text->document()->find(Topic);
        if (!found.isNull())
            at = found;
    }
    text->setTextCursor(at);
    window->show();
    window->raise();
    window->activateWindow();
    // The topic's heading at the top of the view, not merely somewhere in it.
    text->scrollToAnchor(QString());
    text->ensureCursorVisible();
    return window;
}

}  // namespace velk
