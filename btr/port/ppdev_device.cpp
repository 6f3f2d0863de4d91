// SPDX-License-Identifier: GPL-3.0-or-later
#include "btr/port/ppdev_device.h"

#include <fcntl.h>
#include <linux/major.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/file_user.h"
#include "btr/port/port_errno.h"

namespace feedrite {
namespace {

namespace fs = std::filesystem;

bool is_parport_name(const std::string& name) {
    constexpr std::string_view prefix = "parport";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
    return std::all_of(name.begin() + prefix.size(), name.end(),
                       [](unsigned char c) { return std::isdigit(c) != 0; });
}

// A base-addr file holds two numbers: a few bytes are enough, and a bounded
// read cannot hang on whatever else might stand there.
std::string read_small_file(const fs::path& path) {
    char buffer[64] = {};
    std::ifstream in(path);
    in.read(buffer, sizeof buffer);
    return std::string(buffer, static_cast<std::size_t>(in.gcount()));
}

// Under sudo, root opens the node only when it is a parallel port's (ppdev's
// major number), looked at through the one lookup the open then uses, so a
// link swapped meanwhile changes nothing; any other path is opened with the
// user's own rights.
int open_node(const std::string& device) {
    constexpr int flags = O_RDWR | O_CLOEXEC;
    if (file_uid() == 0 || ::geteuid() != 0) return ::open(device.c_str(), flags);
    const int looked_up = ::open(device.c_str(), O_PATH | O_CLOEXEC);
    if (looked_up < 0) return -1;
    struct stat info {};
    const bool port_node =
        ::fstat(looked_up, &info) == 0 && S_ISCHR(info.st_mode) && major(info.st_rdev) == PP_MAJOR;
    int fd = -1;
    if (port_node) {
        const DeviceNodeAccess root;
        fd = ::open(("/proc/self/fd/" + std::to_string(looked_up)).c_str(), flags);
    } else {
        fd = ::open(device.c_str(), flags);
    }
    const int error = errno;
    ::close(looked_up);
    errno = error;
    return fd;
}

class SystemPpdevDevice final : public PpdevDevice {
  public:
    SystemPpdevDevice(std::string proc_dir, std::string dev_dir)
        : proc_dir_(std::move(proc_dir)), dev_dir_(std::move(dev_dir)) {}
    ~SystemPpdevDevice() override { close(); }
    SystemPpdevDevice(const SystemPpdevDevice&) = delete;
    SystemPpdevDevice& operator=(const SystemPpdevDevice&) = delete;

    std::vector<ParportEntry> ports() override {
        std::vector<ParportEntry> found;
        std::error_code ec;
        for (const auto& dir : fs::directory_iterator(proc_dir_, ec)) {
            const std::string name = dir.path().filename().string();
            if (!is_parport_name(name)) continue;
            if (auto base = parse_base_addr(read_small_file(dir.path() / "base-addr")))
                found.push_back({dev_dir_ + "/" + name, *base});
        }
        // Directory order is arbitrary; parport0 first makes the choice repeatable.
        std::sort(found.begin(), found.end(),
                  [](const auto& a, const auto& b) { return a.device < b.device; });
        return found;
    }

    int open(const std::string& device) override {
        close();
        fd_ = retry_on_eintr([&] { return open_node(device); });
        return fd_ < 0 ? errno : 0;
    }

    int ioctl(unsigned long request, unsigned char* arg) override {
        if (fd_ < 0) return EBADF;
        return retry_on_eintr([&] { return ::ioctl(fd_, request, arg); }) == -1 ? errno : 0;
    }

    void close() override {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    std::optional<DeviceNode> node(const std::string& path) override {
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            return errno == ENOENT ? std::optional(DeviceNode{}) : std::nullopt;
        using Kind = DeviceNode::Kind;
        const auto major_of = [&st] { return static_cast<unsigned>(major(st.st_rdev)); };
        switch (st.st_mode & S_IFMT) {
            case S_IFREG:
                return DeviceNode{Kind::Regular};
            case S_IFDIR:
                return DeviceNode{Kind::Directory};
            case S_IFIFO:
                return DeviceNode{Kind::Fifo};
            case S_IFSOCK:
                return DeviceNode{Kind::Socket};
            case S_IFBLK:
                return DeviceNode{Kind::Block, major_of()};
            case S_IFCHR:
                return DeviceNode{Kind::Character, major_of()};
            default:
                return DeviceNode{Kind::Other};
        }
    }

  private:
    std::string proc_dir_;
    std::string dev_dir_;
    int fd_ = -1;
};

}  // namespace

std::unique_ptr<PpdevDevice> make_system_ppdev_device(std::string proc_dir, std::string dev_dir) {
    return std::make_unique<SystemPpdevDevice>(std::move(proc_dir), std::move(dev_dir));
}

std::optional<std::int32_t> parse_base_addr(std::string_view text) {
    const auto start = text.find_first_not_of(" \t\n");
    if (start == std::string_view::npos) return std::nullopt;
    std::int32_t base = 0;
    const char* first = text.data() + start;
    const auto [end, ec] = std::from_chars(first, text.data() + text.size(), base);
    if (ec != std::errc() || end == first) return std::nullopt;
    return base;
}

}  // namespace feedrite
