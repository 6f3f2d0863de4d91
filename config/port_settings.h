#pragma once
// One device's port settings as the send driver reads them from its settings
// file and the transmission engine uses them.

#include <cstdint>
#include <string>

namespace feedrite {

struct PortSettings {
    double BTRportnumber = 0;  ///< 1 LPT1 .. 4 LPT4, 5 other
    std::int32_t BTRaddress = 0;
    std::int16_t BTRcode = 0;  ///< 0 ISO even parity, 1 odd, 2 seven bits, 3 EIA
    // Loop counts: data on, sprocket on, overlap, data off, between blocks, and
    // the derived rest of the data-on time.
    double BTRdelay1 = 0, BTRdelay2 = 0, BTRdelay3 = 0, BTRdelay4 = 0, BTRdelay5 = 0,
           BTRdelay6 = 0;
    std::string BTRleader, BTRtrailer;
    std::string BTReob;  ///< the end-of-block characters themselves
    std::string BTRcps;  ///< speed display text
    std::string BTRreset, BTRmask, BTRformat;
    bool BTRmaskcomments = false;
    bool Data_logic = true, Sprocket_logic = true, RunStop_logic = true, Ready_logic = true;
    bool Remex_async = false;
    std::string Replace_text;
    /// As stored in the file; the send driver expands its control codes.
    std::string Replace_with_text;
    bool Send_long_file = false;
};

}  // namespace feedrite
