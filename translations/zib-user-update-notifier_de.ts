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
        <source>The system won&apos;t be updated on the next reboot</source>
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
    <message>
        <source>The computer could not be restarted. Please restart it yourself.</source>
        <translation>Der Computer konnte nicht neu gestartet werden. Bitte starten Sie ihn selbst neu.</translation>
    </message>
    <message>
        <source>Successfull upgrade</source>
        <translation>Erfolgreiche Aktualisierung</translation>
    </message>
    <message>
        <source>The system was upgraded,
current version is %1</source>
        <translation>Das System wurde aktualisiert,
aktuelle Version ist %1</translation>
    </message>
    <message>
        <source>Unsuccessful update attempt</source>
        <translation>Erfolgloser Aktualisierungsversuch</translation>
    </message>
    <message>
        <source>The system wasn&apos;t upgraded due some errors,
please contact the system administrator</source>
        <translation>Das System wurde wegen Fehlern nicht aktualisiert,
bitte wenden Sie sich an den Systemadministrator</translation>
    </message>
    <message>
        <source>The system update was cancelled before the start,
please contact the system administrator</source>
        <translation>Die Systemaktualisierung wurde vor dem Start abgebrochen,
bitte wenden Sie sich an den Systemadministrator</translation>
    </message>
    <message>
        <source>The system wasn&apos;t upgraded due
some errors during the update process,
please contact the system administrator</source>
        <translation>Das System wurde wegen
Fehlern während der Aktualisierung nicht aktualisiert,
bitte wenden Sie sich an den Systemadministrator</translation>
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
        <source>Couldn&apos;t detect any system tray on this system</source>
        <translation>Auf diesem System wurde kein Systemabschnitt der Kontrollleiste gefunden</translation>
    </message>
    <message>
        <source>Print what the running notifier shows now, one &quot;key: value&quot; per line; exits with 3 when none runs</source>
        <translation>Ausgeben, was der laufende Benachrichtiger gerade zeigt, je Zeile „Schlüssel: Wert“; endet mit 3, wenn keiner läuft</translation>
    </message>
    <message>
        <source>With --status: print JSON</source>
        <translation>Mit --status: JSON ausgeben</translation>
    </message>
    <message>
        <source>No update notifier runs for this user.</source>
        <translation>Für diesen Benutzer läuft kein Aktualisierungsbenachrichtiger.</translation>
    </message>
    <message>
        <source>The running update notifier did not answer.</source>
        <translation>Der laufende Aktualisierungsbenachrichtiger hat nicht geantwortet.</translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Hide tray icon if no updates are available</source>
        <translation>Symbol im Systemabschnitt ausblenden, wenn keine Aktualisierungen vorliegen</translation>
    </message>
    <message>
        <source>Tray icon hide delay:</source>
        <translation>Verzögerung bis zum Ausblenden:</translation>
    </message>
    <message>
        <source>s</source>
        <translation>s</translation>
    </message>
    <message>
        <source>Hide tray icon when notification is deferred</source>
        <translation>Symbol ausblenden, solange Benachrichtigungen zurückgestellt sind</translation>
    </message>
    <message>
        <source>Show notification every:</source>
        <translation>Benachrichtigung anzeigen alle:</translation>
    </message>
    <message>
        <source> d</source>
        <translation> T</translation>
    </message>
    <message>
        <source>h&apos; h&apos; m&apos; m&apos;</source>
        <translation>h&apos; Std. &apos;m&apos; Min.&apos;</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Notification is deferred to %1</source>
        <translation>Benachrichtigung ist zurückgestellt bis %1</translation>
    </message>
    <message>
        <source>An interval less than 15 minutes is prohibited</source>
        <translation>Ein Abstand unter 15 Minuten ist nicht erlaubt</translation>
    </message>
    <message>
        <source>Next notification will be at %1</source>
        <translation>Nächste Benachrichtigung am %1</translation>
    </message>
</context>
<context>
    <name>UpdateInfoDialog</name>
    <message>
        <source>System update</source>
        <translation>Systemaktualisierung</translation>
    </message>
    <message>
        <source>Enable update state</source>
        <translation>Aktualisierung einschalten</translation>
    </message>
    <message>
        <source>Reboot now</source>
        <translation>Jetzt neu starten</translation>
    </message>
    <message>
        <source>Please, wait...</source>
        <translation>Bitte warten...</translation>
    </message>
    <message>
        <source>%1 -&gt; %2</source>
        <translation>%1 -&gt; %2</translation>
    </message>
    <message>
        <source>Current version is %1
</source>
        <translation>Aktuelle Version ist %1
</translation>
    </message>
    <message>
        <source>No available updates detected</source>
        <translation>Keine Aktualisierungen verfügbar</translation>
    </message>
    <message>
        <source>Update on reboot</source>
        <translation>Beim Neustart aktualisieren</translation>
    </message>
    <message>
        <source>New system update is available
</source>
        <translation>Eine neue Systemaktualisierung ist verfügbar
</translation>
    </message>
    <message>
        <source>The forced update date is %1</source>
        <translation>Die Aktualisierung erfolgt spätestens am %1</translation>
    </message>
    <message>
        <source>Postpone the update</source>
        <translation>Aktualisierung verschieben</translation>
    </message>
    <message>
        <source>The system will be updated on the next reboot
</source>
        <translation>Das System wird beim nächsten Neustart aktualisiert
</translation>
    </message>
    <message>
        <source>You can&apos;t postpone the update. 
The forced update date was: %1</source>
        <translation>Sie können die Aktualisierung nicht verschieben. 
Der späteste Termin war: %1</translation>
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
