#pragma once

#include <memory>

#include "db/client.h"
#include "platform/odbc/odbc_connection_string.h"

namespace quillon {

class OdbcEnvironment;

// The database client on unixODBC. One environment per client; every connection and result it
// hands out owns its handles and frees them when destroyed.
class OdbcClient final : public DatabaseClient {
public:
    explicit OdbcClient(OdbcDriver driver = ConfiguredOdbcDriver());
    ~OdbcClient() override;

    bool Initialised() const override;
    std::unique_ptr<DatabaseConnection> NewConnection() override;

private:
    OdbcDriver driver_;
    std::shared_ptr<OdbcEnvironment> environment_;
};

}  // namespace quillon
