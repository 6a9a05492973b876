// The sort descriptor: the current sort setting, its key expression, finding
// or adding the index tag for it, the saved sort file of each table, and
// what the letter tabs take from the sort: the letter of a record, the
// letter ranges and the counting of the letter counts (letter_counts.h).
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dbase/table.h"
#include "tables/letter_counts.h"
#include "tables/sort_keys.h"

namespace quillary::tables {

enum class FilterState { fsFilterOff, fsNormal, fsReversed };

class TIndex {
 public:
  TIndex() { ResetToEntryOrder(); }

  void Create(int primaryField, bool primaryDescending, int secondaryField, bool secondaryDescending);
  void Remember() { remembered_ = current_; }
  void Restore() { current_ = remembered_; }
  bool IsUnchanged() const { return current_ == remembered_; }
  void ResetToEntryOrder();

  SortSetting& Current() { return current_; }
  const SortSetting& Current() const { return current_; }
  const SortSetting& Remembered() const { return remembered_; }
  int PrimaryField() const { return current_.PrimaryField; }
  int SecondaryField() const { return current_.SecondaryField; }

  // The saved sort file of the data table: its base name with ".idx" beside it.
  QString SortFilePath() const;
  void LoadSort();
  bool SaveSort() const;

  // The tag of the current setting in `table`, added when no tag has its key
  // (that needs the table to itself). Empty when no tag could be made. The
  // table is left closed when a tag was added.
  std::string FindOrCreateTag(dbase::Table& table);
  // Reopens the data table with the tag of the current setting.
  bool ApplySort();

  // "A".."Z" for the current record, 0 when it has none.
  char RecordLetter(dbase::Table& table) const;
  bool SetLetterRange(dbase::Table& table, char letter);
  // Only while the letter tabs are active.
  bool LetterTabsActive(const dbase::Table& table) const;
  void CountLetters();
  void StoreLetterCount(char letter, LetterTabPanel* panel = nullptr);
  void AdjustLetterCounts(char oldLetter, char newLetter, LetterTabPanel* panel = nullptr);

  // Selects the filtered key and the mark ranges: set just before a filter
  // is shown, cleared when a new sort is applied.
  void SetFilterState(FilterState state);
  FilterState Filter() const { return filter_; }
  bool FilterActive = false;

  // The keys built last (for the tag search and for tests).
  std::string SortExpression;
  int SortOptions = 0;
  std::string FilteredExpression;
  int FilteredOptions = 0;

 private:
  void BuildKey(const std::vector<dbase::FieldDef>& fields);
  std::string MatchingTag(const dbase::Table& table) const;

  dbase::Table* table_ = nullptr;
  SortSetting current_, remembered_;
  FilterState filter_ = FilterState::fsFilterOff;
  // Field definitions of the table last seen open (the tag search may run
  // while it is closed).
  std::vector<dbase::FieldDef> fields_;
};

}  // namespace quillary::tables
