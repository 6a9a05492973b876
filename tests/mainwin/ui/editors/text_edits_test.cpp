// The phone, e-mail, directory and click edits as a user types into them and
// clicks their buttons.
#include <QDir>

#include "editor_fixture.h"
#include "mainwin/ui/editors/text_edits.h"

namespace quillary::test {
namespace {

class TextEditsTest : public EditorTest {};

TEST_F(TextEditsTest, PhoneRefusesQWithABeepAndUpperCasesLetters) {
  auto* phone = new TPhoneEdit;
  ShowInForm(phone);
  QTest::keyClicks(phone, "q");
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(phone->text(), "");
  QTest::keyClicks(phone, "a");
  EXPECT_EQ(phone->text(), "A");
  QTest::keyClicks(phone, "1-800 (FLOWERS) #9*+,x!Q");
  EXPECT_EQ(phone->text(), "A1-800 (FLOWERS) #9*+,X");
  EXPECT_EQ(beeps, 3);  // "!" and "Q"
  phone->LettersAllowed = false;
  QTest::keyClicks(phone, "b7");
  EXPECT_EQ(phone->text(), "A1-800 (FLOWERS) #9*+,X7");
  EXPECT_EQ(beeps, 4);
}

TEST_F(TextEditsTest, PhoneDialButtonWaitsForADialer) {
  auto* phone = new TPhoneEdit;
  ShowInForm(phone);
  EXPECT_FALSE(phone->Button()->isEnabled());
  EXPECT_EQ(phone->Button()->toolTip(), "Click here to Dial");
  QString dialled;
  phone->SetDialer([&](const QString& n) { dialled = n; });
  QTest::keyClicks(phone, "555-1234");
  QTest::mouseClick(phone->Button(), Qt::LeftButton);
  EXPECT_EQ(dialled, "555-1234");
  EXPECT_TRUE(phone->hasFocus());
}

TEST_F(TextEditsTest, KeepEnabledEditsStayUsableWhenTheFormDisablesThem) {
  auto* phone = new TPhoneEdit;
  ShowInForm(phone);
  phone->setText("555");
  phone->SetEditorEnabled(false);
  EXPECT_TRUE(phone->isEnabled());
  EXPECT_TRUE(phone->isReadOnly());
  QTest::keyClicks(phone, "1");
  EXPECT_EQ(phone->text(), "555");
  EXPECT_EQ(beeps, 1);
  phone->SetEditorEnabled(true);
  QTest::keyClicks(phone, "1");
  EXPECT_EQ(phone->text(), "5551");
}

TEST_F(TextEditsTest, EmailButtonHandsOnlyMailtoAddressesToTheDesktop) {
  auto* mail = new TEMailEdit;
  ShowInForm(mail);
  const struct {
    const char* typed;
    const char* handed;  // nullptr: nothing reaches the desktop
  } cases[] = {
      {"jo@example.com", "mailto:jo@example.com"},
      {"MailTo:jo@example.com", "mailto:jo@example.com"},  // not prefixed twice
      {"mailto:jo@example.com?subject=Hi", "mailto:jo@example.com?subject=Hi"},
      {"/usr/bin/xterm", "mailto:/usr/bin/xterm"},  // a mail address, never a program
      {"file:///etc/passwd", "mailto:file:///etc/passwd"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    opened.clear();
    mail->clear();
    QTest::keyClicks(mail, c.typed);
    QTest::mouseClick(mail->Button(), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].scheme().toLower(), "mailto");
    EXPECT_EQ(opened[0].toString(), c.handed);
  }
  EXPECT_TRUE(msgs.shown.empty());
  // An empty edit sends nothing and says nothing.
  opened.clear();
  mail->clear();
  QTest::mouseClick(mail->Button(), Qt::LeftButton);
  EXPECT_TRUE(opened.isEmpty());
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(TextEditsTest, EmailWithoutAMailProgramSaysSo) {
  auto* mail = new TEMailEdit;
  ShowInForm(mail);
  openSucceeds = false;
  QTest::keyClicks(mail, "jo@example.com");
  mail->PreparePopup();
  ASSERT_TRUE(mail->Send1->isEnabled());
  mail->Send1->trigger();
  ASSERT_EQ(msgs.shown.size(), 1u);
  EXPECT_EQ(msgs.shown[0].kind, MsgKind::Error);
  EXPECT_EQ(msgs.shown[0].text,
            "Could not locate your email client software!\nMake sure you have selected Email "
            "software in Internet Properties (Programs page).");
}

TEST_F(TextEditsTest, EmailPopupItems) {
  auto* mail = new TEMailEdit;
  ShowInForm(mail);
  QStringList captions;
  for (QAction* a : mail->Popup()->actions()) captions << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(captions, (QStringList{"Send E-mail", "-", "&Undo", "Cu&t", "&Copy", "&Paste", "Delete",
                                   "-", "Set Font...", "Set Color...", "-", "&Help"}));
  EXPECT_EQ(mail->toolTip(), "E-Mail Address Field");
  EXPECT_EQ(mail->Button()->toolTip(), "Click Here To Send E-mail");
}

class DirEditTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    ASSERT_TRUE(QDir(home.path()).mkpath("Data/MixedCase"));
    dir = QDir(home.path()).filePath("Data/MixedCase");
    edit = new TDirEdit;
    ShowInForm(edit);
  }
  QString dir;
  TDirEdit* edit = nullptr;
};

TEST_F(DirEditTest, TypedDirectoryKeepsItsLetterCase) {
  QTest::keyClicks(edit, dir);
  TabOut(edit);
  EXPECT_TRUE(msgs.shown.empty());
  EXPECT_EQ(edit->text(), dir);
  EXPECT_TRUE(after->hasFocus());
}

TEST_F(DirEditTest, AnotherLetterCaseIsAnotherDirectory) {
  QTest::keyClicks(edit, dir.toUpper());
  TabOut(edit);
  EXPECT_EQ(msgs.Texts(), QStringList{"Invalid directory!"});
  EXPECT_TRUE(edit->hasFocus());
  EXPECT_EQ(edit->text(), dir.toUpper());
}

TEST_F(DirEditTest, ChosenDirectoryKeepsItsLetterCase) {
  msgs.files.push_back(dir);
  QTest::mouseClick(edit->Button(), Qt::LeftButton);
  EXPECT_EQ(edit->text(), dir);
  EXPECT_EQ(edit->Button()->toolTip(), "Click here to select a directory");
  // Cancelling the choice keeps the text.
  QTest::mouseClick(edit->Button(), Qt::LeftButton);
  EXPECT_EQ(edit->text(), dir);
}

TEST_F(DirEditTest, CheckingOffAcceptsAnything) {
  edit->Checking = false;
  QTest::keyClicks(edit, "/no/such/place");
  TabOut(edit);
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(TextEditsTest, ClickEditTellsTheOwnerAndItsButtonCanBeSwitchedOff) {
  auto* title = new TClickEdit;
  title->SetButtonHint("Click To Capture Web Page Title");
  ShowInForm(title);
  int clicks = 0;
  QObject::connect(title, &TClickEdit::ButtonClicked, [&] { ++clicks; });
  QTest::mouseClick(title->Button(), Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  title->Button()->setEnabled(false);
  QTest::mouseClick(title->Button(), Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
  // The button sits inside the edit at its right end and the text stops before it.
  EXPECT_EQ(title->Button()->width(), TMyBtnEdit::kButtonWidth);
  EXPECT_GE(title->Button()->geometry().left(), title->width() - TMyBtnEdit::kButtonWidth - 2);
  EXPECT_EQ(title->textMargins().right(), TMyBtnEdit::kButtonWidth);
}

TEST_F(TextEditsTest, AutoSelectOnEntry) {
  auto* phone = new TPhoneEdit;  // auto-selects
  phone->setText("555");
  ShowInForm(phone);
  EXPECT_EQ(phone->selectedText(), "555");
  auto* mail = new TEMailEdit;  // caret at the start
  mail->setText("jo@example.com");
  window->layout()->addWidget(mail);
  mail->show();
  QTest::keyClick(phone, Qt::Key_Tab);  // to "after"
  QTest::keyClick(after, Qt::Key_Tab);
  ASSERT_TRUE(mail->hasFocus());
  EXPECT_FALSE(mail->hasSelectedText());
  EXPECT_EQ(mail->cursorPosition(), 0);
}

}  // namespace
}  // namespace quillary::test
