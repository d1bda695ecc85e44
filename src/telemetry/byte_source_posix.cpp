#include "telemetry/byte_source.h"
#include "toolkit/input_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef DRAVONIX_HAVE_IO_URING
#include <liburing.h>
#endif

namespace dravonix {
namespace {

#ifdef DRAVONIX_HAVE_IO_URING
// Scattered reads (the records of a track lie a second of video apart) cost a
// system call each; a ring submits hundreds per call. False when the system
// offers no ring, so the caller falls back to plain reads.
constexpr std::size_t kFewestBatched = 4;

bool readBatched(int fd, std::span<ReadRequest> requests)
{
    constexpr unsigned kDepth = 256;
    io_uring ring{};
    if (io_uring_queue_init(kDepth, &ring, 0) < 0)
        return false;
    bool ok = true;
    for (std::size_t first = 0; ok && first < requests.size(); first += kDepth) {
        const std::size_t count = std::min<std::size_t>(kDepth, requests.size() - first);
        for (std::size_t i = 0; i < count; ++i) {
            ReadRequest& r = requests[first + i];
            io_uring_sqe* sqe = io_uring_get_sqe(&ring);
            io_uring_prep_read(sqe, fd, r.out.data(), static_cast<unsigned>(r.out.size()), r.offset);
            io_uring_sqe_set_data64(sqe, first + i);
        }
        if (io_uring_submit_and_wait(&ring, static_cast<unsigned>(count)) < 0) {
            ok = false;
            break;
        }
        for (std::size_t done = 0; done < count; ++done) {
            io_uring_cqe* cqe = nullptr;
            if (io_uring_wait_cqe(&ring, &cqe) < 0) {
                ok = false;
                break;
            }
            ReadRequest& r = requests[io_uring_cqe_get_data64(cqe)];
            r.got = cqe->res > 0 ? static_cast<std::size_t>(cqe->res) : 0;
            io_uring_cqe_seen(&ring, cqe);
        }
    }
    io_uring_queue_exit(&ring);
    return ok;
}
#endif

// Positioned reads rather than a mapping: a card pulled while a mapped file
// is read would kill the program with SIGBUS, a failed read only ends early.
class DescriptorSource final : public ByteSource {
public:
    explicit DescriptorSource(InputFile file) : file_(std::move(file)) {}

    std::uint64_t size() const override { return file_.size(); }
    void readMany(std::span<ReadRequest> requests) const override
    {
#ifdef DRAVONIX_HAVE_IO_URING
        // Setting a ring up costs more than a few plain reads.
        if (requests.size() >= kFewestBatched) {
            // A ring reads a non-blocking file's uncached bytes as EAGAIN.
            file_.makeBlocking();
            if (readBatched(file_.descriptor(), requests)) {
                // A short read (end of file, an error, or a read the ring split)
                // is finished plainly, so an error is told from the end of file.
                for (ReadRequest& r : requests)
                    if (r.got < r.out.size())
                        r.got += readAt(r.offset + r.got, r.out.subspan(r.got));
                return;
            }
        }
#endif
        ByteSource::readMany(requests);
    }

    std::size_t readAt(std::uint64_t offset, std::span<std::byte> out) const override
    {
        const auto got = file_.readAt(offset, out);
        if (!got) {
            noteReadError(got.error().systemError);
            return 0;
        }
        return *got;
    }

private:
    InputFile file_;
};

} // namespace

namespace {

std::variant<std::unique_ptr<ByteSource>, OpenError> sourceOf(Expected<InputFile, Error> file)
{
    if (!file)
        return OpenError{file.error().message};
    return std::make_unique<DescriptorSource>(std::move(*file));
}

} // namespace

std::variant<std::unique_ptr<ByteSource>, OpenError> openFileByteSource(const std::filesystem::path& path)
{
    return sourceOf(InputFile::open(path));
}

std::variant<std::unique_ptr<ByteSource>, OpenError> openFileByteSource(const OpenFolder& folder, const char* name)
{
    return sourceOf(InputFile::openIn(folder, name));
}

} // namespace dravonix
