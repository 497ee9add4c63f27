#include <gtest/gtest.h>

#include <vector>

#include "common/keyed_list.h"

namespace {

std::vector<KLWord> gFreed;  // words handed to the free functions, in order
void recordFree(KLWord w) { gFreed.push_back(w); }

std::vector<KLWord> keysOf(KeyedList *list)
{
    std::vector<KLWord> keys;
    for (KLNode *n = list ? list->head : nullptr; n; n = n->next)
        keys.push_back(n->key);
    return keys;
}

KeyedList *listOf(std::initializer_list<KLWord> keys)
{
    KeyedList *list = nullptr;
    for (KLWord k : keys)
        list = KL_put(list, k, k * 10, static_cast<uint32_t>(k), nullptr, nullptr, KL_cmpKey);
    return list;
}

// Orders by the low byte only, as a caller-supplied comparison would.
int cmpLowByte(KLWord a, KLWord b) { return static_cast<int>(a & 0xFF) - static_cast<int>(b & 0xFF); }

}  // namespace

TEST(KeyedList, PutKeepsAscendingOrderWhateverTheInsertionOrder)
{
    KeyedList *list = listOf({5, 1, 9, 3, 7, 0});
    EXPECT_EQ(keysOf(list), (std::vector<KLWord>{0, 1, 3, 5, 7, 9}));
    EXPECT_EQ(KL_count(list), 6u);
    uint32_t extra = 99;
    EXPECT_EQ(KL_get(list, 7, &extra, KL_cmpKey), 70u);
    EXPECT_EQ(extra, 7u);
    EXPECT_EQ(list->cursor->key, 7u);
    EXPECT_EQ(KL_get(list, 4, &extra, KL_cmpKey), 0u);
    EXPECT_EQ(extra, 0u);
    EXPECT_EQ(list->cursor, nullptr);
    KL_free(list, nullptr, nullptr);
}

TEST(KeyedList, PutOfAnEqualKeyReplacesInPlaceAndFreesTheOldEntry)
{
    gFreed.clear();
    KeyedList *list = listOf({1, 2, 3});
    KeyedList *same = KL_put(list, 2, 222, 5, recordFree, recordFree, KL_cmpKey);
    EXPECT_EQ(same, list);
    EXPECT_EQ(KL_count(list), 3u);
    EXPECT_EQ(gFreed, (std::vector<KLWord>{2, 20}));
    uint32_t extra = 0;
    EXPECT_EQ(KL_get(list, 2, &extra, KL_cmpKey), 222u);
    EXPECT_EQ(extra, 5u);
    KL_free(list, nullptr, nullptr);
}

TEST(KeyedList, KeysCompareAsUnsignedWords)
{
    EXPECT_EQ(KL_cmpKey(0xFFFFFFFFu, 1), 1);
    EXPECT_EQ(KL_cmpKey(1, 0xFFFFFFFFu), -1);
    EXPECT_EQ(KL_cmpKey(42, 42), 0);
    KeyedList *list = listOf({0xFFFFFFF0u, 1});
    EXPECT_EQ(keysOf(list), (std::vector<KLWord>{1, 0xFFFFFFF0u}));
    KL_free(list, nullptr, nullptr);
}

TEST(KeyedList, RemovingTheOnlyEntryFreesTheHeader)
{
    gFreed.clear();
    KeyedList *list = listOf({4});
    list = KL_remove(list, 4, recordFree, recordFree, KL_cmpKey);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(gFreed, (std::vector<KLWord>{4, 40}));
    EXPECT_EQ(KL_count(list), 0u);
    list = KL_put(list, 8, 80, 0, nullptr, nullptr, KL_cmpKey);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(KL_count(list), 1u);
    KL_free(list, nullptr, nullptr);
}

TEST(KeyedList, RemoveOfAnAbsentKeyChangesNothing)
{
    gFreed.clear();
    KeyedList *list = listOf({3, 5, 7});
    EXPECT_EQ(KL_remove(list, 1, recordFree, recordFree, KL_cmpKey), list);  // below the head
    EXPECT_EQ(KL_remove(list, 6, recordFree, recordFree, KL_cmpKey), list);  // between
    EXPECT_EQ(KL_remove(list, 9, recordFree, recordFree, KL_cmpKey), list);  // past the end
    EXPECT_TRUE(gFreed.empty());
    EXPECT_EQ(keysOf(list), (std::vector<KLWord>{3, 5, 7}));
    list = KL_remove(list, 3, nullptr, nullptr, KL_cmpKey);                    // the head
    list = KL_remove(list, 7, nullptr, nullptr, KL_cmpKey);                    // the tail
    EXPECT_EQ(keysOf(list), (std::vector<KLWord>{5}));
    KL_free(list, nullptr, nullptr);
}

TEST(KeyedList, EntriesCanBeRemovedWhileIterating)
{
    KeyedList *list = listOf({1, 2, 3, 4, 5, 6});
    std::vector<KLWord> seen;
    KLWord value = 0;
    uint32_t extra = 0;
    KL_rewind(list);
    while (list && list->cursor) {
        KLWord key = KL_next(list, &value, &extra);
        EXPECT_EQ(value, key * 10);
        EXPECT_EQ(extra, key);
        seen.push_back(key);
        if (key % 2 == 0)  // the node just returned
            list = KL_remove(list, key, nullptr, nullptr, KL_cmpKey);
        // The node the cursor stands on: iteration must skip past it.
        if (key == 3)
            list = KL_remove(list, 4, nullptr, nullptr, KL_cmpKey);
    }
    EXPECT_EQ(seen, (std::vector<KLWord>{1, 2, 3, 5, 6}));
    EXPECT_EQ(keysOf(list), (std::vector<KLWord>{1, 3, 5}));
    EXPECT_EQ(KL_next(list, &value, &extra), 0u);
    EXPECT_EQ(value, 0u);
    KL_free(list, nullptr, nullptr);
}

TEST(KeyedList, GetScansPastOrderWithAForeignComparison)
{
    // Ordered by the whole key, looked up by the low byte: the match lies
    // beyond a node that already compares greater.
    KeyedList *list = listOf({0x0105, 0x0203});
    EXPECT_EQ(KL_get(list, 0x03, nullptr, cmpLowByte), 0x0203u * 10);
    KL_free(list, nullptr, nullptr);
}

TEST(KeyedList, NullListIsHarmless)
{
    KLWord value = 1;
    uint32_t extra = 1;
    EXPECT_EQ(KL_get(nullptr, 1, &extra, KL_cmpKey), 0u);
    EXPECT_EQ(KL_remove(nullptr, 1, recordFree, recordFree, KL_cmpKey), nullptr);
    EXPECT_EQ(KL_rewind(nullptr), 0u);
    EXPECT_EQ(KL_next(nullptr, &value, &extra), 0u);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(extra, 0u);
    KL_free(nullptr, recordFree, recordFree);
}

TEST(KeyedList, FreeReleasesEveryEntryInOrderAndSkipsNullKeys)
{
    gFreed.clear();
    KeyedList *list = listOf({2, 0, 1});
    KL_free(list, recordFree, nullptr);
    EXPECT_EQ(gFreed, (std::vector<KLWord>{1, 2}));  // key 0 is not freed
    gFreed.clear();
    list = listOf({2, 1});
    KL_free(list, nullptr, recordFree);
    EXPECT_EQ(gFreed, (std::vector<KLWord>{10, 20}));
}
