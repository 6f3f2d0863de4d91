#include "sim/device_timing.h"

#include "config/number_text.h"
#include "config/settings_lines.h"

namespace feedrite {
namespace {

std::optional<double> typed_number(const std::optional<std::string>& line) {
    if (!line || line->find_first_not_of(" \t") == std::string::npos) return std::nullopt;
    return read_number(*line);
}

bool skip(SettingsLines& in, int count) {
    for (int i = 0; i < count; ++i)
        if (!in.text()) return false;
    return true;
}

}  // namespace

DeviceTiming read_device_timing(const std::string& path) {
    DeviceTiming timing;
    SettingsLines in;
    if (!in.open(path) || !skip(in, 6)) return timing;
    timing.data_on_ms = typed_number(in.text());
    timing.sprocket_on_ms = typed_number(in.text());
    timing.overlap_ms = typed_number(in.text());
    if (skip(in, 6)) timing.cps = typed_number(in.text());  // lines 10 to 15, then 16
    return timing;
}

}  // namespace feedrite
