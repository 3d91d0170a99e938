// The library's demo: brings Tavrix up from demo/tavrix (a small order-entry
// schema) against SQLite, shows what a new database gets, changes, adds and
// deletes rows and saves them, shuts the library down, brings it up again
// and shows that the changes are still there; then loads the schema's
// personality and fetches a customer with its orders and order lines as
// one data object, changes it and saves it in one transaction.
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

// A data object as one block of lines per table.
void ShowObject(DataObject* object) {
  for (RowCollection* c = object->firstCollection; c; c = c->next) {
    std::printf("  %s:\n", c->tableName);
    for (RowUnit* u = c->firstRowUnit; u; u = u->next) {
      std::string line;
      for (int32_t i = 0; i < c->columnCount; ++i) {
        char* text = ConvertValueToString(u->values[i], u->lengths[i], c->columnTypes[i]);
        line += std::string(i ? " | " : "") + c->columnNames[i] + "=" + (text ? text : "?");
        std::free(text);
      }
      std::printf("    %s\n", line.c_str());
    }
  }
}

// Ann's entity, fetched through the personality by her customer row.
DataObject* FetchAnn() {
  RowObject* ann = Find("Customer", "Name", "Ann Example");
  if (!ann) return nullptr;
  // A unit over the row's own values, in definition order.
  RowUnit* unit = CreateRowUnit("Customer", ann->values, ann->lengths, nullptr);
  DataObject* object = unit ? GetDOFromPersonalityByRowUnit("CustomerOrders", unit) : nullptr;
  if (unit) {
    unit->values = nullptr;  // the row's, not the unit's
    unit->lengths = nullptr;
    FreeRowUnit(unit);
  }
  return object;
}

// Part two of the demo: data objects through a personality.
bool DataObjects(const char* root) {
  const std::string file = std::string(root) + "/data/personalities.xml";
  std::printf(
      "\n4. Loading the personality CustomerOrders (%s):\n"
      "   Customer is its dominant table, Orders and OrderLine its constituents;\n"
      "   the index table Customer_IDX is created in the database.\n",
      file.c_str());
  if (InitPersonality() != 1 || CreatePersonalityFromXMLFile(file.c_str()) != 1) {
    std::printf("   The personality could not be loaded.\n");
    return false;
  }
  std::printf("   Ann's entity, fetched with one select as one data object:\n");
  DataObject* object = FetchAnn();
  if (!object) {
    std::printf("   Could not fetch Ann's entity.\n");
    return false;
  }
  ShowObject(object);

  std::printf(
      "\n5. In the data object: Widget's quantity becomes 5 and a Sprocket line is\n"
      "   added; the object is saved in one transaction (orders before lines).\n");
  int32_t length = 0;
  const char* orderId = GetFirstValue(object, "OrderId", "Orders", &length);
  char* order = ConvertValueToString(orderId, length, KES_SQL_BIGINT);
  const int32_t five = 5;
  RowCollection* lines = GetRowCollection(object, "OrderLine");
  lines->cursor = nullptr;
  bool ok = order && SetValueForAllRowUnits("Quantity", "OrderLine",
                                            reinterpret_cast<const char*>(&five), 4, object);
  char** line = MakeStringColumnValuesList(object->pool, 5, order, "2", "Sprocket", "4", "0.8");
  ok = ok && InsertStringRowIntoDO(object, "OrderLine", line) && SaveDataObject(object);
  std::free(order);
  FreeDataObject(object);
  if (!ok) {
    std::printf("   Saving the data object failed.\n");
    return false;
  }
  std::printf("   Ann's entity fetched again from the database:\n");
  object = FetchAnn();
  if (!object) return false;
  ShowObject(object);
  const bool saved = GetRowUnitOnCriteria("OrderLine", object, "Product = 'Sprocket'") &&
                     GetRowUnitOnCriteria("OrderLine", object, "Quantity = 5");
  FreeDataObject(object);
  return saved;
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
  std::printf("\n%s\n", kept ? "All three changes were still there after the restart."
                             : "A change was lost!");
  const bool saved = kept && DataObjects(root);
  if (kept) {
    std::printf("\n%s\n", saved ? "The data object's changes were saved."
                                : "The data object's changes were not saved!");
  }
  DeInitTavrix();
  std::printf("The library's log: %s/logs/tavrix.log\n", root);
  return saved ? 0 : 1;
}
