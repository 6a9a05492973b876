// Screenshots of the main window with 50 records at two window sizes (run by
// hand): main_window_shots OUTDIR.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include "mainwin/ui/main_window.h"
#include "shell/options.h"
#include "tables/database.h"

using namespace quillary;

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString out = argc > 1 ? argv[1] : ".";
  QTemporaryDir home;
  qputenv("QUILLARY_HOME", home.path().toUtf8());
  Opt().Reset();
  Opt().InitDirectories(home.path(), QUILLARY_TEST_SHARE_DIR);
  Opt().UserDataDir = Opt().PublicDataDir();
  Opt().SettingsDir = Opt().UserDataDir;
  QDir().mkpath(Opt().CurrentDbDir);
  const char* names[] = {"Acme Tools", "Apex Travel", "Birch Books", "Blue Harbor Cafe", "Cedar Clinic",
                         "Cobalt Systems", "Delta Florist", "Eagle Optics", "Fjord Outfitters", "Granite Bank",
                         "Harbor Lights", "Iris Gallery", "Juniper Press", "Kestrel Air", "Lumen Labs",
                         "Maple Market", "Mango Studio", "Nimbus Cloud", "Orchid Spa", "Pear Tree Inn",
                         "Quartz Watches", "Raven Records", "Sage Garden", "Tidal Surf Shop", "Umber Pottery",
                         "Vale Vineyards", "Willow Yoga", "Xylo Music", "Yarrow Herbs", "Zephyr Bikes"};
  if (!tables::OpenDatabase()) return 1;
  dbase::Table& t = tables::Db().Data;
  for (int i = 0; i < 50; ++i) {
    t.Append();
    t.SetText(1, "2");
    const std::string title = names[i % 30] + std::string(i >= 30 ? " II" : "");
    t.SetText(2, title);
    std::string host = title;
    for (char& c : host) c = c == ' ' ? '-' : char(std::tolower(static_cast<unsigned char>(c)));
    t.SetText(3, "https://www." + host + ".example.com/");
    t.SetText(4, i % 3 == 0 ? "Shopping" : i % 3 == 1 ? "Services" : "Leisure");
    t.SetText(6, "keywords " + std::to_string(i));
    t.Post();
  }
  tables::Db().Index.Create(2, false, 0, false);
  tables::Db().Index.ApplySort();
  tables::Db().Index.SaveSort();
  tables::CloseDatabase();
  tables::Db().Reset();

  TForm3 w;
  w.show();
  for (const QSize& s : {QSize(820, 580), QSize(1280, 860)}) {
    w.resize(s);
    for (int i = 0; i < 10; ++i) app.processEvents();
    if (s.width() > 1000) {
      w.SelectLetter('M');
      w.ShowRecord(1);
    }
    for (int i = 0; i < 10; ++i) app.processEvents();
    w.grab().save(out + QString("/main_window_%1x%2.png").arg(s.width()).arg(s.height()));
  }
  w.Teardown();
  return 0;
}
