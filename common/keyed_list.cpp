#include "common/keyed_list.h"

#include <cstdlib>

#include "common/log.h"

static KLNode *newNode(KLWord key, KLWord value, uint32_t extra, KLNode *next)
{
    KLNode *node = static_cast<KLNode *>(std::malloc(sizeof(KLNode)));
    if (!node) {
        Log_str("KeyedList: out of memory\n");
        return nullptr;
    }
    node->next = next;
    node->key = key;
    node->value = value;
    node->extra = extra;
    return node;
}

// Out of memory leaves the list as it was: the entry is simply not stored.
KeyedList *KL_put(KeyedList *list, KLWord key, KLWord value, uint32_t extra, KLFree keyFree, KLFree valueFree,
                  KLCompare cmp)
{
    if (!list) {
        KeyedList *created = static_cast<KeyedList *>(std::malloc(sizeof(KeyedList)));
        if (!created) {
            Log_str("KeyedList: out of memory\n");
            return nullptr;
        }
        created->head = newNode(key, value, extra, nullptr);
        if (!created->head) {
            std::free(created);
            return nullptr;
        }
        created->count = 1;
        created->cursor = nullptr;
        return created;
    }

    KLNode **link = &list->head;
    while (*link) {
        int order = cmp((*link)->key, key);
        if (order == 0) {
            KLNode *node = *link;
            if (keyFree)
                keyFree(node->key);
            if (valueFree)
                valueFree(node->value);
            node->key = key;
            node->value = value;
            node->extra = extra;
            return list;
        }
        if (order > 0)
            break;
        link = &(*link)->next;
    }
    KLNode *node = newNode(key, value, extra, *link);
    if (!node)
        return list;
    *link = node;
    list->count++;
    return list;
}

KLWord KL_get(KeyedList *list, KLWord key, uint32_t *extra, KLCompare cmp)
{
    if (extra)
        *extra = 0;
    if (!list)
        return 0;
    list->cursor = nullptr;
    // Not stopped early: callers may pass comparisons that don't follow the
    // list's order (lookups by a secondary field).
    for (KLNode *node = list->head; node; node = node->next) {
        if (cmp(node->key, key) == 0) {
            list->cursor = node;
            if (extra)
                *extra = node->extra;
            return node->value;
        }
    }
    return 0;
}

KeyedList *KL_remove(KeyedList *list, KLWord key, KLFree keyFree, KLFree valueFree, KLCompare cmp)
{
    if (!list)
        return nullptr;
    KLNode **link = &list->head;
    while (*link) {
        int order = cmp((*link)->key, key);
        if (order > 0)
            return list;
        if (order == 0)
            break;
        link = &(*link)->next;
    }
    KLNode *node = *link;
    if (!node)
        return list;
    if (list->cursor == node)
        list->cursor = node->next;
    if (keyFree)
        keyFree(node->key);
    if (valueFree)
        valueFree(node->value);
    *link = node->next;
    std::free(node);
    if (--list->count == 0) {
        std::free(list);
        return nullptr;
    }
    return list;
}

uint32_t KL_count(const KeyedList *list) { return list ? list->count : 0; }

KLWord KL_rewind(KeyedList *list)
{
    if (!list)
        return 0;
    list->cursor = list->head;
    return list->head ? list->head->key : 0;
}

KLWord KL_next(KeyedList *list, KLWord *value, uint32_t *extra)
{
    KLNode *node = list ? list->cursor : nullptr;
    if (!node) {
        if (value)
            *value = 0;
        if (extra)
            *extra = 0;
        return 0;
    }
    if (value)
        *value = node->value;
    if (extra)
        *extra = node->extra;
    list->cursor = node->next;
    return node->key;
}

void KL_free(KeyedList *list, KLFree keyFree, KLFree valueFree)
{
    if (!list)
        return;
    KLNode *node = list->head;
    while (node) {
        KLNode *next = node->next;
        if (keyFree && node->key)
            keyFree(node->key);
        if (valueFree)
            valueFree(node->value);
        std::free(node);
        node = next;
    }
    std::free(list);
}

int KL_cmpKey(KLWord nodeKey, KLWord wanted)
{
    if (nodeKey < wanted)
        return -1;
    return nodeKey > wanted ? 1 : 0;
}
