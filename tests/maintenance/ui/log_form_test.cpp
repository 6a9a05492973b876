// The "Maintenance Log" window over a log of its own.
#include <gtest/gtest.h>

#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

#include "maintenance/maintenance_log.h"
#include "maintenance/ui/log_form.h"
#include "shell/clock.h"
#include "shell/options.h"
#include "support/scripted_messages.h"
#include "support/temp_home.h"

namespace quillary {
namespace {

class LogFormTest : public ::testing::Test {
 protected:
  LogFormTest() {
    Opt().InitDirectories(home.path(), QString());
    QDir().mkpath(Opt().SettingsDir);
    QDateTime t(QDate(2026, 12, 10), QTime(9, 0, 0));
    ScopedClock clock(t);
    int i = 0;
    for (const char* what : {"Database Reindexed.", "Indexes Deleted.", "Database Packed.",
                             "Database Repaired."}) {
      clock.Set(t.addSecs(i));
      log.AddEntry(i % 2 ? "data_2.dbf" : "data.dbf", what);
      ++i;
    }
  }

  static QStringList Column(const QTreeWidget* list, int column) {
    QStringList out;
    for (int r = 0; r < list->topLevelItemCount(); ++r) out << list->topLevelItem(r)->text(column);
    return out;
  }
  static void Select(QTreeWidget* list, std::initializer_list<int> rows) {
    list->clearSelection();
    for (int r : rows) list->topLevelItem(r)->setSelected(true);
  }

  test::TempHome home;
  test::ScriptedMessages messages;
  TMaintenanceLog log;
};

TEST_F(LogFormTest, ShowsTheEntriesInFourColumns) {
  TLogForm form(log);
  form.show();
  EXPECT_EQ(form.windowTitle(), "Maintenance Log");
  QTreeWidget* list = form.Log_Lst();
  ASSERT_EQ(list->columnCount(), 4);
  const QStringList headers = {"Date", "Time", "Database File", "Description"};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(list->headerItem()->text(c), headers[c]);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_EQ(Column(list, 1), QStringList({"09:00:00", "09:00:01", "09:00:02", "09:00:03"}));
  EXPECT_EQ(Column(list, 2), QStringList({"data.dbf", "data_2.dbf", "data.dbf", "data_2.dbf"}));
  EXPECT_EQ(form.OKBtn()->text(), "&OK");
  EXPECT_EQ(form.DeleteBtn()->text(), "&Delete");
  EXPECT_EQ(form.DeleteBtn()->toolTip(), "Delete Selected Entries");
  EXPECT_EQ(form.ClearBtn()->text(), "&Clear");
  EXPECT_EQ(form.ClearBtn()->toolTip(), "Delete All Entries");
  EXPECT_EQ(TLogForm::Instance(), &form);
  EXPECT_EQ(TLogForm::kHelpTopic, 131);

  // Entries added while the window is hidden appear when it is shown again.
  form.hide();
  log.AddEntry("data.dbf", "Database Backed Up - 3 records.");
  form.show();
  EXPECT_EQ(list->topLevelItemCount(), 5);
}

TEST_F(LogFormTest, DeleteRemovesTheSelectedRowsOnYes) {
  TLogForm form(log);
  form.show();
  QTreeWidget* list = form.Log_Lst();

  Select(list, {1, 3});
  messages.answers = {MsgAnswer::No};
  form.DeleteBtn()->click();
  EXPECT_EQ(list->topLevelItemCount(), 4);
  EXPECT_EQ(log.Count(), 4);

  Select(list, {1, 3});
  messages.answers = {MsgAnswer::Yes};
  form.DeleteBtn()->click();
  EXPECT_EQ(Column(list, 3), QStringList({"Database Reindexed.", "Database Packed."}));
  EXPECT_EQ(log.Count(), 2);
  ASSERT_EQ(messages.shown.size(), 2u);
  EXPECT_EQ(messages.Texts(), QStringList({"Remove Selected Items?", "Remove Selected Items?"}));
  EXPECT_EQ(messages.shown[1].kind, MsgKind::Confirmation);
  EXPECT_EQ(messages.shown[1].buttons, MsgButtons::YesNo);

  // Nothing selected: nothing to ask.
  list->clearSelection();
  form.DeleteBtn()->click();
  EXPECT_EQ(messages.shown.size(), 2u);

  // The deletion reached the file at once.
  TMaintenanceLog reread;
  reread.Load();
  EXPECT_EQ(reread.Entries(), log.Entries());
}

TEST_F(LogFormTest, ClearRemovesEverythingOnYes) {
  TLogForm form(log);
  form.show();
  messages.answers = {MsgAnswer::No, MsgAnswer::Yes};
  form.ClearBtn()->click();
  EXPECT_EQ(form.Log_Lst()->topLevelItemCount(), 4);
  form.ClearBtn()->click();
  EXPECT_EQ(form.Log_Lst()->topLevelItemCount(), 0);
  EXPECT_EQ(log.Count(), 0);
  EXPECT_EQ(messages.Texts(), QStringList({"Delete ALL Items?", "Delete ALL Items?"}));
}

}  // namespace
}  // namespace quillary
