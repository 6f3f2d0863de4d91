// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/shdr_adapter.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "report/shdr_lines.h"

namespace feedrite {

namespace {

std::string stamp() {
    return shdr_timestamp(std::chrono::system_clock::now());
}

std::array<bool, report_item_count> all_items() {
    std::array<bool, report_item_count> send{};
    send.fill(true);
    return send;
}

// Marked where `now` differs from what went out last.
std::array<bool, report_item_count> changed(const ReportItems& now, const ReportItems& before) {
    std::array<bool, report_item_count> send{};
    for (std::size_t i = 0; i < now.size(); ++i) send[i] = !(now[i] == before[i]);
    return send;
}

}  // namespace

ShdrAdapter::ShdrAdapter(ShdrLimits limits) : limits_(limits) {}

ShdrAdapter::~ShdrAdapter() {
    for (const Client& client : clients_) ::close(client.fd);
    if (listener_ >= 0) ::close(listener_);
}

std::string ShdrAdapter::listen(int port) {
    listener_ = ::socket(AF_INET6, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener_ < 0)
        return std::string("no socket for the SHDR adapter: ") + std::strerror(errno);
    const int on = 1, off = 0;
    (void)setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    // Agents on IPv4 and IPv6 alike.
    (void)setsockopt(listener_, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_any;
    address.sin6_port = htons(static_cast<std::uint16_t>(port));
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the socket API's own cast
    if (::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 8) != 0) {
        const int error = errno;
        ::close(listener_);
        listener_ = -1;
        return "the SHDR adapter cannot listen on port " + std::to_string(port) + ": " +
               std::strerror(error) +
               (error == EADDRINUSE ? " (another program listens there; choose another port)" : "");
    }
    socklen_t length = sizeof address;
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): the socket API's own cast
    (void)getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin6_port);
    return {};
}

void ShdrAdapter::accept_clients(const ReportItems& items) {
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        if (clients_.size() >= limits_.clients) {
            ::close(fd);
            continue;
        }
        clients_.push_back({fd, shdr_lines(items, all_items(), stamp()), {}});
    }
}

// Reads what the agent sent, keeping at most a line; answers its pings.
void ShdrAdapter::hear(Client& client) {
    char bytes[512];
    for (;;) {
        const ssize_t got = ::recv(client.fd, bytes, sizeof bytes, MSG_DONTWAIT);
        if (got == 0) {
            ::close(client.fd);
            client.fd = -1;
            return;
        }
        if (got < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
                ::close(client.fd);
                client.fd = -1;
            }
            if (errno != EINTR) return;
            continue;
        }
        for (ssize_t i = 0; i < got; ++i) {
            if (bytes[i] != '\n') {
                if (client.heard.size() < limits_.line) client.heard += bytes[i];
                continue;
            }
            if (const auto answer = shdr_answer(client.heard)) client.unsent += *answer;
            client.heard.clear();
        }
    }
}

void ShdrAdapter::flush(Client& client) const {
    while (client.fd >= 0 && !client.unsent.empty()) {
        const ssize_t put = ::send(client.fd, client.unsent.data(), client.unsent.size(),
                                   MSG_DONTWAIT | MSG_NOSIGNAL);
        if (put < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                ::close(client.fd);
                client.fd = -1;
            }
            return;
        }
        client.unsent.erase(0, static_cast<std::size_t>(put));
    }
}

bool ShdrAdapter::keep(const Client& client) const {
    return client.fd >= 0 && client.unsent.size() <= limits_.unsent;
}

void ShdrAdapter::update(const ReportItems& items) {
    if (listener_ < 0) return;
    const std::string lines =
        shdr_lines(items, sent_any_ ? changed(items, sent_) : all_items(), stamp());
    sent_ = items;
    sent_any_ = true;
    for (Client& client : clients_) {
        client.unsent += lines;
        hear(client);
        flush(client);
    }
    std::erase_if(clients_, [this](const Client& client) {
        if (keep(client)) return false;
        if (client.fd >= 0) ::close(client.fd);
        return true;
    });
    accept_clients(items);
    for (Client& client : clients_) flush(client);
}

void ShdrAdapter::close(const ReportItems& items) {
    update(items);
    for (const Client& client : clients_) ::close(client.fd);
    clients_.clear();
    if (listener_ >= 0) ::close(listener_);
    listener_ = -1;
}

}  // namespace feedrite
