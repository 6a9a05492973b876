// The shared set-up of the field editor widget tests: a scripted message
// seam, a counted beep, a recorded desktop opener, English separators, and a
// shown window holding the editor between two plain fields so focus moves as
// it does on a form.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QLocale>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <memory>

#include "mainwin/ui/editors/editor_support.h"
#include "shell/clock.h"
#include "support/scripted_messages.h"
#include "support/temp_home.h"

QT_BEGIN_NAMESPACE
// Readable values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QDate& d, std::ostream* os) {
  *os << (d.isValid() ? d.toString(Qt::ISODate).toStdString() : std::string("(no date)"));
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
  *os << '[' << l.join("|").toStdString() << ']';
}
QT_END_NAMESPACE

namespace quillary::test {

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    SetBeepHook([this] { ++beeps; });
    SetUrlOpener([this](const QUrl& url) {
      opened << url;
      return openSucceeds;
    });
  }
  void TearDown() override {
    SetBeepHook({});
    SetUrlOpener({});
  }

  // Shows `editor` in a window between two plain edits and enters it with Tab
  // from the first one, as a user does.
  void ShowInForm(QWidget* editor) {
    window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    // Parented in this order, so the tab order is before, editor, after.
    before = new QLineEdit;
    after = new QLineEdit;
    layout->addWidget(before);
    layout->addWidget(editor);
    layout->addWidget(after);
    window->resize(320, 200);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    before->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(before, Qt::Key_Tab);
    if (editor->focusPolicy() & Qt::TabFocus) {
      ASSERT_TRUE(editor->hasFocus());
    }
  }
  // Leaves the focused editor with Tab and lets the checks that run after
  // leaving happen.
  void TabOut(QWidget* editor) {
    QTest::keyClick(editor, Qt::Key_Tab);
    QTest::qWait(20);
  }

  TempHome home;
  ScriptedMessages msgs;
  ScopedClock clock{QDateTime(QDate(2004, 3, 10), QTime(9, 30))};
  int beeps = 0;
  QList<QUrl> opened;
  bool openSucceeds = true;
  std::unique_ptr<QWidget> window;
  QLineEdit* before = nullptr;
  QLineEdit* after = nullptr;
};

// Runs `fn` on the modal dialog the next action opens, once it is showing.
template <class Dialog, class Fn>
void OnNextModal(Fn fn) {
  QTimer::singleShot(0, [fn] {
    QWidget* modal = QApplication::activeModalWidget();
    auto* dialog = qobject_cast<Dialog*>(modal);
    if (!dialog) {
      ADD_FAILURE() << "the expected dialog did not open";
      if (modal) modal->close();
      return;
    }
    fn(dialog);
  });
}

}  // namespace quillary::test
