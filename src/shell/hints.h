// The start-up tips: hints.txt holds the number of tips on its first line,
// then each tip as a "[k]" line followed by its text lines.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace quillary {

class HintsFile {
 public:
  // False when the file cannot be opened (the dialog then stays empty).
  bool Load(const QString& path);
  int Count() const { return count_; }
  // The text of tip min(k, N): the lines after its "[k]" line.
  QString TipText(int k) const;
  // The first tip to show: 1 + a random integer from 0 to N - 2, tip 1 when
  // N is 1, 0 when there are none. `random(n)` returns 0..n-1.
  int FirstTip(const std::function<int(int)>& random) const;
  bool CanPrevious(int k) const { return k > 1; }
  bool CanNext(int k) const { return k < count_; }

 private:
  int count_ = 0;
  QStringList lines_;
};

}  // namespace quillary
