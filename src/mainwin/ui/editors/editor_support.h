// What the field editors share with the desktop: the system beep, opening an
// address with the user's program, the help topic, and fonts from the option
// store. Beep and address opening are replaceable so tests can observe them.
#pragma once

#include <QFont>
#include <QUrl>
#include <functional>

#include "shell/options.h"

namespace quillary {

// The beep of a refused key.
void EditorBeep();
void SetBeepHook(std::function<void()> hook);  // empty: the system beep

// Hands an address to the desktop; false when no program took it.
bool OpenDesktopUrl(const QUrl& url);
void SetUrlOpener(std::function<bool(const QUrl&)> opener);  // empty: QDesktopServices

// A stored font record as a window font, and back.
QFont ToQFont(const FontRecord& font);
FontRecord ToFontRecord(const QFont& font);

// Help topics of the editors.
constexpr int kEditorHelpTopic = 36;
constexpr int kPictureHelpTopic = 132;
void ShowEditorHelp(int topic);

}  // namespace quillary
