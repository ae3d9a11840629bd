#include "ZibDesktop.h"

#include "ZibHelpMenu.h"
#include "zibintegration.h"

#include <QMessageBox>

QMenu* ZibDesktop::createHelpMenu(QWidget* parent)
{
    return new ZibHelpMenu(parent);
}

void ZibDesktop::showHelp(const QString& topic)
{
    zibHelpShow(topic);
}

void ZibDesktop::showMessage(bool warning, const QString& title, const QString& text)
{
    if (warning) {
        QMessageBox::warning(nullptr, title, text, QMessageBox::Ok, QMessageBox::NoButton);
    } else {
        QMessageBox::information(nullptr, title, text, QMessageBox::Ok, QMessageBox::NoButton);
    }
}
