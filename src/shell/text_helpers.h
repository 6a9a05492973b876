// Small text and number helpers shared by the forms and the record store:
// blank tests, upper case, byte-limited UTF-8 and the forgiving number
// readers used for typed numbers.
#pragma once

#include <QByteArray>
#include <QString>

namespace quillary {

// Text cut to at most maxBytes bytes of UTF-8 without splitting a character.
QByteArray Utf8Cut(const QString& text, int maxBytes);

// True when no character is above the space (control characters count as
// blank).
bool IsBlank(const QString& text);
QString UpperText(const QString& text);
// The digits of a typed number with its last separator as the locale's
// decimal point; other characters dropped.
QString CleanNumberText(const QString& text);
double ParseLooseNumber(const QString& text);
qint64 ParseLooseInteger(const QString& text);

}  // namespace quillary
