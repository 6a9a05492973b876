// Structural check of a table's files without changing them: header and
// descriptors, record count against the file's length, deleted flags, every
// field value and every memo reference.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quillary::dbase {

struct CheckReport {
  uint64_t records = 0;  // records the file holds
  uint64_t deleted = 0;
  std::vector<std::string> problems;  // damage: each one makes the table unsound
  std::vector<std::string> notes;     // harmless oddities
  bool ok() const { return problems.empty(); }
};

// Throws DatabaseError Missing / InUse when it cannot look at all; damage
// found is reported, not thrown. At most `max_problems` are listed.
CheckReport CheckTable(const std::filesystem::path& directory, const std::string& file_name,
                       size_t max_problems = 100);

}  // namespace quillary::dbase
