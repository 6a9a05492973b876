// Where the companion files of a data file live (.dbt, .mdx, .cpg): found
// beside it whatever their letter case, else a lower-case extension beside
// the data file's base name.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillary::dbase {

inline constexpr std::string_view kCompanionExtensions[] = {".dbt", ".mdx", ".cpg"};

// The base name of a data file ("DATA" of "DATA.DBF").
std::string TableBase(const std::filesystem::path& dbf);
std::filesystem::path CompanionOf(const std::filesystem::path& dbf, std::string_view ext);
// Existing companions only.
std::vector<std::filesystem::path> ExistingCompanions(const std::filesystem::path& dbf);
// The data file as found on disk, or dir/name when absent.
std::filesystem::path FindDataFile(const std::filesystem::path& dir, const std::string& name);
// Makes a rename or a new file's directory entry durable.
void SyncDirectory(const std::filesystem::path& dir);

}  // namespace quillary::dbase
