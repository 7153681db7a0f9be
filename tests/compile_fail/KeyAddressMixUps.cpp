// Built once per MIX_UP by tests/compile_fail/compile_fail.sh: 0 must build,
// every other number is a mix-up of a key's numbers that must not.
#include "document/Orchestra.h"
#include "input/InputSystem.h"
#include "session/Instrument.h"
#include "sound/KeyPlayer.h"

namespace tambrel {

void MixUp(KeyPlayer& player, Instrument& instrument, Orchestra& orc) {
#if MIX_UP == 0
    const KeyAddress at{PlayBoardNo{3}, SubBoardNo{1}, KeyNo{2}};
    player.PlayKey(at);
    instrument.KeyEvent({DeviceNo{1}, KeyNo{30}});
    (void)orc.FindKey(at);
#elif MIX_UP == 1 // the address in the dispatcher's old order
    player.PlayKey({KeyNo{2}, SubBoardNo{1}, PlayBoardNo{3}});
#elif MIX_UP == 2 // three bare numbers
    player.PlayKey({2, 1, 3});
#elif MIX_UP == 3 // a device key with key and device swapped
    instrument.KeyEvent({KeyNo{30}, DeviceNo{1}});
#elif MIX_UP == 4 // a key number where the Play Board goes
    (void)orc.FindKey({KeyNo{3}, SubBoardNo{1}, KeyNo{2}});
#elif MIX_UP == 5 // one kind of number assigned to another
    PlayBoardNo p = KeyNo{2};
    (void)p;
#elif MIX_UP == 6 // the old three-integer call
    player.StopKey(2, 1, 3);
#endif
}

} // namespace tambrel
