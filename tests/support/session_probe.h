// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The run's state behind a session, for tests and benches that set it up as
// the engine would leave it (a control that holds, data flowing, an edit).

#include "run/session.h"

namespace feedrite {

class SessionProbe {
  public:
    static WindowState& state(Session& session) { return session.state_; }
};

}  // namespace feedrite
