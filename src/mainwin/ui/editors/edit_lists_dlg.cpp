// The "Edit Lists" dialog.
#include "mainwin/ui/editors/edit_lists_dlg.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "mainwin/ui/editors/lookup.h"
#include "shell/messages.h"
#include "shell/options.h"
#include "shell/ui/qt_messages.h"
#include "tables/database.h"
#include "tables/table_utils.h"

namespace quillary {

using namespace tables;

namespace {
std::filesystem::path DbPath() { return std::filesystem::path(Opt().CurrentDbDir.toStdString()); }
}  // namespace

std::vector<ListField> TEditListsDlg::RecordTableLists() {
  return {{4, "list1.dbf"}, {5, "list2.dbf"}, {8, "list3.dbf"}, {14, "list4.dbf"}, {15, "list5.dbf"}};
}

TEditListsDlg::TEditListsDlg(std::vector<ListField> lists, int first, QWidget* parent)
    : QDialog(parent), lists_(std::move(lists)) {
  setWindowTitle("Edit Lists");
  setProperty("helpTopic", kHelpTopic);

  auto* box = new QGroupBox("Lists", this);
  box->setToolTip("Select List for Editing");
  auto* radios = new QVBoxLayout(box);
  group_ = new QButtonGroup(this);
  const QStringList& labels = Opt().LabelList;
  for (int i = 0; i < int(lists_.size()); ++i) {
    QString caption = labels.value(lists_[size_t(i)].position - kFirstUserField);
    if (caption.isEmpty()) caption = lists_[size_t(i)].file;
    auto* b = new QRadioButton(caption, box);
    group_->addButton(b, i);
    radios->addWidget(b);
  }
  radios->addStretch();

  auto* gridLabel = new QLabel("List Elements:", this);
  grid_ = new QTableWidget(0, 1, this);
  grid_->setToolTip("Click Here To Select List Item");
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->horizontalHeader()->hide();
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
  grid_->setShowGrid(false);
  gridLabel->setBuddy(grid_);

  new_ = new QPushButton("&New", this);
  new_->setToolTip("Create New List Item");
  edit_ = new QPushButton("&Edit", this);
  edit_->setToolTip("Edit List Item");
  delete_ = new QPushButton("&Delete", this);
  delete_->setToolTip("Delete List Item");
  update_ = new QPushButton("&Update Lists", this);
  update_->setToolTip("Update All Lists From Current Database");
  close_ = new QPushButton("&Close", this);
  close_->setToolTip("Close This Window");
  help_ = new QPushButton("&Help", this);
  for (QPushButton* b : {new_, edit_, delete_, update_, close_, help_}) b->setAutoDefault(false);

  auto* middle = new QVBoxLayout;
  middle->addWidget(gridLabel);
  middle->addWidget(grid_, 1);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {new_, edit_, delete_, update_}) buttons->addWidget(b);
  buttons->addStretch();
  buttons->addWidget(close_);
  buttons->addWidget(help_);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(box);
  layout->addLayout(middle, 1);
  layout->addLayout(buttons);
  resize(520, 340);

  connect(group_, &QButtonGroup::idClicked, this, [this](int id) { SelectList(id); });
  connect(new_, &QPushButton::clicked, this, [this] { NewClick(); });
  connect(edit_, &QPushButton::clicked, this, [this] { EditClick(); });
  connect(delete_, &QPushButton::clicked, this, [this] { DeleteClick(); });
  connect(update_, &QPushButton::clicked, this, [this] { UpdateClick(); });
  connect(close_, &QPushButton::clicked, this, &QDialog::accept);
  connect(help_, &QPushButton::clicked, this, [] { ShowHelpTopic(kHelpTopic); });

  SelectList(first >= 0 && first < int(lists_.size()) ? first : 0);
}

TEditListsDlg::~TEditListsDlg() {
  try {
    table_.Close();
  } catch (const std::exception&) {
    // Nothing is pending in a list between the dialog's writes.
  }
}

QRadioButton* TEditListsDlg::ListButton(int index) const {
  return qobject_cast<QRadioButton*>(group_->button(index));
}

void TEditListsDlg::SelectList(int index) {
  if (index < 0 || index >= int(lists_.size())) return;
  current_ = index;
  if (QRadioButton* b = ListButton(index)) b->setChecked(true);
  try {
    table_.Close();
  } catch (const std::exception&) {
    // Each write posts at once: closing the previous list loses nothing.
  }
  const QString file = lists_[size_t(index)].file;
  table_.Bind(DbPath(), file.toStdString());
  table_.SetActiveTag(kListTag);
  try {
    table_.Open();
  } catch (const std::exception&) {
    Msg().Error(lookup_text::kCannotOpen + file);
  }
  Refresh();
  grid_->setFocus();
}

void TEditListsDlg::Refresh(const QString& select) {
  grid_->setRowCount(0);
  recnos_.clear();
  if (!table_.IsOpen()) return;
  int selectRow = 0;
  try {
    for (table_.First(); !table_.Eof(); table_.Next()) {
      const QString text = QString::fromStdString(table_.AsText(0));
      const int row = grid_->rowCount();
      grid_->insertRow(row);
      grid_->setItem(row, 0, new QTableWidgetItem(text));
      recnos_.push_back(table_.CurrentRecNo());
      if (!select.isNull() && text == select) selectRow = row;
    }
  } catch (const std::exception&) {
    // A damaged list shows the items read before the damage.
  }
  if (grid_->rowCount() > 0) grid_->selectRow(selectRow);
}

QStringList TEditListsDlg::ShownItems() const {
  QStringList out;
  for (int r = 0; r < grid_->rowCount(); ++r) out << grid_->item(r, 0)->text();
  return out;
}

void TEditListsDlg::SelectItem(const QString& text) {
  for (int r = 0; r < grid_->rowCount(); ++r)
    if (grid_->item(r, 0)->text() == text) grid_->selectRow(r);
}

bool TEditListsDlg::GotoSelected() {
  const int row = grid_->currentRow();
  if (!table_.IsOpen() || row < 0 || row >= int(recnos_.size())) return false;
  try {
    table_.GotoRecNo(recnos_[size_t(row)]);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// Appends a new item or changes the current one; a refused write is
// cancelled and reported with the given message.
void TEditListsDlg::StoreItem(bool append, const QString& text, const QString& failure) {
  try {
    if (append) table_.Append();
    else table_.Edit();
    table_.SetText(0, text.toStdString());
    table_.Post();
  } catch (const std::exception&) {
    try {
      table_.Cancel();
    } catch (const std::exception&) {
      // The failure is reported below; the cancel only drops the buffer.
    }
    Msg().Error(failure);
  }
}

void TEditListsDlg::NewClick() {
  const std::optional<QString> text = Msg().InputQuery("Add New Item", "New List Item:", QString());
  if (text && table_.IsOpen()) {
    StoreItem(true, *text, lookup_text::kAddFailed);
    Refresh(*text);
  }
  grid_->setFocus();
}

void TEditListsDlg::EditClick() {
  if (GotoSelected()) {
    const QString old = QString::fromStdString(table_.AsText(0));
    const std::optional<QString> text = Msg().InputQuery("Edit Item", "Modify List Item:", old);
    if (text) {
      StoreItem(false, *text, lookup_text::kModifyFailed);
      Refresh(*text);
    }
  }
  grid_->setFocus();
}

void TEditListsDlg::DeleteClick() {
  if (GotoSelected() &&
      Msg().Show(MsgKind::Warning, lookup_text::kConfirmDelete, MsgButtons::YesNo) == MsgAnswer::Yes) {
    const int row = grid_->currentRow();
    try {
      table_.GotoRecNo(recnos_[size_t(row)]);
      table_.Delete();
    } catch (const std::exception&) {
      Msg().Error(lookup_text::kDeleteFailed);
    }
    Refresh();
    if (grid_->rowCount() > 0) grid_->selectRow(std::min(row, grid_->rowCount() - 1));
  }
  grid_->setFocus();
}

void TEditListsDlg::UpdateClick() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    table_.Close();
  } catch (const std::exception&) {
    // Each write posts at once: closing the list loses nothing.
  }
  dbase::Table& data = Db().Data;
  if (data.IsOpen()) {
    // A second cursor, so the main window's record stays where it is.
    dbase::Table second(data.Directory(), data.FileName());
    try {
      second.Open();
      UpdateListsFromData(second, DbPath(), lists_);
    } catch (const std::exception&) {
      // The lists keep what they held; the dialog shows them anew below.
    }
    try {
      second.Close();
    } catch (const std::exception&) {
      // The second cursor only read the records.
    }
  }
  QApplication::restoreOverrideCursor();
  SelectList(0);
}

void TEditListsDlg::PackLists() {
  if (packed_) return;
  packed_ = true;
  try {
    table_.Close();
  } catch (const std::exception&) {
    // Each write posts at once: closing the list loses nothing.
  }
  for (const ListField& lf : lists_) {
    if (!dbase::TableExists(DbPath(), lf.file.toStdString())) continue;
    dbase::Table list(DbPath(), lf.file.toStdString());
    PackTable(list, true);
  }
}

void TEditListsDlg::done(int result) {
  // Deleted items go physically when the dialog closes, however it closes.
  PackLists();
  QDialog::done(result);
}

void TEditListsDlg::ExecuteFor(const QString& file, QWidget* parent) {
  std::vector<ListField> lists = RecordTableLists();
  int first = 0;
  for (int i = 0; i < int(lists.size()); ++i)
    if (lists[size_t(i)].file.compare(file, Qt::CaseInsensitive) == 0) first = i;
  Execute(std::move(lists), first, parent);
}

void TEditListsDlg::Execute(std::vector<ListField> lists, int first, QWidget* parent) {
  {
    TEditListsDlg dlg(std::move(lists), first, parent);
    dlg.exec();
  }
  TLookup::ReloadAll();
}

}  // namespace quillary
