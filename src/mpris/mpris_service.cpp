#include "mpris/mpris_service.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include <algorithm>
#include <array>
#include <optional>

namespace ruz::mpris {

namespace {

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kServiceName = QStringLiteral("org.mpris.MediaPlayer2.taviks_ruz");
const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// One method of the two interfaces: its arguments as introspection shows them, and what it runs.
struct MethodRow {
    Interface interface;
    const char* name;
    const char* arguments;  // introspection XML of the in-arguments
    const char* signature;  // what the call must carry
    void (*run)(MprisPlayer& player, const QList<QVariant>& arguments);
};

// clang-format off
const std::array kMethods{
    MethodRow{Interface::Root, "Raise", "", "", [](MprisPlayer&, const QList<QVariant>&) {}},
    MethodRow{Interface::Root, "Quit", "", "", [](MprisPlayer&, const QList<QVariant>&) {}},
    MethodRow{Interface::Player, "Next", "", "",
        [](MprisPlayer& p, const QList<QVariant>&) { p.next(); }},
    MethodRow{Interface::Player, "Previous", "", "",
        [](MprisPlayer& p, const QList<QVariant>&) { p.previous(); }},
    MethodRow{Interface::Player, "Pause", "", "",
        [](MprisPlayer& p, const QList<QVariant>&) { p.pause(); }},
    MethodRow{Interface::Player, "PlayPause", "", "",
        [](MprisPlayer& p, const QList<QVariant>&) { p.playPause(); }},
    MethodRow{Interface::Player, "Stop", "", "",
        [](MprisPlayer& p, const QList<QVariant>&) { p.stop(); }},
    MethodRow{Interface::Player, "Play", "", "",
        [](MprisPlayer& p, const QList<QVariant>&) { p.play(); }},
    MethodRow{Interface::Player, "Seek", R"(<arg name="Offset" type="x" direction="in"/>)", "x",
        [](MprisPlayer& p, const QList<QVariant>& a) { p.seek(a[0].toLongLong()); }},
    MethodRow{Interface::Player, "SetPosition",
        R"(<arg name="TrackId" type="o" direction="in"/>)"
        R"(<arg name="Position" type="x" direction="in"/>)", "ox",
        [](MprisPlayer& p, const QList<QVariant>& a) {
            p.setPosition(a[0].value<QDBusObjectPath>().path(), a[1].toLongLong());
        }},
    MethodRow{Interface::Player, "OpenUri", R"(<arg name="Uri" type="s" direction="in"/>)", "s",
        [](MprisPlayer&, const QList<QVariant>&) {}},
};
// clang-format on

// The bus's answer to a write the player refused.
struct SetRefusal {
    SetOutcome outcome;
    QDBusError::ErrorType error;
    const char* message;
};
const std::array kSetRefusals{
    SetRefusal{SetOutcome::ReadOnly, QDBusError::PropertyReadOnly, "read only"},
    SetRefusal{SetOutcome::UnknownProperty, QDBusError::UnknownProperty, "no such property"},
    SetRefusal{SetOutcome::WrongType, QDBusError::InvalidArgs, "a value of the wrong type"},
};

std::optional<Interface> interfaceNamed(const QString& name) {
    for (const Interface which : {Interface::Root, Interface::Player}) {
        if (interfaceName(which) == name) {
            return which;
        }
    }
    return std::nullopt;
}

// A property's value as the bus carries it: the song's id as an object path.
QVariant onTheBus(const QVariant& value) {
    if (value.typeId() != QMetaType::QVariantMap) {
        return value;
    }
    QVariantMap map = value.toMap();
    const QString key = QString::fromLatin1(kTrackIdKey);
    if (map.contains(key)) {
        map[key] = QVariant::fromValue(QDBusObjectPath(map[key].toString()));
    }
    return map;
}

QVariantMap allProperties(Interface which, const PlayerState& state, const QStringList* only) {
    QVariantMap values;
    for (const PropertyRow& row : propertyRows()) {
        const QString name = QString::fromLatin1(row.name);
        if (row.interface == which && (only == nullptr || only->contains(name))) {
            values.insert(name, onTheBus(row.value(state)));
        }
    }
    return values;
}

}  // namespace

std::unique_ptr<MprisService> MprisService::publish(MprisPlayer& player) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return nullptr;
    }
    auto service = std::make_unique<MprisService>(player, bus);
    if (!bus.registerVirtualObject(kObjectPath, service.get(), QDBusConnection::SingleNode)) {
        return nullptr;
    }
    // A second program running takes a name of its own, as the desktop expects of players.
    QString name = kServiceName;
    if (!bus.registerService(name)) {
        name = kServiceName + QStringLiteral(".instance") +
               QString::number(QCoreApplication::applicationPid());
        if (!bus.registerService(name)) {
            bus.unregisterObject(kObjectPath);
            return nullptr;
        }
    }
    service->serviceName_ = name;
    return service;
}

MprisService::MprisService(MprisPlayer& player, QDBusConnection connection)
    : player_(player), connection_(std::move(connection)) {
    player_.onPropertiesChanged = [this](const QStringList& names, const PlayerState& state) {
        propertiesChanged(names, state);
    };
    player_.onSeeked = [this](qint64 positionUs) { seeked(positionUs); };
}

MprisService::~MprisService() {
    player_.onPropertiesChanged = nullptr;
    player_.onSeeked = nullptr;
    if (!serviceName_.isEmpty()) {
        connection_.unregisterService(serviceName_);
        connection_.unregisterObject(kObjectPath);
    }
}

QString MprisService::introspect(const QString& /*path*/) const {
    QString xml;
    for (const Interface which : {Interface::Root, Interface::Player}) {
        xml += QStringLiteral("<interface name=\"%1\">").arg(interfaceName(which));
        for (const MethodRow& method : kMethods) {
            if (method.interface == which) {
                xml += QStringLiteral("<method name=\"%1\">%2</method>")
                           .arg(QLatin1String(method.name), QLatin1String(method.arguments));
            }
        }
        for (const PropertyRow& row : propertyRows()) {
            if (row.interface != which) {
                continue;
            }
            const bool writable = isWritable(which, row.name);
            xml += QStringLiteral("<property name=\"%1\" type=\"%2\" access=\"%3\"/>")
                       .arg(QLatin1String(row.name), QLatin1String(row.signature),
                            writable ? QStringLiteral("readwrite") : QStringLiteral("read"));
        }
        if (which == Interface::Player) {
            xml += QStringLiteral(
                "<signal name=\"Seeked\"><arg name=\"Position\" type=\"x\"/>"
                "</signal>");
        }
        xml += QStringLiteral("</interface>");
    }
    return xml;
}

bool MprisService::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    if (message.type() != QDBusMessage::MethodCallMessage) {
        return false;
    }
    if (message.interface() == kPropertiesInterface) {
        return handleProperties(message, connection);
    }
    const std::optional<Interface> which = interfaceNamed(message.interface());
    // A call without an interface names the method alone.
    const auto method = std::find_if(kMethods.begin(), kMethods.end(), [&](const MethodRow& m) {
        return message.member() == QLatin1String(m.name) &&
               (message.interface().isEmpty() || (which && m.interface == *which));
    });
    if (method == kMethods.end()) {
        return false;
    }
    if (message.signature() != QLatin1String(method->signature)) {
        connection.send(
            message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("wrong arguments")));
        return true;
    }
    // Answer first: the method may run long (a song opens), and the caller waits for nothing.
    connection.send(message.createReply());
    method->run(player_, message.arguments());
    return true;
}

bool MprisService::handleProperties(const QDBusMessage& message,
                                    const QDBusConnection& connection) {
    const QList<QVariant> args = message.arguments();
    const QString member = message.member();
    const std::optional<Interface> which =
        args.isEmpty() ? std::nullopt : interfaceNamed(args[0].toString());
    if (!which) {
        connection.send(message.createErrorReply(QDBusError::UnknownInterface,
                                                 QStringLiteral("no such interface")));
        return true;
    }
    if (member == QLatin1String("GetAll") && message.signature() == QLatin1String("s")) {
        connection.send(message.createReply(allProperties(*which, player_.state(), nullptr)));
        return true;
    }
    const QString name = args.size() >= 2 ? args[1].toString() : QString();
    const PropertyRow* row = findProperty(*which, name);
    if (row == nullptr) {
        connection.send(message.createErrorReply(QDBusError::UnknownProperty,
                                                 QStringLiteral("no such property")));
        return true;
    }
    if (member == QLatin1String("Get") && message.signature() == QLatin1String("ss")) {
        const QVariant value = onTheBus(row->value(player_.state()));
        connection.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
        return true;
    }
    if (member == QLatin1String("Set") && message.signature() == QLatin1String("ssv")) {
        const SetOutcome outcome =
            player_.setProperty(*which, name, args[2].value<QDBusVariant>().variant());
        const auto refusal =
            std::find_if(kSetRefusals.begin(), kSetRefusals.end(),
                         [&](const SetRefusal& r) { return r.outcome == outcome; });
        connection.send(
            refusal == kSetRefusals.end()
                ? message.createReply()
                : message.createErrorReply(refusal->error, QLatin1String(refusal->message)));
        return true;
    }
    return false;
}

void MprisService::propertiesChanged(const QStringList& names, const PlayerState& state) {
    QDBusMessage signal = QDBusMessage::createSignal(kObjectPath, kPropertiesInterface,
                                                     QStringLiteral("PropertiesChanged"));
    signal << interfaceName(Interface::Player) << allProperties(Interface::Player, state, &names)
           << QStringList{};
    connection_.send(signal);
}

void MprisService::seeked(qint64 positionUs) {
    QDBusMessage signal = QDBusMessage::createSignal(kObjectPath, interfaceName(Interface::Player),
                                                     QStringLiteral("Seeked"));
    signal << positionUs;
    connection_.send(signal);
}

}  // namespace ruz::mpris
