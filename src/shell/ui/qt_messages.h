// The Qt implementation of the message seam: QMessageBox, QInputDialog and
// QFileDialog, parented to the active window.
#pragma once

#include "shell/messages.h"

namespace quillary {

class QtMessages final : public Messages {
 public:
  MsgAnswer Show(MsgKind kind, const QString& text, MsgButtons buttons,
                 int helpTopic) override;
  std::optional<QString> InputQuery(const QString& caption, const QString& prompt,
                                    const QString& initial) override;
  bool TypedConfirmation(const QString& caption, const QString& prompt) override;
  std::optional<QString> ChooseOpenFile(const QString& caption, const QString& dir,
                                        const QString& filter) override;
  std::optional<QString> ChooseSaveFile(const QString& caption, const QString& dir,
                                        const QString& filter) override;
  std::optional<QString> ChooseDirectory(const QString& caption,
                                         const QString& dir) override;
};

// Opens the help at a topic number.
void ShowHelpTopic(int topic);

}  // namespace quillary
