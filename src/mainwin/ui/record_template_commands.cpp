#include "mainwin/ui/record_template_commands.h"

#include <QMenu>
#include <QToolButton>

#include "mainwin/hub.h"
#include "mainwin/ui/record_form.h"
#include "mainwin/ui/record_template_form.h"
#include "tables/database.h"

namespace quillary {

TRecordTemplateCommands::TRecordTemplateCommands(Hub& hub, TRecordForm& form, QWidget* window,
                                                 QWidget* buttonParent)
    : QObject(window), hub_(hub), form_(form), window_(window) {
  names_.Load();
  templates_ = std::make_unique<RecordTemplates>(names_, hub_.Database().CopyBuffer);
  button_ = new QToolButton(buttonParent);
  button_->setObjectName("TemplateBtn");
  button_->setText(TRecordTemplateList::kBlank);
  button_->setToolTip("Left Click - Template For New Records; Right Click - Menu");
  button_->setFocusPolicy(Qt::NoFocus);
  button_->setContextMenuPolicy(Qt::CustomContextMenu);
  button_->setMinimumWidth(80);
  menu_ = new QMenu(window);
  menu_->setObjectName("TemplateMenu");
  rmenu_ = new QMenu(window);
  rmenu_->setObjectName("TemplateRMenu");
  connect(button_, &QToolButton::clicked, this, [this] {
    if (!hub_.IsBusy()) PrepareTemplateMenu()->popup(button_->mapToGlobal(QPoint(0, button_->height())));
  });
  connect(button_, &QToolButton::customContextMenuRequested, this, [this](const QPoint& p) {
    if (!hub_.IsBusy()) PrepareTemplateRMenu()->popup(button_->mapToGlobal(p));
  });
  Rebuild();
}

TRecordTemplateCommands::~TRecordTemplateCommands() = default;

void TRecordTemplateCommands::Load(const QString& name, bool replace) {
  // A new record starts blank already; "Blank" clears a replaced one.
  switch (templates_->GotoTemplate(name)) {
    case RecordTemplates::Use::Blank:
      if (replace) form_.ClearFields();
      break;
    case RecordTemplates::Use::Positioned: form_.LoadFields(hub_.Database().CopyBuffer, true); break;
    case RecordTemplates::Use::Missing: break;  // the error was shown
  }
}

void TRecordTemplateCommands::FillNewRecord() {
  if (templateName_ != TRecordTemplateList::kBlank && names_.Find(templateName_) != TRecordTemplateList::kNotFound)
    Load(templateName_, false);
}

bool TRecordTemplateCommands::CanSave() const {
  return hub_.DatabaseOpened() && hub_.Database().CopyBuffer.IsOpen();
}

void TRecordTemplateCommands::SaveRecord() {
  if (!CanSave()) return;
  // A date the editor refuses is not written into a template.
  if (!form_.CheckDates()) return;
  SaveRecordAsTemplate(*templates_, [this](dbase::Table& t) { return form_.SaveFields(t); }, window_);
  Rebuild();
}

void TRecordTemplateCommands::Rebuild() {
  if (templateName_ != TRecordTemplateList::kBlank && names_.Find(templateName_) == TRecordTemplateList::kNotFound)
    templateName_ = TRecordTemplateList::kBlank;
  button_->setText(templateName_);
}

void TRecordTemplateCommands::AddReplaceMenu(QMenu* menu, const QString& title, bool enabled) {
  QMenu* replace = menu->addMenu(title);
  replace->setEnabled(enabled);
  QStringList names{TRecordTemplateList::kBlank};
  names << names_.Names();
  for (const QString& n : names)
    connect(replace->addAction(n), &QAction::triggered, this, [this, n] { hub_.Guarded([this, n] { Load(n, true); }); });
  QAction* save = menu->addAction("&Save Record To Template");
  save->setEnabled(CanSave());
  connect(save, &QAction::triggered, this, [this] { hub_.Guarded([this] { SaveRecord(); }); });
}

QMenu* TRecordTemplateCommands::PrepareTemplateMenu() {
  QMenu* m = menu_;
  m->clear();
  QAction* head = m->addAction("Templates For Adding New Records:");
  head->setEnabled(false);
  QStringList names{TRecordTemplateList::kBlank};
  names << names_.Names();
  for (const QString& n : names) {
    QAction* a = m->addAction(n);
    a->setCheckable(true);
    a->setChecked(n == templateName_);
    connect(a, &QAction::triggered, this, [this, n] {
      templateName_ = n;
      button_->setText(n);
    });
  }
  return m;
}

QMenu* TRecordTemplateCommands::PrepareTemplateRMenu() {
  QMenu* m = rmenu_;
  m->clear();
  AddReplaceMenu(m, "&Replace Record With Template", !hub_.ReadOnlyDatabase() && !hub_.RecordInUse());
  m->addAction("&Help")->setEnabled(false);
  return m;
}

void TRecordTemplateCommands::AddToRecordMenu(QMenu* menu, bool locked) {
  AddReplaceMenu(menu, "R&eplace Record With Template", !locked);
}

}  // namespace quillary
