// The date edit and its calendar as a user drives them: typing into the mask,
// completion and the validity check on leaving and on saving, the value of a
// year-only edit, the popup menu's formats, and the calendar's keys, month
// arrows, dragging and buttons.
#include <QPushButton>
#include <QSet>
#include <QShortcut>

#include "editor_fixture.h"
#include "mainwin/ui/editors/cal_pop.h"
#include "mainwin/ui/editors/date_edit.h"

namespace quillary::test {
namespace {

class DateEditTest : public EditorTest {
 protected:
  TDateEdit* MakeEdit(int format) {
    edit = new TDateEdit;
    edit->SetDateFormatIndex(format);
    ShowInForm(edit);
    return edit;
  }
  TDateEdit* edit = nullptr;
};

TEST_F(DateEditTest, TypingAYearInYearFirstFormatMovesOnToTheMonth) {
  MakeEdit(2);
  EXPECT_EQ(edit->text(), "____/__/__");
  EXPECT_EQ(edit->cursorPosition(), 0);  // no auto-select: the caret at the start
  QTest::keyClicks(edit, "1999");
  EXPECT_EQ(edit->text(), "1999/__/__");
  EXPECT_EQ(edit->cursorPosition(), 5);
  QTest::keyClicks(edit, "0704");
  EXPECT_EQ(edit->text(), "1999/07/04");
  QTest::keyClicks(edit, "9");  // past the last position: ignored
  EXPECT_EQ(edit->text(), "1999/07/04");
  EXPECT_EQ(edit->Date(), QDate(1999, 7, 4));
}

TEST_F(DateEditTest, RefusedKeysBeepAndBackspaceJumpsBackOverTheSeparator) {
  MakeEdit(0);
  QTest::keyClicks(edit, "03a/-");
  EXPECT_EQ(beeps, 3);
  EXPECT_EQ(edit->text(), "03/__/____");
  EXPECT_EQ(edit->cursorPosition(), 3);
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->text(), "0_/__/____");
  EXPECT_EQ(edit->cursorPosition(), 1);
  QTest::keyClick(edit, Qt::Key_End);
  EXPECT_EQ(edit->cursorPosition(), 10);
  QTest::keyClick(edit, Qt::Key_Left);
  QTest::keyClick(edit, Qt::Key_Left);
  QTest::keyClick(edit, Qt::Key_Left);
  QTest::keyClick(edit, Qt::Key_Left);
  QTest::keyClick(edit, Qt::Key_Left);  // over the separator at 5
  EXPECT_EQ(edit->cursorPosition(), 4);
}

TEST_F(DateEditTest, LeavingCompletesLeadingBlanksOfEachPart) {
  MakeEdit(1);
  QTest::keyClick(edit, Qt::Key_Right);
  QTest::keyClicks(edit, "5");
  EXPECT_EQ(edit->cursorPosition(), 3);
  QTest::keyClick(edit, Qt::Key_Right);
  QTest::keyClicks(edit, "32001");
  EXPECT_EQ(edit->text(), "_5/_3/2001");
  TabOut(edit);
  EXPECT_EQ(edit->text(), "05/03/2001");
  EXPECT_TRUE(after->hasFocus());
  EXPECT_TRUE(msgs.shown.empty());
  EXPECT_EQ(edit->Date(), QDate(2001, 3, 5));
}

TEST_F(DateEditTest, AnInvalidDateIsRefusedOnLeavingAndTheFocusStays) {
  MakeEdit(0);
  QTest::keyClicks(edit, "02302001");
  TabOut(edit);
  ASSERT_EQ(msgs.shown.size(), 1u);
  EXPECT_EQ(msgs.shown[0].text, "Invalid Date!");
  EXPECT_EQ(msgs.shown[0].kind, MsgKind::Error);
  EXPECT_TRUE(edit->hasFocus());
  // Corrected, the edit can be left.
  QTest::keyClick(edit, Qt::Key_Home);
  QTest::keyClicks(edit, "0228");
  TabOut(edit);
  EXPECT_EQ(msgs.shown.size(), 1u);
  EXPECT_TRUE(after->hasFocus());
  EXPECT_EQ(edit->Date(), QDate(2001, 2, 28));
}

// The form saves with Alt+PgDn while the caret is still in the date: the key
// reaches the form's shortcut, and the form's check refuses the record.
TEST_F(DateEditTest, SavingWithoutLeavingChecksTheDate) {
  MakeEdit(0);
  int saves = 0, refusals = 0;
  auto* save = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_PageDown), window.get());
  QObject::connect(save, &QShortcut::activated, [&] {
    if (edit->CheckDate()) ++saves;
    else ++refusals;
  });
  QTest::keyClicks(edit, "02302001");
  QTest::keyClick(edit, Qt::Key_PageDown, Qt::AltModifier);
  QTest::qWait(20);
  EXPECT_EQ(saves, 0);
  EXPECT_EQ(refusals, 1);
  EXPECT_EQ(msgs.Texts(), QStringList{"Invalid Date!"});
  EXPECT_TRUE(edit->hasFocus());
  EXPECT_EQ(edit->text(), "02/30/2001");

  // A partly typed date is completed by the same check and saved.
  QTest::keyClick(edit, Qt::Key_End);
  for (int i = 0; i < 8; ++i) QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->text(), "__/__/____");
  QTest::keyClicks(edit, "02");
  QTest::keyClick(edit, Qt::Key_Right);
  QTest::keyClicks(edit, "92001");
  EXPECT_EQ(edit->text(), "02/_9/2001");
  QTest::keyClick(edit, Qt::Key_PageDown, Qt::AltModifier);
  EXPECT_EQ(saves, 1);
  EXPECT_EQ(edit->text(), "02/09/2001");
  EXPECT_EQ(msgs.shown.size(), 1u);
}

TEST_F(DateEditTest, AClickNeverLeavesTheCaretBeforeASeparator) {
  MakeEdit(0);
  QTest::keyClicks(edit, "03102004");
  QSet<int> reached;
  const int textWidth = edit->width() - TMyBtnEdit::kButtonWidth - 2;
  for (int x = 1; x < textWidth; x += 2) {
    QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(x, edit->height() / 2));
    const int caret = edit->cursorPosition();
    reached.insert(caret);
    EXPECT_FALSE(caret == 2 || caret == 5) << "click at x=" << x << " left the caret at " << caret;
  }
  // Clicks around each separator land just after it.
  EXPECT_TRUE(reached.contains(3));
  EXPECT_TRUE(reached.contains(6));
  EXPECT_TRUE(reached.contains(10));
}

TEST_F(DateEditTest, YearOnlyEditIsTheFirstOfJanuary) {
  MakeEdit(3);
  EXPECT_EQ(edit->text(), "____");
  QTest::keyClicks(edit, "1998");
  EXPECT_EQ(edit->Date(), QDate(1998, 1, 1));
  TabOut(edit);
  EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(DateEditTest, EmptyEditIsValidAndHasNoDate) {
  MakeEdit(0);
  TabOut(edit);
  EXPECT_TRUE(msgs.shown.empty());
  EXPECT_TRUE(edit->IsEmptyDate());
  EXPECT_FALSE(edit->Date().isValid());
  edit->SetDate(QDate(2010, 12, 1));
  EXPECT_EQ(edit->text(), "12/01/2010");
  edit->SetDate(QDate());
  EXPECT_EQ(edit->text(), "__/__/____");
}

TEST_F(DateEditTest, PopupFormatsConvertTheDateAndTellTheOwner) {
  MakeEdit(0);
  QList<int> told;
  QObject::connect(edit, &TDateEdit::DateFormatChanged, [&](int i) { told << i; });
  QTest::keyClicks(edit, "03102004");
  edit->PreparePopup();
  EXPECT_TRUE(edit->FormatItem[0]->isChecked());
  EXPECT_TRUE(edit->Undo1->isEnabled());
  edit->FormatItem[2]->trigger();
  EXPECT_EQ(edit->text(), "2004/03/10");
  edit->FormatItem[3]->trigger();
  EXPECT_EQ(edit->text(), "2004");
  edit->FormatItem[1]->trigger();
  EXPECT_EQ(edit->text(), "01/01/2004");
  EXPECT_EQ(told, (QList<int>{2, 3, 1}));
  // An invalid date is emptied by a format change.
  edit->FormatItem[0]->trigger();
  QTest::keyClick(edit, Qt::Key_Home);
  QTest::keyClicks(edit, "13");
  edit->FormatItem[2]->trigger();
  EXPECT_EQ(edit->text(), "____/__/__");
  edit->Today1->trigger();
  EXPECT_EQ(edit->text(), "2004/03/10");
  edit->Clear1->trigger();
  EXPECT_TRUE(edit->IsEmptyDate());
  edit->Undo1->trigger();  // back to the text at entry
  EXPECT_EQ(edit->text(), "____/__/__");
}

// ------------------------------------------------------------ calendar

TEST(CalendarPopupTest, YearKeys) {
  const struct {
    QDate from;
    Qt::Key key;
    QDate to;
  } cases[] = {
      {QDate(2004, 3, 10), Qt::Key_End, QDate(2003, 3, 10)},
      {QDate(2003, 3, 10), Qt::Key_Home, QDate(2004, 3, 10)},
      {QDate(2004, 1, 31), Qt::Key_Home, QDate(2005, 1, 31)},
      {QDate(2004, 2, 29), Qt::Key_Home, QDate(2005, 3, 1)},
      {QDate(2005, 1, 31), Qt::Key_End, QDate(2004, 1, 31)},
      {QDate(2004, 3, 10), Qt::Key_Left, QDate(2004, 3, 9)},
      {QDate(2004, 3, 10), Qt::Key_Down, QDate(2004, 3, 17)},
      {QDate(2004, 3, 10), Qt::Key_PageUp, QDate(2004, 2, 10)},   // February 2004: 29 days
      {QDate(2004, 1, 31), Qt::Key_PageDown, QDate(2004, 3, 2)},  // January: 31 days
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.from.toString(Qt::ISODate).toStdString() + " key " + std::to_string(c.key));
    TfrmCalPop pop(c.from);
    pop.show();
    QTest::keyClick(&pop, c.key);
    EXPECT_EQ(pop.Selected(), c.to);
  }
}

class CalendarFromEditTest : public DateEditTest {};

TEST_F(CalendarFromEditTest, KeysChooseAndEnterTakesTheDate) {
  MakeEdit(0);
  QTest::keyClicks(edit, "03102004");
  QRect popRect;
  OnNextModal<TfrmCalPop>([&](TfrmCalPop* pop) {
    EXPECT_EQ(pop->Selected(), QDate(2004, 3, 10));
    popRect = pop->geometry();
    QTest::keyClick(pop, Qt::Key_End);
    QTest::keyClick(pop, Qt::Key_Right);
    QTest::keyClick(pop, Qt::Key_Return);
  });
  QTest::mouseClick(edit->Button(), Qt::LeftButton);
  EXPECT_EQ(edit->text(), "03/11/2003");
  EXPECT_EQ(edit->cursorPosition(), 0);
  // Just below the edit's left edge.
  const QPoint below = edit->mapToGlobal(QPoint(0, edit->height()));
  EXPECT_EQ(popRect.topLeft(), below);
}

TEST_F(CalendarFromEditTest, OpensAboveTheEditWhenThereIsNoRoomBelow) {
  MakeEdit(0);
  const QRect screen = edit->screen()->availableGeometry();
  window->move(window->x(), screen.bottom() - window->height() + 20);
  QTest::qWait(20);
  QRect popRect;
  OnNextModal<TfrmCalPop>([&](TfrmCalPop* pop) {
    popRect = pop->geometry();
    QTest::keyClick(pop, Qt::Key_Escape);
  });
  QTest::mouseClick(edit->Button(), Qt::LeftButton);
  const QPoint top = edit->mapToGlobal(QPoint(0, 0));
  if (top.y() + edit->height() + popRect.height() > screen.bottom() + 1) {
    EXPECT_EQ(popRect.bottom() + 1, top.y());
  } else {
    GTEST_SKIP() << "the window manager kept the window high on the screen";
  }
}

TEST_F(CalendarFromEditTest, ShiftedLeftToStayOnTheScreen) {
  MakeEdit(0);
  const QRect screen = edit->screen()->availableGeometry();
  window->move(screen.right() - 100, window->y());
  QTest::qWait(20);
  QRect popRect;
  OnNextModal<TfrmCalPop>([&](TfrmCalPop* pop) {
    popRect = pop->geometry();
    QTest::keyClick(pop, Qt::Key_Escape);
  });
  QTest::mouseClick(edit->Button(), Qt::LeftButton);
  const QPoint left = edit->mapToGlobal(QPoint(0, edit->height()));
  if (left.x() + popRect.width() > screen.right() + 1) {
    EXPECT_EQ(popRect.right(), screen.right());
    EXPECT_EQ(popRect.top(), left.y());
  } else {
    GTEST_SKIP() << "the window manager kept the window inside the screen";
  }
}

TEST_F(CalendarFromEditTest, EscapeAndCloseButtonChangeNothingTodayButtonSetsToday) {
  MakeEdit(0);
  QTest::keyClicks(edit, "07041999");
  OnNextModal<TfrmCalPop>([](TfrmCalPop* pop) {
    QTest::keyClick(pop, Qt::Key_Home);
    QTest::keyClick(pop, Qt::Key_Escape);
  });
  QTest::mouseClick(edit->Button(), Qt::LeftButton);
  EXPECT_EQ(edit->text(), "07/04/1999");
  OnNextModal<TfrmCalPop>([](TfrmCalPop* pop) {
    QTest::keyClick(pop, Qt::Key_Home);
    QTest::mouseClick(pop->CloseBtn(), Qt::LeftButton);
  });
  QTest::mouseClick(edit->Button(), Qt::LeftButton);
  EXPECT_EQ(edit->text(), "07/04/1999");
  OnNextModal<TfrmCalPop>([](TfrmCalPop* pop) {
    EXPECT_EQ(pop->TodayBtn()->text(), "Set Today Date");
    QTest::mouseClick(pop->TodayBtn(), Qt::LeftButton);
  });
  QTest::mouseClick(edit->Button(), Qt::LeftButton);
  EXPECT_EQ(edit->text(), "03/10/2004");
}

TEST_F(CalendarFromEditTest, DraggingOverTheDaysTakesTheDayReleasedOn) {
  MakeEdit(0);  // empty: the calendar opens on today, March 10, 2004
  OnNextModal<TfrmCalPop>([](TfrmCalPop* pop) {
    EXPECT_EQ(pop->Selected(), QDate(2004, 3, 10));
    QWidget* grid = pop->Grid();
    QTest::mousePress(grid, Qt::LeftButton, {}, pop->CellRect(QDate(2004, 3, 15)).center());
    EXPECT_EQ(pop->Selected(), QDate(2004, 3, 15));
    QTest::mouseMove(grid, pop->CellRect(QDate(2004, 3, 23)).center());
    EXPECT_EQ(pop->Selected(), QDate(2004, 3, 23));
    QTest::mouseRelease(grid, Qt::LeftButton, {}, pop->CellRect(QDate(2004, 3, 23)).center());
  });
  QTest::mouseClick(edit->Button(), Qt::LeftButton);
  EXPECT_EQ(edit->text(), "03/23/2004");
}

TEST_F(CalendarFromEditTest, StaysOnTopWhenItsOwnerDoes) {
  QWidget owner(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
  auto* inner = new QWidget(&owner);
  TfrmCalPop onTop(QDate(2004, 3, 10), inner);
  EXPECT_TRUE(onTop.windowFlags() & Qt::WindowStaysOnTopHint);
  QWidget plain;
  TfrmCalPop normal(QDate(2004, 3, 10), &plain);
  EXPECT_FALSE(normal.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(normal.isModal());
  EXPECT_EQ(normal.toolTip(), "Click on a Day to update Date Field");
}

TEST_F(CalendarFromEditTest, MonthArrowsActAsPageKeys) {
  TfrmCalPop pop(QDate(2004, 3, 31));
  pop.show();
  QWidget* band = pop.TitleBand();
  QTest::mouseClick(band, Qt::LeftButton, {}, QPoint(5, band->height() / 2));
  EXPECT_EQ(pop.Selected(), QDate(2004, 3, 2));  // 29 days back
  QTest::mouseClick(band, Qt::LeftButton, {}, QPoint(band->width() - 5, band->height() / 2));
  EXPECT_EQ(pop.Selected(), QDate(2004, 4, 2));  // 31 days on
  // A press on a blank cell before the first of the month selects nothing
  // and does not close the calendar.
  const QRect first = pop.CellRect(QDate(2004, 4, 1));  // a Thursday
  QTest::mouseClick(pop.Grid(), Qt::LeftButton, {}, QPoint(5, first.center().y()));
  EXPECT_EQ(pop.Selected(), QDate(2004, 4, 2));
  EXPECT_TRUE(pop.isVisible());
}

TEST_F(CalendarFromEditTest, ReadOnlyEditKeepsItsDate) {
  MakeEdit(0);
  QTest::keyClicks(edit, "07041999");
  edit->SetEditorEnabled(false);
  EXPECT_TRUE(edit->isEnabled());
  EXPECT_TRUE(edit->isReadOnly());
  QTest::keyClicks(edit, "1");
  EXPECT_EQ(edit->text(), "07/04/1999");
  OnNextModal<TfrmCalPop>([](TfrmCalPop* pop) { QTest::mouseClick(pop->TodayBtn(), Qt::LeftButton); });
  QTest::mouseClick(edit->Button(), Qt::LeftButton);
  EXPECT_EQ(edit->text(), "07/04/1999");
}

}  // namespace
}  // namespace quillary::test
