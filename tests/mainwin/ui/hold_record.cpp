// A second process for the main window tests: opens a table, puts one record
// into edit state (taking its lock), says "held" and keeps it until its
// standard input ends or brings a line.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/dbase/table.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: hold_record DIR FILE RECNO\n";
    return 2;
  }
  try {
    quillary::dbase::Table t(argv[1], argv[2]);
    t.Open();
    t.GotoRecNo(quillary::dbase::RecNo(std::strtoul(argv[3], nullptr, 10)));
    t.Edit();
    std::cout << "held" << std::endl;
    std::string line;
    std::getline(std::cin, line);
    t.Cancel();
    t.Close();
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  return 0;
}
