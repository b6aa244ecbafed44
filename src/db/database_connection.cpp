#include "db/database_connection.h"

#include "platform/core/text.h"

namespace quillon {

bool TestConnection(DatabaseClient& client, std::string_view connectionString) {
    if (!client.Initialised()) {
        return false;
    }
    auto connection = client.NewConnection();
    if (!connection || !connection->Open(TrimTrailingBlanks(connectionString))) {
        return false;
    }
    connection->Close();
    return true;
}

bool OpenDatabase(std::unique_ptr<ConnectionContext>& context, DatabaseClient& client,
                  std::string_view connectionString, MessageBox& messages, EngineYield& yield) {
    CloseDatabase(context);
    context = std::make_unique<ConnectionContext>();
    context->yield = &yield;
    if (!client.Initialised()) {
        return false;
    }
    auto connection = client.NewConnection();
    if (!connection || !connection->Open(TrimTrailingBlanks(connectionString))) {
        messages.Show(kConnectCaption, kConnectFailedText);
        context.reset();
        return false;
    }
    context->CONN = std::move(connection);
    return true;
}

void CloseDatabase(std::unique_ptr<ConnectionContext>& context) {
    if (!context) {
        return;
    }
    if (context->CONN) {
        context->CONN->Close();
    }
    context.reset();
}

}  // namespace quillon
