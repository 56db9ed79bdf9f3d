#pragma once
// JPEG pictures (the square patterns and the About picture) decoded with libjpeg.
// Errors never end the program: anything libjpeg refuses, or had to patch up (a cut-off file,
// corrupt entropy data), is raised as a velk::Exception whose message starts with
// "Invalid JPEG data: ", so that a damaged resource is reported instead of drawn half grey.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace velk {

// The largest picture accepted, in pixels; a header asking for more is refused before any
// memory is allocated for it.
constexpr long long JPEG_MAX_PIXELS = 8192LL * 8192LL;

// Decodes a JPEG picture (colour or grey) into a QImage of Format_RGB32.
QImage DecodeJpeg(const QByteArray& Bytes);

// Reads the file (a Qt resource path such as ":/patterns/SquareDark" works too) and decodes it;
// a file that cannot be read raises a velk::Exception naming it.
QImage LoadJpeg(const QString& FileName);

}  // namespace velk
