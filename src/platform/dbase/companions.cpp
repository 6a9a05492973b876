#include "platform/dbase/companions.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/files/case_path.h"

namespace quillary::dbase {

std::string TableBase(const std::filesystem::path& dbf) { return dbf.stem().string(); }

std::filesystem::path CompanionOf(const std::filesystem::path& dbf, std::string_view ext) {
  return files::FindCaseInsensitive(dbf.parent_path(), TableBase(dbf) + std::string(ext));
}

std::vector<std::filesystem::path> ExistingCompanions(const std::filesystem::path& dbf) {
  std::vector<std::filesystem::path> out;
  for (auto ext : kCompanionExtensions) {
    std::error_code ec;
    auto p = CompanionOf(dbf, ext);
    if (std::filesystem::exists(p, ec)) out.push_back(p);
  }
  return out;
}

std::filesystem::path FindDataFile(const std::filesystem::path& dir, const std::string& name) {
  return files::FindCaseInsensitive(dir, name);
}

void SyncDirectory(const std::filesystem::path& dir) {
  int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace quillary::dbase
