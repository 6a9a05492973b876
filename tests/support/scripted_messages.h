// A Messages implementation for tests: records every text shown and answers
// from a queue the test fills. An empty queue answers the first button
// (Ok / Yes) for message boxes and cancels queries and file choices.
#pragma once

#include <QString>
#include <deque>
#include <optional>
#include <vector>

#include "shell/messages.h"

namespace quillary::test {

struct ShownMessage {
  MsgKind kind;
  QString text;
  MsgButtons buttons;
  int helpTopic;
};

class ScriptedMessages final : public Messages {
 public:
  ScriptedMessages() { SetMessages(this); }
  ~ScriptedMessages() override { SetMessages(nullptr); }

  // Answers, consumed in order.
  std::deque<MsgAnswer> answers;
  std::deque<std::optional<QString>> inputs;      // InputQuery answers
  std::deque<bool> typed;                         // TypedConfirmation answers
  std::deque<std::optional<QString>> files;       // file and directory choices

  // What was asked.
  std::vector<ShownMessage> shown;
  std::vector<QString> prompts;  // input query, typed confirmation and file captions

  MsgAnswer Show(MsgKind kind, const QString& text, MsgButtons buttons,
                 int helpTopic) override {
    shown.push_back({kind, text, buttons, helpTopic});
    if (!answers.empty()) {
      MsgAnswer a = answers.front();
      answers.pop_front();
      return a;
    }
    return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel
               ? MsgAnswer::Yes
               : MsgAnswer::Ok;
  }
  std::optional<QString> InputQuery(const QString& caption, const QString& prompt,
                                    const QString&) override {
    prompts.push_back(caption + "|" + prompt);
    return Pop(inputs);
  }
  bool TypedConfirmation(const QString& caption, const QString& prompt) override {
    prompts.push_back(caption + "|" + prompt);
    if (typed.empty()) return false;
    bool b = typed.front();
    typed.pop_front();
    return b;
  }
  std::optional<QString> ChooseOpenFile(const QString& caption, const QString&,
                                        const QString&) override {
    prompts.push_back(caption);
    return Pop(files);
  }
  std::optional<QString> ChooseSaveFile(const QString& caption, const QString&,
                                        const QString&) override {
    prompts.push_back(caption);
    return Pop(files);
  }
  std::optional<QString> ChooseDirectory(const QString& caption,
                                         const QString&) override {
    prompts.push_back(caption);
    return Pop(files);
  }

  // Texts of every message shown, in order.
  QStringList Texts() const {
    QStringList out;
    for (const auto& m : shown) out << m.text;
    return out;
  }

 private:
  static std::optional<QString> Pop(std::deque<std::optional<QString>>& q) {
    std::optional<QString> v;
    if (!q.empty()) {
      v = std::move(q.front());
      q.pop_front();
    }
    return v;
  }
};

}  // namespace quillary::test
