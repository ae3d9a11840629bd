#pragma once

#include <QMenu>

// The "&Help" submenu of the desktop: the manual (F1) and an about box.
class ZibHelpMenu : public QMenu
{
    Q_OBJECT
public:
    explicit ZibHelpMenu(QWidget* parent = nullptr);

private:
    void showAbout();
};
