# SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
# SPDX-License-Identifier: GPL-2.0-or-later

# Installs the build as `cmake --install --prefix /usr` would, into a staging folder, and checks that the
# desktop finds what it looks for: autostart in /etc, not under /usr.
file(REMOVE_RECURSE "${STAGE}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE} ${CMAKE_COMMAND} --install ${BUILD} --prefix /usr
    OUTPUT_QUIET RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "install failed: ${result}")
endif()
foreach(path etc/xdg/autostart/zib-user-update-notifier.desktop
        usr/share/qlogging-categories5/zib-user-update-notifier.categories
        usr/share/knotifications5/zib-user-update-notifier.notifyrc usr/bin/zib-user-update-notifier)
    if(NOT EXISTS "${STAGE}/${path}")
        message(FATAL_ERROR "missing after install: /${path}")
    endif()
endforeach()
if(EXISTS "${STAGE}/usr/etc")
    message(FATAL_ERROR "installed below /usr/etc, where no desktop looks")
endif()
