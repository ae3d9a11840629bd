// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

// The running notifier with its outside world faked, driven by the fuzzer's bytes as a sequence of events:
// the service's answers and presence, the upgrade tool, the user's actions and the clock. After every event
// what the user sees must be one state's. A new kind of event is one more entry in `outside` or `user`.
#include "CoreFixture.h"
#include "DateFormat.h"
#include "FuzzApp.h"
#include "ServiceAnswer.h"
#include "SettingsDialog.h"

#include <QAbstractButton>

#include <fuzzer/FuzzedDataProvider.h>

namespace {
using Event = void (*)(FuzzedDataProvider&);
CoreFixture f;
int releasedAt = 0; // the service's calls before this one have been answered
int userAt = 0; // the service's answers before the user's latest action
int sent = 0; // popups sent until the latest event
const QString error = QStringLiteral("getCurrentErrorAsInt");

QString date(FuzzedDataProvider& in)
{
    return f.clock.now().addSecs(in.ConsumeIntegral<int16_t>() * 600).toString(dateTimeFormat);
}
void release()
{
    f.service.hold = f.presence.hold = false;
    f.service.release();
    f.presence.release();
}
// The user presses one of the window's buttons or boxes; disabled ones do nothing.
void press(QWidget* window, FuzzedDataProvider& in)
{
    const QList<QAbstractButton*> buttons = window->findChildren<QAbstractButton*>();
    buttons.value(in.ConsumeIntegralInRange<int>(0, buttons.size() - 1))->click();
}

const Event outside[] = {
    [](FuzzedDataProvider& in) { f.answer(in.ConsumeIntegral<int8_t>()); },
    [](FuzzedDataProvider& in) { f.service.values[error] = in.ConsumeIntegral<int8_t>(); },
    // The next call of a method called before fails: a wrong type or a D-Bus error, as the client gets either.
    [](FuzzedDataProvider& in) {
        const QStringList& called = f.service.calls;
        f.service.script[called.value(in.ConsumeIntegralInRange<int>(0, called.size())).section(QLatin1Char(' '), 0, 0)]
            << QVariant();
    },
    [](FuzzedDataProvider& in) { f.service.values[QStringLiteral("getUpdateDateAsString")] = date(in); },
    [](FuzzedDataProvider& in) {
        f.service.values[QStringLiteral("getMinorUpdateVersion")] =
            QString::fromStdString(in.ConsumeRandomLengthString(9));
    },
    [](FuzzedDataProvider& in) { f.service.values[QStringLiteral("reachable")] = in.ConsumeBool(); },
    [](FuzzedDataProvider& in) { f.presence.active = in.ConsumeBool(); },
    // The bus tells that the service's name got or lost its owner; the desktop's do-not-disturb mode.
    [](FuzzedDataProvider& in) { f.service.setOwned(in.ConsumeBool()); },
    [](FuzzedDataProvider& in) { f.popups.setInhibited(in.ConsumeBool()); },
    // Answers held back until released: no answer yet.
    [](FuzzedDataProvider& in) { in.ConsumeBool() ? void(f.service.hold = f.presence.hold = true) : release(); },
    [](FuzzedDataProvider& in) { f.packages.installed = in.ConsumeBool(); },
    [](FuzzedDataProvider& in) {
        const char* modes[] = {"ready", "activated", "forced", "other", "[1"};
        writeSysFile(
            report, QByteArray("upgrade_mode: ") + in.PickValueInArray(modes) + "\nt_end: " + date(in).toUtf8());
        writeSysFile(QStringLiteral("/usr/share/tarno-upgrade/target.conf.yaml"), "upgrade: {target_release: \"4.0\"}");
    },
    [](FuzzedDataProvider&) { QFile::remove(SysRoot::path(report)); },
    [](FuzzedDataProvider& in) {
        f.clock.advanceMs(in.ConsumeIntegralInRange<qint64>(0, 1LL << in.ConsumeIntegralInRange(8, 27)));
    },
    [](FuzzedDataProvider& in) { f.clock.set(f.clock.now().addSecs(in.ConsumeIntegral<int32_t>())); },
};
const Event user[] = {
    // The menu's entries, "Disable notifications" and its own included; disabled ones do nothing.
    [](FuzzedDataProvider& in) {
        const QList<QAction*> entries = f.icon()->contextMenu()->findChildren<QAction*>();
        QAction* entry = entries.value(in.ConsumeIntegralInRange<int>(0, entries.size() - 1));
        entry->isEnabled() && entry->isVisible() && !entry->menu() ? entry->trigger() : void();
    },
    [](FuzzedDataProvider& in) { press(f.openInfo(), in); },
    [](FuzzedDataProvider& in) {
        f.core->showSettings();
        press(CoreFixture::window<SettingsDialog>(), in);
    },
    [](FuzzedDataProvider& in) { f.popups.click(Popups::Kind(in.ConsumeBool()), Popups::Action(in.ConsumeBool())); },
    [](FuzzedDataProvider& in) {
        if (auto done = std::exchange(f.desktop.upgradeDone, nullptr)) {
            done(in.ConsumeBool() ? std::nullopt : std::optional<QString>(QStringLiteral("denied")));
        }
    },
    [](FuzzedDataProvider&) { f.desktop.openBoxes.isEmpty() ? void() : f.desktop.closeBox(); },
};

// An icon's picture, drawn once per icon.
QImage picture(const QIcon& icon, const QString& key)
{
    static QHash<QString, QImage> drawn;
    return drawn.contains(key) ? drawn[key] : drawn[key] = icon.pixmap(16).toImage();
}

void check()
{
    // The state shown is one of the eight, and the tray shows its tooltip and picture.
    const QString shown = f.core->statusReport(false).section(QLatin1Char('\n'), 0, 0).mid(7);
    std::optional<TrayLook> look;
    for (int state = 0; state < 8; ++state) {
        look = shown == QLatin1String(stateName(State(state))) ? StateViews::trayLook(State(state)) : look;
    }
    FUZZ_CHECK(look && f.toolTip() == look->toolTip);
    const QIcon icon = f.icon()->icon();
    FUZZ_CHECK(picture(icon, QString::number(icon.cacheKey())) == picture(QIcon(look->fallback), look->fallback));
    // During do-not-disturb no popup goes out.
    FUZZ_CHECK(!f.popups.inhibited || f.popups.shown.size() == sent);
    sent = f.popups.shown.size();
    // At most one poll at a time: none starts while another waits for its answers.
    releasedAt = f.service.hold ? releasedAt : f.service.calls.size();
    FUZZ_CHECK(f.service.calls.mid(releasedAt).filter(error).size() <= 1);
    // A poll that answered a state since the user's latest action ended any wait.
    UpdateInfoDialog* info = CoreFixture::window<UpdateInfoDialog>();
    const bool waiting = info && info->isVisible() && CoreFixture::infoText(info) == QLatin1String("Please, wait...");
    for (const QString& answer : f.service.answered.mid(userAt).filter(state)) {
        const ServiceState code = decodeServiceState(answer.section(QLatin1Char(' '), 1).toInt());
        FUZZ_CHECK(!waiting || answer.endsWith(QLatin1Char(' ')) || code == ServiceState::Outside ||
            code == ServiceState::Ignored);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    f.reset();
    releasedAt = userAt = sent = 0;
    f.start();
    while (in.remaining_bytes() > 0) {
        const size_t event = in.ConsumeIntegralInRange<size_t>(0, std::size(outside) + std::size(user) - 1);
        userAt = event < std::size(outside) ? userAt : f.service.answered.size();
        event < std::size(outside) ? outside[event](in) : user[event - std::size(outside)](in);
        QCoreApplication::processEvents();
        check();
    }
    // Answers that come after the notifier has ended reach nothing.
    f.core.reset();
    release();
    user[4](in);
    while (!f.desktop.openBoxes.isEmpty()) {
        f.desktop.closeBox();
    }
    return 0;
}
