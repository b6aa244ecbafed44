#pragma once

// A file of records with keys, on SQLCipher: one table per file, one index per key. The store
// works on rows of plain values; KeyedFile (keyed_file.h) maps them to a program's records.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quillon {

class MessageBox;

struct StoreColumn {
    std::string_view name;
    bool text = false;  // text columns compare without regard to letter case
};

struct StoreKey {
    std::string_view name;
    std::vector<std::size_t> components;  // column positions
    bool unique = false;
};

// Column 0 is the record number: the primary key, numbered by the store on insert (one more
// than the highest number present, 1 in an empty file).
struct StoreLayout {
    std::string_view table;
    std::vector<StoreColumn> columns;
    std::vector<StoreKey> keys;  // keys[0] is the primary key on column 0
};

using StoreValue = std::variant<std::int64_t, std::string>;
using StoreRow = std::vector<StoreValue>;

enum class StoreStatus {
    Ok,
    NotOpen,          // the file is not open
    NoCurrentRecord,  // update or delete without a record fetched first
    DuplicateKey,     // a unique key would hold the same values twice
    Failed,           // any other error of the store
};

// The store's error report: names the file and the store's error text.
std::string StoreErrorText(std::string_view fileName, std::string_view detail);

class KeyedStore {
public:
    // `password` empty: the file is kept in the clear. Failures are reported to `reporter`
    // when opening, and when inserting or updating in the reporting form.
    KeyedStore(std::filesystem::path path, std::string password, StoreLayout layout,
               MessageBox& reporter);
    ~KeyedStore();
    KeyedStore(const KeyedStore&) = delete;
    KeyedStore& operator=(const KeyedStore&) = delete;

    // Counted: the file opens on the first Open and closes when the last opener closes. A file
    // that cannot be opened is reported, left as it was, and not counted as open.
    bool Open();
    void Close();
    bool IsOpen() const;
    const std::filesystem::path& path() const { return path_; }

    // The first row, in record-number order, whose key components equal those of `probe`.
    std::optional<StoreRow> Fetch(std::size_t key, const StoreRow& probe);
    // Numbers the row (writes the number into row[0]) and adds it.
    StoreStatus Insert(StoreRow& row, bool report);
    // Writes the row over the record whose number is row[0].
    StoreStatus Update(const StoreRow& row, bool report);
    StoreStatus Delete(std::int64_t recordNumber, bool report);
    // Every row in the order of a key (then by record number).
    std::vector<StoreRow> Browse(std::size_t key);

    // The store's text for the last failure.
    const std::string& lastError() const { return lastError_; }

private:
    struct Connection;

    StoreStatus Fail(int code, bool report);

    std::filesystem::path path_;
    std::string password_;
    StoreLayout layout_;
    MessageBox& reporter_;
    std::unique_ptr<Connection> connection_;
    int openCount_ = 0;
    std::string lastError_;
};

}  // namespace quillon
