// What the field editors share with the desktop.
#include "mainwin/ui/editors/editor_support.h"

#include <QApplication>
#include <QDesktopServices>

#include "shell/ui/qt_messages.h"

namespace quillary {

namespace {
std::function<void()>& BeepHook() {
  static std::function<void()> hook;
  return hook;
}
std::function<bool(const QUrl&)>& UrlOpener() {
  static std::function<bool(const QUrl&)> opener;
  return opener;
}
}  // namespace

void EditorBeep() {
  if (BeepHook()) BeepHook()();
  else QApplication::beep();
}

void SetBeepHook(std::function<void()> hook) { BeepHook() = std::move(hook); }

bool OpenDesktopUrl(const QUrl& url) {
  if (UrlOpener()) return UrlOpener()(url);
  return QDesktopServices::openUrl(url);
}

void SetUrlOpener(std::function<bool(const QUrl&)> opener) { UrlOpener() = std::move(opener); }

QFont ToQFont(const FontRecord& record) {
  QFont font(record.Name());
  if (record.Size() > 0) font.setPointSize(record.Size());
  const int style = record.Style();
  font.setBold(style & FontRecord::Bold);
  font.setItalic(style & FontRecord::Italic);
  font.setUnderline(style & FontRecord::Underline);
  font.setStrikeOut(style & FontRecord::StrikeOut);
  return font;
}

FontRecord ToFontRecord(const QFont& font) {
  int style = 0;
  if (font.bold()) style |= FontRecord::Bold;
  if (font.italic()) style |= FontRecord::Italic;
  if (font.underline()) style |= FontRecord::Underline;
  if (font.strikeOut()) style |= FontRecord::StrikeOut;
  return FontRecord(font.family(), style, font.pointSize() > 0 ? font.pointSize() : 10);
}

void ShowEditorHelp(int topic) { ShowHelpTopic(topic); }

}  // namespace quillary
