#include "model.h"

#include <cctype>

#include "text.h"

namespace catalog_server {
namespace {

std::string NameKey(int schemaId, std::string_view name) {
    return std::to_string(schemaId) + '\x1f' + FoldName(name);
}

}  // namespace

int ObjectIdSequence::Next() {
    constexpr std::int64_t kStep = 16000057;
    constexpr std::int64_t kModulus = std::int64_t{1} << 31;
    do {
        last_ = (last_ + kStep) % kModulus;
    } while (last_ < 100);  // low ids belong to system objects
    return static_cast<int>(last_);
}

void Database::Index() {
    objectIdByName.clear();
    objectById.clear();
    tableById.clear();
    for (std::size_t i = 0; i < objects.size(); ++i) {
        objectIdByName.emplace(NameKey(objects[i].schemaId, objects[i].name), objects[i].id);
        objectById.emplace(objects[i].id, i);
    }
    for (std::size_t i = 0; i < tables.size(); ++i) {
        tableById.emplace(tables[i].id, i);
    }
}

const SchemaDef* Database::FindSchema(std::string_view name) const {
    for (const auto& s : schemas) {
        if (EqualsNoCase(s.name, name)) {
            return &s;
        }
    }
    return nullptr;
}

const SchemaDef* Database::SchemaById(int id) const {
    for (const auto& s : schemas) {
        if (s.id == id) {
            return &s;
        }
    }
    return nullptr;
}

std::string Database::SchemaName(int id) const {
    const SchemaDef* s = SchemaById(id);
    return s ? s->name : std::string();
}

const ObjectDef* Database::ObjectById(int id) const {
    const auto it = objectById.find(id);
    return it == objectById.end() ? nullptr : &objects[it->second];
}

const TableDef* Database::TableById(int id) const {
    const auto it = tableById.find(id);
    return it == tableById.end() ? nullptr : &tables[it->second];
}

std::optional<int> Database::ObjectIdOf(int schemaId, std::string_view name) const {
    const auto it = objectIdByName.find(NameKey(schemaId, name));
    if (it == objectIdByName.end()) {
        return std::nullopt;
    }
    return it->second;
}

const std::vector<SystemView>& SystemViews() {
    static const std::vector<SystemView> views = {
        {-1073624922, "sys", "sysobjects", "sysobjects"},
        {-1073624924, "sys", "syscolumns", "syscolumns"},
        {-1073624898, "sys", "sysindexes", "sysindexes"},
        {-1073624897, "sys", "sysindexkeys", "sysindexkeys"},
        {-1073624896, "sys", "sysreferences", "sysreferences"},
        {-1073624853, "INFORMATION_SCHEMA", "TABLES", "INFORMATION_SCHEMA.TABLES"},
        {-1073624859, "INFORMATION_SCHEMA", "COLUMNS", "INFORMATION_SCHEMA.COLUMNS"},
        {-1073624852, "INFORMATION_SCHEMA", "TABLE_CONSTRAINTS",
         "INFORMATION_SCHEMA.TABLE_CONSTRAINTS"},
        {-1073624862, "INFORMATION_SCHEMA", "CONSTRAINT_COLUMN_USAGE",
         "INFORMATION_SCHEMA.CONSTRAINT_COLUMN_USAGE"},
        {-1073624856, "INFORMATION_SCHEMA", "ROUTINES", "INFORMATION_SCHEMA.ROUTINES"},
    };
    return views;
}

std::optional<std::vector<std::string>> SplitMultipartName(std::string_view s) {
    std::vector<std::string> parts;
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) {
            ++i;
        }
    };
    while (true) {
        skipBlanks();
        std::string part;
        if (i < s.size() && (s[i] == '[' || s[i] == '"')) {
            const char close = s[i] == '[' ? ']' : '"';
            ++i;
            bool closed = false;
            while (i < s.size()) {
                if (s[i] == close) {
                    if (i + 1 < s.size() && s[i + 1] == close) {
                        part += close;
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                part += s[i++];
            }
            if (!closed || part.empty()) {
                return std::nullopt;
            }
            skipBlanks();
        } else {
            while (i < s.size() && s[i] != '.') {
                if (s[i] == '[' || s[i] == ']' || s[i] == '"') {
                    return std::nullopt;
                }
                part += s[i++];
            }
            part.resize(TrimTrailingBlanks(part).size());
        }
        parts.push_back(std::move(part));
        if (i >= s.size()) {
            break;
        }
        if (s[i] != '.') {
            return std::nullopt;
        }
        ++i;
    }
    if (parts.size() > 4 || parts.back().empty()) {
        return std::nullopt;
    }
    return parts;
}

std::optional<int> ResolveObjectId(const Database& db, std::string_view qualifiedName,
                                   std::string_view typeFilter) {
    auto split = SplitMultipartName(qualifiedName);
    if (!split || split->size() > 3) {
        return std::nullopt;
    }
    auto& parts = *split;
    if (parts.size() == 3) {
        if (!parts[0].empty() && !EqualsNoCase(parts[0], db.name)) {
            return std::nullopt;
        }
        if (parts[0].empty()) {
            return std::nullopt;
        }
        parts.erase(parts.begin());
    }
    std::string schema = parts.size() == 2 ? parts[0] : std::string();
    const std::string& name = parts.back();
    if (parts.size() == 2 && schema.empty()) {
        // "db..name" leaves the schema to the default
    } else if (parts.size() == 2 && !parts[0].empty()) {
        schema = parts[0];
    }
    if (!name.empty() && name[0] == '#') {
        return std::nullopt;  // temporary objects live in tempdb
    }
    std::optional<int> id;
    if (schema.empty()) {
        if (const SchemaDef* dbo = db.FindSchema("dbo")) {
            id = db.ObjectIdOf(dbo->id, name);
        }
        if (!id) {
            // Compatibility views resolve without a schema, as sys objects do.
            for (const auto& v : SystemViews()) {
                if (v.schema == "sys" && EqualsNoCase(v.name, name)) {
                    id = v.id;
                }
            }
        }
    } else if (const SchemaDef* s = db.FindSchema(schema)) {
        id = db.ObjectIdOf(s->id, name);
    }
    if (!id) {
        for (const auto& v : SystemViews()) {
            if (!schema.empty() && EqualsNoCase(v.schema, schema) && EqualsNoCase(v.name, name)) {
                id = v.id;
            }
        }
    }
    if (id && !typeFilter.empty()) {
        const ObjectDef* o = db.ObjectById(*id);
        const std::string wanted = std::string(TrimTrailingBlanks(UpperText(typeFilter)));
        const std::string actual = o ? o->xtype : std::string("V");
        if (wanted != actual) {
            return std::nullopt;
        }
    }
    return id;
}

}  // namespace catalog_server
