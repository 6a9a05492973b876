// Shared helpers of the table engine tests: a scratch directory per test,
// the record-table field layout, raw file access for damage cases and the
// reason an operation fails with.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/dbase/table.h"

namespace quillary::dbase::test {

class ScratchDir {
 public:
  ScratchDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "dbase-test-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    path_ = ::mkdtemp(buf.data());
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::filesystem::path& p, const std::string& data) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << data;
}

// The 19 fields of a record table.
inline std::vector<FieldDef> RecordTableFields() {
  std::vector<FieldDef> f = {{"RECNO", 'N', 10, 0}, {"MARK", 'C', 1, 0}};
  const char* text[] = {"TITLE", "ADDRESS", "CAT1", "CAT2", "KEYWORDS", "EMAIL", "TYPE"};
  for (auto* n : text) f.push_back({n, 'C', 254, 0});
  f.push_back({"DATE", 'D', 8, 0});
  f.push_back({"PHONE", 'C', 254, 0});
  f.push_back({"LOGO", 'B', 10, 0});
  for (auto* n : {"USER1", "USER2", "USER3", "USER4"}) f.push_back({n, 'C', 254, 0});
  f.push_back({"DESCR", 'M', 10, 0});
  f.push_back({"NOTES", 'M', 10, 0});
  f.push_back({"PICTURE", 'B', 10, 0});
  return f;
}

// The reason of the DatabaseError `f` throws; Other when it throws none.
inline ErrorReason ReasonOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const DatabaseError& e) {
    return e.reason();
  }
  return ErrorReason::Other;
}

inline std::string PythonPath() { return "/usr/bin/python3"; }

}  // namespace quillary::dbase::test
