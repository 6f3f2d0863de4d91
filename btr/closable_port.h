// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Forwards to a port until it is closed; after that nothing reaches the port.
// The session closes it when the program ends, so code still on the stack
// below can never write to the lines again.

#include <memory>

#include "btr/port/port_access.h"

namespace feedrite {

class ClosablePort final : public PortAccess {
  public:
    explicit ClosablePort(std::unique_ptr<PortAccess> port) : port_(std::move(port)) {}

    PortError port_open(std::int32_t base, int count) override {
        if (!port_) return {PortErrorCode::Unsupported, "The port has been released."};
        PortError error = port_->port_open(base, count);
        opened_ = opened_ || error.ok();
        return error;
    }
    int port_read(int offset) override { return port_ ? port_->port_read(offset) : 0xFF; }
    void port_write(int offset, int value) override {
        if (port_) port_->port_write(offset, value);
    }

    [[nodiscard]] PortError fault() const override { return port_ ? port_->fault() : PortError{}; }

    /// Puts `port` in the place of one that never opened: the window tries
    /// the program on the virtual port where the hardware's would not open.
    void replace(std::unique_ptr<PortAccess> port) {
        if (!opened()) port_ = std::move(port);
    }
    /// Releases the port; reads give 0xFF and writes are dropped from now on.
    void close() { port_.reset(); }
    /// The port was opened (and not yet released).
    [[nodiscard]] bool opened() const { return opened_ && port_; }

    void* find_capability(const std::type_info& interface) override {
        return port_ ? port_->find_capability(interface) : nullptr;
    }

  private:
    std::unique_ptr<PortAccess> port_;
    bool opened_ = false;
};

}  // namespace feedrite
