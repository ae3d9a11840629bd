#pragma once

#include <QString>

// The release-upgrade tool's YAML report, as far as the administration service changes it.
class UpgradeReport
{
public:
    struct Result
    {
        // Empty on success; otherwise the D-Bus error to answer with.
        QString errorName;
        QString message;
        // The text ChangeUpgradeState answers on success.
        QString output;

        bool ok() const { return errorName.isEmpty(); }
    };

    // Sets "upgrade_mode" to "activated" (enable) or "ready", keeping every other key.
    // A forced upgrade stays forced: it cannot be postponed, and enabling it changes nothing.
    static Result changeMode(const QString& path, bool enable);
};
