// The record template commands of the main window: the template button of
// the status row with its menus (the template of new records; replacing the
// shown record with a template, saving it to one) and the same items in the
// record form's popup.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "mainwin/record_templates.h"
#include "shell/templates.h"

class QMenu;
class QToolButton;
class QWidget;

namespace quillary {

class Hub;
class TRecordForm;

class TRecordTemplateCommands : public QObject {
  Q_OBJECT
 public:
  // The button is made in `buttonParent`, the menus belong to `window`.
  TRecordTemplateCommands(Hub& hub, TRecordForm& form, QWidget* window, QWidget* buttonParent);
  ~TRecordTemplateCommands() override;

  QToolButton* Button() const { return button_; }
  // The template of new records ("Blank" for none).
  QString TemplateName() const { return templateName_; }

  // The button's menus, prepared as opening them would.
  QMenu* PrepareTemplateMenu();
  QMenu* PrepareTemplateRMenu();
  // "R&eplace Record With Template" and "&Save Record To Template" of the
  // record form's popup; `locked`: the shown record may not change.
  void AddToRecordMenu(QMenu* menu, bool locked);
  // A new record just shown starts from the template of new records.
  void FillNewRecord();

 private:
  void Load(const QString& name, bool replace);
  bool CanSave() const;
  void SaveRecord();
  // The template of new records may have been deleted in the dialog.
  void Rebuild();
  void AddReplaceMenu(QMenu* menu, const QString& title, bool enabled);

  Hub& hub_;
  TRecordForm& form_;
  QWidget* window_;
  TRecordTemplateList names_;
  std::unique_ptr<RecordTemplates> templates_;
  QString templateName_ = TRecordTemplateList::kBlank;
  QToolButton* button_;
  QMenu* menu_;
  QMenu* rmenu_;
};

}  // namespace quillary
