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
    gFreed.clear();
    KeyedList *list = nullptr;
    for (KLWord k : keys)
        list = KL_put(list, k, k * 10, static_cast<uint32_t>(k), nullptr, nullptr, KL_cmpKey);
    return list;
}

// Orders by the low byte only, as a caller-supplied comparison would.
int cmpLowByte(KLWord a, KLWord b) { return static_cast<int>(a & 0xFF) - static_cast<int>(b & 0xFF); }

}  // namespace

TEST(KeyedList, PutKeepsUnsignedAscendingOrderAndReplacesEqualKeys)
{
    KeyedList *list = listOf({5, 0xFFFFFFF0u, 1, 9, 3, 7, 0});
    EXPECT_EQ(keysOf(list), (std::vector<KLWord>{0, 1, 3, 5, 7, 9, 0xFFFFFFF0u}));
    EXPECT_EQ(KL_cmpKey(0xFFFFFFFFu, 1), 1);
    EXPECT_EQ(KL_cmpKey(1, 0xFFFFFFFFu), -1);
    uint32_t extra = 99;
    EXPECT_EQ(KL_get(list, 7, &extra, KL_cmpKey), 70u);
    EXPECT_EQ(extra, 7u);
    EXPECT_EQ(list->cursor->key, 7u);
    EXPECT_EQ(KL_get(list, 4, &extra, KL_cmpKey), 0u);
    EXPECT_EQ(extra, 0u);
    EXPECT_EQ(list->cursor, nullptr);
    EXPECT_EQ(KL_put(list, 3, 333, 5, recordFree, recordFree, KL_cmpKey), list);
    EXPECT_EQ(KL_count(list), 7u);
    EXPECT_EQ(gFreed, (std::vector<KLWord>{3, 30}));
    EXPECT_EQ(KL_get(list, 3, &extra, KL_cmpKey), 333u);
    EXPECT_EQ(extra, 5u);
    KL_free(list, nullptr, nullptr);
    // Ordered by the whole key, looked up by the low byte: the match lies
    // beyond a node that already compares greater.
    list = listOf({0x0105, 0x0203});
    EXPECT_EQ(KL_get(list, 0x03, nullptr, cmpLowByte), 0x0203u * 10);
    KL_free(list, nullptr, nullptr);
}

TEST(KeyedList, RemoveFreesFoundEntriesOnlyAndTheEmptyHeader)
{
    KeyedList *list = listOf({3, 5, 7});
    for (KLWord absent : {1u, 6u, 9u})
        EXPECT_EQ(KL_remove(list, absent, recordFree, recordFree, KL_cmpKey), list);
    EXPECT_TRUE(gFreed.empty());
    list = KL_remove(list, 3, nullptr, nullptr, KL_cmpKey);
    list = KL_remove(list, 7, nullptr, nullptr, KL_cmpKey);
    EXPECT_EQ(keysOf(list), (std::vector<KLWord>{5}));
    list = KL_remove(list, 5, recordFree, recordFree, KL_cmpKey);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(gFreed, (std::vector<KLWord>{5, 50}));
    EXPECT_EQ(KL_count(list), 0u);
    list = KL_put(list, 8, 80, 0, nullptr, nullptr, KL_cmpKey);
    EXPECT_EQ(KL_count(list), 1u);
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
        if (key == 3)  // the node the cursor stands on
            list = KL_remove(list, 4, nullptr, nullptr, KL_cmpKey);
    }
    EXPECT_EQ(seen, (std::vector<KLWord>{1, 2, 3, 5, 6}));
    EXPECT_EQ(keysOf(list), (std::vector<KLWord>{1, 3, 5}));
    EXPECT_EQ(KL_next(list, &value, &extra), 0u);
    KL_free(list, nullptr, nullptr);
}

TEST(KeyedList, NullListIsHarmlessAndFreeSkipsNullKeys)
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
    KL_free(listOf({2, 0, 1}), recordFree, nullptr);
    EXPECT_EQ(gFreed, (std::vector<KLWord>{1, 2}));  // key 0 is not freed
    KL_free(listOf({2, 1}), nullptr, recordFree);
    EXPECT_EQ(gFreed, (std::vector<KLWord>{10, 20}));
}
