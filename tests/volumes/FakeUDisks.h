#pragma once
// A stand-in for the UDisks2 service on a private bus: it answers the calls the
// volume service makes, checks their signatures, and records them.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QVariantMap>
#include <map>

class FakeUDisks : public QDBusVirtualObject {
  public:
    static inline const QString kRoot = QStringLiteral("/org/freedesktop/UDisks2");

    // Devices the service knows, by device path; each gets a block object.
    void addDevice(const QString& device, const QString& name) {
        objects_[device] = kRoot + "/block_devices/" + name;
    }

    QString unmountErrorName;  // empty: Unmount succeeds
    QString unmountErrorText;
    int mountUnknownInterfaceReplies = 0;  // "no such interface" answers before Mount works
    QString mountErrorName;                // empty: Mount succeeds
    QStringList calls;                     // "Member path signature" in the order received

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        calls << message.member() + " " + message.path() + " " + message.signature();
        connection.send(answer(message));
        return true;
    }

  private:
    QDBusMessage answer(const QDBusMessage& message) {
        const QString member = message.member();
        const QString interface = message.interface();
        if (interface == "org.freedesktop.UDisks2.Manager" && member == "ResolveDevice") {
            if (message.signature() != "a{sv}a{sv}")
                return invalidArgs(message);
            QVariantMap wanted = qdbus_cast<QVariantMap>(message.arguments().at(0));
            QList<QDBusObjectPath> found;
            auto it = objects_.find(wanted.value("path").toString());
            if (it != objects_.end())
                found << QDBusObjectPath(it->second);
            return message.createReply(QVariant::fromValue(found));
        }
        bool known = false;
        for (const auto& entry : objects_)
            known = known || entry.second == message.path();
        if (!known)
            return message.createErrorReply("org.freedesktop.DBus.Error.UnknownObject",
                                            "No such object");
        if (message.signature() != "a{sv}")
            return invalidArgs(message);
        if (interface == "org.freedesktop.UDisks2.Block" && member == "Rescan")
            return message.createReply();
        if (interface == "org.freedesktop.UDisks2.Filesystem" && member == "Unmount") {
            if (!unmountErrorName.isEmpty())
                return message.createErrorReply(unmountErrorName, unmountErrorText);
            return message.createReply();
        }
        if (interface == "org.freedesktop.UDisks2.Filesystem" && member == "Mount") {
            if (mountUnknownInterfaceReplies > 0) {
                --mountUnknownInterfaceReplies;
                return message.createErrorReply("org.freedesktop.DBus.Error.UnknownMethod",
                                                "No such interface");
            }
            if (!mountErrorName.isEmpty())
                return message.createErrorReply(mountErrorName, "refused");
            return message.createReply(QVariant(QStringLiteral("/media/zt/NEW")));
        }
        return message.createErrorReply("org.freedesktop.DBus.Error.UnknownMethod",
                                        "No such method");
    }

    static QDBusMessage invalidArgs(const QDBusMessage& message) {
        return message.createErrorReply("org.freedesktop.DBus.Error.InvalidArgs",
                                        "Wrong signature " + message.signature());
    }

    std::map<QString, QString> objects_;
};
