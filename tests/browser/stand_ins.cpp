// What the Browser's state asks of the display and the cache: nothing here.
#include "shell/dialog.h"
#include "shell/display.h"

int showDialog(DialogRequest *) { return 0; }
void D_displayStatusInsert(const char *) { }
void C_setCacheSize(uint32_t, uint32_t) { }
