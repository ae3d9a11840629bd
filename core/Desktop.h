#pragma once

#include <QString>

class QMenu;
class QWidget;

// What the core asks of the desktop around it.
class Desktop
{
public:
    virtual ~Desktop() = default;

    // The desktop's "&Help" submenu, owned by `parent`.
    virtual QMenu* createHelpMenu(QWidget* parent) = 0;
    virtual void showHelp(const QString& topic) = 0;
};
