#include "ZibDesktop.h"

#include "ZibHelpMenu.h"
#include "zibintegration.h"

QMenu* ZibDesktop::createHelpMenu(QWidget* parent)
{
    return new ZibHelpMenu(parent);
}

void ZibDesktop::showHelp(const QString& topic)
{
    zibHelpShow(topic);
}
