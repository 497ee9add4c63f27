// A small stand-in for the standard libraries, so the engine's tests run
// without the Browser: Lang.abs, Lang.exit, Lang.abort and String.format
// (which hands back its second argument); any other call ends the run
// like an unknown function.
#include "script/script_value.h"

bool callLibrary(int library, int function, ScriptFrame *frame, int32_t *error)
{
    *error = 0;
    ScriptValue a, b;
    if (library == 0 && function == 0) {
        popOrInvalid(&a, frame);
        if (a.type == SV_INTEGER)
            makeInteger(&a, a.integer < 0 ? -a.integer : a.integer);
        pushValue(&a, frame);
        releaseValue(&a);
        return true;
    }
    if (library == 0 && (function == 10 || function == 11)) {
        *error = function == 10 ? 1 : 2;  // the argument stays for runScript to discard
        return false;
    }
    if (library == 2 && function == 15) {
        popOrInvalid(&b, frame);
        popOrInvalid(&a, frame);
        pushValue(&b, frame);
        releaseValue(&a);
        releaseValue(&b);
        return true;
    }
    return false;
}
