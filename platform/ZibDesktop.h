#pragma once

#include "Desktop.h"

// The desktop's help menu and help viewer.
class ZibDesktop : public Desktop
{
public:
    QMenu* createHelpMenu(QWidget* parent) override;
    void showHelp(const QString& topic) override;
    void showMessage(bool warning, const QString& title, const QString& text) override;
};
