#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

// The mapped windows of one X display, found and driven with xdotool.
class XWindows
{
public:
    void setDisplay(const QString& display) { m_display = display; }

    // Mapped windows titled `wanted`. Qt appends " — <display name>" to the titles of an application
    // that has a display name, so that suffix is accepted.
    QList<qulonglong> find(const QString& wanted) const;
    // The first such window within the time, or 0.
    qulonglong waitFor(const QString& wanted, int timeoutMs) const;
    bool waitForNone(const QString& wanted, int timeoutMs) const;

    // Mapped windows whose field ("--name", "--class" or "--classname") matches the regular expression.
    QList<qulonglong> search(const QString& field, const QString& pattern) const;
    QString title(qulonglong window) const;
    QRect geometry(qulonglong window) const;

    // Focuses the window and types the key there (X key names: "Return", "Escape").
    bool pressKey(qulonglong window, const QString& key) const;
    // Clicks the centre of the window with a mouse button (1 left, 2 middle, 3 right).
    bool click(qulonglong window, int button) const;

    // Runs xdotool on the display; its exit code, -1 when it did not finish in time.
    int xdotool(const QStringList& arguments, QByteArray* output = nullptr) const;

private:
    QString m_display;
};
