#include "maintenance/ui/log_form.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "maintenance/maintenance_log.h"
#include "shell/messages.h"
#include "shell/ui/qt_messages.h"

namespace quillary {
namespace {
TLogForm* g_instance = nullptr;
}  // namespace

TLogForm::TLogForm(QWidget* parent) : TLogForm(MaintenanceLog(), parent) {}

TLogForm::TLogForm(TMaintenanceLog& log, QWidget* parent) : QDialog(parent), log_(log) {
  setObjectName("LogForm");
  setWindowTitle("Maintenance Log");

  Log_Lst_ = new QTreeWidget(this);
  Log_Lst_->setObjectName("Log_Lst");
  Log_Lst_->setColumnCount(4);
  Log_Lst_->setHeaderLabels({"Date", "Time", "Database File", "Description"});
  Log_Lst_->setRootIsDecorated(false);
  Log_Lst_->setItemsExpandable(false);
  Log_Lst_->setUniformRowHeights(true);
  Log_Lst_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  Log_Lst_->setSelectionBehavior(QAbstractItemView::SelectRows);
  Log_Lst_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Log_Lst_->setMinimumSize(560, 260);
  Log_Lst_->header()->setStretchLastSection(true);

  OKBtn_ = new QPushButton("&OK", this);
  DeleteBtn_ = new QPushButton("&Delete", this);
  DeleteBtn_->setToolTip("Delete Selected Entries");
  ClearBtn_ = new QPushButton("&Clear", this);
  ClearBtn_->setToolTip("Delete All Entries");
  HelpBtn_ = new QPushButton("&Help", this);
  OKBtn_->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(DeleteBtn_);
  buttons->addWidget(ClearBtn_);
  buttons->addStretch();
  buttons->addWidget(OKBtn_);
  buttons->addWidget(HelpBtn_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Log_Lst_);
  layout->addLayout(buttons);

  connect(OKBtn_, &QPushButton::clicked, this, &QDialog::accept);
  connect(DeleteBtn_, &QPushButton::clicked, this, &TLogForm::DeleteBtnClick);
  connect(ClearBtn_, &QPushButton::clicked, this, &TLogForm::ClearBtnClick);
  connect(HelpBtn_, &QPushButton::clicked, this, [] { ShowHelpTopic(kHelpTopic); });

  g_instance = this;
  Refresh();
}

TLogForm::~TLogForm() {
  if (g_instance == this) g_instance = nullptr;
}

TLogForm* TLogForm::Instance() { return g_instance; }

void TLogForm::Refresh() {
  Log_Lst_->clear();
  QList<QTreeWidgetItem*> items;
  for (const TLogEntry& e : log_.Entries())
    items << new QTreeWidgetItem(QStringList{e.Date, e.Time, e.DatabaseFile, e.Description});
  Log_Lst_->addTopLevelItems(items);
  for (int c = 0; c < 3; ++c) Log_Lst_->resizeColumnToContents(c);
}

void TLogForm::showEvent(QShowEvent* event) {
  Refresh();
  QDialog::showEvent(event);
}

void TLogForm::DeleteBtnClick() {
  std::vector<int> rows;
  for (QTreeWidgetItem* item : Log_Lst_->selectedItems())
    rows.push_back(Log_Lst_->indexOfTopLevelItem(item));
  if (rows.empty()) return;
  if (!Msg().Confirm("Remove Selected Items?")) return;
  log_.RemoveRows(rows);
  Refresh();
}

void TLogForm::ClearBtnClick() {
  if (log_.Count() == 0) return;
  if (!Msg().Confirm("Delete ALL Items?")) return;
  log_.Clear();
  Refresh();
}

void ShowMaintenanceLog(QWidget* parent) {
  if (TLogForm* form = TLogForm::Instance()) {
    form->exec();
    return;
  }
  TLogForm passing(parent);
  passing.exec();
}

}  // namespace quillary
