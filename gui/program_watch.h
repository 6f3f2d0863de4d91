// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Notices when the loaded program's file changes on disk. Editors often save
// by writing a new file and renaming it over the old one, which ends a plain
// watch on the file: its folder is watched too, and the file's size and time
// decide whether it may have changed since it was loaded, and its bytes
// whether it did: a file put back as it was is no change.

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <string>

namespace feedrite {

class ProgramWatch : public QObject {
    Q_OBJECT
  public:
    explicit ProgramWatch(QObject* parent = nullptr);

    /// Watches `path` as it stands now: what it holds now is the loaded version.
    void watch(const std::string& path);
    /// Takes the file as it stands now as the loaded version (the operator
    /// chose to keep what was loaded).
    void accept_current();
    [[nodiscard]] const std::string& path() const { return path_; }

  signals:
    /// The file is there and differs from the loaded version; once per version.
    void changed();
    /// The file has been gone for a while (deleted or moved away); once,
    /// until it is there again.
    void removed();

  private:
    struct Stamp {
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const Stamp&) const = default;
    };
    [[nodiscard]] Stamp stamp() const;
    void look();
    void look_for_gone();

    std::string path_;
    Stamp loaded_, told_;
    std::string loaded_digest_;  ///< SHA-256 of the loaded version's bytes
    bool gone_told_ = false;
    QTimer gone_;  ///< an editor's delete and write is no removal: told only when it lasts
    QFileSystemWatcher watcher_;
    QTimer settle_;  ///< a save comes as several events: one look after they stop
};

}  // namespace feedrite
