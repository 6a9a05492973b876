#include "platform/files/case_path.h"

#include <system_error>

namespace quillary::files {

namespace {
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
}  // namespace

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

std::filesystem::path FindCaseInsensitive(const std::filesystem::path& dir,
                                          const std::string& name) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path exact = dir / name;
  if (fs::exists(exact, ec)) return exact;
  fs::directory_iterator it(dir.empty() ? fs::path(".") : dir, ec);
  if (ec) return exact;
  for (const auto& entry : it) {
    if (EqualsIgnoreCase(entry.path().filename().string(), name))
      return dir / entry.path().filename();
  }
  return exact;
}

std::filesystem::path FindCaseInsensitive(const std::filesystem::path& path) {
  return FindCaseInsensitive(path.parent_path(), path.filename().string());
}

}  // namespace quillary::files
