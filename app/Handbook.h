#pragma once
// The handbook, shown by the program itself (no browser, no network): the README's parts for
// players, compiled in.
class QString;
class QWidget;

namespace velk {

// Opens the handbook window over Parent, or raises the one already open, at the heading Topic
// (the start when empty). Returns the window.
QWidget* ShowHandbook(QWidget* Parent, const QString& Topic);

}  // namespace velk
