#pragma once
// Browser contexts: a stack of decks, each with its WML variables. The top
// is the current deck. Names beginning with "__" are the Browser's own.

constexpr int CONTEXT_NEW = 3001;   // a fresh context
constexpr int CONTEXT_COPY = 3002;  // a context that inherits the variables

// Value of a variable of the top context; "" when missing or no context.
// The text belongs to the context.
const char *getContextVal(const char *name);
// 1 on success, 0 without a context or memory.
int setContextVal(const char *name, const char *value);
int hasContextVal(const char *name);
// A card's NEWCONTEXT="TRUE".
void newContext();
void setCardInfo(const char *name, const char *title);
