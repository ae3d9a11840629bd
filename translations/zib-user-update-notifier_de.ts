<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>NotifierCore</name>
    <message>
        <source>No available updates detected</source>
        <translation>Keine Aktualisierungen verfügbar</translation>
    </message>
    <message>
        <source>New system update is available</source>
        <translation>Eine neue Systemaktualisierung ist verfügbar</translation>
    </message>
    <message>
        <source>Update on reboot</source>
        <translation>Beim Neustart aktualisieren</translation>
    </message>
    <message>
        <source>To postpone</source>
        <translation>Verschieben</translation>
    </message>
    <message>
        <source>The system will be updated on the next reboot</source>
        <translation>Das System wird beim nächsten Neustart aktualisiert</translation>
    </message>
    <message>
        <source>Unable to connect to the service tarno-update-service</source>
        <translation>Keine Verbindung zum Dienst tarno-update-service</translation>
    </message>
    <message>
        <source>Some problems with the service reply, please wait</source>
        <translation>Probleme mit der Antwort des Dienstes, bitte warten</translation>
    </message>
    <message>
        <source>The service tarno-update-service is disabled</source>
        <translation>Der Dienst tarno-update-service ist deaktiviert</translation>
    </message>
    <message>
        <source>Disable notifications</source>
        <translation>Benachrichtigungen aussetzen</translation>
    </message>
    <message>
        <source>in 1 hour</source>
        <translation>für 1 Stunde</translation>
    </message>
    <message>
        <source>for 1 day</source>
        <translation>für 1 Tag</translation>
    </message>
    <message>
        <source>for 2 days</source>
        <translation>für 2 Tage</translation>
    </message>
    <message>
        <source>for a week</source>
        <translation>für eine Woche</translation>
    </message>
    <message>
        <source>Not to remind</source>
        <translation>Nicht mehr erinnern</translation>
    </message>
    <message>
        <source>&amp;Settings</source>
        <translation>&amp;Einstellungen</translation>
    </message>
    <message>
        <source>&amp;No updates</source>
        <translation>&amp;Keine Aktualisierungen</translation>
    </message>
    <message>
        <source>System update</source>
        <translation>Systemaktualisierung</translation>
    </message>
    <message>
        <source>Not enough free space for update</source>
        <translation>Nicht genug freier Speicherplatz für die Aktualisierung</translation>
    </message>
    <message>
        <source>There is an error before update</source>
        <translation>Vor der Aktualisierung ist ein Fehler aufgetreten</translation>
    </message>
    <message>
        <source>Upgrade state not changed due D-Bus error:
%1</source>
        <translation>Upgrade-Zustand wegen eines D-Bus-Fehlers nicht geändert:
%1</translation>
    </message>
    <message>
        <source>Show more</source>
        <translation>Mehr anzeigen</translation>
    </message>
    <message>
        <source>&amp;Update on reboot</source>
        <translation>Beim Neustart &amp;aktualisieren</translation>
    </message>
    <message>
        <source>&amp;Postpone the update</source>
        <translation>Aktualisierung &amp;verschieben</translation>
    </message>
    <message>
        <source>The system won't be updated on the next reboot</source>
        <translation>Das System wird beim nächsten Neustart nicht aktualisiert</translation>
    </message>
    <message>
        <source>Updating system is on error state</source>
        <translation>Das Aktualisierungssystem ist im Fehlerzustand</translation>
    </message>
    <message>
        <source>Updating system is not active</source>
        <translation>Das Aktualisierungssystem ist nicht aktiv</translation>
    </message>
</context>
<context>
    <name>NotifierStarter</name>
    <message>
        <source>Show settings dialog (only for running app)</source>
        <translation>Einstellungsdialog zeigen (nur für die laufende Anwendung)</translation>
    </message>
    <message>
        <source>Update Notifier</source>
        <translation>Aktualisierungsmelder</translation>
    </message>
    <message>
        <source>Couldn't detect any system tray on this system</source>
        <translation>Auf diesem System wurde kein Systemabschnitt der Kontrollleiste gefunden</translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
</context>
<context>
    <name>UpdateInfoDialog</name>
    <message>
        <source>System update</source>
        <translation>Systemaktualisierung</translation>
    </message>
</context>
<context>
    <name>ZibAdmin::DbusService</name>
    <message>
        <source>Release upgrade</source>
        <translation>Versionsaktualisierung</translation>
    </message>
</context>
<context>
    <name>ZibHelpMenu</name>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>Ü&amp;ber</translation>
    </message>
    <message>
        <source>&lt;p&gt;&lt;b&gt;%1&lt;/b&gt;&lt;/p&gt;&lt;p&gt;Version %2&lt;/p&gt;&lt;p&gt;%3&lt;/p&gt;</source>
        <translation>&lt;p&gt;&lt;b&gt;%1&lt;/b&gt;&lt;/p&gt;&lt;p&gt;Version %2&lt;/p&gt;&lt;p&gt;%3&lt;/p&gt;</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>Über %1</translation>
    </message>
</context>
</TS>