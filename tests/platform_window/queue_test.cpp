#include "platform/window/queue.h"

#include <gtest/gtest.h>

#include <string>

namespace quillon::window {
namespace {

struct Rec {
    std::string NAME;
    std::int32_t ID = 0;
    friend bool operator==(const Rec&, const Rec&) = default;
};

Queue<Rec> Make(std::initializer_list<Rec> records) {
    Queue<Rec> q;
    for (const Rec& r : records) {
        q.Append(r);
    }
    return q;
}

TEST(Queue, PositionsCountFromOne) {
    Queue<Rec> q = Make({{"a", 1}, {"b", 2}});
    EXPECT_EQ(q.Records(), 2);
    EXPECT_FALSE(q.Get(0));
    EXPECT_EQ(q.Get(1)->NAME, "a");
    EXPECT_EQ(q.Get(2)->NAME, "b");
    EXPECT_FALSE(q.Get(3));
    EXPECT_FALSE(q.Put(3, {"c", 3}));
    EXPECT_FALSE(q.Put(0, {"c", 3}));

    Rec r = *q.Get(2);
    r.ID = 20;
    EXPECT_TRUE(q.Put(2, r));
    EXPECT_EQ(q.Get(2)->ID, 20);
    q.Free();
    EXPECT_TRUE(q.IsEmpty());
    EXPECT_FALSE(q.Get(1));
}

TEST(Queue, SortByTextIgnoresCaseAndKeepsEqualsInOrder) {
    Queue<Rec> q = Make({{"orders", 1},
                         {"Categories", 2},
                         {"Orders", 3},
                         {"orders", 4},
                         {"b ", 5},
                         {"b", 6},
                         {"Order", 7}});
    q.SortBy(&Rec::NAME);
    std::vector<std::int32_t> ids;
    for (const Rec& r : q.records()) {
        ids.push_back(r.ID);
    }
    // Trailing blanks do not count; equal texts keep their order; exact case breaks ties.
    EXPECT_EQ(ids, (std::vector<std::int32_t>{5, 6, 2, 7, 3, 1, 4}));

    q.SortBy(&Rec::ID);
    EXPECT_EQ(q.Get(1)->ID, 1);
}

TEST(Queue, FindByFieldValue) {
    const Queue<Rec> q = Make({{"a  ", 1}, {"b", 2}, {"B", 3}, {"b", 4}});
    EXPECT_EQ(q.Find(&Rec::NAME, "a"), 1) << "trailing blanks are not significant";
    EXPECT_EQ(q.Find(&Rec::NAME, "b"), 2);
    EXPECT_EQ(q.Find(&Rec::NAME, "B"), 3);
    EXPECT_EQ(q.Find(&Rec::NAME, "c"), 0);
    EXPECT_EQ(q.Find(&Rec::ID, 4), 4);
}

TEST(Queue, TextsWithoutTrailingBlanks) {
    EXPECT_EQ(TrimTrailingBlanks("ab  "), "ab");
    EXPECT_EQ(TrimTrailingBlanks("   "), "");
    EXPECT_EQ(TrimTrailingBlanks(" a"), " a");
}

}  // namespace
}  // namespace quillon::window
