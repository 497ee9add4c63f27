#pragma once
// Browser contexts: a stack of decks, each with its WML variables. The top
// is the current deck. Names beginning with "__" are the Browser's own.
#include <cstdint>

struct UserPrefs;

constexpr int CONTEXT_NEW = 3001;   // a fresh context
constexpr int CONTEXT_COPY = 3002;  // a context that inherits the variables

// clearContext modes
constexpr int CLEAR_KEEP_CURRENT = 0;  // only the current context, reserved variables only
constexpr int CLEAR_ALL = 1;           // the whole stack
constexpr int CLEAR_USER_VARS = 2;     // user variables of every context

// Value of a variable of the top context; "" when missing or no context.
// The text belongs to the context.
const char *getContextVal(const char *name);
// 1 on success, 0 without a context or memory.
int setContextVal(const char *name, const char *value);
// The same in the context index steps below the top (0: the top); 0 when
// there is none.
int setContextValAt(int index, const char *name, const char *value);
int hasContextVal(const char *name);
// A card's NEWCONTEXT="TRUE".
void newContext();
void setCardInfo(const char *name, const char *title);
const char *getCardName();
const char *getCardTitle();

// Pushes a context for url (CONTEXT_NEW or CONTEXT_COPY), empties the card
// variables in it and adds url to the history; returns addHistory's result.
int pushContext(const char *url, int kind);
void popContext();
// The URL of the context index steps below the top (0: current deck), or
// null. The text belongs to the context.
const char *getURL(int index);
void clearContext(int mode);
// Number of contexts on the stack.
uint32_t B_contextDepth();

// The preferences lent to the Browser: the history lives in them and the
// NEWCONTEXT flag is read from them. Null until set.
void B_setContextPrefs(UserPrefs *prefs);
UserPrefs *getContextPrefs();
// Whether a new deck starts with a copy of the current variables.
bool sharedVariables();
