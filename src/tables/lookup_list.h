// Lookup lists: the small list tables ("list1.dbf" ... "list5.dbf" in the
// database directory) behind the lookup fields, created from the shipped
// "list.dbf" when missing; reading their items, appending a typed value, the
// auto-fill match, and filling every list from the values of the open data
// table. What the lookup control and the "Edit Lists" dialog are built on.
#pragma once

#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/dbase/table.h"

namespace quillary::tables {

namespace lookup_text {
inline const QString kCreateFailed = "Error! Could not create a list file: \n";
inline const QString kCannotOpen = "Cannot open the file: ";
inline const QString kUpdateCannotOpen = "Could not open file: ";
inline const QString kAddFailed = "Could not Add the Item!";
inline const QString kModifyFailed = "Could not Modify the Item!";
inline const QString kDeleteFailed = "Could not Delete the Item!";
inline const QString kConfirmDelete = "Are you sure you want to Delete this Item?";
}  // namespace lookup_text

// The tag on the item text every list's index carries.
inline constexpr const char* kListTag = "IDX";

class LookupList {
 public:
  enum class Binding {
    None,       // not bound (no source)
    Bound,      // the list table exists and opens
    Created,    // it was missing and was made from the template
    Unavailable // it exists but does not open now (another user holds it,
                // or it is damaged), or could not be created: no items
  };

  // Binds to `dir` / `source`. A missing list is created from the template
  // "list.dbf" (a failure shows the error); a list that exists is never
  // replaced, whatever keeps it from opening.
  Binding Bind(const std::filesystem::path& dir, const QString& source);
  Binding State() const { return state_; }
  bool IsBound() const { return state_ == Binding::Bound || state_ == Binding::Created; }
  const QString& Source() const { return source_; }
  const std::filesystem::path& Directory() const { return dir_; }

  // Field 0 of every record, in table order (open, read, close). Empty when
  // the list cannot be read.
  QStringList LoadItems();
  // Appends a record with field 0 = text (open, append, post, close); false
  // when the engine refused (the insert is cancelled).
  bool Append(const QString& text);

 private:
  bool OpenQuietly();
  std::filesystem::path dir_;
  QString source_;
  dbase::Table table_;
  Binding state_ = Binding::None;
};

// The first item, in display order, that starts with `prefix` (exact case).
std::optional<QString> AutoFillMatch(const QStringList& items, const QString& prefix);

// The lookup fields of the record table: their position and list file.
struct ListField {
  int position;
  QString file;
};

// "&Update Lists": for each list in order, every distinct non-empty text of
// its field in `data` (from the first record) that an exact key search on the
// list's "IDX" tag does not find is appended. A list that does not open shows
// "Could not open file: " + its file name and is skipped. Returns how many
// items were added.
int UpdateListsFromData(dbase::Table& data, const std::filesystem::path& dir,
                        const std::vector<ListField>& lists);

}  // namespace quillary::tables
