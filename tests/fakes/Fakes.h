// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once

#include "Clock.h"
#include "Desktop.h"
#include "DoNotDisturb.h"
#include "PackageQuery.h"
#include "Popups.h"
#include "ServicePresence.h"
#include "SysRoot.h"
#include "Timer.h"
#include "UpdateService.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMenu>
#include <QStringList>
#include <QVariant>

#include <algorithm>

// Stand-ins for the core's outside world. Each answers from what the test sets.

// Time stands still until the test moves it; advancing fires the core's timers in their order.
class FakeClock : public Clock
{
public:
    qint64 msecsSinceEpoch() const override { return ms; }
    QDateTime now() const override { return QDateTime::fromMSecsSinceEpoch(ms); }
    bool drivesTimers() const override { return true; }
    void arm(Timer* timer, int intervalMs) override { armed.insert(timer, {steady + intervalMs, ++armings}); }
    void disarm(Timer* timer) override { armed.remove(timer); }

    // A jump of the wall clock: no timer fires.
    void set(const QDateTime& now) { ms = now.toMSecsSinceEpoch(); }
    void advance(qint64 seconds) { advanceMs(seconds * 1000); }
    void advanceMs(qint64 step)
    {
        const qint64 end = steady + step;
        for (;;) {
            auto next = std::min_element(armed.begin(), armed.end());
            if (next == armed.end() || next->first > end) {
                break;
            }
            ms += next->first - steady;
            steady = next->first;
            Timer* timer = next.key();
            armed.erase(next);
            timer->fire();
        }
        ms += end - steady;
        steady = end;
    }

    qint64 ms = QDateTime(QDate(2026, 12, 7), QTime(10, 0)).toMSecsSinceEpoch();
    qint64 steady = 0;
    qint64 armings = 0;
    QHash<Timer*, QPair<qint64, qint64>> armed; // due on the steady time, then the order of arming
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
    void watchOwner(std::function<void(bool)> changed) override { ownerChanged = std::move(changed); }
    // The name gets or loses its owner, and the bus says so.
    void setOwned(bool owned)
    {
        values[QStringLiteral("reachable")] = owned;
        ownerChanged(owned);
    }
    void currentState(IntReply done) override { reply<int>(QStringLiteral("getCurrentStateAsInt"), done); }
    void currentError(IntReply done) override { reply<int>(QStringLiteral("getCurrentErrorAsInt"), done); }
    void updateDate(TextReply done) override { reply<QString>(QStringLiteral("getUpdateDateAsString"), done); }
    void updateVersion(TextReply done) override { reply<QString>(QStringLiteral("getMinorUpdateVersion"), done); }
    void enableOnReboot(IntReply done) override { reply<int>(QStringLiteral("enableUpgradeOnReboot"), done); }
    void disableOnReboot(IntReply done) override { reply<int>(QStringLiteral("disableUpgradeOnReboot"), done); }
    void removeResultStamp(int kind, IntReply done) override
    {
        reply<int>(QStringLiteral("removeUpgradeResultStamp"), done, QString::number(kind));
    }
    void setStateFromOutside(int state, IntReply done) override
    {
        reply<int>(QStringLiteral("setStateFromOutside"), done, QString::number(state));
    }

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
    QStringList calls; // every method call with its argument, without the reachability checks
    QStringList answered; // every answer given: the method and the value, empty for a failed call
    bool hold = false;
    QList<std::function<void()>> held;
    std::function<void(bool)> ownerChanged = [](bool) {
    };

private:
    template<typename T>
    void reply(const QString& method, std::function<void(std::optional<T>)> done, const QString& argument = {})
    {
        if (method != QLatin1String("reachable")) {
            calls << (argument.isEmpty() ? method : method + QLatin1Char(' ') + argument);
        }
        QVariant value = script.value(method).isEmpty() ? values.value(method, 0) : script[method].takeFirst();
        if (method != QLatin1String("reachable") && !values.value(QStringLiteral("reachable")).toBool()) {
            value = QVariant(); // nobody owns the name
        }
        auto answer = [this, method, done, value] {
            answered << method + QLatin1Char(' ') + value.toString();
            done(value.isValid() ? std::optional<T>(value.value<T>()) : std::nullopt);
        };
        if (hold) {
            held << answer;
        } else {
            answer();
        }
    }
};

// With `hold` set, the answer waits until release().
class FakePresence : public ServicePresence
{
public:
    void checkActive(std::function<void(bool)> done) override
    {
        ++checks;
        if (hold) {
            held = done;
        } else {
            done(active);
        }
    }
    void release()
    {
        hold = false;
        if (auto done = std::exchange(held, nullptr)) {
            done(active);
        }
    }
    bool active = true;
    bool hold = false;
    int checks = 0;
    std::function<void(bool)> held;
};

class FakePackages : public PackageQuery
{
public:
    void checkInstalled(const QString& package, std::function<void(bool)> done) override
    {
        asked << package;
        done(installed);
    }
    bool installed = false;
    QStringList asked;
};

// The popups a user would see: at most one of each kind on screen, and every one that was shown; and the
// server's do-not-disturb mode, switched by the test.
class FakePopups : public Popups, public DoNotDisturb
{
public:
    void show(Kind kind, const Popup& popup) override
    {
        shown << popup;
        onScreen[int(kind)] = popup;
    }
    void close(Kind kind) override { onScreen[int(kind)].reset(); }
    void setActionHandler(std::function<void(Kind, Action)> handler) override { m_handler = std::move(handler); }

    // The text on screen of a kind; empty when none is shown.
    QString text(Kind kind = Kind::State) const { return onScreen[int(kind)] ? onScreen[int(kind)]->text : QString(); }
    QStringList texts() const
    {
        QStringList all;
        for (const Popup& popup : shown) {
            all << popup.text;
        }
        return all;
    }
    // The user clicks on the popup of that kind on screen.
    void click(Kind kind, Action action)
    {
        if (onScreen[int(kind)] && m_handler) {
            m_handler(kind, action);
        }
    }

    bool isOn() const override { return inhibited; }
    void setChangeHandler(std::function<void(bool)> handler) override { m_changed = std::move(handler); }
    void setInhibited(bool on) { m_changed(inhibited = on); }

    QList<Popup> shown;
    std::optional<Popup> onScreen[2];
    bool inhibited = false;

private:
    std::function<void(Kind, Action)> m_handler;
    std::function<void(bool)> m_changed = [](bool) {
    };
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

// The notifier's log lines (category: text) written while it lives, at the levels enabled by default.
class LogLines
{
public:
    LogLines() : m_previous(qInstallMessageHandler(&LogLines::handle)) { s_lines = &lines; }
    ~LogLines()
    {
        qInstallMessageHandler(m_previous);
        s_lines = nullptr;
    }
    QStringList lines;

private:
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& text)
    {
        if (s_lines && context.category && QByteArray(context.category).startsWith("zib.")) {
            *s_lines << QLatin1String(context.category) + QLatin1String(": ") + text;
        }
    }
    inline static QStringList* s_lines = nullptr;
    QtMessageHandler m_previous;
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
