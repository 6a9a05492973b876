// "Load Labels From Template" over a label template list of its own.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>

#include "shell/options.h"
#include "shell/templates.h"
#include "shell/ui/load_labels_dlg.h"
#include "support/scripted_messages.h"
#include "support/temp_home.h"

namespace quillary {
namespace {

class LoadLabelsDlgTest : public ::testing::Test {
 protected:
  LoadLabelsDlgTest() {
    Opt().InitDirectories(home.path(), QString());
    QDir().mkpath(Opt().SettingsDir);
    for (const char* name : {"English", "German", "French"}) {
      Opt().LabelList = {QString(name) + " title"};
      list.AddTemplate(name);
    }
  }
  QStringList Shown(const TLoadLabelsDlg& dlg) const {
    QStringList out;
    for (int i = 0; i < dlg.Templates_Lst()->count(); ++i) out << dlg.Templates_Lst()->item(i)->text();
    return out;
  }

  test::TempHome home;
  test::ScriptedMessages messages;
  TLabelTemplateList list;
};

TEST_F(LoadLabelsDlgTest, OkReturnsTheSelectedContentFile) {
  TLoadLabelsDlg dlg(list);
  EXPECT_EQ(dlg.windowTitle(), "Load Labels From Template");
  EXPECT_EQ(Shown(dlg), QStringList({"English", "German", "French"}));
  EXPECT_EQ(dlg.Templates_Lst()->currentRow(), 0);
  EXPECT_EQ(dlg.SelectedFileName(), "tml1.lab");
  dlg.Templates_Lst()->setCurrentRow(2);
  dlg.OKBtn()->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(dlg.SelectedFileName(), "tml3.lab");

  ASSERT_TRUE(list.LoadTemplateFile(dlg.SelectedFileName()));
  EXPECT_EQ(Opt().LabelList, QStringList({"French title"}));
}

TEST_F(LoadLabelsDlgTest, DeleteAsksAndRemovesTheTemplateAndItsFile) {
  TLoadLabelsDlg dlg(list);
  dlg.Templates_Lst()->setCurrentRow(1);
  messages.answers = {MsgAnswer::No, MsgAnswer::Yes};
  dlg.DeleteBtn()->click();
  EXPECT_EQ(list.Count(), 3);
  dlg.DeleteBtn()->click();
  EXPECT_EQ(messages.Texts(), QStringList({"Delete Selected Template?", "Delete Selected Template?"}));
  EXPECT_EQ(messages.shown[1].buttons, MsgButtons::YesNo);
  EXPECT_EQ(list.Names(), QStringList({"English", "French"}));
  EXPECT_EQ(Shown(dlg), list.Names());
  EXPECT_FALSE(QFile::exists(Opt().SettingsDir + "/tml2.lab"));
  EXPECT_EQ(dlg.SelectedFileName(), "tml3.lab");  // the next one is selected
}

TEST_F(LoadLabelsDlgTest, EmptyListGivesAnEmptyFileName) {
  TLabelTemplateList empty;
  TLoadLabelsDlg dlg(empty);
  dlg.DeleteBtn()->click();
  EXPECT_TRUE(messages.shown.empty());
  dlg.OKBtn()->click();
  EXPECT_EQ(dlg.SelectedFileName(), QString());
}

}  // namespace
}  // namespace quillary
