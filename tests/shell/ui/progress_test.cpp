// The progress window's arithmetic and repaint rule, and its Qt form.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "shell/event_pump.h"
#include "shell/progress.h"
#include "shell/ui/progress_form.h"

namespace quillary {
namespace {

class Recorder : public ProgressView {
 public:
  Recorder() { SetProgressView(this); }
  ~Recorder() override { SetProgressView(nullptr); }
  void ShowWindow(const QString& c, bool bar) override { log << QString("show %1 %2").arg(c).arg(bar); }
  void SetCaption(const QString& c) override { log << "caption " + c; }
  void PaintPercent(int p) override { log << QString::number(p); }
  void PaintCounter(const QString& t) override { log << t; }
  void HideWindow() override { log << "hide"; }
  QStringList log;
};

TEST(Progress, PercentRoundsAndRepaintsOnlyOnChange) {
  Recorder r;
  ProgressWindow p;
  EXPECT_EQ(p.Caption(), "Progress");
  p.SetMaximum(3);
  p.Show();
  EXPECT_EQ(ShowingProgress(), &p);
  p.Step();             // 33.3
  p.Step();             // 66.7
  p.SetPosition(2);     // unchanged: no repaint
  p.Step();             // 100
  EXPECT_EQ(r.log, QStringList({"show Progress 1", "0", "33", "67", "100"}));
  struct Case {
    int max, pos, percent;
  };
  for (Case c : std::vector<Case>{{0, 0, 100}, {0, 5, 100}, {200, 1, 1}, {200, 101, 51}, {8, 1, 13}, {7, 7, 100}}) {
    p.SetMaximum(c.max);
    p.SetPosition(c.pos);
    EXPECT_EQ(p.Percent(), c.percent) << c.max << " " << c.pos;
  }
  p.Reset();
  EXPECT_EQ(p.Position(), 0);
  p.Hide();
  EXPECT_EQ(ShowingProgress(), nullptr);
}

TEST(Progress, CounterInsteadOfTheBar) {
  Recorder r;
  ProgressWindow p("Importing. Please Wait...");
  p.SetBarShown(false);
  p.Show();
  p.SetCounter(1);
  p.SetCounter(1);
  p.SetCounter(2);
  p.Step();  // the bar is hidden: nothing to paint
  p.SetCaption("Importing. Please Wait... (B)");
  EXPECT_EQ(r.log, QStringList({"show Importing. Please Wait... 0", "Record #: 0", "Record #: 1", "Record #: 2",
                                "caption Importing. Please Wait... (B)"}));
}

TEST(Progress, TheFormShowsBarOrCounter) {
  TProgressForm form;
  TProgressForm::Install(&form);
  {
    ProgressWindow p("Backup Progress");
    p.SetMaximum(4);
    p.Show();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), "Backup Progress");
    p.Step();
    EXPECT_EQ(form.Bar()->value(), 25);
    EXPECT_FALSE(form.Counter_Lbl()->isVisibleTo(&form));
    p.SetBarShown(false);
    p.SetCounter(7);
    EXPECT_EQ(form.Counter_Lbl()->text(), "Record #: 7");
    EXPECT_FALSE(form.Bar()->isVisibleTo(&form));
  }
  EXPECT_FALSE(form.isVisible());
  TProgressForm::Install(nullptr);
}

TEST(Progress, AStoppableWindowShowsStopUntilItCloses) {
  TProgressForm form;
  TProgressForm::Install(&form);
  {
    ProgressWindow p("Packing");
    p.Show();
    EXPECT_FALSE(form.StopBtn()->isVisibleTo(&form));
    form.StopBtn()->click();  // hidden: no loop to stop
    p.SetStoppable(true);
    EXPECT_FALSE(p.Stopped());
    EXPECT_TRUE(form.StopBtn()->isVisibleTo(&form));
    EXPECT_EQ(form.StopBtn()->text(), "&Stop");
    form.StopBtn()->click();
    EXPECT_TRUE(p.Stopped());
    p.SetStoppable(false);
    EXPECT_FALSE(p.Stopped());
    EXPECT_FALSE(form.StopBtn()->isVisibleTo(&form));
    p.SetStoppable(true);  // a new stretch starts unstopped
    EXPECT_FALSE(p.Stopped());
  }
  EXPECT_FALSE(StopRequested());
  TProgressForm::Install(nullptr);
}

}  // namespace
}  // namespace quillary
