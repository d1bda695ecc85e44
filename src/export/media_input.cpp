#include "export/media_input.h"

#include "toolkit/input_file.h"

extern "C" {
#include <libavutil/error.h>
}

#include <array>
#include <filesystem>

namespace dravonix {
namespace {

int interrupted(void* flag) { return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0; }

} // namespace

std::string mediaErrorText(int code)
{
    std::array<char, AV_ERROR_MAX_STRING_SIZE> text{};
    av_strerror(code, text.data(), text.size());
    return text.data();
}

Expected<MovieInput, Error> openMovie(const std::string& path, const std::atomic<bool>* cancel, StreamProbe probe)
{
    // libavformat opens what it is given and waits on it: a FIFO named like
    // a recording would hold the export for good, a device feed it forever.
    // Only a regular file goes on, checked without waiting.
    if (auto checked = InputFile::open(std::filesystem::path(path)); !checked)
        return unexpected(Error{path + ": " + checked.error().message, checked.error().systemError});
    AVFormatContext* context = avformat_alloc_context();
    if (context == nullptr)
        return unexpected(Error{"out of memory", ENOMEM});
    if (cancel != nullptr)
        context->interrupt_callback = AVIOInterruptCB{interrupted, const_cast<std::atomic<bool>*>(cancel)};
    // The file protocol alone: a name with a colon is still a file, and
    // nothing on a card can make libavformat open anything else.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const int rc = avformat_open_input(&context, ("file:" + path).c_str(), nullptr, &options);
    av_dict_free(&options);
    if (rc < 0)
        return unexpected(Error{path + ": " + mediaErrorText(rc), AVUNERROR(rc)});
    MovieInput input(context);
    if (probe == StreamProbe::HeaderOnly)
        return input;
    if (const int info = avformat_find_stream_info(context, nullptr); info < 0)
        return unexpected(Error{path + ": " + mediaErrorText(info), AVUNERROR(info)});
    return input;
}

} // namespace dravonix
