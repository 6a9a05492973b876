// The character and value rules of the field editors.
#include "mainwin/editor_rules.h"

#include <QLocale>
#include <cmath>

namespace quillary {

std::optional<QChar> PhoneChar(QChar typed, bool lettersAllowed) {
  const QChar c = typed.toUpper();
  if (c.unicode() < 32 || c.unicode() == 127) return c;
  if (QString(" #()*+,-").contains(c)) return c;
  if (c >= '0' && c <= '9') return c;
  if (lettersAllowed && c >= 'A' && c <= 'Z' && c != 'Q') return c;
  return std::nullopt;
}

bool NumberEditAccepts(QChar typed, const QString& decimalSeparator) {
  return (typed >= '0' && typed <= '9') || typed == '-' || QString(typed) == decimalSeparator;
}

std::optional<double> ReadNumberText(const QString& text, const QString& dec,
                                     const QString& thousands) {
  const bool sameSeparators = dec == thousands;
  QString kept;
  bool separatorKept = false;
  for (qsizetype i = text.size() - 1; i >= 0; --i) {
    const QChar c = text[i];
    if (c >= '0' && c <= '9') {
      kept.prepend(c);
    } else if (QString(c) == dec) {
      if (sameSeparators && separatorKept) continue;
      separatorKept = true;
      kept.prepend('.');
    }
  }
  double value = 0;
  if (!kept.isEmpty()) {
    bool ok = false;
    value = QLocale::c().toDouble(kept, &ok);
    if (!ok) return std::nullopt;
  }
  if (text.contains('-') || text.contains('(')) value = -value;
  return value;
}

QString FormatNumber(double value, const QString& dec, const QString& thousands) {
  QString digits = QString::number(std::fabs(value), 'f', 2);
  const bool negative = value < 0 && digits != "0.00";
  const qsizetype point = digits.indexOf('.');
  QString whole = digits.left(point);
  const QString fraction = digits.mid(point + 1);
  QString grouped;
  for (qsizetype i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) grouped += thousands;
    grouped += whole[i];
  }
  return (negative ? "-" : "") + grouped + dec + fraction;
}

QString CleanCalculatorText(const QString& display, const QString& dec) {
  QString out;
  bool separatorPlaced = false;
  for (qsizetype i = display.size() - 1; i >= 0; --i) {
    const QChar c = display[i];
    if (c >= '0' && c <= '9') {
      out.prepend(c);
    } else if (!separatorPlaced && !(i == 0 && c == '-')) {
      separatorPlaced = true;
      out.prepend(dec);
    }
  }
  if (out.startsWith(dec)) out.prepend('0');
  if (display.trimmed().startsWith('-') && !out.isEmpty()) out.prepend('-');
  return out;
}

QUrl MailtoUrl(const QString& text) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return {};
  const QString address = t.startsWith("mailto:", Qt::CaseInsensitive) ? t : "mailto:" + t;
  QUrl url(address, QUrl::TolerantMode);
  if (!url.isValid() || url.scheme().compare("mailto", Qt::CaseInsensitive) != 0 ||
      url.path().isEmpty())
    return {};
  return url;
}

QSize StretchToFit(const QSize& picture, const QSize& area) {
  if (picture.isEmpty() || area.isEmpty()) return picture;
  // Fit to the width first; when that comes out too tall, fit to the height.
  int w = area.width();
  int h = int(std::lround(double(picture.height()) * w / picture.width()));
  if (h > area.height()) {
    h = area.height();
    w = int(std::lround(double(picture.width()) * h / picture.height()));
  }
  return {std::max(1, w), std::max(1, h)};
}

QRect PrintRect(const QSize& picture, const QSize& page) {
  if (picture.isEmpty() || page.isEmpty()) return {};
  double w = picture.width(), h = picture.height();
  const double ratio = h / w;
  if (w < page.width() / 4.0) { w = page.width() / 4.0; h = w * ratio; }
  if (h < page.height() / 5.0) { h = page.height() / 5.0; w = h / ratio; }
  if (w > page.width()) { w = page.width(); h = w * ratio; }
  if (h > page.height()) { h = page.height(); w = h / ratio; }
  const int iw = std::max(1, int(w)), ih = std::max(1, int(h));
  return QRect((page.width() - iw) / 2, 0, iw, ih);
}

}  // namespace quillary
