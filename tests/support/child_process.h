// A child process with its stdin and stdout on pipes, for the tests that
// need a second real process (another user of a table, a peer writer).
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace quillary::test {

class Child {
 public:
  explicit Child(std::vector<std::string> args) {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::close(in[1]);
      ::close(out[0]);
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    to_ = in[1];
    from_ = ::fdopen(out[0], "r");
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (to_ >= 0) ::close(to_);
    if (pid_ > 0 && !reaped_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (from_) ::fclose(from_);
  }
  // Next line without its newline; empty at end of output.
  std::string ReadLine() {
    std::string s;
    int c;
    while (from_ && (c = std::fgetc(from_)) != EOF && c != '\n') s += char(c);
    return s;
  }
  void Send(const std::string& line) {
    std::string l = line + "\n";
    if (::write(to_, l.data(), l.size()) < 0) return;
  }
  // End of input: a child that waits for a line or for the end goes on.
  void CloseInput() {
    if (to_ >= 0) ::close(to_);
    to_ = -1;
  }
  void Kill() {
    if (pid_ > 0 && !reaped_) ::kill(pid_, SIGKILL);
  }
  // The exit code; -1 when the child was killed or never started.
  int Wait() {
    if (pid_ <= 0) return -1;
    if (reaped_) return status_;
    int status = 0;
    ::waitpid(pid_, &status, 0);
    reaped_ = true;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return status_;
  }

 private:
  pid_t pid_ = -1;
  int to_ = -1;
  FILE* from_ = nullptr;
  bool reaped_ = false;
  int status_ = -1;
};

}  // namespace quillary::test
