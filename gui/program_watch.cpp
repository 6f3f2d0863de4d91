// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/program_watch.h"

#include <QFileInfo>

#include "gui/run_history.h"

namespace feedrite {

ProgramWatch::ProgramWatch(QObject* parent) : QObject(parent) {
    settle_.setSingleShot(true);
    settle_.setInterval(300);
    connect(&settle_, &QTimer::timeout, this, &ProgramWatch::look);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, &settle_, qOverload<>(&QTimer::start));
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_,
            qOverload<>(&QTimer::start));
    gone_.setSingleShot(true);
    gone_.setInterval(2000);
    connect(&gone_, &QTimer::timeout, this, &ProgramWatch::look_for_gone);
}

void ProgramWatch::watch(const std::string& path) {
    if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
    path_ = path;
    accept_current();
    const QFileInfo file(QString::fromStdString(path));
    watcher_.addPath(file.absoluteFilePath());
    watcher_.addPath(file.absolutePath());
}

void ProgramWatch::accept_current() {
    loaded_ = told_ = stamp();
    const auto digest = file_digest(path_);
    loaded_digest_ = digest ? digest->first : std::string();
}

ProgramWatch::Stamp ProgramWatch::stamp() const {
    const QFileInfo file(QString::fromStdString(path_));
    if (!file.isFile()) return {};
    return {file.size(), file.lastModified()};
}

void ProgramWatch::look() {
    const QString file = QFileInfo(QString::fromStdString(path_)).absoluteFilePath();
    // A file renamed over the old one is a new file to the watcher.
    if (!watcher_.files().contains(file) && QFileInfo::exists(file)) watcher_.addPath(file);
    const Stamp now = stamp();
    // Gone (deleted, or between an editor's delete and write): nothing to load.
    if (now.size < 0) {
        if (!gone_told_) gone_.start();
        return;
    }
    gone_.stop();
    gone_told_ = false;
    if (now == loaded_ || now == told_) return;
    told_ = now;
    if (now.size == loaded_.size) {
        const auto digest = file_digest(path_);
        if (digest && digest->first == loaded_digest_) {
            loaded_ = now;  // the same bytes again
            return;
        }
    }
    emit changed();
}

void ProgramWatch::look_for_gone() {
    if (gone_told_ || stamp().size >= 0) return;
    gone_told_ = true;
    emit removed();
}

}  // namespace feedrite
