// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/program_watch.h"

#include <QFileInfo>

namespace feedrite {

ProgramWatch::ProgramWatch(QObject* parent) : QObject(parent) {
    settle_.setSingleShot(true);
    settle_.setInterval(300);
    connect(&settle_, &QTimer::timeout, this, &ProgramWatch::look);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, &settle_, qOverload<>(&QTimer::start));
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, &settle_,
            qOverload<>(&QTimer::start));
}

void ProgramWatch::watch(const std::string& path) {
    if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
    path_ = path;
    loaded_ = told_ = stamp();
    const QFileInfo file(QString::fromStdString(path));
    watcher_.addPath(file.absoluteFilePath());
    watcher_.addPath(file.absolutePath());
}

void ProgramWatch::accept_current() {
    loaded_ = told_ = stamp();
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
    if (now.size < 0 || now == loaded_ || now == told_) return;
    told_ = now;
    emit changed();
}

}  // namespace feedrite
