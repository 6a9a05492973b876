// dbftool: looks into and maintains dBASE tables from the command line for
// users and administrators: info, dump, check and pack.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
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
    "  check      structural check of the data and memo files; exit status 1\n"
    "             when damage is found\n"
    "  pack       remove deleted records for good (needs the table to itself)\n"
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
  return kExitOk;
}

int Dump(Table& t, bool deleted) {
  t.SetShowDeleted(deleted);
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
  if (rep.ok()) {
    std::cout << "ok: " << rep.records << " records (" << rep.deleted << " deleted)\n";
    return kExitOk;
  }
  std::cout << "damaged: " << rep.problems.size() << " problem(s) found\n";
  return kExitDamaged;
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
  if (args.empty() || args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
    std::cout << kUsage;
    return args.empty() ? kExitUsage : kExitOk;
  }
  const std::string cmd = args[0];
  bool deleted = false;
  std::vector<std::string> files;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--deleted" && cmd == "dump") deleted = true;
    else if (args[i].rfind("--", 0) == 0) return Usage("unknown option " + args[i] + " for " + cmd);
    else files.push_back(args[i]);
  }
  if (cmd != "info" && cmd != "dump" && cmd != "check" && cmd != "pack") return Usage("unknown command " + cmd);
  if (files.size() != 1) return Usage(cmd + " needs exactly one table file");
  fs::path path = files[0];
  try {
    if (cmd == "check") return Check(path);
    Table t(path.parent_path().empty() ? fs::path(".") : path.parent_path(), path.filename().string());
    if (cmd == "info") return Info(t);
    if (cmd == "dump") return Dump(t, deleted);
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
