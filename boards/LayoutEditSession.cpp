#include "boards/LayoutEditSession.h"

#include <algorithm>
#include <limits>

#include "boards/DeviceLayouts.h"
#include "common/NumberText.h"

namespace tambrel {

namespace {

struct SizeItem {
    std::string_view prompt;
    std::int32_t lo, hi;
};

SizeItem SizeItemOf(KeySize item) {
    switch (item) {
    case KeySize::KeyWidth: return {"Enter new width for this buttons", 20, 500};
    case KeySize::RowHeight: return {"Enter new height for this row", 18, 100};
    case KeySize::SpaceBefore: return {"Enter new space width before this buttons", 0, 200};
    case KeySize::SpaceAbove: return {"Enter new space height above this row", 0, 100};
    }
    return {"", 0, 0};
}

std::int32_t Clamp64(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

} // namespace

DeviceLayout* LayoutEditSession::Layout() {
    if (!open_ || device_ < 1 || device_ > st_.DeviceCount()) return nullptr;
    return &st_.InputDevices[static_cast<std::size_t>(device_ - 1)].Layout;
}

LayoutKey* LayoutEditSession::Selected() {
    DeviceLayout* l = Layout();
    if (!l || selected_ < 1 || static_cast<std::size_t>(selected_) > l->Keys.size()) return nullptr;
    LayoutKey* k = &l->Keys[static_cast<std::size_t>(selected_ - 1)];
    // LayOutBoard leaves every key placed in a row that exists.
    if (k->Row < 1 || k->Row > l->RowCount || static_cast<std::size_t>(k->Row) > l->Rows.size()) return nullptr;
    return k;
}

void LayoutEditSession::Redraw(std::int32_t highlight) {
    DeviceLayout* l = Layout();
    if (!l) return;
    picture_ = LayOutBoard(*l, st_.InputDevices[static_cast<std::size_t>(device_ - 1)].KeyLabels, highlight);
    ++redraws_;
}

void LayoutEditSession::SetWorkingSize(std::int32_t width, std::int32_t height) {
    workingWidth_ = width;
    workingHeight_ = height;
    lineX_ = width;
    lineY_ = Clamp64(std::int64_t{height} + kHeightLineOffset);
}

std::string LayoutEditSession::CaptionText() const {
    const InputDevice* d = st_.Device(device_);
    return "Device: " + (d ? d->Name : std::string());
}

LayoutEditSession::WindowExtent LayoutEditSession::WindowSize(std::int32_t frameWidth, std::int32_t frameHeight,
                                                              std::int32_t lineThickness, std::int32_t screenWidth,
                                                              std::int32_t screenHeight) const {
    const std::int64_t w = std::max<std::int64_t>(picture_.Width, std::int64_t{lineX_} + lineThickness) + frameWidth;
    const std::int64_t h = std::max<std::int64_t>(picture_.Height, std::int64_t{lineY_} + lineThickness) + frameHeight;
    return {Clamp64(std::min<std::int64_t>(w, screenWidth)), Clamp64(std::min<std::int64_t>(h, screenHeight))};
}

bool LayoutEditSession::InitilizeForm(std::int32_t device) {
    if (!st_.Device(device)) return false;
    open_ = true;
    device_ = device;
    selected_ = 0;
    accepted_ = false;
    drag_ = Drag::None;
    redraws_ = 0;
    DeviceLayout& l = *Layout();
    SetWorkingSize(l.BoardWidth, l.BoardHeight);
    Redraw(selected_);
    // The copy is taken after the first drawing, so it holds what
    // LayOutBoard repaired.
    saved_ = l;
    return true;
}

SelectResult LayoutEditSession::Select(std::int32_t x, std::int32_t y, MouseButton button) {
    DeviceLayout* l = Layout();
    if (!l) return {};
    selected_ = HitKey(*l, x, y);
    Redraw(selected_);
    return {selected_, button == MouseButton::Right && selected_ != 0};
}

void LayoutEditSession::MoveUpDown(LayoutKey& key, std::int32_t target) {
    DeviceLayout& l = *Layout();
    const std::int32_t from = key.Row, p = key.Position, x = key.Left;
    // The place under the key's left edge: the last key (in index order) of
    // the target row whose span, its space before included, holds it.
    std::int32_t n = 1;
    for (const LayoutKey& k : l.Keys)
        if (&k != &key && k.Row == target && std::int64_t{k.Left} - k.SpaceBefore <= x && x <= k.Right) n = k.Position;
    for (LayoutKey& k : l.Keys)
        if (&k != &key && k.Row == target && k.Position >= n) ++k.Position;
    key.Row = target;
    key.Position = n;
    for (LayoutKey& k : l.Keys)
        if (&k != &key && k.Row == from && k.Position > p) --k.Position;
}

void LayoutEditSession::MoveSideways(LayoutKey& key, bool right) {
    DeviceLayout& l = *Layout();
    const std::int32_t p = key.Position;
    std::int32_t n = 0;
    if (right) {
        std::int32_t highest = 0;
        for (const LayoutKey& k : l.Keys)
            if (k.Row == key.Row) highest = std::max(highest, k.Position);
        if (p >= highest) return;
        n = p + 1;
    } else {
        if (p <= 1) return;
        n = p - 1;
    }
    for (LayoutKey& k : l.Keys) {
        if (&k != &key && k.Row == key.Row && k.Position == n) {
            k.Position = p;
            break;
        }
    }
    key.Position = n;
    Redraw(selected_);
}

void LayoutEditSession::Move(KeyMove move) {
    LayoutKey* key = Selected();
    if (!key) return;
    DeviceLayout& l = *Layout();
    switch (move) {
    case KeyMove::Up:
        if (key->Row == 1) return;
        MoveUpDown(*key, key->Row - 1);
        break;
    case KeyMove::Down:
        if (key->Row == l.RowCount) {
            if (l.RowCount >= kMaxRows) {
                st_.shell.Message("Too many rows", "", MsgButtons::Ok);
                return;
            }
            const LayoutRow last = l.Rows.back();
            l.Rows.push_back(last);
            l.RowCount = static_cast<std::int32_t>(l.Rows.size());
        }
        MoveUpDown(*key, key->Row + 1);
        break;
    case KeyMove::Left: MoveSideways(*key, false); return;
    case KeyMove::Right: MoveSideways(*key, true); return;
    }
    Redraw(selected_);
}

void LayoutEditSession::Size(KeySize item) {
    LayoutKey* key = Selected();
    if (!key) return;
    LayoutRow& row = Layout()->Rows[static_cast<std::size_t>(key->Row - 1)];
    std::int32_t* field = nullptr;
    switch (item) {
    case KeySize::KeyWidth: field = &key->Width; break;
    case KeySize::RowHeight: field = &row.Height; break;
    case KeySize::SpaceBefore: field = &key->SpaceBefore; break;
    case KeySize::SpaceAbove: field = &row.SpaceAbove; break;
    }
    if (!field) return;
    const SizeItem s = SizeItemOf(item);
    const std::string answer = st_.shell.Input(s.prompt, "", IntText(*field));
    // An empty or non-numeric answer changes nothing; a number is clamped
    // (so no size overflows) and rounded, halves to even.
    if (answer.empty() || !IsNumericText(answer)) return;
    const double typed = std::clamp(ParseLenient(answer), static_cast<double>(s.lo), static_cast<double>(s.hi));
    const std::int32_t value = RoundHalfEven(typed);
    if (value == *field) return;
    *field = value;
    Redraw(selected_);
}

void LayoutEditSession::PressWidthLine(std::int32_t pointerX) {
    if (!open_) return;
    drag_ = Drag::Width;
    dragFrom_ = pointerX;
    dragLineFrom_ = lineX_;
}

void LayoutEditSession::PressHeightLine(std::int32_t pointerY) {
    if (!open_) return;
    drag_ = Drag::Height;
    dragFrom_ = pointerY;
    dragLineFrom_ = lineY_;
}

void LayoutEditSession::DragMove(std::int32_t pointerX, std::int32_t pointerY) {
    if (drag_ == Drag::Width) lineX_ = Clamp64(std::int64_t{dragLineFrom_} + pointerX - dragFrom_);
    else if (drag_ == Drag::Height) lineY_ = Clamp64(std::int64_t{dragLineFrom_} + pointerY - dragFrom_);
}

void LayoutEditSession::ReleaseLine() {
    const Drag d = drag_;
    drag_ = Drag::None;
    if (d == Drag::Width) DropWidthLine(lineX_);
    else if (d == Drag::Height) DropHeightLine(lineY_);
}

void LayoutEditSession::DropWidthLine(std::int32_t x) {
    DeviceLayout* l = Layout();
    if (!l) return;
    drag_ = Drag::None;
    const std::int32_t w = std::max(x, kMinDragWidth);
    SetWorkingSize(w, workingHeight_);
    l->BoardWidth = w;
    Redraw(0);
}

void LayoutEditSession::DropHeightLine(std::int32_t y) {
    DeviceLayout* l = Layout();
    if (!l) return;
    drag_ = Drag::None;
    const std::int32_t h = Clamp64(std::max<std::int64_t>(std::int64_t{y} - kHeightLineOffset, kMinDragHeight));
    SetWorkingSize(workingWidth_, h);
    l->BoardHeight = h;
    Redraw(0);
}

std::vector<LayoutType> LayoutEditSession::ResetTypes() const {
    std::vector<LayoutType> types{LayoutType::Keyboard, LayoutType::Mouse, LayoutType::Rectangle};
    const InputDevice* dev = open_ ? st_.Device(device_) : nullptr;
    if (dev && IsMidiNoteDevice(*dev)) types.push_back(LayoutType::Notes);
    if (dev && dev->Name == kOscDeviceName && dev->KeyCount == kOscKeys) types.push_back(LayoutType::OscKeys);
    return types;
}

void LayoutEditSession::Reset(LayoutType type) {
    DeviceLayout* l = Layout();
    const std::vector<LayoutType> offered = ResetTypes();
    if (!l || std::find(offered.begin(), offered.end(), type) == offered.end()) return;
    switch (type) {
    case LayoutType::Keyboard: BuildKeyboardLayout(st_, device_); break;
    case LayoutType::Mouse: BuildMouseLayout(st_, device_); break;
    case LayoutType::Notes: BuildNoteLayout(st_, device_); break;
    case LayoutType::OscKeys: BuildOscLayout(st_, device_); break;
    case LayoutType::Rectangle: {
        const std::string answer = st_.shell.Input("Enter the number of keys for each row.", "", "12");
        if (answer.empty()) return;
        std::int32_t n = 0;
        if (!TryRoundHalfEven(ParseLenient(answer), n) || n < 1 || n > st_.Device(device_)->KeyCount) {
            st_.shell.Message("Number of keys invalid", "", MsgButtons::Ok);
            return;
        }
        BuildRectangularLayout(st_, device_, n);
        break;
    }
    }
    Redraw(selected_);
    SetWorkingSize(l->BoardWidth, l->BoardHeight);
}

void LayoutEditSession::Ok() {
    if (!open_) return;
    accepted_ = true;
    Close();
}

void LayoutEditSession::Cancel() {
    if (!open_) return;
    accepted_ = false;
    Close();
}

void LayoutEditSession::Close() {
    DeviceLayout* l = Layout();
    if (!open_) return;
    if (!accepted_ && l) *l = saved_;
    drag_ = Drag::None;
    open_ = false;
}

void FinishLayoutEditing(ProgramState& st, const LayoutEditSession& session) {
    st.views.Post(notice::ShowPlayAssignment{});
    if (session.Accepted()) st.views.Post(notice::RebuildAllBoardViews{});
}

} // namespace tambrel
