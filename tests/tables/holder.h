// Runs table_holder as a second process that keeps a table open until the
// holder object goes away.
#pragma once

#include <QString>
#include <string>

#include "support/child_process.h"

namespace quillary::test {

class TableHolder {
 public:
  TableHolder(const QString& dir, const QString& file, bool exclusive)
      : TableHolder(dir, file, exclusive ? "exclusive" : "shared") {}
  // mode: "shared", "exclusive", or "edit" (shared, first record locked).
  TableHolder(const QString& dir, const QString& file, const char* how)
      : child_({TABLE_HOLDER, dir.toStdString(), file.toStdString(), how}) {
    reply_ = child_.ReadLine();
    ready_ = reply_ == "open";
  }
  ~TableHolder() { Release(); }
  // Lets the other process go and waits for its end.
  void Release() {
    child_.CloseInput();
    child_.Wait();
  }
  bool ready() const { return ready_; }
  const std::string& reply() const { return reply_; }

 private:
  Child child_;
  bool ready_ = false;
  std::string reply_;
};

}  // namespace quillary::test
