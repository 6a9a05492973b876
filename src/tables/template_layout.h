// The layouts of the shipped template tables: the record table (every data
// table, copy buffer, backup and export table is a copy of it), the catalogue
// and the lookup list, with the tags their index files carry. Standard C++
// only: the template generator builds on the engine alone.
#pragma once

#include <string>
#include <vector>

#include "platform/dbase/table.h"

namespace quillary::tables {

// Widths of one-line text fields: the most a dBASE character field holds
// that still leaves the whole record within the dBASE IV record limit.
inline constexpr int kLineWidth = 254;

inline std::vector<dbase::FieldDef> RecordTableFields() {
  return {
      {"RECNUM", 'N', 10, 0},        // 0 record number
      {"MARK", 'C', 1, 0},           // 1 filter mark
      {"TITLE", 'C', kLineWidth, 0},   // 2
      {"ADDRESS", 'C', kLineWidth, 0}, // 3
      {"CATEGORY1", 'C', kLineWidth, 0},
      {"CATEGORY2", 'C', kLineWidth, 0},
      {"KEYWORDS", 'C', kLineWidth, 0},
      {"EMAIL", 'C', kLineWidth, 0},
      {"RECTYPE", 'C', kLineWidth, 0},
      {"RECDATE", 'D', 8, 0},        // 9
      {"PHONE", 'C', kLineWidth, 0},
      {"LOGO", 'B', 10, 0},          // 11
      {"USER1", 'C', kLineWidth, 0},
      {"USER2", 'C', kLineWidth, 0},
      {"USER3", 'C', kLineWidth, 0},
      {"USER4", 'C', kLineWidth, 0},
      {"DESCRIPT", 'M', 10, 0},      // 16
      {"NOTES", 'M', 10, 0},         // 17
      {"PICTURE", 'B', 10, 0},       // 18
  };
}

// The entry-order key and its filtered form, exactly as the sort descriptor
// builds them, so that entry order always finds these two tags.
inline const char* const kEntryOrderExpression = "STR(RECNUM, 20, 4)";
inline const char* const kFilteredEntryOrderExpression = "MARK+STR(RECNUM, 20, 4)";
inline constexpr int kEntryOrderOptions = 16;

inline std::vector<dbase::FieldDef> CatalogueFields() {
  return {
      {"FILENAME", 'C', 32, 0},   // 0 table file name with extension
      {"DBNAME", 'C', kLineWidth, 0},  // 1 name shown to the user
      {"DESCRIPT", 'C', kLineWidth, 0},  // 2 description
      {"COUNTER", 'N', 12, 0},    // 3 last record number given out
  };
}
inline const char* const kCatalogueExpression = "FILENAME";

inline std::vector<dbase::FieldDef> ListFields() {
  return {{"ITEM", 'C', kLineWidth, 0}};
}
// Keys are limited to 100 bytes; items longer than that share a key prefix.
inline const char* const kListExpression = "SUBSTR(ITEM, 1, 100)";

}  // namespace quillary::tables
