// The masked text of a date editor: the shape of a date format with "_" in
// every empty digit position, the caret moves of typing, completion on leaving,
// validity and the conversion between the text and a date.
#pragma once

#include <QDate>
#include <QString>
#include <vector>

namespace quillary {

class DateMask {
 public:
  // A date format index 0..3 ("mm/dd/yyyy", "dd/mm/yyyy", "yyyy/mm/dd",
  // "yyyy") with the given separator between the parts.
  static DateMask FromIndex(int index, const QString& separator);
  // A format text made of runs of "m", "d" and "y" and separator characters,
  // such as the process-wide short date format ("mm/dd/yy" has 8 positions).
  explicit DateMask(const QString& format = "mm/dd/yyyy");

  const QString& Format() const { return format_; }
  int Length() const { return int(format_.size()); }
  bool IsSeparator(int pos) const;

  QString EmptyText() const;
  bool IsEmpty(const QString& text) const;
  // Brings any text into the mask's shape: positions the mask cannot read
  // become "_", separators are put back.
  QString Normalize(const QString& text) const;

  struct Edit {
    QString text;
    int caret;
  };
  // A typed digit replaces the character at the caret (jumping over a
  // separator) and moves the caret on; past the last position it is ignored.
  Edit TypeDigit(const QString& text, int caret, QChar digit) const;
  Edit Backspace(const QString& text, int caret) const;
  int Left(int caret) const;
  int Right(int caret) const;
  int Home() const { return 0; }
  int End() const { return Length(); }
  // The caret position for a mouse click, moved off a separator.
  int Click(int pos) const;

  // Per part, "_" before the first digit become "0"; trailing "_" stay.
  QString Complete(const QString& text) const;
  // The completed text as a date; an invalid date when it does not convert.
  // An empty text converts to an invalid date too (callers ask IsEmpty first).
  QDate ToDate(const QString& text) const;
  bool IsValid(const QString& text) const { return IsEmpty(text) || ToDate(text).isValid(); }
  // The text showing a date; the empty text for an invalid one.
  QString FromDate(const QDate& date) const;

 private:
  struct Part {
    QChar kind;  // 'm', 'd' or 'y'
    int start;
    int width;
  };
  QString format_;  // one letter per position: 'm', 'd', 'y' or the separator
  std::vector<Part> parts_;
};

}  // namespace quillary
