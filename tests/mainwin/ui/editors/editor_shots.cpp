// Pictures of the calendar popup, the calculator and a picture control with a
// picture, for looking at them as a user sees them:
//   editor_shots <output directory>
// writes calendar.png, calculator.png, picture.png, picture_narrow.png,
// date_edit.png, lookup.png, edit_lists.png and record_template.png. Not a
// test: run it by hand (any platform; offscreen works).
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

#include "mainwin/ui/editors/cal_pop.h"
#include "mainwin/ui/editors/currency_edit.h"
#include "mainwin/ui/editors/date_edit.h"
#include "mainwin/record_templates.h"
#include "mainwin/ui/editors/edit_lists_dlg.h"
#include "mainwin/ui/editors/lookup.h"
#include "mainwin/ui/editors/multi_img.h"
#include "mainwin/ui/record_template_form.h"
#include "shell/clock.h"
#include "shell/options.h"
#include "tables/database.h"

using namespace quillary;

namespace {

QImage SamplePicture() {
  QImage img(320, 200, QImage::Format_RGB32);
  QPainter p(&img);
  QLinearGradient sky(0, 0, 0, 140);
  sky.setColorAt(0, QColor(70, 130, 200));
  sky.setColorAt(1, QColor(190, 220, 250));
  p.fillRect(0, 0, 320, 140, sky);
  p.fillRect(0, 140, 320, 60, QColor(60, 140, 60));
  p.setBrush(QColor(250, 210, 60));
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPoint(250, 50), 28, 28);
  p.setBrush(QColor(150, 60, 40));
  p.drawRect(60, 90, 90, 70);
  p.setBrush(QColor(110, 40, 30));
  p.drawPolygon(QPolygon({QPoint(50, 92), QPoint(105, 50), QPoint(160, 92)}));
  return img;
}

bool Save(QWidget* w, const QString& path) {
  w->show();
  QApplication::processEvents();
  return w->grab().save(path);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString(".");
  QDir().mkpath(out);
  ScopedClock clock(QDateTime(QDate(2004, 3, 10), QTime(9, 30)));
  bool ok = true;

  TfrmCalPop calendar(QDate(2004, 3, 21));
  ok &= Save(&calendar, out + "/calendar.png");

  TCalcDlg calc(1234.5);
  calc.Press('*');
  calc.Press('2');
  ok &= Save(&calc, out + "/calculator.png");

  QWidget form;
  auto* layout = new QVBoxLayout(&form);
  auto* date = new TDateEdit;
  date->SetDateFormatIndex(0);
  date->SetDate(QDate(2004, 3, 21));
  auto* number = new TCurrencyEdit;
  number->SetValue(-1234.5);
  layout->addWidget(date);
  layout->addWidget(number);
  form.resize(220, 70);
  ok &= Save(&form, out + "/date_edit.png");

  TDbMultiImgControl picture;
  picture.resize(260, 220);
  picture.SetPicture(SamplePicture());
  ok &= Save(&picture, out + "/picture.png");
  picture.SetAutoStretch(true);
  ok &= Save(&picture, out + "/picture_stretched.png");

  TDbMultiImgControl narrow;
  narrow.resize(180, 160);
  narrow.SetPicture(SamplePicture());
  ok &= Save(&narrow, out + "/picture_narrow.png");

  // A database of its own for the list and template dialogs.
  QTemporaryDir home;
  Opt().InitDirectories(home.path(), QUILLARY_SHOTS_SHARE_DIR);
  Opt().CurrentDbDir = home.path() + "/DATA";
  Opt().SettingsDir = home.path();
  QDir().mkpath(Opt().CurrentDbDir);
  Opt().LabelList = {"Title:", "Address:", "Category 1:", "Category 2:", "Keywords:", "EMail:", "Type:",
                     "Date:", "Phone:", "Logo:", "User Field 1:", "User Field 2:", "User Field 3:",
                     "User Field 4:", "Description:", "Notes:", "Picture:"};
  if (!tables::OpenDatabase()) return 2;
  {
    tables::LookupList list;
    list.Bind(Opt().CurrentDbDir.toStdString(), "list1.dbf");
    for (const char* item : {"Suppliers", "Customers", "Friends", "Family", "Work"}) list.Append(item);
  }
  QWidget lookupForm;
  auto* lookupLayout = new QVBoxLayout(&lookupForm);
  auto* lookup = new TLookup;
  lookupLayout->addWidget(lookup);
  lookup->SetSource("list1.dbf");
  lookup->SetText("Friends");
  lookupForm.resize(220, 40);
  ok &= Save(&lookupForm, out + "/lookup.png");

  TEditListsDlg lists(TEditListsDlg::RecordTableLists());
  lists.SelectItem("Friends");
  ok &= Save(&lists, out + "/edit_lists.png");

  TRecordTemplateList names;
  names.Add("Supplier");
  names.Add("Customer");
  RecordTemplates templates(names, tables::Db().CopyBuffer);
  TRecordTemplateForm templateForm(templates);
  ok &= Save(&templateForm, out + "/record_template.png");
  tables::CloseDatabase();
  return ok ? 0 : 1;
}
