// Case-insensitive lookup of file names. Files this program creates have
// lower-case names, but files copied in from elsewhere may not: opening a
// named file finds it whatever the letter case of its name on disk.
#pragma once

#include <filesystem>
#include <string>

namespace quillary::files {

// Returns dir/name when a file of that name exists with exactly that case,
// else the first entry of dir whose name equals `name` ignoring ASCII case,
// else dir/name (which does not exist). Never throws.
std::filesystem::path FindCaseInsensitive(const std::filesystem::path& dir,
                                          const std::string& name);

// The same for a full path: the directory part is taken as it stands.
std::filesystem::path FindCaseInsensitive(const std::filesystem::path& path);

// ASCII case-insensitive equality, as used for file names.
bool EqualsIgnoreCase(const std::string& a, const std::string& b);

}  // namespace quillary::files
