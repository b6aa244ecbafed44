#include <memory>

#include "catalog_impl.h"
#include "script_reader.h"
#include "store.h"
#include "text.h"

namespace catalog_server {

std::unique_ptr<Session> CatalogImpl::OpenSession(std::string_view database) const {
    const LoadedDatabase* db = Find(database);
    return db ? MakeSession(*this, *db) : nullptr;
}

std::vector<std::string> CatalogImpl::DatabaseNames() const {
    std::vector<std::string> names;
    for (const auto& db : databases_) {
        names.push_back(db->model.name);
    }
    return names;
}

const LoadedDatabase* CatalogImpl::Find(std::string_view name) const {
    for (const auto& db : databases_) {
        if (EqualsNoCase(db->model.name, name)) {
            return db.get();
        }
    }
    return nullptr;
}

LoadResult LoadCatalog(const std::vector<ScriptSource>& sources) {
    LoadResult result;
    std::vector<std::unique_ptr<LoadedDatabase>> databases;
    for (const auto& source : sources) {
        for (const auto& other : databases) {
            if (EqualsNoCase(other->model.name, source.database)) {
                result.error =
                    LoadError{"", 0, "the database '" + source.database + "' is named twice"};
                return result;
            }
        }
        ScriptReader reader(source.database);
        bool ok = true;
        for (const auto& file : source.files) {
            if (!reader.ReadFile(file)) {
                ok = false;
                break;
            }
        }
        if (ok) {
            ok = reader.AddGeneratedTables(source.generatedTables);
        }
        result.warnings.insert(result.warnings.end(), reader.warnings().begin(),
                               reader.warnings().end());
        if (!ok) {
            result.error = reader.error();
            return result;
        }
        auto loaded = std::make_unique<LoadedDatabase>();
        loaded->model = reader.Finish();
        std::string error;
        auto image = BuildStore(loaded->model, error);
        if (!image) {
            result.error = LoadError{source.files.empty() ? "" : source.files.back(), 0, error};
            return result;
        }
        loaded->image = std::move(*image);
        databases.push_back(std::move(loaded));
    }
    result.catalog = std::make_unique<CatalogImpl>(std::move(databases));
    return result;
}

}  // namespace catalog_server
