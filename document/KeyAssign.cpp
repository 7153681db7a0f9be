#include "document/KeyAssign.h"

namespace tambrel {

KeyAssign NewKeyAssign() {
    KeyAssign k;
    k.SndSrc = kSrcNone;
    k.SaveInFile = 1;
    k.PlayStyl = kPlayOnce;
    k.AllowDup = 1;
    k.QueDupLoop = kQueAllowDup;
    k.MultiTimLst = "0,0.5,0.7,1.2";
    k.LoopOption = kLoopContinuous;
    k.LoopTimes = 10;
    k.MidiKeyNo = 50;
    k.Velos = 127;
    k.Dur = 1000;
    return k;
}

} // namespace tambrel
