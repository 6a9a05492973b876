// A second user of a table in another process, driven by the sharing and
// durability tests: it appends, holds record locks or opens, and reports
// each step on stdout so the test knows exactly what was acknowledged.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/dbase/table.h"

using namespace quillary::dbase;

namespace {
void Say(const std::string& s) {
  std::cout << s << std::endl;  // flushed: the parent reads it at once
}
void WaitForParent() {
  std::string line;
  std::getline(std::cin, line);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: dbase_peer command dir table [args]\n";
    return 2;
  }
  std::string cmd = argv[1];
  Table t(argv[2], argv[3]);
  try {
    if (cmd == "append") {  // append N TAG [memo [exclusive]]: field 0 = i, field 1 = TAG
      long n = std::atol(argv[4]);
      std::string tag = argv[5];
      bool memo = argc > 6;
      t.SetExclusive(argc > 7 && std::string(argv[7]) == "exclusive");
      t.Open();
      for (long i = 1; i <= n; ++i) {
        t.Append();
        t.SetNumber(0, double(i));
        t.SetText(1, tag);
        if (memo) t.SetText(2, tag + " memo " + std::to_string(i) + std::string(size_t(i % 700), 'm'));
        t.Post();
        Say("posted " + std::to_string(i));
      }
      return 0;
    }
    if (cmd == "edit-hold") {  // edit-hold RECNO TEXT: lock, wait, post TEXT
      t.Open();
      t.GotoRecNo(RecNo(std::atol(argv[4])));
      t.Edit();
      Say("locked");
      WaitForParent();
      t.SetText(1, argv[5]);
      t.Post();
      Say("posted");
      return 0;
    }
    if (cmd == "open-hold") {  // open-hold [exclusive]
      t.SetExclusive(argc > 4 && std::string(argv[4]) == "exclusive");
      t.Open();
      Say("open");
      WaitForParent();
      return 0;
    }
    if (cmd == "count") {
      t.Open();
      Say(std::to_string(t.RecordCount()));
      return 0;
    }
  } catch (const DatabaseError& e) {
    Say(std::string("error ") + (e.IsLockConflict() ? "in-use " : "other ") + e.what());
    return 1;
  } catch (const std::exception& e) {
    Say(std::string("error ") + e.what());
    return 1;
  }
  std::cerr << "unknown command " << cmd << "\n";
  return 2;
}
