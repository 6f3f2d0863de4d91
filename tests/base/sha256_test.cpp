// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/sha256.h"

#include <gtest/gtest.h>

namespace feedrite {
namespace {

// The published test vectors, and lengths either side of the padding's
// block boundary; fed whole and in uneven pieces.
TEST(Sha256, KnownDigestsWholeAndInPieces) {
    struct Case {
        std::string text, digest;
    };
    const Case cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(55, 'x'), "d5e285683cd4efc02d021a5c62014694958901005d6f71e89e0989fac77e4072"},
        {std::string(64, 'x'), "7ce100971f64e7001e8fe5a51973ecdfe1ced42befe7ee8d5fd6219506b5393c"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.size());
        EXPECT_EQ(sha256_hex(c.text), c.digest);
        Sha256 hash;
        for (std::size_t at = 0, piece = 1; at < c.text.size(); at += piece, piece = piece * 3 % 97)
            hash.add(std::string_view(c.text).substr(at, piece));
        EXPECT_EQ(hash.hex(), c.digest);
        EXPECT_EQ(hash.hex(), cases[0].digest) << "starts afresh after a digest";
    }
}

}  // namespace
}  // namespace feedrite
