#pragma once

#include <memory>

#include "db/client.h"
#include "db/engine_yield.h"

namespace quillon {

// One database connection. The main window holds the one live context (null while it has no
// connection); every catalog query takes it as its first argument.
struct ConnectionContext {
    std::unique_ptr<DatabaseConnection> CONN;  // the open connection; null when none is open
    EngineYield* yield = nullptr;              // lets timers run inside per-record loops

    bool Connected() const { return CONN != nullptr; }
    void Yield() const {
        if (yield != nullptr) {
            yield->Yield();
        }
    }
};

}  // namespace quillon
