// The library's demo: brings Tavrix up from demo/tavrix (a small order-entry
// schema) against SQLite, shows what a new database gets, changes, adds and
// deletes rows and saves them, shuts the library down, brings it up again
// and shows that the changes are still there.
//
//   tavrix_demo <library root>
#include <tavrix/tavrix.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Show(const char* table) {
  char* text = ToStringTableData(table);
  std::printf("  %s:\n", table);
  if (!text) {
    std::printf("    (not loaded)\n");
    return;
  }
  for (char* line = std::strtok(text, "\n"); line; line = std::strtok(nullptr, "\n")) {
    std::printf("    %s\n", line);
  }
  std::free(text);
}

void ShowAll() {
  for (const char* table : {"Customer", "Orders", "OrderLine"}) Show(table);
}

// The first row of a table whose text column holds the text.
RowObject* Find(const char* table, const char* column, const char* text) {
  const std::string criteria = std::string(column) + " = '" + text + "'";
  ResultData* rows = SelectRows(table, criteria.c_str());
  RowObject* row = rows ? GotoNextRowObject(rows) : nullptr;
  FreeResultData(rows);
  return row;
}

RowObject* NewCustomer(const char* name, const char* email) {
  TableData* table = GetTableDataByName("Customer");
  auto** values = static_cast<char**>(std::calloc(table->columnCount, sizeof(char*)));
  auto* lengths = static_cast<int32_t*>(std::calloc(table->columnCount, sizeof(int32_t)));
  lengths[1] = static_cast<int32_t>(std::strlen(name));
  values[1] = ConvertStringToValue(name, &lengths[1], KES_SQL_VARCHAR);
  lengths[2] = static_cast<int32_t>(std::strlen(email));
  values[2] = ConvertStringToValue(email, &lengths[2], KES_SQL_VARCHAR);
  return CreateNewRowObject(values, lengths);  // the key and defaults are filled when added
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tavrix_demo <library root>\n");
    return 2;
  }
  const char* root = argv[1];
  std::printf("1. Starting the library from %s/data.\n", root);
  std::printf(
      "   The database is new, so every table is created and the default rows of\n"
      "   defaults.xml are saved (their keys drawn from the sequence generator).\n");
  if (!InitTavrix(root)) {
    std::printf("   Start-up failed; see %s/logs/tavrix.log\n", root);
    return 1;
  }
  ShowAll();

  std::printf(
      "\n2. Changing Bob's e-mail, adding a customer and deleting an order line,\n"
      "   then saving every table (one transaction per table).\n");
  const char* email = "bob@new.example.org";
  RowObject* bob = Find("Customer", "Name", "Bob Sample");
  if (!bob ||
      !UpdateRowObject("Customer", bob, "Email", email, static_cast<int32_t>(std::strlen(email)))) {
    std::printf("   Could not change Bob's row.\n");
    return 1;
  }
  if (!AddNewRow("Customer", NewCustomer("Cleo New", "cleo@example.org"))) {
    std::printf("   Could not add a customer.\n");
    return 1;
  }
  RowObject* gadget = Find("OrderLine", "Product", "Gadget");
  if (!gadget || !DeleteRowObject("OrderLine", gadget)) {
    std::printf("   Could not delete the order line.\n");
    return 1;
  }
  SaveAllTables();
  ShowAll();

  std::printf(
      "\n3. Shutting the library down and starting it again on the same database:\n"
      "   the tables exist now, so nothing is created and no default rows are\n"
      "   written; the tables are loaded as they were saved.\n");
  DeInitTavrix();
  if (!InitTavrix(root)) {
    std::printf("   The second start-up failed; see %s/logs/tavrix.log\n", root);
    return 1;
  }
  ShowAll();
  const bool kept = Find("Customer", "Email", email) && Find("Customer", "Name", "Cleo New") &&
                    !Find("OrderLine", "Product", "Gadget");
  DeInitTavrix();
  std::printf("\n%s\nThe library's log: %s/logs/tavrix.log\n",
              kept ? "All three changes were still there after the restart." : "A change was lost!",
              root);
  return kept ? 0 : 1;
}
