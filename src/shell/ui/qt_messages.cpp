#include "shell/ui/qt_messages.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "shell/options.h"
#include "shell/startup.h"

namespace quillary {

namespace {
QWidget* Parent() { return QApplication::activeWindow(); }
}  // namespace

void ShowHelpTopic(int topic) {
  // The help pages ship as HTML, one page per topic, with an index page as
  // the fallback for topics that have no page of their own.
  const QString dir = Opt().ResourceDir + "/help";
  QString page = QString("%1/topic%2.html").arg(dir).arg(topic);
  if (!QFileInfo::exists(page)) page = dir + "/index.html";
  if (QFileInfo::exists(page)) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(page));
    return;
  }
  QMessageBox::information(Parent(), product::kAppTitle,
                           QString("Help topic %1 is not installed.").arg(topic));
}

MsgAnswer QtMessages::Show(MsgKind kind, const QString& text, MsgButtons buttons,
                           int helpTopic) {
  QMessageBox box(Parent());
  box.setWindowTitle(product::kAppTitle);
  box.setText(text);
  switch (kind) {
    case MsgKind::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgKind::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgKind::Information: box.setIcon(QMessageBox::Information); break;
    case MsgKind::Confirmation: box.setIcon(QMessageBox::Question); break;
  }
  QMessageBox::StandardButtons set;
  switch (buttons) {
    case MsgButtons::Ok: set = QMessageBox::Ok; break;
    case MsgButtons::YesNo: set = QMessageBox::Yes | QMessageBox::No; break;
    case MsgButtons::OkHelp: set = QMessageBox::Ok | QMessageBox::Help; break;
    case MsgButtons::YesNoCancel:
      set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      break;
    case MsgButtons::OkCancel: set = QMessageBox::Ok | QMessageBox::Cancel; break;
  }
  box.setStandardButtons(set);
  if (helpTopic && buttons == MsgButtons::OkHelp) {
    // Help opens the topic without closing the box.
    QAbstractButton* help = box.button(QMessageBox::Help);
    help->disconnect();
    QObject::connect(help, &QAbstractButton::clicked, [helpTopic] { ShowHelpTopic(helpTopic); });
  }
  switch (box.exec()) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    case QMessageBox::Help: return MsgAnswer::Help;
    default: return MsgAnswer::Ok;
  }
}

std::optional<QString> QtMessages::InputQuery(const QString& caption,
                                              const QString& prompt,
                                              const QString& initial) {
  bool ok = false;
  QString v = QInputDialog::getText(Parent(), caption, prompt, QLineEdit::Normal,
                                    initial, &ok);
  if (!ok) return std::nullopt;
  return v;
}

bool QtMessages::TypedConfirmation(const QString& caption, const QString& prompt) {
  bool ok = false;
  QString v = QInputDialog::getText(Parent(), caption, prompt, QLineEdit::Normal,
                                    QString(), &ok);
  return ok && v == "YES";
}

std::optional<QString> QtMessages::ChooseOpenFile(const QString& caption,
                                                  const QString& dir,
                                                  const QString& filter) {
  QString f = QFileDialog::getOpenFileName(Parent(), caption, dir, filter);
  if (f.isEmpty()) return std::nullopt;
  return f;
}

std::optional<QString> QtMessages::ChooseSaveFile(const QString& caption,
                                                  const QString& dir,
                                                  const QString& filter) {
  QString f = QFileDialog::getSaveFileName(Parent(), caption, dir, filter);
  if (f.isEmpty()) return std::nullopt;
  return f;
}

std::optional<QString> QtMessages::ChooseDirectory(const QString& caption,
                                                   const QString& dir) {
  QString f = QFileDialog::getExistingDirectory(Parent(), caption, dir);
  if (f.isEmpty()) return std::nullopt;
  return f;
}

}  // namespace quillary
