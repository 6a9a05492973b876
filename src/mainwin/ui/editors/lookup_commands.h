// The record form's lookup fields as the main window commands them: real
// lookup boxes over "list1.dbf" .. "list5.dbf" of the open database's
// directory, bound again after a database switch and unbound at the end, and
// "Edit List" from a box's menu.
#pragma once

#include <QObject>
#include <QPointer>
#include <vector>

class QWidget;

namespace quillary {

class Hub;
class TLookup;
class TRecordForm;

class TLookupCommands : public QObject {
  Q_OBJECT
 public:
  // Installs the boxes' factory: call before the form builds its pages.
  TLookupCommands(Hub& hub, TRecordForm& form, QWidget* window);

  // Every box onto its list of the current database directory.
  void Bind();
  void Unbind();

 private:
  Hub& hub_;
  QWidget* window_;
  std::vector<QPointer<TLookup>> boxes_;
};

}  // namespace quillary
