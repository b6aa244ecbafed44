#pragma once

// A keyed data file with one record buffer, as the program's windows use it: fill the key's
// fields in the buffer, fetch, change, update; or clear, fill and insert.

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "platform/core/text.h"
#include "platform/store/keyed_store.h"

namespace quillon {

template <class Record>
struct FileField {
    using Member =
        std::variant<std::int32_t Record::*, std::uint8_t Record::*, std::string Record::*>;

    std::string_view name;
    Member member;
    std::size_t length = 0;  // characters of a STRING(n) field
};

// Whether a failure is shown to the user (reporting form) or only returned (silent form).
enum class Report { Yes, No };

template <class Record, class Key>
class KeyedFile {
public:
    struct Layout {
        std::string_view table;
        std::vector<FileField<Record>> fields;  // fields[0]: the record number
        std::vector<StoreKey> keys;             // indexed by Key; the first is the primary key
    };

    KeyedFile(std::filesystem::path path, std::string password, const Layout& layout,
              MessageBox& reporter)
        : fields_(layout.fields),
          keys_(layout.keys),
          store_(std::move(path), std::move(password), StoreLayoutOf(layout), reporter) {}

    // The record buffer shared by everyone who uses the file.
    Record buffer{};

    bool Open() { return store_.Open(); }
    void Close() { store_.Close(); }
    bool IsOpen() const { return store_.IsOpen(); }
    const KeyedStore& store() const { return store_; }

    void ClearRecord() { buffer = Record{}; }

    // Sets the key's components in the buffer to their lowest values.
    void ClearKey(Key key) {
        for (const std::size_t component : KeyComponents(key)) {
            std::visit(
                [this](auto member) {
                    using Value = std::remove_reference_t<decltype(buffer.*member)>;
                    if constexpr (std::is_same_v<Value, std::string>) {
                        (buffer.*member).clear();
                    } else {
                        buffer.*member = std::numeric_limits<Value>::lowest();
                    }
                },
                fields_[component].member);
        }
    }

    // Loads the first record whose key components equal the buffer's. When nothing is found
    // the buffer keeps what it held.
    bool Fetch(Key key) {
        const auto row = store_.Fetch(static_cast<std::size_t>(key), ToRow(buffer));
        if (!row) {
            return false;
        }
        buffer = FromRow(*row);
        fetched_ = std::get<std::int64_t>((*row)[0]);
        return true;
    }

    StoreStatus Insert(Report report) {
        StoreRow row = ToRow(buffer);
        const StoreStatus status = store_.Insert(row, report == Report::Yes);
        if (status == StoreStatus::Ok) {
            buffer = FromRow(row);
            fetched_ = std::get<std::int64_t>(row[0]);
        }
        return status;
    }

    // Writes the buffer over the record last fetched (or inserted).
    StoreStatus Update(Report report) {
        if (!fetched_) {
            return StoreStatus::NoCurrentRecord;
        }
        StoreRow row = ToRow(buffer);
        row[0] = *fetched_;
        return store_.Update(row, report == Report::Yes);
    }

    // Deletes the record last fetched, without asking.
    StoreStatus Delete() {
        if (!fetched_) {
            return StoreStatus::NoCurrentRecord;
        }
        const StoreStatus status = store_.Delete(*fetched_, true);
        if (status == StoreStatus::Ok) {
            fetched_.reset();
        }
        return status;
    }

    std::vector<Record> Browse(Key key) {
        std::vector<Record> records;
        for (const StoreRow& row : store_.Browse(static_cast<std::size_t>(key))) {
            records.push_back(FromRow(row));
        }
        return records;
    }

private:
    static StoreLayout StoreLayoutOf(const Layout& layout) {
        StoreLayout storeLayout{layout.table, {}, layout.keys};
        for (const FileField<Record>& field : layout.fields) {
            storeLayout.columns.push_back(
                {field.name, std::holds_alternative<std::string Record::*>(field.member)});
        }
        return storeLayout;
    }

    const std::vector<std::size_t>& KeyComponents(Key key) const {
        return keys_[static_cast<std::size_t>(key)].components;
    }

    StoreRow ToRow(const Record& record) const {
        StoreRow row;
        row.reserve(fields_.size());
        for (const FileField<Record>& field : fields_) {
            std::visit(
                [&](auto member) {
                    const auto& value = record.*member;
                    if constexpr (std::is_same_v<std::remove_cvref_t<decltype(value)>,
                                                 std::string>) {
                        // A STRING(n) field holds n characters; trailing blanks never count.
                        row.emplace_back(
                            std::string(TrimTrailingBlanks(CutToCharacters(value, field.length))));
                    } else {
                        row.emplace_back(static_cast<std::int64_t>(value));
                    }
                },
                field.member);
        }
        return row;
    }

    Record FromRow(const StoreRow& row) const {
        Record record{};
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            std::visit(
                [&](auto member) {
                    using Value = std::remove_reference_t<decltype(record.*member)>;
                    if constexpr (std::is_same_v<Value, std::string>) {
                        record.*member = std::get<std::string>(row[i]);
                    } else {
                        record.*member = static_cast<Value>(std::get<std::int64_t>(row[i]));
                    }
                },
                fields_[i].member);
        }
        return record;
    }

    std::vector<FileField<Record>> fields_;
    std::vector<StoreKey> keys_;
    KeyedStore store_;
    std::optional<std::int64_t> fetched_;
};

}  // namespace quillon
