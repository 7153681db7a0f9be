#include "editor/EditorButtons.h"

#include <utility>

#include "input/InputSystem.h"
#include "sound/KeyPlayer.h"

namespace tambrel {

EditorButtons::EditorButtons(ProgramState& st, KeyPlayer& player, InputSystem& input, std::function<void()> detect)
    : st_(st), player_(player), input_(input), detect_(std::move(detect)) {}

void EditorButtons::Play() {
    // The key is looked up before its source is read: a stale edit cursor
    // (its board deleted or shrunk) plays nothing and reads nothing.
    const KeyAssign* k = st_.EditKeyValid ? st_.Orc.FindKey(st_.EditAddress()) : nullptr;
    if (!k) return;
    if (k->SndSrc == kSrcNone) {
        st_.shell.Message(kSelectSourceText, "", MsgButtons::Ok);
        return;
    }
    player_.PlayKey(st_.EditAddress());
}

void EditorButtons::PlayPopupKey() {
    const Orchestra& o = st_.Orc;
    if (!o.ValidSet(o.CurSet)) return;
    const PlayBoard& pb = o.Set(o.CurSet);
    if (pb.CurBd < 1 || pb.CurBd > pb.BodNos()) return;
    player_.PlayKey({PlayBoardNo{o.CurSet}, SubBoardNo{pb.CurBd}, KeyNo{pb.Bd(pb.CurBd).CurKey}});
}

void EditorButtons::Stop(int option) { player_.StopSounds(option); }

void EditorButtons::SetInputOn(bool on) {
    std::int32_t state = on ? 1 : 0;
    input_.DiAcuire_Do(state);
}

bool EditorButtons::InputOn() const { return input_.OnOffState() == 1; }

void EditorButtons::DetectAgain() {
    if (detect_) {
        detect_();
    } else {
        input_.DetectInputDevices();
        st_.views.Post(notice::UpdateDeviceMenus{});
    }
    st_.views.Post(notice::RebuildAllBoardViews{});
    // The edit key's label names the device's key: shown anew.
    st_.views.Post(notice::ShowPlayAssignment{});
}

} // namespace tambrel
