#include "shell/messages.h"

namespace quillary {
namespace {

class SilentMessages final : public Messages {
 public:
  MsgAnswer Show(MsgKind, const QString&, MsgButtons buttons, int) override {
    switch (buttons) {
      case MsgButtons::YesNo: return MsgAnswer::No;
      case MsgButtons::YesNoCancel:
      case MsgButtons::OkCancel: return MsgAnswer::Cancel;
      default: return MsgAnswer::Ok;
    }
  }
  std::optional<QString> InputQuery(const QString&, const QString&,
                                    const QString&) override {
    return std::nullopt;
  }
  bool TypedConfirmation(const QString&, const QString&) override { return false; }
  std::optional<QString> ChooseOpenFile(const QString&, const QString&,
                                        const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> ChooseSaveFile(const QString&, const QString&,
                                        const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> ChooseDirectory(const QString&, const QString&) override {
    return std::nullopt;
  }
};

SilentMessages g_silent;
Messages* g_messages = nullptr;

}  // namespace

Messages& Msg() { return g_messages ? *g_messages : g_silent; }
void SetMessages(Messages* messages) { g_messages = messages; }

}  // namespace quillary
