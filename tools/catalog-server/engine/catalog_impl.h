#pragma once

// The loaded catalog: per database its model and the serialized SQLite image sessions open.

#include <memory>
#include <string>
#include <vector>

#include "engine.h"
#include "model.h"

namespace catalog_server {

struct LoadedDatabase {
    Database model;
    std::vector<unsigned char> image;  // never written after loading; sessions read it in place
};

class CatalogImpl : public Catalog {
public:
    explicit CatalogImpl(std::vector<std::unique_ptr<LoadedDatabase>> databases)
        : databases_(std::move(databases)) {}

    std::unique_ptr<Session> OpenSession(std::string_view database) const override;
    std::vector<std::string> DatabaseNames() const override;

    const LoadedDatabase* Find(std::string_view name) const;

private:
    std::vector<std::unique_ptr<LoadedDatabase>> databases_;
};

std::unique_ptr<Session> MakeSession(const CatalogImpl& catalog, const LoadedDatabase& database);

}  // namespace catalog_server
