#pragma once

#include "Clock.h"
#include "Desktop.h"
#include "SysRoot.h"
#include "UpdateService.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMenu>
#include <QStringList>
#include <QVariant>

// Stand-ins for the core's outside world. Each answers from what the test sets.

class FakeClock : public Clock
{
public:
    qint64 msecsSinceEpoch() const override { return ms; }
    QDateTime now() const override { return QDateTime::fromMSecsSinceEpoch(ms); }
    void set(const QDateTime& now) { ms = now.toMSecsSinceEpoch(); }
    void advance(qint64 seconds) { ms += seconds * 1000; }
    qint64 ms = QDateTime(QDate(2026, 12, 7), QTime(10, 0)).toMSecsSinceEpoch();
};

// Answers every method from `values`, or once from `script` (an invalid QVariant there is a failed call).
// Calls fail while the name is not reachable. With `hold` set, answers wait until release().
class FakeUpdateService : public UpdateService
{
public:
    void checkReachable(std::function<void(bool)> done) override
    {
        reply<bool>(QStringLiteral("reachable"), [done](std::optional<bool> up) { done(up.value_or(false)); });
    }
    void currentState(IntReply done) override { reply<int>(QStringLiteral("getCurrentStateAsInt"), done); }
    void currentError(IntReply done) override { reply<int>(QStringLiteral("getCurrentErrorAsInt"), done); }
    void updateDate(TextReply done) override { reply<QString>(QStringLiteral("getUpdateDateAsString"), done); }
    void updateVersion(TextReply done) override { reply<QString>(QStringLiteral("getMinorUpdateVersion"), done); }
    void enableOnReboot(IntReply done) override { reply<int>(QStringLiteral("enableUpgradeOnReboot"), done); }
    void disableOnReboot(IntReply done) override { reply<int>(QStringLiteral("disableUpgradeOnReboot"), done); }
    void removeResultStamp(int, IntReply done) override
    {
        reply<int>(QStringLiteral("removeUpgradeResultStamp"), done);
    }
    void setStateFromOutside(int, IntReply done) override { reply<int>(QStringLiteral("setStateFromOutside"), done); }

    // Runs the held answers, oldest first, including any that those answers cause.
    void release()
    {
        while (!held.isEmpty()) {
            held.takeFirst()();
        }
    }

    QHash<QString, QVariant> values {{QStringLiteral("reachable"), true}, {QStringLiteral("getCurrentStateAsInt"), 0},
        {QStringLiteral("getCurrentErrorAsInt"), 0}, {QStringLiteral("getUpdateDateAsString"), QString()},
        {QStringLiteral("getMinorUpdateVersion"), QString()}};
    QHash<QString, QVariantList> script;
    QStringList calls; // every method call, without the reachability checks
    bool hold = false;
    QList<std::function<void()>> held;

private:
    template<typename T>
    void reply(const QString& method, std::function<void(std::optional<T>)> done)
    {
        if (method != QLatin1String("reachable")) {
            calls << method;
        }
        QVariant value = script.value(method).isEmpty() ? values.value(method, 0) : script[method].takeFirst();
        if (method != QLatin1String("reachable") && !values.value(QStringLiteral("reachable")).toBool()) {
            value = QVariant(); // nobody owns the name
        }
        auto answer = [done, value] {
            done(value.isValid() ? std::optional<T>(value.value<T>()) : std::nullopt);
        };
        if (hold) {
            held << answer;
        } else {
            answer();
        }
    }
};

class FakePresence : public ServicePresence
{
public:
    void checkActive(std::function<void(bool)> done) override { done(active); }
    bool active = true;
};

class FakePackages : public PackageQuery
{
public:
    bool isInstalled(const QString&) override { return installed; }
    bool installed = false;
};

class FakeDesktop : public Desktop
{
public:
    QMenu* createHelpMenu(QWidget* parent) override { return new QMenu(QStringLiteral("&Help"), parent); }
    void showHelp(const QString& topic) override { helpTopics << topic; }
    void showMessage(bool warning, const QString& title, const QString& text, std::function<void()> closed) override
    {
        messages << QStringList {warning ? QStringLiteral("warning") : QStringLiteral("information"), title, text};
        openBoxes << std::move(closed);
    }
    void closeBox() { openBoxes.takeFirst()(); } // the user closes the oldest open box
    void changeUpgradeState(bool enable, std::function<void(std::optional<QString>)> done) override
    {
        upgradeSwitches << enable;
        upgradeDone = std::move(done);
    }
    void reboot(std::function<void(bool)> done) override
    {
        ++reboots;
        done(rebootWorks);
    }
    QStringList helpTopics;
    QList<QStringList> messages; // every box shown
    QList<std::function<void()>> openBoxes;
    QList<bool> upgradeSwitches;
    std::function<void(std::optional<QString>)> upgradeDone; // the test decides the outcome
    int reboots = 0;
    bool rebootWorks = true;
};

// Writes a file under the test's sysroot, as the system's own programs would leave it.
inline bool writeSysFile(const QString& path, const QByteArray& content)
{
    const QString full = SysRoot::path(path);
    QDir().mkpath(QFileInfo(full).path());
    QFile file(full);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

// A menu entry, also of a submenu, by its text.
inline QAction* menuEntry(const QMenu* menu, const QString& text)
{
    const QList<QAction*> actions = menu->findChildren<QAction*>();
    for (QAction* action : actions) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}
