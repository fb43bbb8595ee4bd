<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>FormAbnormal</name>
    <message>
        <source>Upgrade</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unknown Exception Detected&lt;/h3&gt;<byte value="xd"/>
Upgrade was interrupted by an unknown exception, please try again.</source>
        <translation>&lt;h3&gt;Unbekannte Ausnahme erkannt&lt;/h3&gt;<byte value="xd"/>
Die Aktualisierung wurde durch eine unbekannte Ausnahme unterbrochen, bitte versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>Datei öffnen</translation>
    </message>
    <message>
        <source>Upgrade File(*.zip)</source>
        <translation>Aktualisierungsdatei(*.zip)</translation>
    </message>
</context>
<context>
    <name>FormCustomizeMessagebox</name>
    <message>
        <source>Tips</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message numerus="yes">
        <source>The window will close automatically after %n seconds.</source>
        <translation>
            <numerusform>Das Fenster wird in %n Sekunde automatisch geschlossen.</numerusform>
            <numerusform>Das Fenster wird in %n Sekunden automatisch geschlossen.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>FormPrompt</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
    </message>
</context>
<context>
    <name>FormUpgrade</name>
    <message>
        <source>Upgrade</source>
        <translation>Aktualisierung</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Get Ready to Upgrade&lt;/h3&gt;Make sure your camera is not in use by another application before proceeding with this software update. &lt;br&gt;&lt;br&gt;This update takes a few minutes to complete. &lt;br&gt;&lt;br&gt;&lt;b&gt;Do not disconnect your device&lt;/b&gt; during the update process.</source>
        <translation>&lt;h3&gt;Bereit zur Aktualisierung&lt;/h3&gt;Stellen Sie sicher, dass Ihre Kamera nicht von einer anderen Anwendung verwendet wird, bevor Sie mit dieser Softwareaktualisierung fortfahren. &lt;br&gt;&lt;br&gt;Die Aktualisierung dauert einige Minuten. &lt;br&gt;&lt;br&gt;&lt;b&gt;Trennen Sie Ihr Gerät nicht&lt;/b&gt;, solange die Aktualisierung läuft.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Orvia Vista Cam</source>
        <translation>Orvia Vista Cam</translation>
    </message>
    <message>
        <source>MY DEVICES</source>
        <translation>MEINE GERÄTE</translation>
    </message>
    <message>
        <source>Controls</source>
        <translation>Steuerung</translation>
    </message>
    <message>
        <source>Support</source>
        <translation>Support</translation>
    </message>
    <message>
        <source>Click the icon to start Preview.</source>
        <translation>Klicken Sie auf das Symbol, um die Vorschau zu starten.</translation>
    </message>
    <message>
        <source>Other apps can&apos;t access the camera while you preview it on this app.</source>
        <translation>Andere Apps können nicht auf die Kamera zugreifen, solange die Vorschau in dieser App läuft.</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Color Adjustment</source>
        <translation>Farbanpassung</translation>
    </message>
    <message>
        <source>HDR:</source>
        <translation>HDR:</translation>
    </message>
    <message>
        <source>HD:</source>
        <translation>HD:</translation>
    </message>
    <message>
        <source>Gesture Control:</source>
        <translation>Gestensteuerung:</translation>
    </message>
    <message>
        <source>Auto Focus：</source>
        <translation>Autofokus：</translation>
    </message>
    <message>
        <source>Tracking Speed:</source>
        <translation>Tracking-Geschwindigkeit:</translation>
    </message>
    <message>
        <source>Mirror:</source>
        <translation>Spiegeln:</translation>
    </message>
    <message>
        <source>Powerline Frequency:
(Anti Flicker)</source>
        <translation>Netzfrequenz:
(Anti-Flimmern)</translation>
    </message>
    <message>
        <source>Mic：</source>
        <translation>Mikrofon：</translation>
    </message>
    <message>
        <source>Field of View:</source>
        <translation>Sichtfeld:</translation>
    </message>
    <message>
        <source>93°</source>
        <translation>93°</translation>
    </message>
    <message>
        <source>78°</source>
        <translation>78°</translation>
    </message>
    <message>
        <source>65°</source>
        <translation>65°</translation>
    </message>
    <message>
        <source>AI Tracking:</source>
        <translation>KI-Tracking:</translation>
    </message>
    <message>
        <source>Manual Focus：</source>
        <translation>Manueller Fokus：</translation>
    </message>
    <message>
        <source>Tracking Effect:</source>
        <translation>Tracking-Effekt:</translation>
    </message>
    <message>
        <source>AI light compensation:</source>
        <translation>KI-Lichtausgleich:</translation>
    </message>
    <message>
        <source>Saturation:</source>
        <translation>Sättigung:</translation>
    </message>
    <message>
        <source>Brightness:</source>
        <translation>Helligkeit:</translation>
    </message>
    <message>
        <source>Contrast:</source>
        <translation>Kontrast:</translation>
    </message>
    <message>
        <source>Hue:</source>
        <translation>Farbton:</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>Sharpness:</source>
        <translation>Schärfe:</translation>
    </message>
    <message>
        <source>White Balance:</source>
        <translation>Weißabgleich:</translation>
    </message>
    <message>
        <source>Default Settings</source>
        <translation>Standardeinstellungen</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Model:</source>
        <translation>Modell:</translation>
    </message>
    <message>
        <source>Firmware:</source>
        <translation>Firmware:</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Remote control (VISCA)</source>
        <translation>Fernsteuerung (VISCA)</translation>
    </message>
    <message>
        <source>Restore Factory Defaults</source>
        <translation>Werkseinstellungen wiederherstellen</translation>
    </message>
    <message>
        <source>Software Version:</source>
        <translation>Softwareversion:</translation>
    </message>
    <message>
        <source>Cannot exit during the upgrade process!</source>
        <translation>Während der Aktualisierung kann das Programm nicht beendet werden!</translation>
    </message>
    <message>
        <source>The setting has timed out, please try again.</source>
        <translation>Zeitüberschreitung bei der Einstellung. Bitte versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Any change in the setting takes effect only if the camera is working.</source>
        <translation>Änderungen an der Einstellung werden nur wirksam, wenn die Kamera in Betrieb ist.</translation>
    </message>
    <message>
        <source>The operation has timed out, please try again.</source>
        <translation>Zeitüberschreitung beim Vorgang. Bitte versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>To complete this process, your device may take a few seconds to restart.</source>
        <translation>Um den Vorgang abzuschließen, startet Ihr Gerät neu. Dies kann einige Sekunden dauern.</translation>
    </message>
    <message>
        <source>Turn on for better image quality and turn off for better compatibility.To complete this process, your device may take a few seconds to restart.</source>
        <translation>Einschalten für bessere Bildqualität, ausschalten für bessere Kompatibilität. Um den Vorgang abzuschließen, startet Ihr Gerät neu. Dies kann einige Sekunden dauern.</translation>
    </message>
    <message>
        <source>Camera needs to restart to switch the default language.</source>
        <translation>Die Kamera muss neu gestartet werden, um die Standardsprache zu wechseln.</translation>
    </message>
    <message>
        <source>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1&quot; target=_blank&gt;Documentation&lt;/a&gt;</source>
        <translation>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1&quot; target=_blank&gt;Dokumentation&lt;/a&gt;</translation>
    </message>
    <message>
        <source>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1/&quot;&gt;Application and Firmware</source>
        <translation>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1/&quot;&gt;Anwendung und Firmware</translation>
    </message>
    <message>
        <source>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1&quot; target=_blank&gt;Application and Firmware&lt;/a&gt;</source>
        <translation>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1&quot; target=_blank&gt;Anwendung und Firmware&lt;/a&gt;</translation>
    </message>
    <message>
        <source>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1/&quot;&gt;Contact Support</source>
        <translation>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1/&quot;&gt;Support kontaktieren</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
%1</source>
        <translation>&lt;h3&gt;Aktualisierung nicht möglich&lt;/h3&gt;<byte value="xd"/>
%1</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
Another program is upgrading a camera: %1 (process %2). Please try again when it has finished.</source>
        <translation>&lt;h3&gt;Aktualisierung nicht möglich&lt;/h3&gt;<byte value="xd"/>
Ein anderes Programm aktualisiert gerade eine Kamera: %1 (Prozess %2). Bitte versuchen Sie es erneut, wenn es fertig ist.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
The format of firmware file is not correct.</source>
        <translation>&lt;h3&gt;Aktualisierung nicht möglich&lt;/h3&gt;<byte value="xd"/>
Das Format der Firmware-Datei ist ungültig.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
The firmware file is corrupted.</source>
        <translation>&lt;h3&gt;Aktualisierung nicht möglich&lt;/h3&gt;<byte value="xd"/>
Die Firmware-Datei ist beschädigt.</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>Datei öffnen</translation>
    </message>
    <message>
        <source>Upgrade File(*.zip)</source>
        <translation>Aktualisierungsdatei(*.zip)</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
The upgrade version does not match this device.</source>
        <translation>&lt;h3&gt;Aktualisierung nicht möglich&lt;/h3&gt;<byte value="xd"/>
Die Aktualisierung passt nicht zu diesem Gerät.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Upgrade is done!&lt;/h3&gt;<byte value="xd"/>
The device is initializing, don&apos;t power off.</source>
        <translation>&lt;h3&gt;Aktualisierung abgeschlossen!&lt;/h3&gt;<byte value="xd"/>
Das Gerät wird initialisiert. Bitte nicht ausschalten.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Upgrade Failed!&lt;/h3&gt;<byte value="xd"/>
please try to unplug and plug the USB cable for upgrade again.</source>
        <translation>&lt;h3&gt;Aktualisierung fehlgeschlagen!&lt;/h3&gt;<byte value="xd"/>
Bitte ziehen Sie das USB-Kabel ab, schließen Sie es wieder an und starten Sie die Aktualisierung erneut.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Restore Factory Defaults&lt;/h3&gt;<byte value="xd"/>
Are you sure you want to reset your device to factory settings? Your device may take several seconds to reboot. Please keep your device connected during the whole resetting process.</source>
        <translation>&lt;h3&gt;Werkseinstellungen wiederherstellen&lt;/h3&gt;<byte value="xd"/>
Möchten Sie Ihr Gerät wirklich auf die Werkseinstellungen zurücksetzen? Der Neustart kann einige Sekunden dauern. Lassen Sie das Gerät währenddessen angeschlossen.</translation>
    </message>
</context>
<context>
    <name>PresetStrip</name>
    <message>
        <source>Preset %1: click or press %1 to go there.
Ctrl+click, Ctrl+%1 or a long press saves the current position here.</source>
        <translation>Position %1: Klicken oder %1 drücken, um dorthin zu fahren.
Strg+Klick, Strg+%1 oder langes Drücken speichert hier die aktuelle Position.</translation>
    </message>
    <message>
        <source>Preset %1 is empty.
Ctrl+click, Ctrl+%1 or a long press saves the current position here.</source>
        <translation>Position %1 ist leer.
Strg+Klick, Strg+%1 oder langes Drücken speichert hier die aktuelle Position.</translation>
    </message>
    <message>
        <source>The position presets cannot be used while AI Tracking is on.</source>
        <translation>Die gespeicherten Positionen sind nicht verfügbar, solange KI-Tracking eingeschaltet ist.</translation>
    </message>
    <message>
        <source>This camera cannot pan, tilt or zoom, so it has no position presets.</source>
        <translation>Diese Kamera kann weder schwenken, neigen noch zoomen und hat daher keine gespeicherten Positionen.</translation>
    </message>
</context>
<context>
    <name>RemoteControlOption</name>
    <message>
        <source>%1 port %2 is already in use (is lensdeskctl serve or another lensdesk running?). Remote control is off.</source>
        <translation>%1-Port %2 ist bereits belegt (läuft lensdeskctl serve oder ein anderes lensdesk?). Die Fernsteuerung ist aus.</translation>
    </message>
    <message>
        <source>Remote control could not start: %1</source>
        <translation>Die Fernsteuerung konnte nicht starten: %1</translation>
    </message>
    <message>
        <source>VISCA over IP on 127.0.0.1: UDP port %1, TCP port %2</source>
        <translation>VISCA over IP auf 127.0.0.1: UDP-Port %1, TCP-Port %2</translation>
    </message>
</context>
<context>
    <name>UpgradeThread</name>
    <message>
        <source>No camera device detected.</source>
        <translation>Keine Kamera erkannt.</translation>
    </message>
    <message>
        <source>Failed to find camera device.</source>
        <translation>Die Kamera wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>Upgrade done.</source>
        <translation>Aktualisierung abgeschlossen.</translation>
    </message>
    <message>
        <source>Upgrade failed.</source>
        <translation>Aktualisierung fehlgeschlagen.</translation>
    </message>
    <message>
        <source>The firmware package cannot complete the upgrade; nothing was sent to the camera.</source>
        <translation>Das Firmware-Paket kann die Aktualisierung nicht vollständig ausführen; an die Kamera wurde nichts gesendet.</translation>
    </message>
</context>
<context>
    <name>Zip7z</name>
    <message>
        <source>The decompression tool (7-Zip) was not found. Install the Debian package &quot;7zip&quot;, which provides 7zz.</source>
        <translation>Das Entpackprogramm (7-Zip) wurde nicht gefunden. Installieren Sie das Debian-Paket &quot;7zip&quot;, das 7zz enthält.</translation>
    </message>
    <message>
        <source>The file check is complete and normal.</source>
        <translation>Die Dateiprüfung ist abgeschlossen, alles in Ordnung.</translation>
    </message>
    <message>
        <source>The decompression tool could not be started (%1).</source>
        <translation>Das Entpackprogramm konnte nicht gestartet werden (%1).</translation>
    </message>
    <message>
        <source>The decompression tool did not finish in time.</source>
        <translation>Das Entpackprogramm wurde nicht rechtzeitig fertig.</translation>
    </message>
    <message>
        <source>The decompression tool stopped unexpectedly.</source>
        <translation>Das Entpackprogramm wurde unerwartet beendet.</translation>
    </message>
    <message>
        <source>The decompression tool failed with exit code %1.</source>
        <translation>Das Entpackprogramm ist mit dem Exit-Code %1 fehlgeschlagen.</translation>
    </message>
    <message>
        <source>The package contains an absolute path: %1</source>
        <translation>Das Paket enthält einen absoluten Pfad: %1</translation>
    </message>
    <message>
        <source>The package contains a path that leaves its folder: %1</source>
        <translation>Das Paket enthält einen Pfad, der seinen Ordner verlässt: %1</translation>
    </message>
    <message>
        <source>The package would replace a file of the program: %1</source>
        <translation>Das Paket würde eine Datei des Programms ersetzen: %1</translation>
    </message>
    <message>
        <source>Unable to perform decompression</source>
        <translation>Entpacken nicht möglich</translation>
    </message>
    <message>
        <source>Cannot create a folder in %1.</source>
        <translation>In %1 kann kein Ordner angelegt werden.</translation>
    </message>
    <message>
        <source>The package contains a link: %1</source>
        <translation>Das Paket enthält eine Verknüpfung: %1</translation>
    </message>
    <message>
        <source>Cannot move %1 into %2.</source>
        <translation>%1 kann nicht nach %2 verschoben werden.</translation>
    </message>
    <message>
        <source>The package unpacks to more than %1 bytes.</source>
        <translation>Das Paket wird beim Entpacken größer als %1 Byte.</translation>
    </message>
    <message>
        <source>The package has more than %1 entries.</source>
        <translation>Das Paket enthält mehr als %1 Einträge.</translation>
    </message>
    <message>
        <source>The package contains a name with control characters: %1</source>
        <translation>Das Paket enthält einen Namen mit Steuerzeichen: %1</translation>
    </message>
    <message>
        <source>The size of an entry of the package cannot be read: %1</source>
        <translation>Die Größe eines Eintrags im Paket kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>Another package is being unpacked.</source>
        <translation>Es wird gerade ein anderes Paket entpackt.</translation>
    </message>
    <message>
        <source>The package contains an entry that is not a file or a folder: %1</source>
        <translation>Das Paket enthält einen Eintrag, der weder Datei noch Ordner ist: %1</translation>
    </message>
    <message>
        <source>The package would replace %1, which no package brought.</source>
        <translation>Das Paket würde %1 ersetzen, das aus keinem Paket stammt.</translation>
    </message>
    <message>
        <source>Cannot record the package&apos;s entries in %1.</source>
        <translation>Die Einträge des Pakets können nicht in %1 verzeichnet werden.</translation>
    </message>
</context>
<context>
    <name>titleBar</name>
    <message>
        <source>Minimize</source>
        <translation>Minimieren</translation>
    </message>
    <message>
        <source>Maximize</source>
        <translation>Maximieren</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Wiederherstellen</translation>
    </message>
</context>
</TS>
