// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/config_model.h"

#include <optional>
#include <utility>

namespace feedrite {
namespace {

std::optional<Tick> polarity_partner(Tick box) {
    for (const auto& [positive, negative] : polarity_pairs) {
        if (box == positive) return negative;
        if (box == negative) return positive;
    }
    return std::nullopt;
}

struct FixedPort {
    const char* hex;
    float address;
};
// LPT3 is 3E8 here, not the 3BC that some PCs use.
constexpr FixedPort fixed_ports[] = {{"378", 888}, {"278", 632}, {"3E8", 1000}, {"2E8", 744}};

}  // namespace

std::optional<int> lpt_index_named(const std::string& name) {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (int i = 0; i < LPT_other; ++i)
        if (upper == LPT_items[std::size_t(i)]) return i;
    return std::nullopt;
}

ConfigModel::ConfigModel(Host& host) : host_(&host) {
    // Each polarity pair holds exactly one ticked box from the start.
    for (const auto& pair : polarity_pairs) ticks_[slot(pair.first)] = true;
}

bool ConfigModel::choose_port(int index) {
    if (index < 0 || index >= static_cast<int>(LPT_items.size())) return false;
    LPT_index_ = index;
    if (index == LPT_other) {
        address_txt = "????";
        address_txt_enabled = true;
        return true;
    }
    const FixedPort& port = fixed_ports[index];
    address_txt = port.hex;
    address = port.address;
    address_txt_enabled = false;
    return true;
}

void ConfigModel::set_ticked(Tick box, bool on) {
    if (ticks_[slot(box)] == on) return;
    ticks_[slot(box)] = on;
    react(box);
}

void ConfigModel::react(Tick box) {
    if (const auto partner = polarity_partner(box)) {
        set_ticked(*partner, !ticked(box));
        return;
    }
    switch (box) {
        case Tick::chk_EIA:
            react_to_EIA();
            break;
        case Tick::chk_even:
            react_to_even();
            break;
        case Tick::chk_LF:
        case Tick::chk_CR:
        case Tick::chk_LFCR:
        case Tick::chk_CRLF:
            react_to_eob(box);
            break;
        default:
            break;
    }
}

void ConfigModel::react_to_EIA() {
    if (!ticked(Tick::chk_EIA)) return;
    set_ticked(Tick::chk_even, false);
    for (const Tick eob : eob_boxes) set_ticked(eob, false);
    // Last, because clearing the ISO box above enables the boxes again.
    eob_enabled_ = false;
}

void ConfigModel::react_to_even() {
    if (ticked(Tick::chk_even)) set_ticked(Tick::chk_EIA, false);
    eob_enabled_ = true;
    for (const Tick eob : eob_boxes)
        if (ticked(eob)) return;
    set_ticked(Tick::chk_LFCR, true);
}

void ConfigModel::react_to_eob(Tick box) {
    // LF/CR is exempt from the EIA warning: ticking EIA clears the ISO box,
    // whose reaction ticks LF/CR as its fallback; that must not beep.
    if (box != Tick::chk_LFCR && ticked(Tick::chk_EIA)) {
        host_->beep();
        return;
    }
    if (!ticked(box)) return;
    for (const Tick other : eob_boxes)
        if (other != box) set_ticked(other, false);
}

}  // namespace feedrite
