// Loads the data dictionary under a library root and prints each table with
// its columns and their type names:  list_tables <root>
#include <tavrix/tavrix.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s <root with data/datadictionary.txt>\n", argv[0]);
    return 2;
  }
  SetTavrixRoot(argv[1]);
  InitTableDefnList();
  if (!LoadAllDataDictFiles()) {
    fprintf(stderr, "no data dictionary under %s\n", argv[1]);
    return 1;
  }
  for (VectorNode* t = GetTableDefnList()->head; t; t = t->next) {
    const TableDefn* table = static_cast<const TableDefn*>(t->data);
    printf("%s\n", table->name);
    for (VectorNode* c = table->columns->head; c; c = c->next) {
      const ColumnDefnEntry* column = static_cast<const ColumnDefnEntry*>(c->data);
      printf("  %-16s %s\n", column->name, GetDataTypeName(column->dataType));
    }
  }
  FreeAllTableDefns();
  return 0;
}
