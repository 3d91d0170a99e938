// The select query model and its builders.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/criteria_parser.h"
#include "database/query_model.h"
#include "tests/support/log_capture.h"
#include "tests/support/test_support.h"

namespace {

class QueryModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    query_ = CreateSelectQuery();
    ASSERT_NE(query_, nullptr);
    log_.Take();
  }
  void TearDown() override { FreeSelectQuery(query_); }

  std::vector<std::string> ColumnNames() {
    std::vector<std::string> names;
    for (VectorNode* n = query_->columns->head; n; n = n->next) {
      const auto* c = static_cast<QueryColumn*>(n->data);
      names.push_back(std::string(c->tableName ? c->tableName : "-") + "." + c->columnName);
    }
    return names;
  }

  hvtest::TempDir dir_;
  hvtest::LogCapture log_{dir_.path(), 3};
  SelectQuery* query_ = nullptr;
};

TEST_F(QueryModelTest, ColumnsAreCheckedAndCopiedIntoThePool) {
  struct Case {
    const char* label;
    const char* column;
    uint8_t type;
    uint8_t function;
    bool made;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"plain", "ID", 5, kFunctionNone, true, nullptr},
      {"type 21 is the last", "ID", 21, kFunctionNone, true, nullptr},
      {"type 22", "ID", 22, kFunctionNone, false, "[ERROR] \nInvalid Data Type\n"},
      {"no name, no function", nullptr, 5, kFunctionNone, false, "[ERROR] \nColumn Name is NULL\n"},
      {"no name with COUNT", nullptr, 5, kFunctionCount, true, nullptr},
  };
  for (const Case& c : cases) {
    char name[8] = "ID";
    QueryColumn* column = CreateQueryColumn("T", "t", c.column ? name : nullptr, "alias", 0, c.type,
                                            c.function, query_->pool);
    EXPECT_EQ(column != nullptr, c.made) << c.label;
    const std::string log = log_.Take();
    if (c.message) {
      EXPECT_NE(log.find(c.message), std::string::npos) << c.label << log;
    }
    if (!column) continue;
    name[0] = 'X';  // the column holds its own copy
    if (c.column) {
      EXPECT_STREQ(column->columnName, "ID");
    }
    EXPECT_STREQ(column->tableAlias, "t");
    EXPECT_EQ(column->function, c.function);
  }
  // A list column needs a name even with a function.
  EXPECT_EQ(CreateListColumn("T", nullptr, nullptr, nullptr, 0, 5, kFunctionCount, query_->pool),
            nullptr);
  EXPECT_NE(log_.Take().find("[ERROR] \nColumn Name is NULL\n"), std::string::npos);
}

TEST_F(QueryModelTest, RemoveSelectColumnTakesEveryMatchIgnoringCase) {
  ASSERT_TRUE(AddColumnToQuery(query_, "Orders", nullptr, "ID", nullptr, 0, 5, kFunctionNone));
  ASSERT_TRUE(AddColumnToQuery(query_, "Lines", nullptr, "id", nullptr, 0, 5, kFunctionNone));
  ASSERT_TRUE(AddColumnToQuery(query_, nullptr, nullptr, "Id", nullptr, 0, 5, kFunctionNone));
  ASSERT_TRUE(AddColumnToQuery(query_, "Orders", nullptr, "NAME", nullptr, 0, 15, kFunctionNone));
  EXPECT_TRUE(RemoveSelectColumn(query_, "ID", "ORDERS"));
  EXPECT_EQ(ColumnNames(), (std::vector<std::string>{"Lines.id", "Orders.NAME"}));
  EXPECT_EQ(query_->columns->count, 2);
  EXPECT_FALSE(RemoveSelectColumn(query_, "missing", "Orders"));
  EXPECT_NE(log_.Take().find("[ERROR] Invalid Column Name"), std::string::npos);
  EXPECT_TRUE(RemoveSelectColumn(query_, "name", "orders"));
  EXPECT_TRUE(RemoveSelectColumn(query_, "ID", "Lines"));
  EXPECT_EQ(query_->columns->count, 0);
  EXPECT_EQ(query_->columns->head, nullptr);
  EXPECT_EQ(query_->columns->tail, nullptr);
  // The emptied list takes columns again.
  ASSERT_TRUE(AddColumnToQuery(query_, "T", nullptr, "A", nullptr, 0, 5, kFunctionNone));
  EXPECT_EQ(ColumnNames(), (std::vector<std::string>{"T.A"}));
}

TEST_F(QueryModelTest, JoinsPairColumnsByPosition) {
  ASSERT_TRUE(
      AddJoinOnColumns(query_, "Orders", "o", "Lines", "l", kLeftJoin, 2, "ORDER_ID", "SHOP_ID"));
  ASSERT_EQ(query_->joins->count, 1);
  const auto* join = static_cast<QueryJoin*>(query_->joins->head->data);
  EXPECT_STREQ(join->baseTable, "Orders");
  EXPECT_STREQ(join->referenceAlias, "l");
  EXPECT_EQ(join->joinType, kLeftJoin);
  EXPECT_EQ(join->baseColumns, join->referenceColumns);  // equally named columns
  ASSERT_EQ(join->baseColumns->count, 2);
  const auto* second = static_cast<QueryColumn*>(join->baseColumns->tail->data);
  EXPECT_STREQ(second->columnName, "SHOP_ID");
  EXPECT_EQ(second->tableName, nullptr);
  EXPECT_EQ(second->dataType, 5);

  Vector* base = MakeColumnVectorForJoin(query_->pool, "Orders", 1, "CUSTOMER_ID");
  Vector* reference = MakeColumnVectorForJoin(query_->pool, "Customer", 1, "ID");
  ASSERT_NE(base, nullptr);
  ASSERT_TRUE(
      AddJoinToQuery(query_, "Orders", nullptr, "Customer", nullptr, kInnerJoin, base, reference));
  EXPECT_STREQ(static_cast<QueryColumn*>(reference->head->data)->tableName, "Customer");
  EXPECT_EQ(query_->joins->count, 2);
  EXPECT_FALSE(AddJoinOnColumns(query_, "A", nullptr, "B", nullptr, kInnerJoin, 1, nullptr));

  Vector* texts = MakeColumnVector(query_->pool, 3, "a", "b", "c");
  ASSERT_NE(texts, nullptr);
  EXPECT_EQ(texts->count, 3);
  EXPECT_STREQ(static_cast<char*>(texts->tail->data), "c");
}

TEST_F(QueryModelTest, CriteriaGroupingSortingAndTablesAssemble) {
  QueryColumn* id =
      CreateQueryColumn("T", nullptr, "ID", nullptr, 0, 5, kFunctionNone, query_->pool);
  const int32_t five = 5;
  QueryCriteriaNode* leaf = CreateQueryCriteriaNode(id, reinterpret_cast<const char*>(&five), 4,
                                                    kOperatorGreater, query_->pool);
  QueryCriteriaNode* other = CreateQueryCriteriaNode(id, "x", 1, kOperatorEqual, query_->pool);
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->value[4], '\0');  // a NUL after the bytes
  EXPECT_EQ(CreateQueryCriteriaNode(nullptr, "x", 1, kOperatorEqual, query_->pool), nullptr);
  EXPECT_NE(log_.Take().find("[ERROR] \nEmpty Column Assigned\n"), std::string::npos);
  QueryCriteriaNode* both =
      CreateAndNode(leaf, CreateOrNode(other, other, query_->pool), query_->pool);
  ASSERT_NE(both, nullptr);
  EXPECT_EQ(both->operatorIndex, kOperatorAnd);
  EXPECT_EQ(leaf->parent, both);
  EXPECT_EQ(both->right->operatorIndex, kOperatorOr);
  EXPECT_TRUE(SetSelectCriteria(query_, both));

  Vector* columns = CreateColumnList(query_->pool);
  ASSERT_TRUE(AddToColumnList(query_->pool, id, columns));
  EXPECT_TRUE(SetSelectGroupBy(query_, CreateGroupBy(columns, nullptr, query_->pool)));
  EXPECT_TRUE(SetSelectSort(query_, CreateSort(columns, kSortDescending, query_->pool)));
  EXPECT_TRUE(AddSelectTable(query_, CreateTableEntry("T", "t", query_->pool)));
  EXPECT_EQ(query_->sort->order, kSortDescending);
  EXPECT_EQ(query_->groupBy->columns->count, 1);
  EXPECT_STREQ(static_cast<QueryTableEntry*>(query_->tables->head->data)->alias, "t");
  EXPECT_STREQ(kFunctionNames[kFunctionAvg], "AVG");
  EXPECT_STREQ(kOperatorNames[kOperatorBetween], "BETWEEN");
  EXPECT_STREQ(kJoinTypeNames[kLeftJoin], "LEFT_JOIN");
}

}  // namespace
