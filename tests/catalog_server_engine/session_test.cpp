#include <gtest/gtest.h>

#include "engine.h"

namespace catalog_server {
namespace {

TEST(Session, AnswersConstantSelectAndDatabaseName) {
    auto loaded = LoadCatalog({ScriptSource{"Orders", {}, 0}});
    ASSERT_TRUE(loaded.catalog);
    auto session = loaded.catalog->OpenSession("orders");
    ASSERT_TRUE(session);
    auto results = session->ExecuteBatch("select db_name()");
    ASSERT_EQ(results.size(), 1u);
    ASSERT_TRUE(results[0].resultSet);
    EXPECT_EQ(std::get<std::string>(results[0].resultSet->rows.at(0).at(0)), "Orders");
}

}  // namespace
}  // namespace catalog_server
