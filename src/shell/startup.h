// Start-up decisions that need no window: the product texts, whether a
// login is due, and the texts shown when the previous run did not end well.
#pragma once

#include <QString>

namespace quillary {

class OptionStore;

namespace product {
inline const QString kTitle = QStringLiteral("Norvane Quillary");
// The word size is the build's, not the one the product first shipped with.
inline const QString kVersion =
    sizeof(void*) == 8 ? QStringLiteral("Version 3.0 (64-bit)") : QStringLiteral("Version 3.0 (32-bit)");
inline const QString kAppTitle = QStringLiteral("Quillary");
inline const QString kHomePage = QStringLiteral("https://norvane.example/quillary");
}  // namespace product

// True when the login dialog must run: the system option file was read and
// either a password is required and set, or accounts are in use.
bool NeedsLogin(bool systemOptionsRead, const OptionStore& o);

// The warning shown at the first activation after an unclean end.
QString UncleanEndWarning();
constexpr int kUncleanEndHelpTopic = 123;

// Messages of the login outcome and of the desktop's shutdown query.
inline const QString kAccountDisabled = QStringLiteral(
    "Your acount has been disactivated! Please, contact the System Supervisor.");
inline const QString kIncorrectLogin = QStringLiteral("Incorrect Login!");
QString ShuttingDownText();
QString CouldNotShutDownText();

// Raises the soft limit on open files to at least `wanted`.
void RaiseFileHandleLimit(int wanted = 100);

}  // namespace quillary
