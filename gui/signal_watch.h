// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SIGTERM, SIGINT and SIGHUP as a Qt signal on the event loop: the handler
// only writes the number to a pipe, whose reading end a QSocketNotifier
// watches (so it is seen inside the engine's yields too). A second of them
// ends the process from the handler: at once when the orderly end has put the
// run on record, else after a few seconds, leaving the orderly end that time.

#include <QObject>
#include <string>

class QSocketNotifier;

namespace feedrite {

class SignalWatch : public QObject {
    Q_OBJECT
  public:
    /// Installs the handlers; only one watch may exist at a time.
    explicit SignalWatch(QObject* parent = nullptr);
    /// Puts the default handlers back.
    ~SignalWatch() override;
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    /// The orderly end has recorded the run as ended by the signal: from now a
    /// second signal ends the process at once.
    static void ending_recorded();

  signals:
    /// The first signal arrived; `name` is "SIGTERM", "SIGINT" or "SIGHUP".
    void ending(const QString& name);

  private:
    void read_pipe();

    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};

/// "SIGTERM" for SIGTERM, and so on; "signal N" for others.
[[nodiscard]] std::string signal_name(int number);

}  // namespace feedrite
