#include "TrayItem.h"

#include "Poll.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

namespace {
const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString itemPath = QStringLiteral("/StatusNotifierItem");
const QString itemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString menuPath = QStringLiteral("/MenuBar");
const QString menuInterface = QStringLiteral("com.canonical.dbusmenu");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr int callTimeoutMs = 10000;

QDBusMessage call(const QString& service, const QString& path, const QString& interface, const QString& method,
    const QVariantList& arguments, QString* error)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply = QDBusConnection::sessionBus().call(message, QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        *error = QStringLiteral("%1.%2 on %3: %4 %5")
                     .arg(interface, method, service, reply.errorName(), reply.errorMessage());
    }
    return reply;
}

QStringList readShortcut(const QDBusArgument& argument)
{
    // aas: one list of keys per key sequence
    QStringList sequences;
    argument.beginArray();
    while (!argument.atEnd()) {
        QStringList keys;
        argument >> keys;
        sequences.append(keys.join(QLatin1Char('+')));
    }
    argument.endArray();
    return sequences;
}

TrayItem::MenuEntry readEntry(const QDBusArgument& argument)
{
    // (ia{sv}av)
    TrayItem::MenuEntry entry;
    QVariantMap properties;
    argument.beginStructure();
    argument >> entry.id >> properties;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        entry.children.append(readEntry(qvariant_cast<QDBusArgument>(child.variant())));
    }
    argument.endArray();
    argument.endStructure();

    entry.label = properties.value(QStringLiteral("label")).toString();
    entry.type = properties.value(QStringLiteral("type"), QStringLiteral("standard")).toString();
    entry.enabled = properties.value(QStringLiteral("enabled"), true).toBool();
    entry.visible = properties.value(QStringLiteral("visible"), true).toBool();
    entry.submenu = properties.value(QStringLiteral("children-display")).toString() == QLatin1String("submenu");
    const QVariant shortcut = properties.value(QStringLiteral("shortcut"));
    if (shortcut.userType() == qMetaTypeId<QDBusArgument>()) {
        entry.shortcut = readShortcut(qvariant_cast<QDBusArgument>(shortcut));
    }
    return entry;
}

std::optional<TrayItem::MenuEntry> findIn(const TrayItem::MenuEntry& entry, const QString& label)
{
    for (const TrayItem::MenuEntry& child : entry.children) {
        if (child.label == label) {
            return child;
        }
        if (std::optional<TrayItem::MenuEntry> found = findIn(child, label)) {
            return found;
        }
    }
    return std::nullopt;
}
} // namespace

QStringList TrayItem::registeredItems()
{
    QString error;
    const QDBusMessage reply = call(watcherName, QStringLiteral("/StatusNotifierWatcher"), propertiesInterface,
        QStringLiteral("Get"), {watcherName, QStringLiteral("RegisteredStatusNotifierItems")}, &error);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return {};
    }
    return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toStringList();
}

QString TrayItem::service() const
{
    const QString prefix = QStringLiteral("org.kde.StatusNotifierItem-%1-").arg(m_pid);
    QString found;
    const QStringList items = registeredItems();
    for (const QString& item : items) {
        // The latest registration wins should an old one linger.
        if (item.startsWith(prefix)) {
            found = item;
        }
    }
    return found;
}

bool TrayItem::waitForRegistered(int timeoutMs) const
{
    return Poll::until(
        [this] {
            const QString item = service();
            if (item.isEmpty()) {
                return false;
            }
            bool answered = false;
            menuOf(item, &answered);
            return answered && service() == item;
        },
        timeoutMs);
}

bool TrayItem::waitForUnregistered(int timeoutMs) const
{
    return Poll::until([this] { return !isRegistered(); }, timeoutMs);
}

QVariant TrayItem::itemProperty(const QString& name) const
{
    const QString item = service();
    if (item.isEmpty()) {
        m_lastError = QStringLiteral("no registered item of pid %1").arg(m_pid);
        return QVariant();
    }
    const QDBusMessage reply =
        call(item, itemPath, propertiesInterface, QStringLiteral("Get"), {itemInterface, name}, &m_lastError);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return QVariant();
    }
    return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant();
}

QString TrayItem::toolTipTitle() const
{
    const QVariant value = itemProperty(QStringLiteral("ToolTip"));
    if (value.userType() != qMetaTypeId<QDBusArgument>()) {
        return QString();
    }
    // (sa(iiay)ss): icon name, icon pixmaps, title, description
    const QDBusArgument argument = qvariant_cast<QDBusArgument>(value);
    QString iconName;
    QString title;
    argument.beginStructure();
    argument >> iconName;
    argument.beginArray();
    while (!argument.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray pixels;
        argument.beginStructure();
        argument >> width >> height >> pixels;
        argument.endStructure();
    }
    argument.endArray();
    argument >> title;
    argument.endStructure();
    return title;
}

QString TrayItem::iconName() const
{
    return itemProperty(QStringLiteral("IconName")).toString();
}

TrayItem::MenuEntry TrayItem::menu() const
{
    const QString item = service();
    if (item.isEmpty()) {
        m_lastError = QStringLiteral("no registered item of pid %1").arg(m_pid);
        return MenuEntry();
    }
    return menuOf(item);
}

TrayItem::MenuEntry TrayItem::menuOf(const QString& item, bool* ok) const
{
    // GetLayout(parent 0, all levels, all properties) -> (u revision, (ia{sv}av) layout)
    const QDBusMessage reply =
        call(item, menuPath, menuInterface, QStringLiteral("GetLayout"), {0, -1, QStringList()}, &m_lastError);
    const bool answered = reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() >= 2;
    if (ok) {
        *ok = answered;
    }
    return answered ? readEntry(qvariant_cast<QDBusArgument>(reply.arguments().at(1))) : MenuEntry();
}

std::optional<TrayItem::MenuEntry> TrayItem::findEntry(const QString& label) const
{
    return findIn(menu(), label);
}

bool TrayItem::click(int id) const
{
    const QString item = service();
    if (item.isEmpty()) {
        m_lastError = QStringLiteral("no registered item of pid %1").arg(m_pid);
        return false;
    }
    const QDBusMessage reply = call(item, menuPath, menuInterface, QStringLiteral("Event"),
        {id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u}, &m_lastError);
    return reply.type() == QDBusMessage::ReplyMessage;
}

bool TrayItem::callItem(const QString& method) const
{
    const QString item = service();
    if (item.isEmpty()) {
        m_lastError = QStringLiteral("no registered item of pid %1").arg(m_pid);
        return false;
    }
    return call(item, itemPath, itemInterface, method, {0, 0}, &m_lastError).type() == QDBusMessage::ReplyMessage;
}

bool TrayItem::activate() const
{
    return callItem(QStringLiteral("Activate"));
}

bool TrayItem::contextMenu() const
{
    return callItem(QStringLiteral("ContextMenu"));
}

bool TrayItem::secondaryActivate() const
{
    return callItem(QStringLiteral("SecondaryActivate"));
}
