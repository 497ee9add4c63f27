#pragma once
// KeyedList: a singly linked list kept in ascending key order by a
// comparison the caller passes to every operation. Keys are unique. An
// empty list is a null handle: every operation that may create or destroy
// the header returns the handle, and the caller always stores it back.
//
// Keys and values are machine words: usually an index, an identifier or
// a pointer to a heap block the list owns. extra travels with the entry
// (callers keep the value's length in it, or 0).
#include <cstdint>

typedef uintptr_t KLWord;

struct KLNode {
    KLNode *next;
    KLWord key;
    KLWord value;
    uint32_t extra;
};

struct KeyedList {
    uint32_t count;  // nodes; never 0 while the header exists
    KLNode *cursor;  // what the next KL_next returns, or null
    KLNode *head;
};

// Negative, 0 or positive as nodeKey is less than, equal to or greater
// than wanted.
typedef int (*KLCompare)(KLWord nodeKey, KLWord wanted);
typedef void (*KLFree)(KLWord word);

// Inserts in order, or replaces an equal key in place (freeing the old key
// and value with the given functions, either of which may be null).
KeyedList *KL_put(KeyedList *list, KLWord key, KLWord value, uint32_t extra, KLFree keyFree, KLFree valueFree,
                  KLCompare cmp);
// The value of the equal key (0 when none) and its extra; moves the cursor
// to that node (or to none).
KLWord KL_get(KeyedList *list, KLWord key, uint32_t *extra, KLCompare cmp);
// Unlinks and frees the equal key's node; a cursor on it moves on, so
// entries may be removed while iterating.
KeyedList *KL_remove(KeyedList *list, KLWord key, KLFree keyFree, KLFree valueFree, KLCompare cmp);
uint32_t KL_count(const KeyedList *list);
// Cursor to the head; returns the head's key (0 for a null list).
KLWord KL_rewind(KeyedList *list);
// The key at the cursor with its value and extra, then advances; 0 (and
// zeros) when the cursor has run out.
KLWord KL_next(KeyedList *list, KLWord *value, uint32_t *extra);
void KL_free(KeyedList *list, KLFree keyFree, KLFree valueFree);
// Keys compared as unsigned numbers: -1, 0 or 1.
int KL_cmpKey(KLWord nodeKey, KLWord wanted);
