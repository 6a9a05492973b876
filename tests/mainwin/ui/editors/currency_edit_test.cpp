// The number edit and its calculator as a user types and clicks: accepted
// keys, the value of a loosely written number and its colour, the
// calculator's percent and error state, and the calculator's two ways out.
#include <QClipboard>
#include <QPushButton>

#include "editor_fixture.h"
#include "mainwin/ui/editors/currency_edit.h"

namespace quillary::test {
namespace {

class CurrencyEditTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    edit = new TCurrencyEdit;
    ShowInForm(edit);
  }
  TCurrencyEdit* edit = nullptr;
};

TEST_F(CurrencyEditTest, TypedNumberIsShownFormattedAfterLeaving) {
  EXPECT_EQ(edit->text(), "0.00");
  EXPECT_EQ(edit->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  QTest::keyClicks(edit, "1234567.5x");
  EXPECT_EQ(beeps, 1);
  TabOut(edit);
  EXPECT_EQ(edit->text(), "1,234,567.50");
  EXPECT_DOUBLE_EQ(edit->Value(), 1234567.5);
  EXPECT_EQ(edit->ShownColor(), QColor(Qt::blue));
}

TEST_F(CurrencyEditTest, ParenthesisedNumberIsNegativeInTheNegativeColour) {
  QGuiApplication::clipboard()->setText("(1,234.50)");
  QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);  // the selected text is replaced
  EXPECT_EQ(edit->text(), "(1,234.50)");
  EXPECT_DOUBLE_EQ(edit->Value(), -1234.5);
  TabOut(edit);
  EXPECT_DOUBLE_EQ(edit->Value(), -1234.5);
  EXPECT_EQ(edit->text(), "-1,234.50");
  EXPECT_EQ(edit->ShownColor(), QColor(Qt::red));
  edit->SetColors(Qt::darkGreen, Qt::magenta, Qt::yellow);
  EXPECT_EQ(edit->ShownColor(), QColor(Qt::magenta));
  EXPECT_EQ(edit->palette().color(QPalette::Base), QColor(Qt::yellow));
  edit->SetValue(3);
  EXPECT_EQ(edit->ShownColor(), QColor(Qt::darkGreen));
}

TEST_F(CurrencyEditTest, ATextThatDoesNotConvertBeepsAndKeepsTheOldValue) {
  edit->SetValue(42);
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(edit, "1.2.3");
  EXPECT_EQ(beeps, 0);
  TabOut(edit);
  EXPECT_EQ(beeps, 1);
  EXPECT_DOUBLE_EQ(edit->Value(), 42);
  EXPECT_EQ(edit->text(), "42.00");
}

TEST_F(CurrencyEditTest, CalculatorUpdatesTheEdit) {
  edit->SetValue(12.5);
  OnNextModal<TCalcDlg>([](TCalcDlg* calc) {
    EXPECT_EQ(calc->windowTitle(), "Calculator");
    EXPECT_EQ(calc->DisplayText(), "12.5");
    for (const char* b : {"*", "4", "="}) QTest::mouseClick(calc->ButtonFor(b), Qt::LeftButton);
    EXPECT_EQ(calc->DisplayText(), "50");
    QTest::mouseClick(calc->UpdateBtn(), Qt::LeftButton);
  });
  QTest::mouseClick(edit->Button(), Qt::LeftButton);
  EXPECT_EQ(edit->text(), "50.00");
  EXPECT_DOUBLE_EQ(edit->Value(), 50);
}

TEST_F(CurrencyEditTest, CalculatorClosedWithoutUpdateRestoresTheText) {
  edit->SetValue(-7);
  OnNextModal<TCalcDlg>([](TCalcDlg* calc) {
    EXPECT_EQ(calc->DisplayText(), "-7");
    QTest::keyClicks(calc, "+100=");
    EXPECT_EQ(calc->DisplayText(), "93");
    QTest::mouseClick(calc->CancelBtn(), Qt::LeftButton);
  });
  QTest::mouseClick(edit->Button(), Qt::LeftButton);
  EXPECT_EQ(edit->text(), "-7.00");
  EXPECT_EQ(edit->ShownColor(), QColor(Qt::red));
}

TEST_F(CurrencyEditTest, NegativeCalculatorResultStaysNegative) {
  edit->SetValue(10);
  OnNextModal<TCalcDlg>([](TCalcDlg* calc) {
    QTest::keyClicks(calc, "-25.75");
    QTest::keyClick(calc, Qt::Key_Return);
    EXPECT_EQ(calc->DisplayText(), "-15.75");
    QTest::mouseClick(calc->UpdateBtn(), Qt::LeftButton);
  });
  QTest::mouseClick(edit->Button(), Qt::LeftButton);
  EXPECT_DOUBLE_EQ(edit->Value(), -15.75);
  EXPECT_EQ(edit->text(), "-15.75");
}

class CalculatorDialogTest : public EditorTest {};

TEST_F(CalculatorDialogTest, PercentAfterMultiplyAndAfterAdd) {
  const struct {
    QStringList buttons;
    QString display;
  } cases[] = {
      {{"2", "0", "0", "*", "1", "0", "%"}, "0.1"},       // the entry as a percentage
      {{"2", "0", "0", "*", "1", "0", "%", "="}, "20"},
      {{"2", "0", "0", "+", "1", "0", "%"}, "20"},        // ten percent of the first operand
      {{"2", "0", "0", "+", "1", "0", "%", "="}, "220"},
      {{"2", "0", "0", "-", "1", "0", "%", "="}, "180"},
      {{"5", "0", "/", "2", "5", "%", "="}, "200"},
      {{"1", "0", "/", "3", "="}, "3.3333333333"},          // ten decimals at most
      {{"1", ".", "5", "0", "+", "1", "="}, "2.5"},         // trailing zeros go
      {{"9", "<-", "8", "+/-"}, "-8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.buttons.join(' ').toStdString());
    TCalcDlg calc(0);
    calc.show();
    for (const QString& b : c.buttons) {
      ASSERT_NE(calc.ButtonFor(b), nullptr) << b.toStdString();
      QTest::mouseClick(calc.ButtonFor(b), Qt::LeftButton);
    }
    EXPECT_EQ(calc.DisplayText(), c.display);
  }
}

TEST_F(CalculatorDialogTest, DivisionByZeroShowsErrorAndOnlyClearIsAccepted) {
  TCalcDlg calc(5);
  calc.show();
  QTest::keyClicks(&calc, "/0");
  QTest::keyClick(&calc, Qt::Key_Enter);
  EXPECT_EQ(calc.DisplayText(), "Error");
  for (const char* b : {"1", "+", "=", "%", "+/-", "<-", "."}) {
    QTest::mouseClick(calc.ButtonFor(b), Qt::LeftButton);
    EXPECT_EQ(calc.DisplayText(), "Error") << b;
  }
  EXPECT_EQ(beeps, 7);
  QTest::mouseClick(calc.ButtonFor("C"), Qt::LeftButton);
  EXPECT_EQ(calc.DisplayText(), "0");
  QTest::keyClicks(&calc, "7*6=");
  EXPECT_EQ(calc.DisplayText(), "42");
}

TEST_F(CalculatorDialogTest, ButtonsAndCaptions) {
  TCalcDlg calc(0);
  for (const char* b : {"C", "<-", "+/-", "/", "*", "-", "+", ".", "%", "=", "0", "1", "2", "3",
                        "4", "5", "6", "7", "8", "9"})
    EXPECT_NE(calc.ButtonFor(b), nullptr) << b;
  EXPECT_EQ(calc.UpdateBtn()->text(), "Close and Update the edit field");
  EXPECT_EQ(calc.CancelBtn()->text(), "Close and don't Update the edit field");
}

}  // namespace
}  // namespace quillary::test
