// The tips file and the "Tips" dialog.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>

#include "shell/hints.h"
#include "shell/options.h"
#include "shell/ui/hints_dlg.h"
#include "support/scripted_messages.h"
#include "support/temp_home.h"

namespace quillary {
namespace {

QString WriteHints(const test::TempHome& home, const QByteArray& text) {
  const QString path = home.file("hints.txt");
  test::WriteAll(path, text);
  return path;
}

const QByteArray kThree = "3\r\n[1]\r\nFirst tip\r\nsecond line\r\n[2]\r\nSecond tip\r\n[3]\r\nThird tip\r\n";

TEST(HintsFileTest, TipsAndTheirLines) {
  test::TempHome home;
  HintsFile h;
  ASSERT_TRUE(h.Load(WriteHints(home, kThree)));
  EXPECT_EQ(h.Count(), 3);
  EXPECT_EQ(h.TipText(1), "First tip\nsecond line");
  EXPECT_EQ(h.TipText(3), "Third tip");
  EXPECT_EQ(h.TipText(9), "Third tip");  // min(k, N)
  EXPECT_FALSE(h.CanPrevious(1));
  EXPECT_TRUE(h.CanNext(1));
  EXPECT_TRUE(h.CanPrevious(3));
  EXPECT_FALSE(h.CanNext(3));
}

TEST(HintsFileTest, FirstTipIsNeverTheLast) {
  test::TempHome home;
  HintsFile h;
  ASSERT_TRUE(h.Load(WriteHints(home, kThree)));
  int seen[4] = {};
  for (int r = 0; r < 2; ++r) ++seen[h.FirstTip([r](int n) { EXPECT_EQ(n, 2); return r; })];
  EXPECT_EQ(seen[1], 1);
  EXPECT_EQ(seen[2], 1);
  EXPECT_EQ(seen[3], 0);

  ASSERT_TRUE(h.Load(WriteHints(home, "1\n[1]\nOnly\n")));
  EXPECT_EQ(h.FirstTip([](int) -> int { ADD_FAILURE() << "no random draw for one tip"; return 0; }), 1);
  EXPECT_EQ(h.TipText(1), "Only");

  ASSERT_TRUE(h.Load(WriteHints(home, "many\n[1]\nx\n")));
  EXPECT_EQ(h.Count(), 0);
  EXPECT_EQ(h.FirstTip([](int) { return 0; }), 0);
}

TEST(HintsFileTest, ShippedTipsAreComplete) {
  HintsFile h;
  ASSERT_TRUE(h.Load(QString(QUILLARY_TEST_SHARE_DIR) + "/hints.txt"));
  EXPECT_GE(h.Count(), 20);
  for (int k = 1; k <= h.Count(); ++k) {
    SCOPED_TRACE(k);
    EXPECT_FALSE(h.TipText(k).trimmed().isEmpty());
  }
}

TEST(HintsDlgTest, PagingAndTheCheckBox) {
  test::TempHome home;
  test::ScriptedMessages msgs;
  Opt().ShowTips = 1;
  THintsDlg dlg(WriteHints(home, kThree), nullptr, [](int) { return 1; });
  EXPECT_EQ(dlg.windowTitle(), "Tips");
  EXPECT_EQ(dlg.CurrentTip(), 2);
  EXPECT_EQ(dlg.TipText(), "Second tip");
  dlg.NextBtn()->click();
  EXPECT_EQ(dlg.CurrentTip(), 3);
  EXPECT_FALSE(dlg.NextBtn()->isEnabled());
  dlg.PreviousBtn()->click();
  dlg.PreviousBtn()->click();
  EXPECT_EQ(dlg.TipText(), "First tip\nsecond line");
  EXPECT_FALSE(dlg.PreviousBtn()->isEnabled());
  EXPECT_TRUE(dlg.NextBtn()->isEnabled());
  EXPECT_EQ(dlg.DontShowChk()->text(), "&Do Not Display Tips");
  dlg.DontShowChk()->setChecked(true);
  dlg.CloseBtn()->click();
  EXPECT_EQ(Opt().ShowTips, 0);
  EXPECT_TRUE(msgs.shown.empty());

  THintsDlg again(WriteHints(home, kThree), nullptr, [](int) { return 0; });
  EXPECT_TRUE(again.DontShowChk()->isChecked());
  again.DontShowChk()->setChecked(false);
  again.reject();
  EXPECT_EQ(Opt().ShowTips, 1);
}

TEST(HintsDlgTest, MissingFileGivesAnErrorAndAnEmptyDialog) {
  test::TempHome home;
  test::ScriptedMessages msgs;
  THintsDlg dlg(home.file("nothing.txt"));
  ASSERT_EQ(msgs.Texts(), QStringList{"Cannot open the Hints file."});
  EXPECT_EQ(msgs.shown[0].kind, MsgKind::Error);
  EXPECT_TRUE(dlg.TipText().isEmpty());
  EXPECT_FALSE(dlg.NextBtn()->isEnabled());
  EXPECT_FALSE(dlg.PreviousBtn()->isEnabled());
}

}  // namespace
}  // namespace quillary
