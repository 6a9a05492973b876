// The installed event pump during a long loop over a table: windows repaint,
// the progress window's Stop button ends the loop, and other input is dropped.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "platform/dbase/file_io.h"
#include "platform/dbase/table.h"
#include "shell/event_pump.h"
#include "shell/progress.h"
#include "shell/ui/progress_form.h"
#include "shell/ui/qt_event_pump.h"
#include "support/paint_pump.h"
#include "support/temp_home.h"

namespace quillary {
namespace {

constexpr int kRecords = 100000;
constexpr int kWidth = 12;

// A one-field table of kRecords records. The records are written in one
// block after the engine created the empty table, which is what Append
// would leave, much faster.
void MakeTable(const QString& dir) {
  dbase::Table::Create(dir.toStdString(), "big.dbf", {{"TITLE", 'C', kWidth, 0}});
  const std::string path = (dir + "/big.dbf").toStdString();
  dbase::File f;
  ASSERT_TRUE(f.OpenExisting(path));
  uint8_t head[12];
  ASSERT_TRUE(f.ReadExact(0, head, sizeof head));
  const uint16_t headerLen = uint16_t(head[8] | head[9] << 8);
  ASSERT_EQ(head[10] | head[11] << 8, kWidth + 1);
  std::string body;
  body.reserve(size_t(kRecords) * (kWidth + 1) + 1);
  for (int i = 1; i <= kRecords; ++i) {
    std::string title = "Site " + std::to_string(i);
    title.resize(kWidth, ' ');
    body += ' ';
    body += title;
  }
  body += '\x1A';
  f.WriteAt(headerLen, body.data(), body.size());
  const uint8_t count[4] = {uint8_t(kRecords), uint8_t(kRecords >> 8), uint8_t(kRecords >> 16),
                            uint8_t(kRecords >> 24)};
  f.WriteAt(4, count, 4);
}

class Canvas : public QWidget {
 public:
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent*) override { ++paints; }
};

void PostClick(QWidget* w) {
  const QPointF at = QRectF(w->rect()).center();
  const QPointF global = w->mapToGlobal(at);
  QCoreApplication::postEvent(
      w, new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
  QCoreApplication::postEvent(
      w, new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

class EventPumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeTable(home.path());
    auto* layout = new QVBoxLayout(&window);
    canvas = new Canvas;
    canvas->setMinimumSize(100, 40);
    other = new QPushButton("Other");
    edit = new QLineEdit;
    layout->addWidget(canvas);
    layout->addWidget(other);
    layout->addWidget(edit);
    QObject::connect(other, &QPushButton::clicked, [this] { ++otherClicks; });
    window.show();
    edit->setFocus();
    TProgressForm::Install(&form);
    QApplication::processEvents();
  }
  void TearDown() override { TProgressForm::Install(nullptr); }

  struct Run {
    int visited = 0;
    int paintsBeforeStop = 0;
  };
  // Reads every record, pumping after each; halfway it posts a click on the
  // Stop button, a click on another button and a key for the line edit.
  Run Loop() {
    dbase::Table t(home.path().toStdString(), "big.dbf");
    t.Open();
    ProgressWindow p("Checking");
    p.SetMaximum(int(t.RecordCount()));
    p.SetStoppable(true);
    p.Show();
    Run r;
    const int paintsAtStart = canvas->paints;
    for (t.First(); !t.Eof(); t.Next()) {
      const std::string title = t.AsText(0);
      EXPECT_EQ(title, "Site " + std::to_string(r.visited + 1));
      ++r.visited;
      if (r.visited == kRecords / 2) {
        r.paintsBeforeStop = canvas->paints - paintsAtStart;
        PostClick(form.StopBtn());
        PostClick(other);
        QCoreApplication::postEvent(edit, new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x"));
      }
      if (r.visited % 1000 == 0) canvas->update();
      p.Step();
      PumpEvents();
      if (p.Stopped()) break;
      if (HasFailure()) break;
    }
    return r;
  }

  test::TempHome home;
  TProgressForm form;
  QWidget window;
  Canvas* canvas = nullptr;
  QPushButton* other = nullptr;
  QLineEdit* edit = nullptr;
  int otherClicks = 0;
};

TEST_F(EventPumpTest, WithThePumpTheWindowRepaintsAndStopEndsTheLoop) {
  Run r;
  {
    QtEventPump pump;
    r = Loop();
  }
  EXPECT_GE(r.paintsBeforeStop, 2);
  // The click is seen at the next pump, some records later.
  EXPECT_GT(r.visited, kRecords / 2);
  EXPECT_LT(r.visited, kRecords);
  EXPECT_FALSE(form.isVisible());
  QApplication::processEvents();
  EXPECT_EQ(otherClicks, 0);  // dropped, not held back until the loop ends
  EXPECT_EQ(edit->text(), "");
  EXPECT_FALSE(StopRequested());
}

TEST_F(EventPumpTest, WithoutThePumpTheLoopRunsBlindToTheEnd) {
  SetEventPump({});  // the test main installs a painting one
  const Run r = Loop();
  test::InstallPaintPump();
  EXPECT_EQ(r.paintsBeforeStop, 0);
  EXPECT_EQ(r.visited, kRecords);
  QApplication::processEvents();  // the queued input arrives after the loop
  EXPECT_EQ(otherClicks, 1);
  EXPECT_EQ(edit->text(), "x");
  EXPECT_FALSE(StopRequested());
}

TEST(StopScopeTest, ARequestLastsUntilTheOutermostScopeCloses) {
  RequestStop();
  EXPECT_FALSE(StopRequested());  // nothing to stop
  {
    StopScope outer;
    {
      StopScope inner;
      RequestStop();
    }
    EXPECT_TRUE(StopRequested());
  }
  EXPECT_FALSE(StopRequested());
}

}  // namespace
}  // namespace quillary
