// Another user of a table, in a process of its own: opens it shared or
// exclusively (or shared with its first record in edit, "edit"), says
// "open" (or "error ...") and holds it until its stdin gets a line or
// closes.
#include <iostream>
#include <string>

#include "platform/dbase/table.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: table_holder DIR FILE shared|exclusive|edit\n";
    return 2;
  }
  quillary::dbase::Table t(argv[1], argv[2]);
  t.SetExclusive(std::string(argv[3]) == "exclusive");
  try {
    t.Open();
    if (std::string(argv[3]) == "edit") {
      t.First();
      t.Edit();
    }
  } catch (const std::exception& e) {
    std::cout << "error " << e.what() << std::endl;
    return 1;
  }
  std::cout << "open" << std::endl;
  std::string line;
  std::getline(std::cin, line);
  return 0;
}
