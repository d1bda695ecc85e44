#include "export/file_digest.h"

#include <openssl/evp.h>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace dravonix {
namespace {

struct DigestFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};

} // namespace

Expected<std::string, Error> sha256OfFile(const std::string& path, const std::atomic<bool>& cancel,
                                          const std::function<void(std::uint64_t)>& onBytes)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        return unexpected(Error{path + ": " + std::strerror(code), code});
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    std::unique_ptr<EVP_MD_CTX, DigestFree> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        return unexpected(Error{"SHA-256 is not available", 0});
    std::vector<unsigned char> buffer(1 << 20);
    for (;;) {
        if (cancel.load())
            return unexpected(Error{"cancelled", ECANCELED});
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            const int code = errno;
            return unexpected(Error{path + ": " + std::strerror(code), code});
        }
        if (got == 0)
            break;
        EVP_DigestUpdate(context.get(), buffer.data(), static_cast<std::size_t>(got));
        if (onBytes)
            onBytes(static_cast<std::uint64_t>(got));
    }
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(context.get(), digest.data(), &length);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 15];
    }
    return hex;
}

std::string sumsLine(const std::string& hexDigest, const std::string& name)
{
    std::string escaped;
    bool needed = false;
    for (const char c : name) {
        if (c == '\\') {
            escaped += "\\\\";
            needed = true;
        } else if (c == '\n') {
            escaped += "\\n";
            needed = true;
        } else if (c == '\r') {
            escaped += "\\r";
            needed = true;
        } else {
            escaped += c;
        }
    }
    return (needed ? "\\" : "") + hexDigest + "  " + escaped + "\n";
}

} // namespace dravonix
