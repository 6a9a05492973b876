#include "tables/tindex.h"

#include <QDir>
#include <QFile>

#include "platform/files/case_path.h"
#include "shell/messages.h"
#include "shell/options.h"
#include "shell/progress.h"
#include "tables/database.h"
#include "tables/exclusive_use.h"

namespace quillary::tables {

namespace {

std::string BaseOf(const std::string& fileName) {
  auto dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

}  // namespace

void TIndex::Create(int primaryField, bool primaryDescending, int secondaryField, bool secondaryDescending) {
  current_.PrimaryField = uint8_t(primaryField);
  current_.PrimaryDescending = primaryDescending ? 1 : 0;
  current_.SecondaryField = uint8_t(secondaryField);
  current_.SecondaryDescending = secondaryDescending ? 1 : 0;
  Remember();
  SortExpression.clear();
  FilteredExpression.clear();
  SortOptions = FilteredOptions = 0;
  FilterActive = false;
  filter_ = FilterState::fsFilterOff;
}

void TIndex::ResetToEntryOrder() {
  current_ = SortSetting{};
  SortExpression.clear();
  FilteredExpression.clear();
  Remember();
}

void TIndex::SetFilterState(FilterState state) {
  filter_ = state;
  FilterActive = state != FilterState::fsFilterOff;
}

// ---------------------------------------------------------------- sort file

QString TIndex::SortFilePath() const {
  const dbase::Table& t = Db().Data;
  const std::string base = BaseOf(t.FileName());
  return QString::fromStdString(files::FindCaseInsensitive(t.Directory(), base + ".idx").string());
}

void TIndex::LoadSort() {
  ResetToEntryOrder();
  QFile f(SortFilePath());
  if (!f.open(QIODevice::ReadOnly)) return;
  // A file shorter than the 4 bytes means entry order.
  current_ = SortSetting::FromBytes(f.read(4));
}

bool TIndex::SaveSort() const {
  QFile f(SortFilePath());
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  const QByteArray b = current_.Bytes();
  bool ok = f.write(b) == b.size();
  f.close();
  return ok && f.error() == QFileDevice::NoError;
}

// ---------------------------------------------------------------- tags

void TIndex::BuildKey(const std::vector<dbase::FieldDef>& fields) {
  SortExpression.clear();
  SortKey k = BuildSortKey(current_, fields);
  SortExpression = k.expression;
  if (SortExpression.size() > size_t(kMaxExpressionText)) SortExpression.resize(size_t(kMaxExpressionText));
  SortOptions = k.options;
  FilteredExpression = FilteredKeyExpression(fields, SortExpression);
  FilteredOptions = SortOptions;
}

std::string TIndex::MatchingTag(const dbase::Table& t) const {
  if (SortExpression.empty()) return {};
  for (int i = 0; i < t.TagCount(); ++i) {
    const std::string e = t.TagExpression(i);
    const int o = t.TagOptions(i);
    if (!FilterActive && e == SortExpression && o == SortOptions) return t.TagName(i);
    if (FilterActive && e == FilteredExpression && o == FilteredOptions) return t.TagName(i);
  }
  return {};
}

namespace {
std::string NewTagName(const dbase::Table& t, bool filtered) {
  const std::string prefix = filtered ? "IDXF" : "IDX";
  // The tag count names the tag; a name already taken (tags deleted out of
  // order) moves on to the next number.
  for (int n = t.TagCount();; ++n) {
    std::string name = prefix + std::to_string(n);
    bool taken = false;
    for (int i = 0; i < t.TagCount(); ++i)
      if (t.TagName(i) == name) taken = true;
    if (!taken) return name;
  }
}
}  // namespace

std::string TIndex::FindOrCreateTag(dbase::Table& t) {
  table_ = &t;
  // The tag list is read fresh: another user may have added tags.
  std::vector<dbase::FieldDef> fields;
  std::string found;
  try {
    const bool wasOpen = t.IsOpen();
    const std::string tag = t.ActiveTag();
    if (!wasOpen) {
      t.SetActiveTag("");
      t.Open();
    }
    try {
      t.RefreshTags();
      fields = KeyFieldsOf(t);
      BuildKey(fields);
      found = MatchingTag(t);
      if (found.empty() && SortExpression.empty()) found = NewTagName(t, FilterActive);
    } catch (...) {
      if (!wasOpen) {
        t.Close();
        t.SetActiveTag(tag);
      }
      throw;
    }
    if (!wasOpen) {
      t.Close();
      t.SetActiveTag(tag);
    }
  } catch (const std::exception&) {
    return {};  // not even a shared open: another user has it to himself
  }
  fields_ = fields;
  // No key at all: the name is returned and opening with it fails.
  if (!found.empty()) return found;

  // The table is left closed: the caller opens it with the tag it chose.
  ExclusiveUse use(t);
  use.LeaveClosed();
  if (!use.OpenRetrying()) return {};
  std::string name;
  try {
    t.RefreshTags();
    name = MatchingTag(t);  // someone else may have just added it
    if (name.empty()) {
      name = NewTagName(t, FilterActive);
      if (FilterActive) t.AddTag(name, FilteredExpression, FilteredOptions);
      else t.AddTag(name, SortExpression, SortOptions);
    }
  } catch (const std::exception&) {
    name.clear();
  }
  return name;
}

bool TIndex::ApplySort() {
  CurrentDatabase& db = Db();
  dbase::Table& t = db.Data;
  const std::string previous = t.ActiveTag();
  // A sort used before costs only the tag lookup: the open table switches
  // to the tag it already has, without reading its index again.
  bool searched = false;
  if (t.IsOpen()) {
    try {
      table_ = &t;
      t.RefreshTags();
      fields_ = KeyFieldsOf(t);
      BuildKey(fields_);
      std::string name = MatchingTag(t);
      if (!name.empty()) {
        t.SetActiveTag(name);
        if (db.OrderChanged) db.OrderChanged();
        db.Decimals = FloatDecimals(t);
        return true;
      }
      searched = true;
    } catch (const std::exception&) {
      // The search starts over below on a table opened for it.
    }
  }
  // A new tag: the open table serves the tag search and is closed only for
  // the exclusive open that adds the tag (one index read fewer).
  if (!searched) {
    t.Close();
    t.SetActiveTag("");
  }
  try {
    std::string name = FindOrCreateTag(t);
    if (!name.empty()) {
      t.SetActiveTag(name);
      if (!t.IsOpen()) t.Open();
      if (db.OrderChanged) db.OrderChanged();
      db.Decimals = FloatDecimals(t);
      return true;
    }
  } catch (const std::exception&) {
    // Handled below: the previous sort comes back and the message is shown.
  }
  t.Close();
  t.SetExclusive(false);
  t.SetActiveTag(previous);
  try {
    t.Open();
  } catch (const dbase::EngineError&) {
    // The previous tag went away with the files: physical order then.
    t.SetActiveTag("");
    try {
      t.Open();
    } catch (const dbase::EngineError&) {
      // The table stays closed; the window shows no records.
    }
  }
  db.Decimals = FloatDecimals(t);
  Restore();
  RestoreNormalCursor();
  if (!db.SuppressIndexMessage) Msg().Error(text::kIndexFailed);
  return false;
}

// ---------------------------------------------------------------- letters

char TIndex::RecordLetter(dbase::Table& t) const {
  if (!t.IsOpen()) return 0;
  const int pf = current_.PrimaryField;
  if (pf < 2 || pf >= t.FieldCount() || KindOf(t.Field(pf)) != Kind::Text) return 0;
  std::string v;
  try {
    v = t.AsText(pf);
  } catch (const dbase::EngineError&) {
    return 'A';
  }
  if (v.empty()) return 'A';
  // Compared as bytes: every non-ASCII UTF-8 character starts above "Z".
  unsigned char c = static_cast<unsigned char>(v[0]);
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  if (c < 'A') return 'A';
  if (c > 'Z') return 'Z';
  return char(c);
}

bool TIndex::LetterTabsActive(const dbase::Table& t) const {
  if (Opt().LetterTabs != 0 || !t.IsOpen()) return false;
  const int pf = current_.PrimaryField;
  return pf >= 2 && pf < t.FieldCount() && KindOf(t.Field(pf)) == Kind::Text;
}

bool TIndex::SetLetterRange(dbase::Table& t, char letter) {
  if (!t.IsOpen()) return false;
  const bool filtered = FilterActive;
  const bool reversed = filter_ == FilterState::fsReversed;
  // The bounds are given as the leading bytes of the key (the mark under a
  // filter, then the primary field's upper-cased text); the engine fills
  // the rest with blanks. Bounds built from a whole key record would put
  // the key of an empty secondary field behind the letter, and that key
  // (an inverted date or number) can sort after the key of a record whose
  // primary field is the letter alone, leaving such a record out.
  const std::string mark = filtered ? std::string(1, reversed ? kMarkFails : kMarkPasses) : std::string();
  if (!t.ActiveTag().empty() && IsTabLetter(letter) && LetterTabsActive(t)) {
    std::string start = mark + (letter == 'A' ? std::string(1, '\x01') : std::string(1, letter));
    std::string end = mark + (letter == 'Z' ? std::string(1, '\xFF') : std::string(1, letter) + '\xFF');
    bool descending = false;
    for (int i = 0; i < t.TagCount(); ++i)
      if (t.TagName(i) == t.ActiveTag()) descending = (t.TagOptions(i) & kDescendingKey) != 0;
    if (descending) std::swap(start, end);
    t.SetKeyRange(start, end);  // goes to the range's first record
    return true;
  }
  if (filtered && !t.ActiveTag().empty()) {
    t.SetKeyRange(std::string(reversed ? "0" : "2"), std::string(reversed ? "1" : "3"));
  } else if (t.HasRange()) {
    t.CancelRange();
  }
  t.First();
  return false;
}

void TIndex::CountLetters() {
  CurrentDatabase& db = Db();
  dbase::Table& t = db.Data;
  if (!LetterTabsActive(t)) return;
  WaitCursor wait;
  for (char l = 'Z'; l >= 'A'; --l) {
    int32_t& n = db.Letters[size_t(l - 'A')];
    n = 0;
    if (SetLetterRange(t, l)) n = int32_t(t.RecordCount());
  }
}

void TIndex::StoreLetterCount(char letter, LetterTabPanel* panel) {
  if (!IsTabLetter(letter)) return;
  CurrentDatabase& db = Db();
  SetLetterCount(db.Letters, letter, db.Data.IsOpen() ? int32_t(db.Data.RecordCount()) : 0, panel);
}

void TIndex::AdjustLetterCounts(char oldLetter, char newLetter, LetterTabPanel* panel) {
  MoveLetterCount(Db().Letters, oldLetter, newLetter, panel);
}

}  // namespace quillary::tables
