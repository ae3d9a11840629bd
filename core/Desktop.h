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
    // A modal box; returns when the user has closed it.
    virtual void showMessage(bool warning, const QString& title, const QString& text) = 0;
};
