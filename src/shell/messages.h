// The one seam through which logic talks to the user: message boxes, input
// queries, the typed "YES" confirmation and file choices. The program installs
// the Qt implementation (shell/ui/qt_messages.h); tests install a scripted one
// (tests/support/scripted_messages.h) that records every text and answers as told.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace quillary {

enum class MsgKind { Error, Warning, Information, Confirmation };
enum class MsgButtons { Ok, YesNo, OkHelp, YesNoCancel, OkCancel };
enum class MsgAnswer { Ok, Yes, No, Cancel, Help };

class Messages {
 public:
  virtual ~Messages() = default;

  // A modal message box. `helpTopic` is passed to the help system when the
  // user presses Help (0: no topic). Returns the button pressed.
  virtual MsgAnswer Show(MsgKind kind, const QString& text,
                         MsgButtons buttons = MsgButtons::Ok,
                         int helpTopic = 0) = 0;

  // One-line input query; nullopt when cancelled.
  virtual std::optional<QString> InputQuery(const QString& caption,
                                            const QString& prompt,
                                            const QString& initial) = 0;

  // The dialog that proceeds only when the user types "YES".
  virtual bool TypedConfirmation(const QString& caption,
                                 const QString& prompt) = 0;

  // File and directory choices; nullopt when cancelled. `filter` is in Qt's
  // "Text (*.txt);;All (*)" form.
  virtual std::optional<QString> ChooseOpenFile(const QString& caption,
                                                const QString& dir,
                                                const QString& filter) = 0;
  virtual std::optional<QString> ChooseSaveFile(const QString& caption,
                                                const QString& dir,
                                                const QString& filter) = 0;
  virtual std::optional<QString> ChooseDirectory(const QString& caption,
                                                 const QString& dir) = 0;

  // Convenience wrappers.
  void Error(const QString& text, int helpTopic = 0) {
    Show(MsgKind::Error, text, helpTopic ? MsgButtons::OkHelp : MsgButtons::Ok,
         helpTopic);
  }
  void Warning(const QString& text, int helpTopic = 0) {
    Show(MsgKind::Warning, text,
         helpTopic ? MsgButtons::OkHelp : MsgButtons::Ok, helpTopic);
  }
  void Information(const QString& text, int helpTopic = 0) {
    Show(MsgKind::Information, text,
         helpTopic ? MsgButtons::OkHelp : MsgButtons::Ok, helpTopic);
  }
  bool Confirm(const QString& text, int helpTopic = 0) {
    return Show(MsgKind::Confirmation, text, MsgButtons::YesNo, helpTopic) ==
           MsgAnswer::Yes;
  }
};

// The process-wide instance. Logic calls Msg(); the program and each test set
// it with SetMessages(). Until one is set, a silent implementation answers
// every question negatively, so nothing ever blocks on a missing window.
Messages& Msg();
void SetMessages(Messages* messages);

// Answers every question as the person at the desk would to go on (Yes, OK),
// shows nothing and chooses no file: for work done where no one can answer,
// such as saving the shown record while the program is being ended.
class UnattendedMessages final : public Messages {
 public:
  MsgAnswer Show(MsgKind, const QString&, MsgButtons buttons, int) override {
    return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgAnswer::Yes : MsgAnswer::Ok;
  }
  std::optional<QString> InputQuery(const QString&, const QString&, const QString&) override { return {}; }
  bool TypedConfirmation(const QString&, const QString&) override { return false; }
  std::optional<QString> ChooseOpenFile(const QString&, const QString&, const QString&) override { return {}; }
  std::optional<QString> ChooseSaveFile(const QString&, const QString&, const QString&) override { return {}; }
  std::optional<QString> ChooseDirectory(const QString&, const QString&) override { return {}; }
};

// Puts a Messages implementation in place for a scope and the previous one
// back at its end.
class ScopedMessages {
 public:
  explicit ScopedMessages(Messages& messages) : previous_(&Msg()) { SetMessages(&messages); }
  ~ScopedMessages() { SetMessages(previous_); }
  ScopedMessages(const ScopedMessages&) = delete;
  ScopedMessages& operator=(const ScopedMessages&) = delete;

 private:
  Messages* previous_;
};

}  // namespace quillary
