#pragma once

#include <memory>
#include <string_view>

#include "db/client.h"
#include "db/connection_context.h"
#include "db/engine_yield.h"
#include "platform/core/message_box.h"

namespace quillon {

// The one message about the database that the user ever sees.
inline constexpr std::string_view kConnectCaption = "Connect";
inline constexpr std::string_view kConnectFailedText = "Can not connect to server !!!";

// Opens and closes the connection string once, to prove it. False (without a message) when the
// client is not initialised or the open fails.
bool TestConnection(DatabaseClient& client, std::string_view connectionString);

// The main window's connect step: a new context becomes the main window's (the old one, if any,
// is closed). Returns true when the connection is open; the caller then loads the object list.
// A failed open shows the connect message and leaves the reference null; an uninitialised client
// leaves a context without a connection, silently.
bool OpenDatabase(std::unique_ptr<ConnectionContext>& context, DatabaseClient& client,
                  std::string_view connectionString, MessageBox& messages, EngineYield& yield);

// Closes and discards the connection and the context; nothing happens without a context.
void CloseDatabase(std::unique_ptr<ConnectionContext>& context);

}  // namespace quillon
