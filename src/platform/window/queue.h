#pragma once

#include <algorithm>
#include <concepts>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/core/text.h"

namespace quillon::window {

// Hears what happens to a queue, so that a list showing it can follow.
class QueueObserver {
public:
    virtual void QueueReset() = 0;                  // emptied or reordered
    virtual void RecordAppended(int position) = 0;  // a new last record
    virtual void RecordChanged(int position) = 0;   // written back
    virtual void QueueDestroyed() = 0;              // the queue is gone: forget it

protected:
    ~QueueObserver() = default;
};

namespace detail {

class QueueNotifier {
public:
    QueueNotifier() = default;
    // A copy holds the same records but is shown by nobody.
    QueueNotifier(const QueueNotifier&) {}
    QueueNotifier& operator=(const QueueNotifier&) { return *this; }
    ~QueueNotifier() {
        Notify([](QueueObserver& o) { o.QueueDestroyed(); });
    }

    void AddObserver(QueueObserver* observer) { observers_.push_back(observer); }
    void RemoveObserver(QueueObserver* observer) {
        observers_.erase(std::remove(observers_.begin(), observers_.end(), observer),
                         observers_.end());
    }

protected:
    template <class F>
    void Notify(F f) const {
        for (QueueObserver* observer : std::vector<QueueObserver*>(observers_)) {
            f(*observer);
        }
    }

private:
    std::vector<QueueObserver*> observers_;
};

template <class T>
int CompareField(const T& a, const T& b) {
    if constexpr (std::same_as<T, std::string>) {
        // Ascending by text: letter case and trailing blanks do not decide, exact text breaks ties.
        const std::string_view x = TrimTrailingBlanks(a);
        const std::string_view y = TrimTrailingBlanks(b);
        const std::size_t n = std::min(x.size(), y.size());
        for (std::size_t i = 0; i < n; ++i) {
            const auto lx = static_cast<unsigned char>(AsciiLower(x[i]));
            const auto ly = static_cast<unsigned char>(AsciiLower(y[i]));
            if (lx != ly) {
                return lx < ly ? -1 : 1;
            }
        }
        if (x.size() != y.size()) {
            return x.size() < y.size() ? -1 : 1;
        }
        return x.compare(y) < 0 ? -1 : (x == y ? 0 : 1);
    } else {
        return a < b ? -1 : (b < a ? 1 : 0);
    }
}

template <class T>
bool EqualField(const T& a, const T& b) {
    if constexpr (std::same_as<T, std::string>) {
        return TrimTrailingBlanks(a) == TrimTrailingBlanks(b);
    } else {
        return a == b;
    }
}

}  // namespace detail

// An in-memory list of records, addressed by position from 1 as a list control shows it.
template <class Record>
class Queue : public detail::QueueNotifier {
public:
    // Empties the queue.
    void Free() {
        records_.clear();
        Notify([](QueueObserver& o) { o.QueueReset(); });
    }

    void Append(Record record) {
        records_.push_back(std::move(record));
        const int position = Records();
        Notify([position](QueueObserver& o) { o.RecordAppended(position); });
    }

    int Records() const { return static_cast<int>(records_.size()); }
    bool IsEmpty() const { return records_.empty(); }

    // The record at a position (1-based); nothing when there is none.
    std::optional<Record> Get(int position) const {
        if (position < 1 || position > Records()) {
            return std::nullopt;
        }
        return records_[static_cast<std::size_t>(position - 1)];
    }

    // Read access without a copy; null for a position that is not there.
    const Record* At(int position) const {
        if (position < 1 || position > Records()) {
            return nullptr;
        }
        return &records_[static_cast<std::size_t>(position - 1)];
    }

    // Writes a record back at a position; false when the position is not there.
    bool Put(int position, Record record) {
        if (position < 1 || position > Records()) {
            return false;
        }
        records_[static_cast<std::size_t>(position - 1)] = std::move(record);
        Notify([position](QueueObserver& o) { o.RecordChanged(position); });
        return true;
    }

    // Ascending by one field; records with equal values keep their order. Texts sort without
    // regard to letter case.
    template <class Field>
    void SortBy(Field Record::*field) {
        std::stable_sort(records_.begin(), records_.end(),
                         [field](const Record& a, const Record& b) {
                             return detail::CompareField(a.*field, b.*field) < 0;
                         });
        Notify([](QueueObserver& o) { o.QueueReset(); });
    }

    // Position of the first record whose field equals the value (texts without their trailing
    // blanks), or 0.
    template <class Field>
    int Find(Field Record::*field, const std::type_identity_t<Field>& value) const {
        for (std::size_t i = 0; i < records_.size(); ++i) {
            if (detail::EqualField(records_[i].*field, value)) {
                return static_cast<int>(i) + 1;
            }
        }
        return 0;
    }

    const std::vector<Record>& records() const { return records_; }

private:
    std::vector<Record> records_;
};

}  // namespace quillon::window
