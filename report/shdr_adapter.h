// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An MTConnect adapter: listens on a TCP port and sends SHDR lines to every
// agent that connects (several may). A new agent gets every item, then the
// changes. What an agent sends is read only to answer "* PING"; anything
// else is thrown away unread. An agent that does not read its lines is let
// go once they pass a bound, so the worker never waits on one.

#include <cstddef>
#include <string>
#include <vector>

#include "base/file_error.h"
#include "report/report_sink.h"

namespace feedrite {

struct ShdrLimits {
    std::size_t clients = 8;  ///< agents at once; more are let go at once
    std::size_t unsent =
        256 * std::size_t{1024};  ///< bytes queued for one agent before it is let go
    std::size_t line = 1024;      ///< longest line read from an agent
};

class ShdrAdapter : public ReportSink {
  public:
    /// Does not listen yet: see listen().
    explicit ShdrAdapter(ShdrLimits limits = {});
    ~ShdrAdapter() override;
    ShdrAdapter(const ShdrAdapter&) = delete;
    ShdrAdapter& operator=(const ShdrAdapter&) = delete;

    /// Listens on `port` of every interface (0: one the system picks).
    /// Empty when listening; otherwise why not ("port 7878 is in use ...").
    [[nodiscard]] std::string listen(int port);
    /// The port listened on; 0 before listen().
    [[nodiscard]] int port() const { return port_; }

    void update(const ReportItems& items) override;
    void close(const ReportItems& items) override;

    [[nodiscard]] std::size_t clients() const { return clients_.size(); }

  private:
    struct Client {
        int fd = -1;
        std::string unsent, heard;
    };
    void accept_clients(const ReportItems& items);
    void hear(Client& client);
    void flush(Client& client) const;
    [[nodiscard]] bool keep(const Client& client) const;

    ShdrLimits limits_;
    int listener_ = -1;
    int port_ = 0;
    std::vector<Client> clients_;
    ReportItems sent_{};
    bool sent_any_ = false;
};

}  // namespace feedrite
