#include "mainwin/ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "mainwin/browse_rules.h"
#include "mainwin/color_scheme.h"
#include "mainwin/ui/editors/lookup_commands.h"
#include "mainwin/ui/formated_button.h"
#include "mainwin/ui/letter_tabs.h"
#include "mainwin/ui/record_button_list.h"
#include "mainwin/ui/record_commands.h"
#include "mainwin/ui/record_template_commands.h"
#include "mainwin/ui/sort_button.h"
#include "mainwin/ui/speed_bars.h"
#include "mainwin/ui/velto_header.h"
#include "mainwin/ui/view_options_commands.h"
#include "shell/messages.h"
#include "shell/options.h"
#include "shell/startup.h"
#include "shell/ui/window_file.h"
#include "tables/database.h"
#include "tables/field_kinds.h"

namespace quillary {

namespace text {
inline const QString kReadOnlyMode = " [Read Only Mode]";
}  // namespace text

namespace {

constexpr int kListPaneMin = 180;
constexpr int kRightPaneMin = 280;

QColor Rgb(int element) { return QColor::fromRgb(Scheme().Rgb(element)); }

void Paint(QWidget* w, int element) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, Rgb(element));
  p.setColor(QPalette::Button, Rgb(element));
  // Disabled captions must stay readable on the scheme's silver.
  p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
  p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
  p.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

}  // namespace

// Marks the window busy while a command runs: no other command starts
// inside it (the form pumps paint events while it loads and saves).
class TForm3::Busy {
 public:
  explicit Busy(TForm3& w) : w_(w) { ++w_.busy_; }
  ~Busy() { --w_.busy_; }

 private:
  TForm3& w_;
};

// ====================================================================== build

TForm3::TForm3(QWidget* parent) : QMainWindow(parent) {
  setObjectName("Form3");
  setWindowTitle(product::kTitle);
  browser_ = std::make_unique<Browser>([this] { return form_->SaveCurrentRecord(); }, this);
  setMinimumSize(400, 300);
  if (Opt().StayOnTop == 1) setWindowFlag(Qt::WindowStaysOnTopHint, true);
  ViewLayout layout;
  layout.showMenusAndSpeedBars = [this] { ApplyMenusAndSpeedBars(); };
  layout.arrangePanes = [this] { ArrangePanes(); };
  layout.letterTabsState = [this] { UpdateLetterTabsState(); };
  layout.recordButtonFont = [this] {
    AdjustRecordButtons();
    RefreshListPage();
  };
  viewOptions_ = std::make_unique<TViewOptionsCommands>(*this, std::move(layout), this);
  callbacks_.GoToFirstLetter = [this] { SelectLetter('A'); };
  callbacks_.GoToLastLetter = [this] { SelectLetter('Z'); };
  callbacks_.StepLetter = [this](bool forward) {
    const bool stepped = browser_->StepLetter(forward);
    if (stepped) Render(Show::List);
    return stepped;
  };
  callbacks_.GoToFound = [this](int field, int start, int length) {
    const std::optional<dbase::RecNo> target = browser_->BrowseRecord();
    if (!target || Blocked()) return;
    // The shown record is saved before the found one replaces it.
    if (!SaveCurrentRecord()) return;
    RunMove([this, target] { return browser_->ShowFound(*target); });
    form_->HighlightField(field, start, length);
  };
  callbacks_.SetWindowEnabled = [this](bool enabled) { setEnabled(enabled); };
  callbacks_.ReapplyFilter = [this] { Reload(); };

  BuildActions();
  BuildMenus();
  auto* central = new QWidget(this);
  central->setObjectName("Central");
  centralLayout_ = new QVBoxLayout(central);
  centralLayout_->setContentsMargins(0, 0, 0, 0);
  centralLayout_->setSpacing(0);
  setCentralWidget(central);
  BuildSpeedBar();
  splitter_ = new QSplitter(Qt::Horizontal, central);
  splitter_->setObjectName("Splitter");
  splitter_->setToolTip("Resize Left and Right Pages");
  splitter_->setChildrenCollapsible(false);
  splitter_->setHandleWidth(5);
  leftBox_ = new QWidget(splitter_);
  rightBox_ = new QWidget(splitter_);
  for (QWidget* box : {leftBox_, rightBox_}) {
    auto* l = new QHBoxLayout(box);
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
  }
  splitter_->addWidget(leftBox_);
  splitter_->addWidget(rightBox_);
  // The right pane keeps its width; the list pane takes what the window
  // gains or loses.
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 0);
  BuildListPane();
  letterTabs_ = new TLetterTabs(central);
  connect(letterTabs_, &TLetterTabs::LetterClicked, this, &TForm3::A_BtnClick);
  BuildRightPane();
  // The form has filled the label list the header's captions come from.
  // Without a stored header the two default columns share the header's
  // width at its first show; widths the user gives them persist in header.dat.
  header_->LoadHeader(TListHeader::HeaderFilePath());
  header_->installEventFilter(this);
  ApplyColumnsToButtons();
  ArrangePanes();

  tables::Db().OrderChanged = [this] { AfterDataChange(); };

  // Placed at the top right of the screen, then where wnd.dat says.
  resize(820, 580);
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    const QRect a = s->availableGeometry();
    move(a.right() - frameGeometry().width() + 1, a.top() + 1);
  }
  databaseOpened_ = tables::OpenDatabase();
  if (databaseOpened_) {
    lookups_->Bind();
    header_->SetFieldKinds(tables::Db().Kinds);
    UpdateLetterTabsState();
    UpdateSortCaptions();
  }
  UpdateCaption();
  ApplyMenusAndSpeedBars();
  ApplyColors();
  sortButton_->SetFilterState(tables::Db().Index.Filter());
  paneWidth_ = ReadWindowFile(this);
  if (paneWidth_ > 0) {
    const int total = splitter_->width() > 0 ? splitter_->width() : width();
    const int right = std::max(kRightPaneMin, paneWidth_);
    splitter_->setSizes({std::max(kListPaneMin, total - right), right});
  } else {
    splitter_->setSizes({width() * 45 / 100, width() * 55 / 100});
  }
  if (databaseOpened_) form_->ReadPageOrder();
  qApp->installEventFilter(this);
  constructing_ = false;
}

TForm3::~TForm3() {
  if (qApp) qApp->removeEventFilter(this);
  if (tables::Db().OrderChanged) tables::Db().OrderChanged = nullptr;
  browser_->CloseEditTable();
}

QAction* TForm3::Command(const QString& name) const {
  for (const auto& [n, a] : commands_)
    if (n == name) return a;
  return nullptr;
}

void TForm3::BuildActions() {
  // The menu names a command's key as the keys table binds it.
  auto add = [this](const QString& name, const QString& text, QStyle::StandardPixmap icon,
                    std::function<void()> run) {
    QString label = text;
    for (const KeyBinding& b : keys_.Bindings())
      if (b.name == name)
        label += "\t" + QKeySequence(QKeyCombination(b.chord.modifiers, Qt::Key(b.chord.key))).toString();
    auto* a = new QAction(style()->standardIcon(icon), label, this);
    a->setObjectName(name);
    a->setIconText(QString(text).remove('&'));
    if (run) connect(a, &QAction::triggered, this, [this, run] {
        if (!Blocked()) Guarded(run);
      });
    else a->setEnabled(false);  // until a subsystem contributes the command
    commands_.push_back({name, a});
    return a;
  };
  using SP = QStyle;
  // Main commands.
  add("B_Search", "&Find", SP::SP_FileDialogContentsView, nullptr);
  add("B_Replace", "&Replace", SP::SP_BrowserReload, nullptr);
  add("B_Options", "&Options", SP::SP_FileDialogDetailedView, nullptr);
  add("B_Print", "&Print", SP::SP_DialogSaveButton, nullptr);
  add("B_New", "&New Record", SP::SP_FileIcon, nullptr)->setIconText("New");
  add("B_Load", "&Load Database", SP::SP_DialogOpenButton, nullptr)->setIconText("Load");
  add("B_Table", "&Table View", SP::SP_FileDialogListView, nullptr)->setIconText("Table");
  add("B_HTML", "&HTML Report", SP::SP_DriveNetIcon, nullptr)->setIconText("HTML");
  Exit1_ = add("B_Exit", "&Exit", SP::SP_DialogCloseButton, [this] { B_ExitClick(); });
  Exit1_->setObjectName("Exit1");
  add("B_Export", "&Export", SP::SP_ArrowRight, nullptr);
  add("B_Import", "&Import", SP::SP_ArrowLeft, nullptr);
  add("B_Password", "&Password", SP::SP_DialogYesButton, nullptr);
  add("B_Maintenance", "&Maintenance", SP::SP_DriveHDIcon, nullptr);
  add("B_Filter", "&Filter", SP::SP_FileDialogStart, nullptr);
  add("B_Sort", "&Sort", SP::SP_ToolBarVerticalExtensionButton, nullptr);
  add("B_Summary", "S&ummary", SP::SP_FileDialogInfoView, nullptr);
  // Page and record movement.
  add("B_First", "&First", SP::SP_MediaSkipBackward, [this] { B_FirstClick(); })->setIconText("First");
  add("B_PgUp", "Pg&Up", SP::SP_MediaSeekBackward, [this] { B_PgUpClick(); })->setIconText("PgUp");
  add("B_PgDn", "Pg&Dn", SP::SP_MediaSeekForward, [this] { B_PgDnClick(); })->setIconText("PgDn");
  add("B_Last", "&Last", SP::SP_MediaSkipForward, [this] { B_LastClick(); })->setIconText("Last");
  add("B_Prev", "&Previous", SP::SP_ArrowUp, [this] { Previous1Click(); });
  add("B_Next", "&Next", SP::SP_ArrowDown, [this] { Next1Click(); });
  add("SponsorBtn", "Quick Access", SP::SP_DirHomeIcon, nullptr);
  // Record commands.
  add("B_RPrint", "P&rint Record", SP::SP_DialogSaveButton, nullptr);
  add("B_RDelete", "&Delete Record", SP::SP_TrashIcon, nullptr);
  add("B_RCopy", "&Copy Record", SP::SP_FileLinkIcon, nullptr);
  add("B_RPaste", "&Paste Record", SP::SP_DialogApplyButton, nullptr);
  add("B_RUndo", "&Undo Changes", SP::SP_DialogResetButton, nullptr);
  add("B_RSynchro", "S&ynchronize", SP::SP_BrowserReload, nullptr);
  add("B_RCapture", "Capture &Web Page", SP::SP_ComputerIcon, nullptr);
  add("B_RGo", "&Go To Web Page", SP::SP_DriveNetIcon, nullptr);
  // Help.
  add("Contents1", "&Help Contents", SP::SP_DialogHelpButton, nullptr);
  Tips1_ = add("Tips1", "&Tips", SP::SP_MessageBoxInformation, [this] { emit TipsRequested(); });
  add("Manual1", "&Manual", SP::SP_FileIcon, nullptr);
  add("HomePage1", "Home &Page", SP::SP_DirHomeIcon, nullptr);
  add("FAQ1", "&Online FAQ", SP::SP_MessageBoxQuestion, nullptr);
  add("Email1", "&Email Support", SP::SP_DialogOkButton, nullptr);
  About1_ = add("About1", "&About", SP::SP_MessageBoxInformation, [this] { emit AboutRequested(); });
  // Hints of the record speed bar (the record commands bring their own).
  Command("B_RPrint")->setToolTip("Print Current Record");
  Command("B_RCapture")->setToolTip("Capture Web Page Into New Record");
  Command("B_RGo")->setToolTip("Go To Web Page");
  Command("B_Prev")->setToolTip("Previous Record");
  Command("B_Next")->setToolTip("Next Record");
}

void TForm3::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  for (const char* n : {"B_New", "B_Load", "B_Table", "B_Print", "B_HTML"}) file->addAction(Command(n));
  file->addSeparator();
  for (const char* n : {"B_Export", "B_Import"}) file->addAction(Command(n));
  file->addSeparator();
  file->addAction(Exit1_);
  QMenu* search = menuBar()->addMenu("&Search");
  for (const char* n : {"B_Search", "B_Replace", "B_Filter", "B_Sort", "B_Summary"}) search->addAction(Command(n));
  QMenu* move = menuBar()->addMenu("&Move");
  for (const char* n : {"B_First", "B_PgUp", "B_PgDn", "B_Last"}) move->addAction(Command(n));
  move->addSeparator();
  for (const char* n : {"B_Prev", "B_Next"}) move->addAction(Command(n));
  QMenu* tools = menuBar()->addMenu("T&ools");
  for (const char* n : {"B_Options", "B_Password", "B_Maintenance"}) tools->addAction(Command(n));
  QMenu* help = menuBar()->addMenu("&Help");
  for (const char* n : {"Contents1", "Tips1", "Manual1"}) help->addAction(Command(n));
  help->addSeparator();
  for (const char* n : {"HomePage1", "FAQ1", "Email1"}) help->addAction(Command(n));
  help->addSeparator();
  help->addAction(About1_);
}

void TForm3::BuildSpeedBar() {
  PageControl1_ = new TSpeedBar(centralWidget());
  const std::vector<std::vector<const char*>> pages = {
      {"B_Search", "B_Replace", "B_Options", "B_Print", "B_New", "B_Load", "B_Table", "B_HTML", "B_Exit"},
      {"B_Export", "B_Import", "B_Password", "B_Maintenance", "B_Filter", "B_Sort", "B_Summary"}};
  for (int p = 0; p < 2; ++p)
    for (const char* n : pages[size_t(p)])
      PageControl1_->AddButton(p, std::string(n) == "B_Exit" ? Exit1_ : Command(n), n);
}

// ==================================================== contributed commands

void TForm3::AddCommand(HubCommand command) {
  const size_t index = contributed_.size();
  contributed_.push_back(std::move(command));
  const HubCommand& c = contributed_.back();
  QAction* a = Command(c.name);
  // A name the window lists has its place already.
  if (!a) {
    a = new QAction(c.key.isEmpty() ? c.text : c.text + "\t" + c.key, this);
    a->setObjectName(c.name);
    a->setIconText(QString(c.text).remove('&'));
    commands_.push_back({c.name, a});
    for (QAction* top : menuBar()->actions())
      if (top->menu() && top->text() == c.menu) {
        top->menu()->addAction(a);
        break;
      }
    if (c.speedBarPage == 0 || c.speedBarPage == 1) {
      PageControl1_->AddButton(c.speedBarPage, a, c.name);
      PageControl1_->FitCaptions();
    }
  }
  if (!c.hint.isEmpty()) a->setToolTip(c.hint);
  if (!c.key.isEmpty()) {
    const QKeySequence key = QKeySequence::fromString(c.key, QKeySequence::PortableText);
    if (!key.isEmpty()) keys_.Bind({key[0].keyboardModifiers(), key[0].key()}, c.name);
  }
  connect(a, &QAction::triggered, this, [this, index] {
    if (!Blocked()) Guarded([this, index] { RunContributed(index); });
  });
  UpdateCommands();
}

void TForm3::RunContributed(size_t index) {
  // Copied: a command may contribute others while it runs.
  const HubCommand c = contributed_.at(index);
  if (c.enabled && !c.enabled()) return;
  if (c.saveFirst && !SaveBeforeCommand()) return;
  if (c.run) c.run();
  UpdateCommands();
}

void TForm3::SetTrayMode(std::function<bool()> keepInTray, std::function<void()> hiddenToTray) {
  SetKeepInTray(std::move(keepInTray));
  if (hiddenToTray) connect(this, &TForm3::HiddenToTray, this, std::move(hiddenToTray));
}

void TForm3::RunCommand(const QString& name) {
  if (QAction* a = Command(name); a && a->isEnabled()) a->trigger();
}

bool TForm3::CommandEnabled(const QString& name) const {
  const QAction* a = Command(name);
  return a && a->isEnabled();
}

void TForm3::UpdateCommands() {
  for (const HubCommand& c : contributed_)
    if (QAction* a = Command(c.name)) a->setEnabled(!c.enabled || c.enabled());
}

void TForm3::BuildListPane() {
  Panel1_ = new QWidget(leftBox_);
  Panel1_->setObjectName("Panel1");
  Panel1_->setMinimumWidth(kListPaneMin);
  auto* v = new QVBoxLayout(Panel1_);
  v->setContentsMargins(5, 4, 5, 4);
  v->setSpacing(2);
  sortButton_ = new TSortButton(Panel1_);
  sortButton_->setObjectName("SortButton");
  sortButton_->SetHint1("[Primary Sort Field]: Left Click - Sort Options; Right Click - Menu");
  sortButton_->SetHint2("[Secondary Sort Field]: Left Click - Sort Options; Right Click - Menu");
  sortButton_->SetHint3("Left Click - Set Filter;  Right Click - Menu");
  // The sort and filter dialogs and the menus come with their own part of
  // the program: until then the buttons only show the setting.
  for (int i = 0; i < 3; ++i) sortButton_->Button(i)->setEnabled(true);
  v->addWidget(sortButton_);
  header_ = new TVeltoHeader(Panel1_);
  header_->setObjectName("VeltoHeader1");
  connect(header_, &TVeltoHeader::HChange, this, [this] {
    ApplyColumnsToButtons();
    RefreshListPage();
  });
  v->addWidget(header_);
  buttons_ = new TRecordButtonList(Panel1_);
  connect(buttons_, &TRecordButtonList::Resized, this, [this] {
    if (!constructing_) AdjustRecordButtons();
  });
  connect(buttons_, &TRecordButtonList::Clicked, this, [this](int k) {
    if (!Blocked()) Guarded([this, k] { RecordButtonClick(k); });
  });
  connect(buttons_, &TRecordButtonList::MenuRequested, this, [this](int k, const QPoint& at) {
    if (!Blocked()) records_->PrepareRecordButtonPopup(k)->popup(at);
  });
  v->addWidget(buttons_, 1);
  Panel6_ = new TNavigationBar(Panel1_, Command("B_First"), Command("B_PgUp"), Command("SponsorBtn"),
                               Command("B_PgDn"), Command("B_Last"));
  v->addWidget(Panel6_);
}

void TForm3::BuildRightPane() {
  PgRight_ = new QWidget(rightBox_);
  PgRight_->setObjectName("PgRight");
  PgRight_->setMinimumWidth(kRightPaneMin);
  auto* v = new QVBoxLayout(PgRight_);
  v->setContentsMargins(4, 4, 4, 4);
  v->setSpacing(3);
  form_ = new TRecordForm(*this, PgRight_);
  lookups_ = std::make_unique<TLookupCommands>(*this, *form_, this);
  form_->setObjectName("Notebook1");
  form_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(form_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    if (Blocked()) return;
    records_->PrepareRecordFormPopup()->popup(form_->mapToGlobal(pos));
  });
  form_->BuildForm();
  form_->ApplyLabels();
  form_->ApplyDateFormats();
  form_->ApplyFonts();
  form_->ApplyColors();
  connect(form_, &TRecordForm::LabelsChanged, this, [this] {
    UpdateColumns();
    UpdateSortCaptions();
    RefreshListPage();
  });
  connect(form_, &TRecordForm::DateFormatsChanged, this, [this] { RefreshListPage(); });
  // An edit after a save is saved again at the next move.
  connect(form_, &TRecordForm::Modified, this, [this] { browser_->SetRecordSaved(false); });
  v->addWidget(form_, 1);

  Panel2_ = new QWidget(PgRight_);
  Panel2_->setObjectName("Panel2");
  Panel2_->setToolTip("This is a Speed Bar for the Current Record (above)");
  auto* bar = new QHBoxLayout(Panel2_);
  bar->setContentsMargins(2, 1, 2, 1);
  bar->setSpacing(2);
  auto addButton = [this, bar](const char* n) {
    auto* b = new QToolButton(Panel2_);
    b->setDefaultAction(Command(n));
    b->setObjectName(n);
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRaise(true);
    b->setToolTip(Command(n)->toolTip());
    bar->addWidget(b);
  };
  for (const char* n : {"B_RPrint", "B_RDelete", "B_RCopy", "B_RPaste", "B_RUndo", "B_RSynchro", "B_RCapture", "B_RGo"})
    addButton(n);
  bar->addStretch();
  addButton("B_Prev");
  addButton("B_Next");
  PgR_Lbl_ = new QLabel(Panel2_);
  PgR_Lbl_->setObjectName("PgR_Lbl");
  PgR_Lbl_->setMinimumWidth(QFontMetrics(font()).horizontalAdvance("000000") + 4);
  PgR_Lbl_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  PgR_Lbl_->setToolTip("Record Number");
  Perc_Lbl_ = new QLabel(Panel2_);
  Perc_Lbl_->setObjectName("Perc_Lbl");
  Perc_Lbl_->setMinimumWidth(QFontMetrics(font()).horizontalAdvance("100%") + 6);
  Perc_Lbl_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Perc_Lbl_->setToolTip("Position In The List");
  bar->addWidget(PgR_Lbl_);
  bar->addWidget(Perc_Lbl_);
  v->addWidget(Panel2_);

  auto* RStatus = new QWidget(PgRight_);
  RStatus->setObjectName("RStatus");
  auto* st = new QHBoxLayout(RStatus);
  st->setContentsMargins(4, 1, 2, 1);
  status_ = new QLabel(RStatus);
  status_->setObjectName("StatusText");
  status_->setFrameShape(QFrame::StyledPanel);
  status_->setFrameShadow(QFrame::Sunken);
  st->addWidget(status_, 1);
  templates_ = std::make_unique<TRecordTemplateCommands>(*this, *form_, this, RStatus);
  records_ = std::make_unique<TRecordCommands>(*this, *form_, *templates_, *viewOptions_, this);
  st->addWidget(templates_->Button());
  v->addWidget(RStatus);
}

// Speed bar above or below; letter tabs beside the list or at the right edge.
void TForm3::ArrangePanes() {
  centralLayout_->removeWidget(PageControl1_);
  centralLayout_->removeWidget(splitter_);
  const bool bottom = Opt().SpeedBarLocation == 1;
  if (!bottom) centralLayout_->addWidget(PageControl1_);
  centralLayout_->addWidget(splitter_, 1);
  if (bottom) centralLayout_->addWidget(PageControl1_);
  auto* left = static_cast<QHBoxLayout*>(leftBox_->layout());
  auto* right = static_cast<QHBoxLayout*>(rightBox_->layout());
  left->removeWidget(Panel1_);
  left->removeWidget(letterTabs_);
  right->removeWidget(PgRight_);
  right->removeWidget(letterTabs_);
  left->addWidget(Panel1_, 1);
  if (Opt().LetterTabsLocation == 1) {
    right->addWidget(PgRight_, 1);
    right->addWidget(letterTabs_);
    letterTabs_->setParent(rightBox_);
  } else {
    letterTabs_->setParent(leftBox_);
    left->addWidget(letterTabs_);
    right->addWidget(PgRight_, 1);
  }
  letterTabs_->show();
}

// ================================================================== options

void TForm3::ApplyMenusAndSpeedBars() {
  const int mode = Opt().MenusAndSpeedBars;
  const bool menu = mode != 2, bar = mode != 1;
  // The client area keeps its size: the window grows or shrinks instead.
  int delta = 0;
  auto change = [&](QWidget* w, bool show) {
    if (constructing_ || w->isVisibleTo(this) == show) return;
    delta += show ? w->sizeHint().height() : -w->height();
  };
  change(menuBar(), menu);
  change(PageControl1_, bar);
  menuBar()->setVisible(menu);
  PageControl1_->setVisible(bar);
  if (delta != 0 && !isMaximized()) resize(width(), height() + delta);
}

void TForm3::ApplyColors() {
  Paint(centralWidget(), element::WindowBg);
  Paint(Panel1_, element::ListPane);
  Paint(buttons_, element::ListPane);
  Paint(Panel6_, element::ListPane);
  Paint(PageControl1_, element::SpeedBar);
  for (int i = 0; i < PageControl1_->count(); ++i) Paint(PageControl1_->widget(i), element::SpeedBar);
  Paint(PgRight_, element::RightPane);
  Paint(Panel2_, element::RecordSpeedBar);
  for (QLabel* l : {PgR_Lbl_, Perc_Lbl_}) {
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Rgb(element::LabelsText));
    l->setPalette(p);
  }
  buttons_->ApplyColors();
  for (char l = 'A'; l <= 'Z'; ++l) RedrawLetter(l);
}

// As many record buttons as fit the list pane, at least one.
void TForm3::AdjustRecordButtons() {
  const bool changed = buttons_->Adjust();
  browser_->SetPageSize(buttons_->Count());
  ApplyColumnsToButtons();
  if (changed) RefreshListPage();
}

void TForm3::UpdateColumns() {
  header_->RenameSections();
  header_->Recompute();
}

// The record buttons draw the header's sections: one cell per section with
// its share of the width, the field named by its label.
void TForm3::ApplyColumnsToButtons() {
  columns_.clear();
  std::vector<int> percents;
  for (const THeaderSection& sec : header_->Header().Sections()) {
    columns_.push_back(ListColumn{sec.FieldIndex + tables::kFirstUserField, sec.Percent});
    percents.push_back(sec.Percent);
  }
  buttons_->SetColumns(percents);
}

// ============================================================ state display

bool TForm3::ReadOnlyDatabase() const { return Opt().IsReadOnlyDatabase(); }

QString TForm3::DataFileName() const { return Opt().CurrentDbFile; }

tables::CurrentDatabase& TForm3::Database() { return tables::Db(); }

void TForm3::RecordLetterChanged(char oldLetter, char newLetter) {
  tables::Db().Index.AdjustLetterCounts(oldLetter, newLetter, this);
}

void TForm3::RedrawLetter(char letter) {
  if (!IsTabLetter(letter)) return;
  letterTabs_->Recolor(letter, tables::Db().Letters[size_t(letter - 'A')]);
}

void TForm3::UpdateCaption() {
  QString caption = product::kTitle;
  dbase::Table& c = tables::Db().Catalogue;
  if (databaseOpened_ && c.IsOpen()) {
    QString name = Opt().CurrentDbFile;
    try {
      if (c.FindKey({{0, Opt().CurrentDbFile.toStdString()}})) name = QString::fromStdString(c.AsText(1));
    } catch (const dbase::EngineError&) {
      // A catalogue entry that cannot be read: the caption names the file.
    }
    caption += " - Database: " + name;
    if (Opt().IsReadOnlyDatabase()) caption += text::kReadOnlyMode;
  }
  setWindowTitle(caption);
}

void TForm3::UpdateSortCaptions() {
  const tables::SortSetting& s = tables::Db().Index.Current();
  const QStringList& labels = Opt().LabelList;
  auto label = [&](int pos) { return labels.value(pos - tables::kFirstUserField, QString("Field %1").arg(pos)); };
  sortButton_->SetCaption1(s.PrimaryField == 0 ? "Entry Order" : label(s.PrimaryField));
  sortButton_->SetCaption2(s.SecondaryField == 0 ? "NONE" : label(s.SecondaryField));
  sortButton_->SetIsDown1(s.PrimaryDescending);
  sortButton_->SetIsDown2(s.SecondaryDescending);
}

void TForm3::UpdateLetterTabsState() {
  const bool active = LetterTabsActive();
  letterTabs_->SetTabsEnabled(active);
  for (char l = 'A'; l <= 'Z'; ++l) RedrawLetter(l);
  letterTabs_->SetSelected(active ? CurrentLetter() : 0);
}

void TForm3::UpdateStatus() {
  status_->setText(StatusText(NewRecordMode(), Opt().IsReadOnlyDatabase(), RecordInUse()));
}

void TForm3::UpdateEnabledStates() {
  form_->SetEditorsState(!ReadOnlyDatabase() && !RecordInUse());
  UpdateCommands();
}

// ================================================================ rendering

void TForm3::Render(Show s) {
  if (browser_->TakeLetterChange()) {
    const bool set = browser_->LetterRangeSet();
    letterTabs_->SetTabsEnabled(set);
    letterTabs_->SetSelected(set ? browser_->CurrentLetter() : 0);
  }
  switch (s) {
    case Show::Nothing: return;
    case Show::List: break;
    case Show::Record:
    case Show::NewRecord:
      if (s == Show::Record) form_->LoadFields(browser_->EditTable());
      else form_->ClearFields();
      UpdateStatus();
      UpdateEnabledStates();
      [[fallthrough]];
    case Show::Labels:
      PgR_Lbl_->setText(RecordNumberText(browser_->RecordNo(), browser_->NewRecordMode()));
      Perc_Lbl_->setText(PercentText(browser_->RecordNo(), browser_->PercentCount()));
      break;
  }
  RefreshListPage();
}

void TForm3::RunMove(const std::function<Show()>& move) {
  Busy busy(*this);
  Render(move());
}

void TForm3::ShowRecord(int64_t i) {
  RunMove([this, i] { return browser_->ShowRecord(i); });
}

void TForm3::RefreshListPage() {
  if (constructing_ || !isVisible() || PageSize() == 0) return;
  form_->ClearHighlight();
  for (int k = 0; k < PageSize(); ++k)
    if (RecordButton(k)->CellCount() != int(columns_.size())) ApplyColumnsToButtons();
  buttons_->ClearCells();
  browser_->SetPageSize(PageSize());
  const PageView v = browser_->Page(columns_);
  buttons_->ShowPage(v);
  Command("B_First")->setEnabled(v.pageButtons.first);
  Command("B_PgUp")->setEnabled(v.pageButtons.pgUp);
  Command("B_PgDn")->setEnabled(v.pageButtons.pgDn);
  Command("B_Last")->setEnabled(v.pageButtons.last);
  Command("B_Prev")->setEnabled(v.recordButtons.previous);
  Command("B_Next")->setEnabled(v.recordButtons.next);
  // The list takes the focus, except from an editor being typed into.
  QWidget* f = QApplication::focusWidget();
  if (!f || !form_->isAncestorOf(f)) RecordButton(v.selected >= 0 ? v.selected : 0)->setFocus();
}

void TForm3::Reload() {
  lookups_->Bind();
  RunMove([this] { return browser_->Reload(); });
}

bool TForm3::SaveBeforeCommand() {
  if (!form_->SaveCurrentRecord()) return false;
  RunMove([this] { return browser_->AfterSave(); });
  return true;
}

void TForm3::AfterDataChange() {
  const Show s = browser_->AfterDataChange();
  UpdateLetterTabsState();
  Render(s);
  UpdateSortCaptions();
}

void TForm3::SelectLetter(char letter, bool refresh) {
  const Show s = browser_->SelectLetter(letter);
  Render(refresh ? s : Show::Nothing);
}

// ================================================================== paging

void TForm3::Guarded(const std::function<void()>& command) {
  // An engine error never reaches the event loop: the command stops, the
  // user is told, and the list shows what the table holds now.
  try {
    command();
  } catch (const std::exception& e) {
    Msg().Error(QString::fromStdString(e.what()));
    try {
      RefreshListPage();
    } catch (const std::exception&) {
      // The message is out; a list that cannot be read stays as it was.
    }
  }
}

bool TForm3::Blocked() const { return busy_ > 0 || (form_ && form_->Busy()); }

std::unique_ptr<WorkScope> TForm3::BeginWork(const QString& progressCaption, int maximum) {
  ++busy_;
  return std::make_unique<WorkScope>(progressCaption, maximum, [w = QPointer<TForm3>(this)] {
    if (w) --w->busy_;
  });
}

void TForm3::B_FirstClick() { Render(browser_->First()); }

void TForm3::B_PgUpClick() { Render(browser_->PgUp()); }

void TForm3::B_PgDnClick() { Render(browser_->PgDn()); }

void TForm3::B_LastClick() { Render(browser_->Last()); }

void TForm3::A_BtnClick(char letter) {
  if (Blocked() || !LetterTabsActive()) return;
  SelectLetter(letter);
}

void TForm3::RecordButtonClick(int k) {
  RunMove([this, k] { return browser_->RecordButton(k); });
  // The button shows as pressed only while it holds the shown record.
  buttons_->SetSelected(k, k == SelectedButton());
}

// ========================================================= record movement

void TForm3::Previous1Click() { MoveToNeighbour(false); }

void TForm3::Next1Click() { MoveToNeighbour(true); }

void TForm3::MoveToNeighbour(bool forward) {
  if (!Command(forward ? "B_Next" : "B_Prev")->isEnabled()) return;
  RunMove([this, forward] { return browser_->Neighbour(forward); });
}

void TForm3::B_ExitClick() {
  if (!SaveCurrentRecord()) return;
  savedForEnd_ = true;
  emit ExitRequested();
}

// ================================================================ templates

QString TForm3::TemplateName() const { return templates_->TemplateName(); }

QToolButton* TForm3::TemplateButton() const { return templates_->Button(); }

QMenu* TForm3::PrepareTemplateMenu() { return templates_->PrepareTemplateMenu(); }

QMenu* TForm3::PrepareTemplateRMenu() { return templates_->PrepareTemplateRMenu(); }

// ==================================================================== keys

bool TForm3::HandleKey(QKeyEvent* e, bool run) {
  const Qt::KeyboardModifiers mods = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
  const KeyBinding* b = keys_.Find({mods, e->key()});
  if (!b) return false;
  // Copied: a command may bind further keys while it runs.
  if (run) RunKey(KeyBinding(*b));
  return true;
}

void TForm3::RunKey(const KeyBinding& b) {
  switch (b.action) {
    case KeyAction::Command: RunCommand(b.name); return;
    case KeyAction::FormPage:
      if (!Blocked()) form_->ShowPage(b.index);
      return;
    case KeyAction::Letter:
      if (LetterTabsActive() && !Blocked()) SelectLetter(char(b.index));
      return;
    case KeyAction::Popup:
      if (!Blocked()) OpenPopup(b.name);
      return;
  }
}

void TForm3::OpenPopup(const QString& name) {
  if (name == "PopupMenu2") {
    viewOptions_->PrepareOptionsPopup()->popup(mapToGlobal(rect().center()));
  } else if (name == "PopupMenu1") {
    // The focused record button's, or the first one's.
    if (PageSize() == 0) return;
    const int k = buttons_->FocusedButton();
    records_->PrepareRecordButtonPopup(k)->popup(RecordButton(k)->mapToGlobal(QPoint(10, 10)));
  } else if (name == "PopupMenu3") {
    records_->PrepareRecordFormPopup()->popup(form_->mapToGlobal(QPoint(10, 10)));
  } else if (name == "VeltoHeader1") {
    header_->ShowPopup();
  }
  // The sort button's menus (SortBtn1..3) come with the sort dialog.
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
      auto* w = qobject_cast<QWidget*>(watched);
      if (!w || w->window() != this || QApplication::activeModalWidget() || QApplication::activePopupWidget())
        break;
      auto* k = static_cast<QKeyEvent*>(event);
      if (event->type() == QEvent::ShortcutOverride) {
        // Claim the window's own keys before any shortcut sees them; the
        // key press that follows is handled below.
        if (HandleKey(k, false)) {
          event->accept();
          return true;
        }
        break;
      }
      if (HandleKey(k, true)) return true;
      break;
    }
    case QEvent::ToolTip:
      if (Opt().HintMessages == 1) return true;
      break;
    default: break;
  }
  return QMainWindow::eventFilter(watched, event);
}

// ========================================================== window events

bool TForm3::SaveCurrentRecord() {
  if (Blocked() && !ending_) return false;
  if (!EditTable().IsOpen() || CurrentRecordNo() == 0 || browser_->RecordSaved()) return true;
  if (!form_->SaveCurrentRecord()) return false;
  browser_->SetRecordSaved(true);
  return true;
}

void TForm3::SaveCurrentRecordUnattended() {
  UnattendedMessages unattended;
  ScopedMessages quiet(unattended);
  ending_ = true;
  // The form asks nothing here; a date it cannot read keeps its stored value
  // instead of losing the record's other typed fields.
  // (It marks the record saved itself; a save already running is left alone.)
  if (EditTable().IsOpen() && CurrentRecordNo() != 0 && !browser_->RecordSaved()) form_->SaveCurrentRecordUnattended();
}

void TForm3::Teardown() {
  ending_ = true;
  if (!savedForEnd_) SaveCurrentRecordUnattended();
  savedForEnd_ = true;
  if (databaseOpened_) form_->WritePageOrder();
  // Typed values joined their lists when they were left or saved; what the
  // boxes still show came from the record and is not added at destruction.
  lookups_->Unbind();
  header_->SaveHeader(TListHeader::HeaderFilePath());
  paneWidth_ = PgRight_->width();
  WriteWindowFile(this, paneWidth_ > 0 ? paneWidth_ : width() / 2);
  browser_->CloseEditTable();
  tables::CurrentDatabase& db = tables::Db();
  if (db.Data.IsOpen()) db.Index.SaveSort();
  tables::CloseDatabase();
}

void TForm3::closeEvent(QCloseEvent* e) {
  // The window is never destroyed by its close box: it hides, and the
  // application decides whether the program goes on in the tray.
  e->ignore();
  if (!ending_ && !SaveCurrentRecord()) return;
  hide();
  if (keepInTray_ && keepInTray_()) emit HiddenToTray();
  else {
    savedForEnd_ = true;
    emit ExitRequested();
  }
}

void TForm3::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() == QEvent::WindowStateChange && isMinimized() && keepInTray_ && keepInTray_()) {
    // In tray mode minimising only hides the window.
    QTimer::singleShot(0, this, [this] {
      hide();
      emit HiddenToTray();
    });
  }
}

void TForm3::hideEvent(QHideEvent* e) {
  QMainWindow::hideEvent(e);
  if (!e->spontaneous()) hiddenSinceShow_ = true;
}

void TForm3::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (e->spontaneous() || ending_ || !databaseOpened_) return;
  if (!shownOnce_) {
    shownOnce_ = true;
    hiddenSinceShow_ = false;
    AdjustRecordButtons();
    UpdateLetterTabsState();
    RunMove([this] { return browser_->FirstShow(); });
    // Hidden on start-up: the first show closes the window into the tray.
    if (Opt().HideOnStartup != 0 && keepInTray_ && keepInTray_()) QTimer::singleShot(0, this, [this] { close(); });
    return;
  }
  if (!hiddenSinceShow_) return;
  hiddenSinceShow_ = false;
  // The form is saved through the edit table that holds the shown record
  // before a fresh one replaces it; then the same place is shown again.
  if (!SaveCurrentRecord()) {
    RefreshListPage();
    return;
  }
  // Labels and date formats may have been changed meanwhile (label
  // templates, the options dialog).
  form_->ApplyLabels();
  form_->ApplyDateFormats();
  RunMove([this] { return browser_->ShowAgain(); });
}

}  // namespace quillary
