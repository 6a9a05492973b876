// dbftool: looks into and maintains dBASE tables from the command line for
// users and administrators: info, dump, check and pack, and the index tags:
// count, add-tag, delete-tag, reindex.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/dbase/codepage.h"
#include "platform/dbase/errors.h"
#include "platform/dbase/table.h"
#include "platform/dbase/table_check.h"

namespace {

using namespace quillary::dbase;
namespace fs = std::filesystem;

constexpr int kExitOk = 0;
constexpr int kExitDamaged = 1;
constexpr int kExitUsage = 2;
constexpr int kExitCannot = 3;

const char* kUsage =
    "usage: dbftool <command> [options] <table.dbf>\n"
    "\n"
    "commands:\n"
    "  info       header, code page, fields and record count\n"
    "  dump       the records as tab-separated UTF-8 text: a line of field names,\n"
    "             then one line per record in physical order; tabs, line breaks\n"
    "             and backslashes in values are written as \\t, \\n, \\r and \\\\\n"
    "             --deleted   include deleted records\n"
    "             --tag NAME  in the order of index tag NAME instead\n"
    "  check      structural check of the data and memo files and of every\n"
    "             index tag against the data; exit status 1 when damage is found\n"
    "  pack       remove deleted records for good (needs the table to itself)\n"
    "  count --tag NAME [--from KEY] [--to KEY] <table.dbf>\n"
    "             records under index tag NAME, with keys from KEY and up to\n"
    "             keys beginning with KEY (\\xHH writes a raw byte)\n"
    "  add-tag <table.dbf> NAME EXPRESSION [--descending]\n"
    "             add an index tag on a dBASE key expression\n"
    "  delete-tag <table.dbf> NAME\n"
    "  reindex    rebuild every index tag\n"
    "             (add-tag, delete-tag and reindex need the table to themselves)\n"
    "\n"
    "exit status: 0 success, 1 damage found, 2 usage error, 3 the table could\n"
    "not be opened (missing, in use or unreadable)\n";

int Usage(const std::string& error) {
  if (!error.empty()) std::cerr << "dbftool: " << error << "\n\n";
  std::cerr << kUsage;
  return kExitUsage;
}

std::string Escape(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  return out;
}

const char* KindName(FieldKind k) {
  switch (k) {
    case FieldKind::Text: return "text";
    case FieldKind::Memo: return "memo";
    case FieldKind::LargeObject: return "large object";
    case FieldKind::Date: return "date";
    case FieldKind::Numeric: return "numeric";
    case FieldKind::Logical: return "logical";
  }
  return "?";
}

std::string VersionName(uint8_t v) {
  switch (v) {
    case 0x03: return "dBASE III/IV without memo";
    case 0x83: return "dBASE III with memo";
    case 0x8B: return "dBASE IV with memo";
    case 0x43: case 0x63: case 0xCB: return "dBASE IV with SQL table";
    default: return "dBASE variant";
  }
}

int Info(Table& t) {
  t.Open();
  char ver[8];
  std::snprintf(ver, sizeof ver, "0x%02X", t.Version());
  std::cout << "file:             " << (t.Directory() / t.FileName()).string() << "\n"
            << "version:          " << ver << " (" << VersionName(t.Version()) << ")\n"
            << "code page:        " << CodePageName(t.TableCodePage()) << "\n"
            << "production index: " << (t.HasProductionIndex() ? "yes" : "no") << "\n"
            << "records:          " << t.RecordCount() << " (" << t.PhysicalRecordCount()
            << " in the file, deleted included)\n"
            << "fields:           " << t.FieldCount() << "\n";
  for (int i = 0; i < t.FieldCount(); ++i) {
    const FieldDef& f = t.Field(i);
    char line[128];
    std::snprintf(line, sizeof line, "  %3d  %-10s %c %4d %2d  %s\n", i, f.name.c_str(), f.type, f.width, f.decimals,
                  KindName(f.kind));
    std::cout << line;
  }
  if (t.TagCount() > 0) {
    std::cout << "index tags:       " << t.TagCount() << "\n";
    for (int i = 0; i < t.TagCount(); ++i) {
      char line[64];
      std::snprintf(line, sizeof line, "  %-10s %s%s  ", t.TagName(i).c_str(), t.TagOptions(i) & 4 ? "descending" : "ascending ",
                    t.TagOptions(i) & 16 ? " expression" : "");
      std::cout << line << t.TagExpression(i) << "\n";
    }
  }
  return kExitOk;
}

int Dump(Table& t, bool deleted, const std::string& tag) {
  t.SetShowDeleted(deleted);
  t.SetActiveTag(tag);
  t.Open();
  int status = kExitOk;
  for (int i = 0; i < t.FieldCount(); ++i) std::cout << (i ? "\t" : "") << Escape(t.Field(i).name);
  std::cout << "\n";
  for (t.First(); t.HasRecord();) {
    for (int i = 0; i < t.FieldCount(); ++i) {
      if (i) std::cout << '\t';
      try {
        if (t.Field(i).kind == FieldKind::LargeObject) {
          std::string v = t.AsBytes(i);
          if (!v.empty()) std::cout << "<" << v.size() << " bytes>";
        } else {
          std::cout << Escape(t.AsText(i));
        }
      } catch (const ValueError& e) {
        std::cout << "<unreadable>";
        std::cerr << "dbftool: record " << t.CurrentRecNo() << ", field " << t.Field(i).name << ": " << e.what()
                  << "\n";
        status = kExitDamaged;
      }
    }
    std::cout << "\n";
    t.Next();
    if (t.Eof()) break;
  }
  return status;
}

int Check(const fs::path& path) {
  CheckReport rep = CheckTable(path.parent_path(), path.filename().string());
  for (const auto& n : rep.notes) std::cout << "note: " << n << "\n";
  for (const auto& p : rep.problems) std::cout << "damage: " << p << "\n";
  // The index tags against the data, as the index file is now: nothing is
  // repaired on the way.
  size_t tag_problems = 0;
  int tags = 0;
  if (rep.ok()) {
    Table t(path.parent_path().empty() ? fs::path(".") : path.parent_path(), path.filename().string());
    t.SetIndexRepair(false);
    try {
      t.Open();
      tags = t.TagCount();
      for (const auto& p : t.CheckTags()) {
        std::cout << "damage: index: " << p << "\n";
        ++tag_problems;
      }
    } catch (const DatabaseError& e) {
      if (e.IsLockConflict()) throw;
      std::cout << "damage: index: " << e.what() << "\n";
      ++tag_problems;
    }
  }
  if (rep.ok() && tag_problems == 0) {
    std::cout << "ok: " << rep.records << " records (" << rep.deleted << " deleted), " << tags << " index tag(s)\n";
    return kExitOk;
  }
  std::cout << "damaged: " << rep.problems.size() + tag_problems << " problem(s) found\n";
  return kExitDamaged;
}

// Key text from the command line: UTF-8, with \\xHH for raw bytes.
std::string KeyArgument(const std::string& arg) {
  std::string out;
  for (size_t i = 0; i < arg.size(); ++i) {
    if (arg[i] == '\\' && i + 3 < arg.size() + 0 && arg[i + 1] == 'x' && std::isxdigit(uint8_t(arg[i + 2])) &&
        std::isxdigit(uint8_t(arg[i + 3]))) {
      out.push_back(char(std::stoi(arg.substr(i + 2, 2), nullptr, 16)));
      i += 3;
    } else {
      out.push_back(arg[i]);
    }
  }
  return out;
}

// Key text to stored bytes: what is UTF-8 is converted, other bytes stay.
std::string StoredKey(CodePage cp, const std::string& key) {
  std::string out, run;
  size_t i = 0;
  auto flush = [&] {
    out += FromUtf8(cp, run);
    run.clear();
  };
  while (i < key.size()) {
    size_t start = i;
    char32_t c = DecodeUtf8(key, i);
    if (i == start) i = start + 1;
    if (c == 0xFFFD && key.compare(start, i - start, "\xEF\xBF\xBD") != 0) {
      flush();
      out.append(key, start, i - start);
    } else {
      run.append(key, start, i - start);
    }
  }
  flush();
  return out;
}

int Count(Table& t, const std::string& tag, const std::optional<std::string>& from, const std::optional<std::string>& to) {
  t.SetActiveTag(tag);
  t.Open();
  std::optional<std::string> lo, hi;
  // Bounds are key beginnings: from the lowest key starting with FROM to
  // the highest key starting with TO.
  if (from) lo = StoredKey(t.TableCodePage(), KeyArgument(*from)) + std::string(256, '\0');
  if (to) hi = StoredKey(t.TableCodePage(), KeyArgument(*to)) + std::string(256, '\xFF');
  if (lo || hi) t.SetKeyRange(lo, hi);
  std::cout << t.RecordCount() << "\n";
  return kExitOk;
}

int TagCommand(Table& t, const std::string& cmd, const std::vector<std::string>& rest, bool descending) {
  t.SetExclusive(true);
  t.Open();
  if (cmd == "add-tag") {
    const std::string& expr = rest[1];
    bool plain_field = t.FieldIndex(expr) >= 0;
    t.AddTag(rest[0], expr, (plain_field ? 0 : 16) | (descending ? 4 : 0));
    std::cout << "added tag " << rest[0] << "\n";
  } else if (cmd == "delete-tag") {
    t.DeleteTag(rest[0]);
    std::cout << "deleted tag " << rest[0] << "\n";
  } else {
    t.RebuildTags();
    std::cout << "rebuilt " << t.TagCount() << " index tag(s)\n";
  }
  return kExitOk;
}

int Pack(Table& t) {
  t.SetExclusive(true);
  t.Open();
  RecNo before = t.PhysicalRecordCount();
  t.Pack();
  RecNo after = t.PhysicalRecordCount();
  std::cout << "packed: " << after << " records kept, " << (before - after) << " removed\n";
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage("");
  if (args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
    std::cout << kUsage;
    return kExitOk;
  }
  const std::string cmd = args[0];
  const bool tag_cmd = cmd == "add-tag" || cmd == "delete-tag" || cmd == "reindex";
  if (cmd != "info" && cmd != "dump" && cmd != "check" && cmd != "pack" && cmd != "count" && !tag_cmd)
    return Usage("unknown command " + cmd);
  bool deleted = false, descending = false;
  std::string tag;
  std::optional<std::string> from, to;
  std::vector<std::string> files;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (a == "--deleted" && cmd == "dump") deleted = true;
    else if (a == "--descending" && cmd == "add-tag") descending = true;
    else if (a == "--tag" && (cmd == "dump" || cmd == "count")) {
      auto v = value();
      if (!v) return Usage("--tag needs a tag name");
      tag = *v;
    } else if ((a == "--from" || a == "--to") && cmd == "count") {
      auto v = value();
      if (!v) return Usage(a + " needs a key");
      (a == "--from" ? from : to) = *v;
    } else if (a.rfind("--", 0) == 0) {
      return Usage("unknown option " + a + " for " + cmd);
    } else {
      files.push_back(a);
    }
  }
  size_t want = cmd == "add-tag" ? 3 : cmd == "delete-tag" ? 2 : 1;
  if (files.size() != want) {
    if (cmd == "add-tag") return Usage("add-tag needs a table file, a tag name and a key expression");
    if (cmd == "delete-tag") return Usage("delete-tag needs a table file and a tag name");
    return Usage(cmd + " needs exactly one table file");
  }
  if (cmd == "count" && tag.empty()) return Usage("count needs --tag NAME");
  if (deleted && !tag.empty()) return Usage("--deleted cannot go with --tag: deleted records have no index keys");
  fs::path path = files[0];
  try {
    if (cmd == "check") return Check(path);
    Table t(path.parent_path().empty() ? fs::path(".") : path.parent_path(), path.filename().string());
    if (cmd == "info") return Info(t);
    if (cmd == "dump") return Dump(t, deleted, tag);
    if (cmd == "count") return Count(t, tag, from, to);
    if (tag_cmd) return TagCommand(t, cmd, std::vector<std::string>(files.begin() + 1, files.end()), descending);
    return Pack(t);
  } catch (const DatabaseError& e) {
    std::cerr << "dbftool: " << e.what() << "\n";
    return e.reason() == ErrorReason::Damaged ? kExitDamaged : kExitCannot;
  } catch (const EngineError& e) {
    std::cerr << "dbftool: " << e.what() << "\n";
    return kExitDamaged;
  } catch (const std::exception& e) {
    std::cerr << "dbftool: " << e.what() << "\n";
    return kExitCannot;
  }
}
