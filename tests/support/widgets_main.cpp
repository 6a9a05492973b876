// main() for tests that need a QApplication: widgets always run on the
// offscreen platform, so the tests need no display, and with an event pump
// as the program has one.
#include <QApplication>
#include <gtest/gtest.h>

#include "support/paint_pump.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  quillary::test::InstallPaintPump();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
