#pragma once
// Shared by the layout, event and image/table tests: running Layout over a
// compiled test deck or hand-made bytes, and the golden dump files.
#include <cstdint>
#include <string>
#include <vector>

// Caches the bytes as a deck and lays out card; Layout's result.
int layoutBytes(const std::vector<uint8_t> &deck, const char *card = "");
// Lays out a hand-made deck in charset: wml > card > p holding content.
int layoutCard(const std::vector<uint8_t> &content, uint8_t charset = 4);
int layoutDeck(const char *name, const char *card = "");

std::string layoutDump();
// Walks the layout table's records: each ends inside the 4 KiB table.
void expectLayoutTableInBounds();
std::string eventDump();
// Compares the two dumps with golden/NAME.layout.txt and NAME.events.txt;
// TOVRIN_UPDATE_GOLDEN=1 rewrites them for review instead.
void expectGolden(const std::string &name);

// A WBMP image of w x h pixels.
std::vector<uint8_t> wbmp(int w, int h);

// Counts lines of a dump that contain needle.
int countLines(const std::string &dump, const std::string &needle);
