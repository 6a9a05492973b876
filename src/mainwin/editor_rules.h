// The character and value rules of the field editors that need no window:
// phone characters, reading and showing numbers, the calculator's result
// cleaning, mailto addresses, and the picture control's geometry rules.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <QUrl>
#include <optional>

namespace quillary {

// A character typed into a phone editor, upper-cased, or nothing when it is
// refused: control characters, space, # ( ) * + , - and digits are accepted,
// and the letters A to Z except Q while letters are allowed.
std::optional<QChar> PhoneChar(QChar typed, bool lettersAllowed = true);

// A character typed into a number editor: digits, "-" and the decimal
// separator (control characters are the caller's).
bool NumberEditAccepts(QChar typed, const QString& decimalSeparator);

// The value of a number editor's text: digits and decimal separators read from
// the right (only the rightmost when the decimal and thousands separators are
// one character), negative when the text holds "-" or "("; an empty result is 0.
// Nothing when the digits do not convert.
std::optional<double> ReadNumberText(const QString& text, const QString& decimalSeparator,
                                     const QString& thousandsSeparator);
// The display format ",0.00": thousands separators and two decimals.
QString FormatNumber(double value, const QString& decimalSeparator,
                     const QString& thousandsSeparator);
// The calculator's display made readable: from the right, the first non-digit
// becomes the decimal separator and every other non-digit goes; the sign of the
// display is kept so a negative result stays negative.
QString CleanCalculatorText(const QString& display, const QString& decimalSeparator);

// The address handed to the desktop for an e-mail field: "mailto:" + the text
// unless it already begins with "mailto:" (in any letter case). Empty for a
// blank text or for anything that does not come out as a mailto: URL, so a
// field value cannot name a file or a program to open.
QUrl MailtoUrl(const QString& text);

// The picture control shows its tool bar only when enabled for it and at
// least this wide.
constexpr int kPictureToolBarMinWidth = 210;
constexpr int kPictureToolBarHeight = 24;
inline bool PictureToolBarShown(bool enabled, int controlWidth) {
  return enabled && controlWidth >= kPictureToolBarMinWidth;
}

// Auto stretch: the picture scaled into the area keeping its proportions,
// fitted to the width, or to the height when that would be too tall.
QSize StretchToFit(const QSize& picture, const QSize& area);
// Printing: at least a quarter of the page width wide and a fifth of the page
// height high, proportions kept, never larger than the page; centred at the top.
QRect PrintRect(const QSize& picture, const QSize& page);

}  // namespace quillary
