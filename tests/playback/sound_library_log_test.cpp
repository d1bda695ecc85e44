// The sound library's own error lines (ALSA without a sound card) reach the
// "dravonix.sound" log instead of the terminal.
#include "playback/sound_library_log.h"

#include <QLoggingCategory>
#include <QStringList>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <cstdio>

#include <dlfcn.h>
#include <unistd.h>

namespace {

QStringList logged;

void keep(QtMsgType, const QMessageLogContext& context, const QString& text)
{
    if (qstrcmp(context.category, "dravonix.sound") == 0)
        logged << text;
}

} // namespace

TEST(SoundLibraryLog, AlsaErrorsGoToTheLogNotTheTerminal)
{
    void* alsa = ::dlopen("libasound.so.2", RTLD_NOW);
    if (alsa == nullptr)
        GTEST_SKIP() << "no ALSA on this system";
    using PcmOpen = int (*)(void** pcm, const char* name, int stream, int mode);
    const auto pcmOpen = reinterpret_cast<PcmOpen>(::dlsym(alsa, "snd_pcm_open"));
    ASSERT_NE(pcmOpen, nullptr);

    dravonix::routeSoundLibraryMessages();
    QLoggingCategory::setFilterRules(QStringLiteral("dravonix.sound.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(keep);
    QTemporaryFile terminal;
    ASSERT_TRUE(terminal.open());
    std::fflush(stderr);
    const int savedError = ::dup(2);
    ::dup2(terminal.handle(), 2);
    void* pcm = nullptr;
    const int opened = pcmOpen(&pcm, "dravonix_no_such_device", 0, 0);
    std::fflush(stderr);
    ::dup2(savedError, 2);
    ::close(savedError);
    qInstallMessageHandler(previous);

    EXPECT_LT(opened, 0);
    EXPECT_EQ(terminal.readAll(), QByteArray());
    ASSERT_FALSE(logged.isEmpty());
    EXPECT_TRUE(logged.join('\n').contains(QLatin1String("dravonix_no_such_device"))) << logged.join('\n').toStdString();
}
