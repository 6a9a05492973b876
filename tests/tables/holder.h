// Runs table_holder as a second process that keeps a table open until the
// holder object goes away.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QString>
#include <cstdio>
#include <string>

namespace quillary::test {

class TableHolder {
 public:
  TableHolder(const QString& dir, const QString& file, bool exclusive)
      : TableHolder(dir, file, exclusive ? "exclusive" : "shared") {}
  // mode: "shared", "exclusive", or "edit" (shared, first record locked).
  TableHolder(const QString& dir, const QString& file, const char* how) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return;
    std::string exe = TABLE_HOLDER, d = dir.toStdString(), f = file.toStdString();
    std::string mode = how;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::close(in[1]);
      ::close(out[0]);
      char* argv[] = {exe.data(), d.data(), f.data(), mode.data(), nullptr};
      ::execv(argv[0], argv);
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    to_ = in[1];
    from_ = ::fdopen(out[0], "r");
    std::string s;
    int c;
    while (from_ && (c = std::fgetc(from_)) != EOF && c != '\n') s += char(c);
    ready_ = s == "open";
    reply_ = s;
  }
  ~TableHolder() { Release(); }
  // Lets the other process go and waits for its end.
  void Release() {
    if (to_ >= 0) ::close(to_);
    to_ = -1;
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    if (from_) ::fclose(from_);
    from_ = nullptr;
  }
  bool ready() const { return ready_; }
  const std::string& reply() const { return reply_; }

 private:
  pid_t pid_ = -1;
  int to_ = -1;
  FILE* from_ = nullptr;
  bool ready_ = false;
  std::string reply_;
};

}  // namespace quillary::test
