#pragma once
// A loop device over an image file for the tests that need one (root and
// losetup); detached again whatever the test does.

#include <cstdio>
#include <string>
#include <unistd.h>

namespace dravonix::test {

inline std::string runCommand(const std::string& command, int* status = nullptr)
{
    std::string out;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        out += buffer;
    const int result = ::pclose(pipe);
    if (status != nullptr)
        *status = result;
    return out;
}

class LoopDevice {
public:
    // Empty device() and a reason in why() when none can be had here.
    explicit LoopDevice(const std::string& image)
    {
        if (::geteuid() != 0) {
            why_ = "attaching a loop device needs root";
            return;
        }
        int status = -1;
        const std::string out = runCommand("losetup -f --show '" + image + "'", &status);
        if (status != 0 || !out.starts_with("/dev/loop")) {
            why_ = "no loop device here: " + out;
            return;
        }
        device_ = out.substr(0, out.find('\n'));
    }
    ~LoopDevice()
    {
        if (!mountPoint_.empty())
            runCommand("umount '" + mountPoint_ + "'");
        if (!device_.empty())
            runCommand("losetup -d " + device_);
    }
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;

    const std::string& device() const { return device_; }
    const std::string& why() const { return why_; }

    // An ext2 file system on the device, mounted at `folder`; the output of
    // the command that failed otherwise.
    std::string mountExt2(const std::string& folder)
    {
        int status = -1;
        std::string out = runCommand("mkfs.ext2 -q " + device_, &status);
        if (status == 0)
            out = runCommand("mount -t ext2 " + device_ + " '" + folder + "'", &status);
        if (status != 0)
            return out.empty() ? "failed" : out;
        mountPoint_ = folder;
        return {};
    }
    void unmount()
    {
        if (!mountPoint_.empty())
            runCommand("umount '" + mountPoint_ + "'");
        mountPoint_.clear();
    }

private:
    std::string device_;
    std::string why_;
    std::string mountPoint_;
};

} // namespace dravonix::test
