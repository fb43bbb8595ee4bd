<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it">
<context>
    <name>FormAbnormal</name>
    <message>
        <source>Upgrade</source>
        <translation>Aggiorna</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unknown Exception Detected&lt;/h3&gt;<byte value="xd"/>
Upgrade was interrupted by an unknown exception, please try again.</source>
        <translation>&lt;h3&gt;Rilevata eccezione sconosciuta&lt;/h3&gt;<byte value="xd"/>
L&apos;aggiornamento è stato interrotto da un&apos;eccezione sconosciuta, riprova.</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>Apri file</translation>
    </message>
    <message>
        <source>Upgrade File(*.zip)</source>
        <translation>File di aggiornamento(*.zip)</translation>
    </message>
</context>
<context>
    <name>FormCustomizeMessagebox</name>
    <message>
        <source>Tips</source>
        <translation>Avviso</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message numerus="yes">
        <source>The window will close automatically after %n seconds.</source>
        <translation>
            <numerusform>La finestra si chiuderà automaticamente tra %n secondo.</numerusform>
            <numerusform>La finestra si chiuderà automaticamente tra %n secondi.</numerusform>
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
        <translation>Aggiornamento</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Get Ready to Upgrade&lt;/h3&gt;Make sure your camera is not in use by another application before proceeding with this software update. &lt;br&gt;&lt;br&gt;This update takes a few minutes to complete. &lt;br&gt;&lt;br&gt;&lt;b&gt;Do not disconnect your device&lt;/b&gt; during the update process.</source>
        <translation>&lt;h3&gt;Preparati all&apos;aggiornamento&lt;/h3&gt;Assicurati che la videocamera non sia in uso da parte di un&apos;altra applicazione prima di procedere con questo aggiornamento software. &lt;br&gt;&lt;br&gt;L&apos;aggiornamento richiede alcuni minuti. &lt;br&gt;&lt;br&gt;&lt;b&gt;Non scollegare il dispositivo&lt;/b&gt; durante l&apos;aggiornamento.</translation>
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
        <translation>I MIEI DISPOSITIVI</translation>
    </message>
    <message>
        <source>Controls</source>
        <translation>Controlli</translation>
    </message>
    <message>
        <source>Support</source>
        <translation>Assistenza</translation>
    </message>
    <message>
        <source>Click the icon to start Preview.</source>
        <translation>Fai clic sull&apos;icona per avviare l&apos;anteprima.</translation>
    </message>
    <message>
        <source>Other apps can&apos;t access the camera while you preview it on this app.</source>
        <translation>Le altre app non possono accedere alla videocamera mentre ne visualizzi l&apos;anteprima in questa app.</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Color Adjustment</source>
        <translation>Regolazione colore</translation>
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
        <translation>Controllo gestuale:</translation>
    </message>
    <message>
        <source>Auto Focus：</source>
        <translation>Messa a fuoco automatica：</translation>
    </message>
    <message>
        <source>Tracking Speed:</source>
        <translation>Velocità di tracciamento:</translation>
    </message>
    <message>
        <source>Mirror:</source>
        <translation>Specchio:</translation>
    </message>
    <message>
        <source>Powerline Frequency:
(Anti Flicker)</source>
        <translation>Frequenza di rete:
(Antisfarfallio)</translation>
    </message>
    <message>
        <source>Mic：</source>
        <translation>Microfono：</translation>
    </message>
    <message>
        <source>Field of View:</source>
        <translation>Campo visivo:</translation>
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
        <translation>Tracciamento IA:</translation>
    </message>
    <message>
        <source>Manual Focus：</source>
        <translation>Messa a fuoco manuale：</translation>
    </message>
    <message>
        <source>Tracking Effect:</source>
        <translation>Effetto di tracciamento:</translation>
    </message>
    <message>
        <source>AI light compensation:</source>
        <translation>Compensazione luce IA:</translation>
    </message>
    <message>
        <source>Saturation:</source>
        <translation>Saturazione:</translation>
    </message>
    <message>
        <source>Brightness:</source>
        <translation>Luminosità:</translation>
    </message>
    <message>
        <source>Contrast:</source>
        <translation>Contrasto:</translation>
    </message>
    <message>
        <source>Hue:</source>
        <translation>Tonalità:</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>Sharpness:</source>
        <translation>Nitidezza:</translation>
    </message>
    <message>
        <source>White Balance:</source>
        <translation>Bilanciamento del bianco:</translation>
    </message>
    <message>
        <source>Default Settings</source>
        <translation>Impostazioni predefinite</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Informazioni</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>Aggiorna</translation>
    </message>
    <message>
        <source>Model:</source>
        <translation>Modello:</translation>
    </message>
    <message>
        <source>Firmware:</source>
        <translation>Firmware:</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Ripristina</translation>
    </message>
    <message>
        <source>Remote control (VISCA)</source>
        <translation>Controllo remoto (VISCA)</translation>
    </message>
    <message>
        <source>Restore Factory Defaults</source>
        <translation>Ripristina impostazioni di fabbrica</translation>
    </message>
    <message>
        <source>Software Version:</source>
        <translation>Versione software:</translation>
    </message>
    <message>
        <source>Cannot exit during the upgrade process!</source>
        <translation>Impossibile uscire durante l&apos;aggiornamento!</translation>
    </message>
    <message>
        <source>The setting has timed out, please try again.</source>
        <translation>Tempo scaduto per l&apos;impostazione. Riprova.</translation>
    </message>
    <message>
        <source>Any change in the setting takes effect only if the camera is working.</source>
        <translation>Le modifiche all&apos;impostazione hanno effetto solo se la videocamera è in funzione.</translation>
    </message>
    <message>
        <source>The operation has timed out, please try again.</source>
        <translation>Tempo scaduto per l&apos;operazione. Riprova.</translation>
    </message>
    <message>
        <source>To complete this process, your device may take a few seconds to restart.</source>
        <translation>Per completare l&apos;operazione, il dispositivo si riavvierà: potrebbero volerci alcuni secondi.</translation>
    </message>
    <message>
        <source>Turn on for better image quality and turn off for better compatibility.To complete this process, your device may take a few seconds to restart.</source>
        <translation>Attiva per una migliore qualità dell&apos;immagine, disattiva per una maggiore compatibilità. Per completare l&apos;operazione, il dispositivo si riavvierà: potrebbero volerci alcuni secondi.</translation>
    </message>
    <message>
        <source>Camera needs to restart to switch the default language.</source>
        <translation>La videocamera deve essere riavviata per cambiare la lingua predefinita.</translation>
    </message>
    <message>
        <source>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1&quot; target=_blank&gt;Documentation&lt;/a&gt;</source>
        <translation>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1&quot; target=_blank&gt;Documentazione&lt;/a&gt;</translation>
    </message>
    <message>
        <source>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1/&quot;&gt;Application and Firmware</source>
        <translation>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1/&quot;&gt;Applicazione e firmware</translation>
    </message>
    <message>
        <source>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1&quot; target=_blank&gt;Application and Firmware&lt;/a&gt;</source>
        <translation>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1&quot; target=_blank&gt;Applicazione e firmware&lt;/a&gt;</translation>
    </message>
    <message>
        <source>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1/&quot;&gt;Contact Support</source>
        <translation>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1/&quot;&gt;Contatta l&apos;assistenza</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
%1</source>
        <translation>&lt;h3&gt;Impossibile aggiornare&lt;/h3&gt;<byte value="xd"/>
%1</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
Another program is upgrading a camera: %1 (process %2). Please try again when it has finished.</source>
        <translation>&lt;h3&gt;Impossibile aggiornare&lt;/h3&gt;<byte value="xd"/>
Un altro programma sta aggiornando una videocamera: %1 (processo %2). Riprova quando avrà terminato.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
The format of firmware file is not correct.</source>
        <translation>&lt;h3&gt;Impossibile aggiornare&lt;/h3&gt;<byte value="xd"/>
Il formato del file del firmware non è corretto.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
The firmware file is corrupted.</source>
        <translation>&lt;h3&gt;Impossibile aggiornare&lt;/h3&gt;<byte value="xd"/>
Il file del firmware è danneggiato.</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>Apri file</translation>
    </message>
    <message>
        <source>Upgrade File(*.zip)</source>
        <translation>File di aggiornamento(*.zip)</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
The upgrade version does not match this device.</source>
        <translation>&lt;h3&gt;Impossibile aggiornare&lt;/h3&gt;<byte value="xd"/>
La versione dell&apos;aggiornamento non è compatibile con questo dispositivo.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Upgrade is done!&lt;/h3&gt;<byte value="xd"/>
The device is initializing, don&apos;t power off.</source>
        <translation>&lt;h3&gt;Aggiornamento completato!&lt;/h3&gt;<byte value="xd"/>
Il dispositivo si sta inizializzando, non spegnerlo.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Upgrade Failed!&lt;/h3&gt;<byte value="xd"/>
please try to unplug and plug the USB cable for upgrade again.</source>
        <translation>&lt;h3&gt;Aggiornamento non riuscito!&lt;/h3&gt;<byte value="xd"/>
Scollega e ricollega il cavo USB, quindi ripeti l&apos;aggiornamento.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Restore Factory Defaults&lt;/h3&gt;<byte value="xd"/>
Are you sure you want to reset your device to factory settings? Your device may take several seconds to reboot. Please keep your device connected during the whole resetting process.</source>
        <translation>&lt;h3&gt;Ripristina impostazioni di fabbrica&lt;/h3&gt;<byte value="xd"/>
Vuoi ripristinare le impostazioni di fabbrica del dispositivo? Il riavvio potrebbe richiedere alcuni secondi. Tieni il dispositivo collegato per tutta la durata del ripristino.</translation>
    </message>
</context>
<context>
    <name>PresetStrip</name>
    <message>
        <source>Preset %1: click or press %1 to go there.
Ctrl+click, Ctrl+%1 or a long press saves the current position here.</source>
        <translation>Posizione %1: fai clic o premi %1 per andarci.
Ctrl+clic, Ctrl+%1 o una pressione prolungata salva qui la posizione attuale.</translation>
    </message>
    <message>
        <source>Preset %1 is empty.
Ctrl+click, Ctrl+%1 or a long press saves the current position here.</source>
        <translation>La posizione %1 è vuota.
Ctrl+clic, Ctrl+%1 o una pressione prolungata salva qui la posizione attuale.</translation>
    </message>
    <message>
        <source>The position presets cannot be used while AI Tracking is on.</source>
        <translation>Le posizioni salvate non sono disponibili mentre il tracciamento IA è attivo.</translation>
    </message>
    <message>
        <source>This camera cannot pan, tilt or zoom, so it has no position presets.</source>
        <translation>Questa videocamera non può ruotare, inclinarsi né zoomare, quindi non ha posizioni salvate.</translation>
    </message>
</context>
<context>
    <name>RemoteControlOption</name>
    <message>
        <source>%1 port %2 is already in use (is lensdeskctl serve or another lensdesk running?). Remote control is off.</source>
        <translation>La porta %1 %2 è già in uso (è in esecuzione lensdeskctl serve o un altro lensdesk?). Il controllo remoto è disattivato.</translation>
    </message>
    <message>
        <source>Remote control could not start: %1</source>
        <translation>Impossibile avviare il controllo remoto: %1</translation>
    </message>
    <message>
        <source>VISCA over IP on 127.0.0.1: UDP port %1, TCP port %2</source>
        <translation>VISCA su IP su 127.0.0.1: porta UDP %1, porta TCP %2</translation>
    </message>
</context>
<context>
    <name>UpgradeThread</name>
    <message>
        <source>No camera device detected.</source>
        <translation>Nessuna videocamera rilevata.</translation>
    </message>
    <message>
        <source>Failed to find camera device.</source>
        <translation>Impossibile trovare la videocamera.</translation>
    </message>
    <message>
        <source>Upgrade done.</source>
        <translation>Aggiornamento completato.</translation>
    </message>
    <message>
        <source>Upgrade failed.</source>
        <translation>Aggiornamento non riuscito.</translation>
    </message>
    <message>
        <source>The firmware package cannot complete the upgrade; nothing was sent to the camera.</source>
        <translation>Il pacchetto del firmware non può completare l&apos;aggiornamento; alla videocamera non è stato inviato nulla.</translation>
    </message>
</context>
<context>
    <name>Zip7z</name>
    <message>
        <source>The decompression tool (7-Zip) was not found. Install the Debian package &quot;7zip&quot;, which provides 7zz.</source>
        <translation>Lo strumento di decompressione (7-Zip) non è stato trovato. Installare il pacchetto Debian &quot;7zip&quot;, che fornisce 7zz.</translation>
    </message>
    <message>
        <source>The file check is complete and normal.</source>
        <translation>Il controllo dei file è stato completato correttamente.</translation>
    </message>
    <message>
        <source>The decompression tool could not be started (%1).</source>
        <translation>Impossibile avviare lo strumento di decompressione (%1).</translation>
    </message>
    <message>
        <source>The decompression tool did not finish in time.</source>
        <translation>Lo strumento di decompressione non ha terminato in tempo.</translation>
    </message>
    <message>
        <source>The decompression tool stopped unexpectedly.</source>
        <translation>Lo strumento di decompressione si è interrotto in modo imprevisto.</translation>
    </message>
    <message>
        <source>The decompression tool failed with exit code %1.</source>
        <translation>Lo strumento di decompressione non è riuscito (codice di uscita %1).</translation>
    </message>
    <message>
        <source>The package contains an absolute path: %1</source>
        <translation>Il pacchetto contiene un percorso assoluto: %1</translation>
    </message>
    <message>
        <source>The package contains a path that leaves its folder: %1</source>
        <translation>Il pacchetto contiene un percorso che esce dalla sua cartella: %1</translation>
    </message>
    <message>
        <source>The package would replace a file of the program: %1</source>
        <translation>Il pacchetto sostituirebbe un file del programma: %1</translation>
    </message>
    <message>
        <source>Unable to perform decompression</source>
        <translation>Impossibile eseguire la decompressione</translation>
    </message>
    <message>
        <source>Cannot create a folder in %1.</source>
        <translation>Impossibile creare una cartella in %1.</translation>
    </message>
    <message>
        <source>The package contains a link: %1</source>
        <translation>Il pacchetto contiene un collegamento: %1</translation>
    </message>
    <message>
        <source>Cannot move %1 into %2.</source>
        <translation>Impossibile spostare %1 in %2.</translation>
    </message>
    <message>
        <source>The package unpacks to more than %1 bytes.</source>
        <translation>Il pacchetto decompresso supera i %1 byte.</translation>
    </message>
    <message>
        <source>The package has more than %1 entries.</source>
        <translation>Il pacchetto contiene più di %1 voci.</translation>
    </message>
    <message>
        <source>The package contains a name with control characters: %1</source>
        <translation>Il pacchetto contiene un nome con caratteri di controllo: %1</translation>
    </message>
    <message>
        <source>The size of an entry of the package cannot be read: %1</source>
        <translation>Impossibile leggere la dimensione di una voce del pacchetto: %1</translation>
    </message>
    <message>
        <source>Another package is being unpacked.</source>
        <translation>È in corso la decompressione di un altro pacchetto.</translation>
    </message>
    <message>
        <source>The package contains an entry that is not a file or a folder: %1</source>
        <translation>Il pacchetto contiene una voce che non è né un file né una cartella: %1</translation>
    </message>
    <message>
        <source>The package would replace %1, which no package brought.</source>
        <translation>Il pacchetto sostituirebbe %1, che non proviene da alcun pacchetto.</translation>
    </message>
    <message>
        <source>Cannot record the package&apos;s entries in %1.</source>
        <translation>Impossibile registrare le voci del pacchetto in %1.</translation>
    </message>
</context>
<context>
    <name>titleBar</name>
    <message>
        <source>Minimize</source>
        <translation>Riduci a icona</translation>
    </message>
    <message>
        <source>Maximize</source>
        <translation>Ingrandisci</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Chiudi</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Ripristina</translation>
    </message>
</context>
</TS>
