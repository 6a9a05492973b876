#include "mainwin/list_header.h"

#include <algorithm>

#include "shell/messages.h"
#include "shell/options.h"
#include "shell/tagged_stream.h"
#include "shell/templates.h"

namespace quillary {

// ------------------------------------------------------------ free functions

int SectionPercent(int width, int barWidth) {
  if (barWidth <= 0 || width <= 0) return 0;
  const qint64 num = qint64(width) * 100;
  qint64 q = num / barWidth;
  const qint64 twice = (num % barWidth) * 2;
  if (twice > barWidth || (twice == barWidth && q % 2 != 0)) ++q;
  return int(std::min<qint64>(q, 100));
}

int CellTotalWidth(int buttonWidth, int cells, int gap) {
  return std::max(0, buttonWidth - cells * gap - 8);
}

int CellWidth(int percent, int total) {
  if (percent <= 0 || percent > 100) return 0;
  return int(qint64(percent) * total / 100);
}

std::vector<int> CellWidths(int buttonWidth, const std::vector<int>& percents, int gap) {
  const int total = CellTotalWidth(buttonWidth, int(percents.size()), gap);
  std::vector<int> out;
  out.reserve(percents.size());
  for (int p : percents) out.push_back(CellWidth(p, total));
  return out;
}

// ---------------------------------------------------------------- TListHeader

TListHeader::~TListHeader() { DetachTemplates(); }

std::vector<int> TListHeader::Percents() const {
  std::vector<int> out;
  out.reserve(sections_.size());
  for (const auto& s : sections_) out.push_back(s.Percent);
  return out;
}

int TListHeader::TotalWidth() const {
  int sum = 0;
  for (const auto& s : sections_) sum += s.Width;
  return sum;
}

QString TListHeader::HeaderFilePath() { return Opt().SettingsFile(kHeaderFile); }

// Labels past the record's user fields (a labels.dat with extra lines)
// name no field and never become columns.
static int FieldLabelCount() {
  return std::min(int(Opt().LabelList.size()), tables::kUserFieldCount);
}

int TListHeader::LabelIndexOf(const QString& caption) {
  const QStringList& labels = Opt().LabelList;
  for (int i = 0; i < FieldLabelCount(); ++i)
    if (labels[i].compare(caption, Qt::CaseInsensitive) == 0) return i;
  return kNotFound;
}

void TListHeader::ReadSections(const QString& file, bool& complete) {
  StreamReader r = StreamReader::FromFile(file);
  r.ReadListBegin();
  while (!r.EndOfList()) {
    const QString caption = r.ReadString();
    const int width = r.ReadInteger();
    // A column must show a field, and each field once: a caption that no
    // label has (a file older than the labels) or a repeated one is dropped.
    const int field = LabelIndexOf(caption);
    if (field == kNotFound || FindFieldIndex(field) != kNotFound) continue;
    sections_.push_back({caption, std::clamp(width, 0, kMaxWidth), field, 0});
  }
  r.ReadListEnd();
  complete = true;
}

bool TListHeader::LoadHeader(const QString& file) {
  sections_.clear();
  bool complete = false;
  try {
    ReadSections(file, complete);
  } catch (const StreamError&) {
    // Damage keeps what was read before it.
  }
  if (sections_.empty()) SetDefaultSections();
  else defaults_ = false;
  RecomputePercents();
  return complete;
}

bool TListHeader::SaveHeader(const QString& file) const {
  StreamWriter w;
  w.WriteListBegin();
  for (const auto& s : sections_) {
    w.WriteString(s.Caption);
    w.WriteInteger(s.Width);
  }
  w.WriteListEnd();
  try {
    w.SaveToFile(file);
    return true;
  } catch (const StreamError&) {
    return false;
  }
}

void TListHeader::SetDefaultSections() {
  sections_.clear();
  const QStringList& labels = Opt().LabelList;
  const int widths[2] = {kDefaultFirstWidth, kDefaultSecondWidth};
  for (int i = 0; i < 2 && i < FieldLabelCount(); ++i) sections_.push_back({labels[i], widths[i], i, 0});
  defaults_ = true;
  RecomputePercents();
}

bool TListHeader::FitDefaultSections(int width) {
  if (!defaults_ || width <= 0 || sections_.empty()) return false;
  const int total = kDefaultFirstWidth + kDefaultSecondWidth;
  if (sections_.size() == 1) {
    sections_[0].Width = std::min(width, kMaxWidth);
  } else {
    const int first = std::min(width * kDefaultFirstWidth / total, kMaxWidth);
    sections_[0].Width = first;
    sections_[1].Width = std::min(width - first, kMaxWidth);
  }
  RecomputePercents();
  return true;
}

void TListHeader::RenameSections() {
  const QStringList& labels = Opt().LabelList;
  for (auto& s : sections_)
    if (s.FieldIndex >= 0 && s.FieldIndex < labels.size()) s.Caption = labels[s.FieldIndex];
}

void TListHeader::RecomputePercents() {
  for (auto& s : sections_) s.Percent = SectionPercent(s.Width, barWidth_);
}

void TListHeader::Recompute() {
  RecomputePercents();
  Notify();
}

void TListHeader::Notify() {
  if (OnHChange) OnHChange();
}

void TListHeader::SetSectionWidth(int index, int width) {
  if (index < 0 || index >= Count()) return;
  sections_[size_t(index)].Width = std::clamp(width, 0, kMaxWidth);
}

void TListHeader::FinishResize(int index) {
  for (int j = 0; j < index && j < Count(); ++j)
    if (sections_[size_t(j)].Width < kMinLeftWidth) sections_[size_t(j)].Width = kMinLeftWidth;
  Recompute();
}

int TListHeader::SectionLeft(int index) const {
  int x = 0;
  for (int i = 0; i < index && i < Count(); ++i) x += sections_[size_t(i)].Width;
  return x;
}

int TListHeader::SectionAt(int x) const {
  int right = 0;
  for (int i = 0; i < Count(); ++i) {
    right += sections_[size_t(i)].Width;
    if (right >= x) return i;
  }
  return Count() - 1;
}

void TListHeader::MoveSection(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) return;
  THeaderSection moved = sections_[size_t(from)];
  sections_.erase(sections_.begin() + from);
  sections_.insert(sections_.begin() + to, std::move(moved));
  Recompute();
}

int TListHeader::FindFieldIndex(int labelIndex) const {
  for (int i = 0; i < Count(); ++i)
    if (sections_[size_t(i)].FieldIndex == labelIndex) return i;
  return kNotFound;
}

int TListHeader::FindSection(const QString& caption) const {
  for (int i = 0; i < Count(); ++i)
    if (sections_[size_t(i)].Caption.compare(caption, Qt::CaseInsensitive) == 0) return i;
  return kNotFound;
}

std::vector<int> TListHeader::InsertCandidates(const tables::FieldKindSets& kinds) const {
  std::vector<int> out;
  for (int i = 0; i < FieldLabelCount(); ++i) {
    const int position = i + tables::kFirstUserField;
    if (kinds.IsMemo(position) || kinds.IsPicture(position)) continue;
    if (FindFieldIndex(i) != kNotFound) continue;
    out.push_back(i);
  }
  return out;
}

bool TListHeader::CanInsert() const { return sections_.empty() || sections_.back().Width >= 0; }

bool TListHeader::InsertField(int labelIndex) {
  const QStringList& labels = Opt().LabelList;
  if (labelIndex < 0 || labelIndex >= FieldLabelCount() || !CanInsert() ||
      FindFieldIndex(labelIndex) != kNotFound)
    return false;
  // The new column takes the free space right of the others; a bar not yet
  // laid out has none to give (and no overflow to take back).
  const int used = TotalWidth();
  int width = barWidth_ > 0 ? barWidth_ - used : 0;
  sections_.push_back({labels[labelIndex], 0, labelIndex, 0});
  const int n = Count();
  if (n >= 2 && width <= 3 && sections_[size_t(n - 2)].Width > 0) {
    // Sections already overflowing the bar: the one before gives back the
    // overflow, then the nearest wide enough section shares half its width.
    int& before = sections_[size_t(n - 2)].Width;
    if (width < 0) {
      before = std::max(0, before + width);
      width = 0;
    }
    for (int j = n - 2; j >= 0; --j) {
      int& w = sections_[size_t(j)].Width;
      if (w >= 20) {
        const int half = w / 2;
        w -= half;
        width += half;
        break;
      }
    }
  }
  sections_.back().Width = std::clamp(width, 0, kMaxWidth);
  Recompute();
  return true;
}

bool TListHeader::RemoveSection(int index) {
  if (!CanRemove() || index < 0 || index >= Count()) return false;
  sections_.erase(sections_.begin() + index);
  Recompute();
  return true;
}

bool TListHeader::RemoveField(const QString& caption) { return RemoveSection(FindSection(caption)); }

// ----------------------------------------------------------------- templates

void TListHeader::AttachTemplates(THeaderTemplateList& list) {
  DetachTemplates();
  templates_ = &list;
  list.SetContentHandlers([this](const QString& path) { return SaveHeader(path); },
                          [this](const QString& path) { return LoadHeader(path); });
}

void TListHeader::DetachTemplates() {
  if (!templates_) return;
  templates_->SetContentHandlers({}, {});
  templates_ = nullptr;
}

QStringList TListHeader::TemplateNames() const { return templates_ ? templates_->Names() : QStringList(); }

void TListHeader::SaveAsTemplate() {
  if (!templates_) return;
  const auto name = Msg().InputQuery(header_text::kSaveCaption, header_text::kSavePrompt, QString());
  if (!name || name->isEmpty()) return;
  if (!templates_->AddTemplate(*name)) Msg().Error(header_text::kDuplicate);
}

bool TListHeader::LoadFromTemplate(const QString& name) {
  const bool ok = templates_ && templates_->LoadTemplate(name);
  if (!ok) Msg().Error(header_text::kLoadError);
  // A failed read may still have replaced the sections.
  Recompute();
  return ok;
}

void TListHeader::DeleteTemplate(const QString& name) {
  if (!templates_) return;
  const int i = templates_->FindTemplate(name);
  if (i != THeaderTemplateList::kNotFound) templates_->DeleteTemplate(i);
}

}  // namespace quillary
