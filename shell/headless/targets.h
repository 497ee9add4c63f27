#pragma once
// Where the headless click-link and click-field commands click: found in
// the tables of the card on the canvas, in canvas coordinates (scroll
// included, as B_userClick takes them).
#include <cstdint>
#include <string>

// The middle of the first link text record containing text.
bool findLinkPoint(const uint8_t *layoutTable, const std::string &text, int *x, int *y);
// The middle of the first input or select whose variable is name.
bool findFieldPoint(const uint8_t *eventTable, const std::string &name, int *x, int *y);
