#include "shell/text_helpers.h"

#include <QLocale>

namespace quillary {

QByteArray Utf8Cut(const QString& text, int maxBytes) {
  QByteArray b = text.toUtf8();
  if (b.size() <= maxBytes) return b;
  int cut = maxBytes;
  // Step back over continuation bytes so no character is split.
  while (cut > 0 && (uint8_t(b[cut]) & 0xC0) == 0x80) --cut;
  return b.left(cut);
}

bool IsBlank(const QString& text) {
  for (QChar c : text)
    if (c.unicode() > 32) return false;
  return true;
}

QString UpperText(const QString& text) { return text.toUpper(); }

QString CleanNumberText(const QString& text) {
  const QString dec = QLocale().decimalPoint();
  QString out;
  bool sepSeen = false;
  for (qsizetype i = text.size() - 1; i >= 0; --i) {
    QChar c = text[i];
    if (c.isDigit() && c.unicode() < 128) {
      out.prepend(c);
    } else if (c == '.' || c == ',' || QString(c) == dec) {
      if (!sepSeen) {
        sepSeen = true;
        out.prepend(dec);
      }
    }
  }
  if (out.startsWith(dec)) out.prepend('0');
  return out;
}

double ParseLooseNumber(const QString& text) {
  QLocale loc;
  const QString dec = loc.decimalPoint();
  const QString thou = loc.groupSeparator();
  QString kept;
  for (QChar c : text) {
    if ((c.isDigit() && c.unicode() < 128) || QString(c) == dec) kept += c;
  }
  if (dec == thou) {
    // Only the last separator can be the decimal one.
    qsizetype last = kept.lastIndexOf(dec);
    QString digits;
    for (qsizetype i = 0; i < kept.size(); ++i)
      if (QString(kept[i]) != dec || i == last) digits += kept[i];
    kept = digits;
  }
  bool ok = false;
  double v = loc.toDouble(kept, &ok);
  if (!ok) {
    QString c = kept;
    c.replace(dec, ".");
    v = QLocale::c().toDouble(c, &ok);
  }
  return ok ? v : 0.0;
}

qint64 ParseLooseInteger(const QString& text) {
  QString t = text;
  t.remove(QLocale().groupSeparator());
  bool ok = false;
  qint64 v = t.trimmed().toLongLong(&ok);
  return ok ? v : 0;
}

}  // namespace quillary
