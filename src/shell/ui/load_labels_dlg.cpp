#include "shell/ui/load_labels_dlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "shell/messages.h"
#include "shell/templates.h"
#include "shell/ui/qt_messages.h"

namespace quillary {

TLoadLabelsDlg::TLoadLabelsDlg(QWidget* parent) : TLoadLabelsDlg(LabelTemplates(), parent) {}

TLoadLabelsDlg::TLoadLabelsDlg(TLabelTemplateList& list, QWidget* parent)
    : QDialog(parent), list_(list) {
  setObjectName("LoadLabelsDlg");
  setWindowTitle("Load Labels From Template");

  Templates_Lst_ = new QListWidget(this);
  Templates_Lst_->setObjectName("Templates_Lst");
  Templates_Lst_->setSelectionMode(QAbstractItemView::SingleSelection);
  auto* caption = new QLabel("Label Templates:", this);
  caption->setBuddy(Templates_Lst_);

  OKBtn_ = new QPushButton("&OK", this);
  CancelBtn_ = new QPushButton("Cancel", this);
  DeleteBtn_ = new QPushButton("&Delete", this);
  HelpBtn_ = new QPushButton("&Help", this);
  OKBtn_->setDefault(true);

  auto* buttons = new QVBoxLayout;
  buttons->addWidget(OKBtn_);
  buttons->addWidget(CancelBtn_);
  buttons->addWidget(DeleteBtn_);
  buttons->addStretch();
  buttons->addWidget(HelpBtn_);
  auto* left = new QVBoxLayout;
  left->addWidget(caption);
  left->addWidget(Templates_Lst_);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);

  connect(OKBtn_, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn_, &QPushButton::clicked, this, &QDialog::reject);
  connect(DeleteBtn_, &QPushButton::clicked, this, &TLoadLabelsDlg::DeleteBtnClick);
  connect(HelpBtn_, &QPushButton::clicked, this, [] { ShowHelpTopic(kHelpTopic); });
  connect(Templates_Lst_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

  Fill(0);
}

void TLoadLabelsDlg::Fill(int select) {
  Templates_Lst_->clear();
  Templates_Lst_->addItems(list_.Names());
  if (Templates_Lst_->count() > 0)
    Templates_Lst_->setCurrentRow(std::min(select, Templates_Lst_->count() - 1));
}

QString TLoadLabelsDlg::SelectedFileName() const {
  return list_.TemplateAt(Templates_Lst_->currentRow()).FileName;
}

void TLoadLabelsDlg::DeleteBtnClick() {
  const int row = Templates_Lst_->currentRow();
  if (row < 0) return;
  if (!Msg().Confirm("Delete Selected Template?")) return;
  list_.DeleteTemplate(row);
  Fill(row);
}

QString TLoadLabelsDlg::Execute(QWidget* parent) {
  TLoadLabelsDlg dlg(parent);
  return dlg.exec() == QDialog::Accepted ? dlg.SelectedFileName() : QString();
}

}  // namespace quillary
