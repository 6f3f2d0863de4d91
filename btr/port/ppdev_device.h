// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The few system calls the ppdev port makes, behind an interface so that the
// register mapping and every failure can be tested without a parallel port.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace feedrite {

/// One parallel port the kernel knows: its device file and base I/O address.
struct ParportEntry {
    std::string device;  ///< e.g. "/dev/parport0"
    std::int32_t base = 0;
};

/// What a path names, by the file's type and, for a device, its major number.
struct DeviceNode {
    enum class Kind : std::uint8_t {
        Missing,
        Regular,
        Directory,
        Fifo,
        Socket,
        Block,
        Character,
        Other
    };
    Kind kind = Kind::Missing;
    unsigned major = 0;  ///< of a block or character device
};

class PpdevDevice {
  public:
    virtual ~PpdevDevice() = default;

    /// The kernel's parallel ports; empty when the parport modules are not loaded.
    virtual std::vector<ParportEntry> ports() = 0;

    /// Opens `device` for reading and writing. Returns 0, or the errno of the failure.
    virtual int open(const std::string& device) = 0;

    /// One ioctl on the open device; `arg` is the byte the request reads or
    /// fills, nullptr for requests without one. Returns 0, or the errno.
    virtual int ioctl(unsigned long request, unsigned char* arg) = 0;

    /// Closes the device; does nothing when none is open.
    virtual void close() = 0;

    /// What `path` is (links followed); none where that is not known.
    virtual std::optional<DeviceNode> node(const std::string& path) {
        (void)path;
        return std::nullopt;
    }
};

/// The real thing: ports listed from `proc_dir`/parportN/base-addr, device
/// files `dev_dir`/parportN. The folders are parameters for the tests.
[[nodiscard]] std::unique_ptr<PpdevDevice> make_system_ppdev_device(
    std::string proc_dir = "/proc/sys/dev/parport", std::string dev_dir = "/dev");

/// The first number of a base-addr file ("888\t1912\n" -> 888), decimal.
[[nodiscard]] std::optional<std::int32_t> parse_base_addr(std::string_view text);

}  // namespace feedrite
