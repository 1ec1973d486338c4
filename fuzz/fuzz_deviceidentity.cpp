// Identification replies: whatever the device sends, the identity is one of the known outcomes
// with the class and space that belong to it.
#include "deviceidentity.h"
#include "require.h"

#include <QStringList>

namespace
{

qint64 spaceOf(DeviceClass deviceClass)
{
    switch (deviceClass) {
    case DeviceClass::ZorlaOld:
        return 3056;
    case DeviceClass::Zorla:
        return 7152;
    case DeviceClass::Velmar:
        return 20480;
    case DeviceClass::None:
        break;
    }
    return 0;
}

void checkIdentified(const DeviceIdentity &identity, const QByteArray &reply)
{
    const bool velmar = identity.model == QLatin1String("VELMAR");
    require(velmar || identity.model == QLatin1String("ZORLA"), "a known model");
    require(reply.contains(identity.model.toLatin1()), "the model word is in the reply");
    require((identity.deviceClass == DeviceClass::Velmar) == velmar, "the class fits the model");
    require(identity.deviceClass != DeviceClass::None, "an identified device has a class");
    require(identity.space == spaceOf(identity.deviceClass), "the space fits the class");
    const QStringList applications{QString(), QStringLiteral("None"), QStringLiteral("Industrial"),
                                   QStringLiteral("Truck Scale")};
    require(applications.contains(identity.application), "a known application");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray reply(reinterpret_cast<const char *>(data), qsizetype(size));
    const DeviceIdentity identity = DeviceIdentity::fromReply(reply);
    require(identity.version.size() <= 5, "the version is at most five characters");
    switch (identity.parse) {
    case DeviceIdentity::Parse::Identified:
        checkIdentified(identity, reply);
        break;
    case DeviceIdentity::Parse::UnknownModel:
        require(identity.model == QLatin1String("UNKNOWN") && identity.space == 0 &&
                    identity.deviceClass == DeviceClass::None,
                "an unknown model has no class and no space");
        break;
    case DeviceIdentity::Parse::NoVersion:
        require(!reply.contains('.') && identity.model.isEmpty(), "no version without a dot");
        break;
    case DeviceIdentity::Parse::VersionMisplaced:
        require(!identity.failure.isEmpty() && identity.deviceClass == DeviceClass::None,
                "a misplaced version is a failure");
        break;
    }
    return 0;
}
