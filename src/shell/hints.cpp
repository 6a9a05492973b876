#include "shell/hints.h"

#include <QFile>

namespace quillary {

bool HintsFile::Load(const QString& path) {
  count_ = 0;
  lines_.clear();
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  QString text = QString::fromUtf8(f.readAll());
  text.replace("\r\n", "\n");
  lines_ = text.split('\n');
  if (!lines_.isEmpty()) {
    bool ok = false;
    int n = lines_.first().trimmed().toInt(&ok);
    count_ = ok && n > 0 ? n : 0;
  }
  return true;
}

QString HintsFile::TipText(int k) const {
  if (count_ <= 0) return {};
  const QString head = QString("[%1]").arg(std::min(k, count_));
  qsizetype i = lines_.indexOf(head);
  if (i < 0) {
    for (qsizetype j = 1; j < lines_.size(); ++j)
      if (lines_[j].trimmed() == head) { i = j; break; }
  }
  if (i < 0) return {};
  QStringList body;
  for (qsizetype j = i + 1; j < lines_.size() && !lines_[j].startsWith('['); ++j)
    body << lines_[j];
  while (!body.isEmpty() && body.last().trimmed().isEmpty()) body.removeLast();
  return body.join('\n');
}

int HintsFile::FirstTip(const std::function<int(int)>& random) const {
  if (count_ <= 0) return 0;
  if (count_ == 1) return 1;
  return 1 + random(count_ - 1);
}

}  // namespace quillary
