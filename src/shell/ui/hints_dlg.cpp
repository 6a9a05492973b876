#include "shell/ui/hints_dlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QVBoxLayout>

#include "shell/messages.h"
#include "shell/options.h"

namespace quillary {

THintsDlg::THintsDlg(const QString& hintsPath, QWidget* parent,
                     std::function<int(int)> random)
    : QDialog(parent) {
  setObjectName("HintsDlg");
  setWindowTitle("Tips");
  Text_ = new QPlainTextEdit(this);
  Text_->setReadOnly(true);
  Text_->setMinimumSize(380, 140);
  PreviousBtn_ = new QPushButton("<< &Previous", this);
  NextBtn_ = new QPushButton("&Next >>", this);
  CloseBtn_ = new QPushButton("&Close", this);
  DontShowChk_ = new QCheckBox("&Do Not Display Tips", this);
  DontShowChk_->setChecked(Opt().ShowTips == 0);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(DontShowChk_);
  buttons->addStretch();
  buttons->addWidget(PreviousBtn_);
  buttons->addWidget(NextBtn_);
  buttons->addWidget(CloseBtn_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Text_);
  layout->addLayout(buttons);

  connect(PreviousBtn_, &QPushButton::clicked, this, [this] { ShowTip(current_ - 1); });
  connect(NextBtn_, &QPushButton::clicked, this, [this] { ShowTip(current_ + 1); });
  connect(CloseBtn_, &QPushButton::clicked, this, &QDialog::accept);
  CloseBtn_->setDefault(true);

  if (!hints_.Load(hintsPath)) Msg().Error("Cannot open the Hints file.");
  if (!random)
    random = [](int n) { return int(QRandomGenerator::global()->bounded(n)); };
  ShowTip(hints_.FirstTip(random));
}

QString THintsDlg::TipText() const { return Text_->toPlainText(); }

void THintsDlg::ShowTip(int k) {
  current_ = k;
  Text_->setPlainText(k > 0 ? hints_.TipText(k) : QString());
  PreviousBtn_->setEnabled(hints_.CanPrevious(k));
  NextBtn_->setEnabled(hints_.CanNext(k));
}

void THintsDlg::done(int r) {
  Opt().ShowTips = DontShowChk_->isChecked() ? 0 : 1;
  QDialog::done(r);
}

}  // namespace quillary
