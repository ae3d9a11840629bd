#pragma once

#include <QObject>
#include <QTimer>

class PackageQuery;

// Follows whether the release-upgrade tool is installed (every 60 s) and, while it is, asks for its
// files to be read every 10 s.
class UpgradeTool : public QObject
{
    Q_OBJECT
public:
    UpgradeTool(PackageQuery& packages, QObject* parent);

    // Checks once now, then every 60 s.
    void start();
    void check();
    bool isInstalled() const { return m_installed; }

    // The files are not read while the service connection is being rebuilt.
    void pauseFiles();
    void resumeFiles();

Q_SIGNALS:
    void filesDue();
    void removed();

private:
    PackageQuery& m_packages;
    QTimer m_packageTimer;
    QTimer m_filesTimer;
    bool m_installed = false;
};
