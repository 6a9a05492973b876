// The "Save Record As Template" dialog.
#include "mainwin/ui/record_template_form.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/messages.h"
#include "shell/ui/qt_messages.h"

namespace quillary {

TRecordTemplateForm::TRecordTemplateForm(RecordTemplates& templates, QWidget* parent)
    : QDialog(parent), templates_(templates) {
  setWindowTitle(rectemplate_text::kCaption);
  setProperty("helpTopic", kHelpTopic);

  auto* dates = new QGroupBox("Set Date To System Date:", this);
  auto* dateColumn = new QVBoxLayout(dates);
  for (const TemplateDateField& f : templates_.DateFields()) {
    auto* box = new QCheckBox(f.label, dates);
    dateColumn->addWidget(box);
    boxes_.emplace_back(f.position, box);
  }
  if (boxes_.empty()) dates->hide();

  auto* listLabel = new QLabel("Existing Templates:", this);
  list_ = new QListWidget(this);
  list_->setToolTip("Double Click To Change");
  listLabel->setBuddy(list_);
  auto* nameLabel = new QLabel("Template Name:", this);
  name_ = new QLineEdit(this);
  name_->setToolTip("Enter New Or Existing Template Name");
  nameLabel->setBuddy(name_);

  ok_ = new QPushButton("&OK", this);
  cancel_ = new QPushButton("Cancel", this);
  delete_ = new QPushButton("&Delete", this);
  help_ = new QPushButton("&Help", this);
  ok_->setDefault(true);

  auto* left = new QVBoxLayout;
  left->addWidget(nameLabel);
  left->addWidget(name_);
  left->addWidget(listLabel);
  left->addWidget(list_, 1);
  left->addWidget(dates);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {ok_, cancel_, delete_, help_}) buttons->addWidget(b);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);

  connect(list_, &QListWidget::currentRowChanged, this, [this] { SelectionChanged(); });
  connect(list_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { Pick(list_->row(item)); });
  connect(ok_, &QPushButton::clicked, this, [this] { OkClick(); });
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(delete_, &QPushButton::clicked, this, [this] { DeleteClick(); });
  connect(help_, &QPushButton::clicked, this, [] { ShowHelpTopic(kHelpTopic); });

  Fill();
  name_->setFocus();
}

void TRecordTemplateForm::Fill() {
  list_->clear();
  list_->addItem(TRecordTemplateList::kBlank);
  list_->addItems(templates_.Names().Names());
  list_->setCurrentRow(0);
  SelectionChanged();
}

void TRecordTemplateForm::SelectionChanged() { delete_->setEnabled(list_->currentRow() > 0); }

std::vector<int> TRecordTemplateForm::CheckedDateFields() const {
  std::vector<int> out;
  for (const auto& [position, box] : boxes_)
    if (box->isChecked()) out.push_back(position);
  return out;
}

void TRecordTemplateForm::Pick(int row) {
  if (row <= 0) return;  // "Blank" is no template to change
  name_->setText(list_->item(row)->text());
  const std::vector<int> marked = templates_.MarkedDateFields(row - 1);
  for (const auto& [position, box] : boxes_)
    box->setChecked(std::find(marked.begin(), marked.end(), position) != marked.end());
}

void TRecordTemplateForm::OkClick() {
  const QString name = name_->text();
  const int before = templates_.Names().Count();
  const std::optional<int> index = templates_.ChooseForSave(name);
  if (!index) {
    name_->setFocus();
    return;
  }
  if (templates_.Names().Count() > before) list_->addItem(name);
  list_->setCurrentRow(*index + 1);
  index_ = *index;
  accept();
}

void TRecordTemplateForm::DeleteClick() {
  const int row = list_->currentRow();
  if (row <= 0) return;
  if (!Msg().Confirm(rectemplate_text::kConfirmDelete)) return;
  if (!templates_.Delete(row - 1)) {
    Msg().Error(rectemplate_text::kDeleteInUse);
    return;
  }
  delete list_->takeItem(row);
  list_->setCurrentRow(std::min(row, list_->count() - 1));
  SelectionChanged();
}

bool SaveRecordAsTemplate(RecordTemplates& templates,
                          const std::function<bool(dbase::Table&)>& saveEditors,
                          QWidget* parent) {
  TRecordTemplateForm form(templates, parent);
  if (form.exec() != QDialog::Accepted) {
    // Cancelled: nothing is written into any template, but deletions made
    // in the dialog stand and are kept in records.tml.
    templates.Names().Save();
    return false;
  }
  return templates.StoreRecord(form.TemplateIndex(), form.CheckedDateFields(), saveEditors);
}

}  // namespace quillary
