// SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "NotifierStarter.h"
#include "QtSingleApplication.h"
#include "zibintegration.h"

#include <csignal>

int main(int argc, char* argv[])
{
    QtSingleApplication app(argc, argv, true);
    zibInit("3.1.18+b4", "User update notifier");

    int result = 0;
    {
        NotifierStarter starter(&app);
        if (starter.mustExit()) {
            result = starter.exitCode();
        } else {
            struct sigaction term
            {
            };
            term.sa_handler = NotifierStarter::sigTermHandler;
            sigemptyset(&term.sa_mask);
            term.sa_flags = SA_RESTART;
            sigaction(SIGTERM, &term, nullptr);
            result = QApplication::exec();
        }
    }
    return result;
}
