#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

// A process's tray icon as Qt exports it to a StatusNotifierWatcher on the session bus: the item
// (tooltip, icon name, clicks) and its menu (com.canonical.dbusmenu at /MenuBar).
//
// Qt names the item "org.kde.StatusNotifierItem-<pid>-<n>" and counts n up each time the icon is shown
// again, so the name is looked up at the watcher on every use; while the icon is hidden there is none.
class TrayItem
{
public:
    struct MenuEntry
    {
        int id = -1;
        QString label; // "&" comes as "_"
        QString type; // "standard" or "separator"
        bool enabled = true;
        bool visible = true;
        bool submenu = false;
        QStringList shortcut; // e.g. {"F1"}, {"Control+Q"}
        QList<MenuEntry> children;
    };

    explicit TrayItem(qint64 pid) : m_pid(pid) { }

    // Items registered at the watcher, of any process.
    static QStringList registeredItems();

    // The item's bus name while it is registered, else empty.
    QString service() const;
    bool isRegistered() const { return !service().isEmpty(); }
    // Registered and settled: its menu answered from the program's event loop, and it is still the item
    // then. A start shows and hides the icon within the core's constructor, so a registration alone may
    // be one that is already going.
    bool waitForRegistered(int timeoutMs) const;
    bool waitForUnregistered(int timeoutMs) const;

    QString toolTipTitle() const;
    QString iconName() const;

    // The whole menu; the root has id 0 and no label. Empty children when the item is not registered.
    MenuEntry menu() const;
    // Depth first, by label ("_Settings").
    std::optional<MenuEntry> findEntry(const QString& label) const;
    bool click(int id) const;

    // What a tray host sends for a left click, a context click and a middle click.
    bool activate() const;
    bool contextMenu() const;
    bool secondaryActivate() const;

    QString lastError() const { return m_lastError; }

private:
    MenuEntry menuOf(const QString& item, bool* ok = nullptr) const;
    QVariant itemProperty(const QString& name) const;
    bool callItem(const QString& method) const;

    qint64 m_pid;
    mutable QString m_lastError;
};
