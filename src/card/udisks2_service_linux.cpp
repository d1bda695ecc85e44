#include "card/udisks2_service.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMetaType>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QVariantMap>

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace dravonix {
namespace {

const QString kService = QStringLiteral("org.freedesktop.UDisks2");
constexpr int kQuickCall = 15 * 1000;
constexpr int kAuthenticatedCall = 5 * 60 * 1000; // a person may be typing a password

Error callError(const QDBusMessage& reply)
{
    const QString name = reply.errorName();
    if (name == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
        || name == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return {"the disk service UDisks2 is not running", EACCES};
    if (name.startsWith(QLatin1String("org.freedesktop.UDisks2.Error.NotAuthorized")))
        return {"UDisks2 did not allow it: " + reply.errorMessage().toStdString(), EACCES};
    if (name == QLatin1String("org.freedesktop.UDisks2.Error.DeviceBusy"))
        return {"UDisks2: " + reply.errorMessage().toStdString(), EBUSY};
    if (name == QLatin1String("org.freedesktop.DBus.Error.NoReply"))
        return {"UDisks2 did not answer in time", ETIMEDOUT};
    return {"UDisks2: " + reply.errorMessage().toStdString() + " (" + name.toStdString() + ")", EIO};
}

QDBusMessage call(const QDBusConnection& bus, const QString& object, const QString& interface, const QString& method,
                  const QVariantList& arguments, int timeout)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, object, interface, method);
    message.setArguments(arguments);
    message.setInteractiveAuthorizationAllowed(true);
    return bus.call(message, QDBus::Block, timeout);
}

std::optional<Error> noBus(const QDBusConnection& bus)
{
    if (bus.isConnected())
        return std::nullopt;
    return Error{"there is no system bus (D-Bus) to ask the disk service UDisks2 for it", EACCES};
}

} // namespace

Expected<QString, Error> UDisks2Service::objectFor(const std::string& devicePath)
{
    if (auto missing = noBus(bus_))
        return unexpected(*missing);
    const QVariantMap wanted{{QStringLiteral("path"), QString::fromStdString(devicePath)}};
    const QDBusMessage reply = call(bus_, QStringLiteral("/org/freedesktop/UDisks2/Manager"),
                                    QStringLiteral("org.freedesktop.UDisks2.Manager"), QStringLiteral("ResolveDevice"),
                                    {wanted, QVariantMap()}, kQuickCall);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return unexpected(callError(reply));
    const auto objects = qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().value(0));
    if (objects.isEmpty())
        return unexpected(Error{"UDisks2 does not know " + devicePath, ENODEV});
    return objects.first().path();
}

Expected<int, Error> UDisks2Service::openForWriting(const std::string& devicePath)
{
    const auto object = objectFor(devicePath);
    if (!object)
        return unexpected(object.error());
    const QVariantMap options{{QStringLiteral("flags"), QVariant::fromValue<int>(O_EXCL)}};
    const QDBusMessage reply = call(bus_, *object, QStringLiteral("org.freedesktop.UDisks2.Block"),
                                    QStringLiteral("OpenDevice"), {QStringLiteral("rw"), options}, kAuthenticatedCall);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return unexpected(callError(reply));
    const auto handed = reply.arguments().value(0).value<QDBusUnixFileDescriptor>();
    if (!handed.isValid())
        return unexpected(Error{"UDisks2 answered without a descriptor for " + devicePath, EIO});
    // The message owns its descriptor: keep a copy of our own.
    const int fd = ::fcntl(handed.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        return unexpected(Error{std::string("could not keep the descriptor: ") + std::strerror(errno), errno});
    return fd;
}

std::optional<Error> UDisks2Service::unmount(const std::string& devicePath)
{
    const auto object = objectFor(devicePath);
    if (!object)
        return object.error();
    const QDBusMessage reply = call(bus_, *object, QStringLiteral("org.freedesktop.UDisks2.Filesystem"),
                                    QStringLiteral("Unmount"), {QVariantMap()}, kAuthenticatedCall);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return callError(reply);
    return std::nullopt;
}

std::unique_ptr<DiskService> systemDiskService() { return std::make_unique<UDisks2Service>(QDBusConnection::systemBus()); }

} // namespace dravonix
