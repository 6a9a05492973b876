// A second user of an indexed table in its own process, driven line by line
// over stdin: open, append, edit, delete, count on a tag, close, and a
// stream of appends to be killed in the middle of.
#include <iostream>
#include <sstream>
#include <string>

#include "platform/dbase/table.h"

using namespace quillary::dbase;

int main() {
  Table t;
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream in(line);
    std::string cmd;
    in >> cmd;
    try {
      if (cmd == "open") {  // open DIR FILE
        std::string dir, file;
        in >> dir >> file;
        t.Bind(dir, file);
        t.Open();
        std::cout << "ok" << std::endl;
      } else if (cmd == "close") {
        t.Close();
        std::cout << "ok" << std::endl;
      } else if (cmd == "append") {  // append RECNO MARK TITLE
        long recno;
        std::string mark, title;
        in >> recno >> mark;
        std::getline(in >> std::ws, title);
        t.Append();
        t.SetNumber(0, double(recno));
        t.SetText(1, mark);
        t.SetText(2, title);
        t.Post();
        std::cout << "ok " << t.CurrentRecNo() << std::endl;
      } else if (cmd == "edit") {  // edit PHYSICAL TITLE
        long r;
        std::string title;
        in >> r;
        std::getline(in >> std::ws, title);
        t.SetActiveTag("");
        t.GotoRecNo(RecNo(r));
        t.Edit();
        t.SetText(2, title);
        t.Post();
        std::cout << "ok" << std::endl;
      } else if (cmd == "delete") {  // delete PHYSICAL
        long r;
        in >> r;
        t.SetActiveTag("");
        t.GotoRecNo(RecNo(r));
        t.Delete();
        std::cout << "ok" << std::endl;
      } else if (cmd == "count") {  // count TAG
        std::string tag;
        in >> tag;
        t.SetActiveTag(tag);
        std::cout << "ok " << t.RecordCount() << std::endl;
      } else if (cmd == "stream") {  // stream N: appends and says each one
        long n;
        in >> n;
        for (long i = 1; i <= n; ++i) {
          t.Append();
          t.SetNumber(0, double(i));
          t.SetText(1, i % 3 ? "2" : "0");
          t.SetText(2, "stream " + std::to_string((i * 7919) % 1000));
          t.Post();
          std::cout << "posted " << i << std::endl;
        }
      } else if (cmd == "quit") {
        return 0;
      } else {
        std::cout << "error unknown command" << std::endl;
      }
    } catch (const DatabaseError& e) {
      std::cout << "error " << (e.IsLockConflict() ? "in-use " : "other ") << e.what() << std::endl;
    } catch (const std::exception& e) {
      std::cout << "error " << e.what() << std::endl;
    }
  }
  return 0;
}
