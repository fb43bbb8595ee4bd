<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>FormAbnormal</name>
    <message>
        <source>Upgrade</source>
        <translation>Mettre à jour</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unknown Exception Detected&lt;/h3&gt;<byte value="xd"/>
Upgrade was interrupted by an unknown exception, please try again.</source>
        <translation>&lt;h3&gt;Exception inconnue détectée&lt;/h3&gt;<byte value="xd"/>
La mise à jour a été interrompue par une exception inconnue, veuillez réessayer.</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>Ouvrir un fichier</translation>
    </message>
    <message>
        <source>Upgrade File(*.zip)</source>
        <translation>Fichier de mise à jour(*.zip)</translation>
    </message>
</context>
<context>
    <name>FormCustomizeMessagebox</name>
    <message>
        <source>Tips</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message numerus="yes">
        <source>The window will close automatically after %n seconds.</source>
        <translation>
            <numerusform>La fenêtre se fermera automatiquement dans %n seconde.</numerusform>
            <numerusform>La fenêtre se fermera automatiquement dans %n secondes.</numerusform>
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
        <translation>Mise à jour</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Get Ready to Upgrade&lt;/h3&gt;Make sure your camera is not in use by another application before proceeding with this software update. &lt;br&gt;&lt;br&gt;This update takes a few minutes to complete. &lt;br&gt;&lt;br&gt;&lt;b&gt;Do not disconnect your device&lt;/b&gt; during the update process.</source>
        <translation>&lt;h3&gt;Préparez-vous à la mise à jour&lt;/h3&gt;Assurez-vous que votre caméra n&apos;est pas utilisée par une autre application avant de procéder à cette mise à jour logicielle. &lt;br&gt;&lt;br&gt;La mise à jour prend quelques minutes. &lt;br&gt;&lt;br&gt;&lt;b&gt;Ne déconnectez pas votre appareil&lt;/b&gt; pendant la mise à jour.</translation>
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
        <translation>MES APPAREILS</translation>
    </message>
    <message>
        <source>Controls</source>
        <translation>Commandes</translation>
    </message>
    <message>
        <source>Support</source>
        <translation>Assistance</translation>
    </message>
    <message>
        <source>Click the icon to start Preview.</source>
        <translation>Cliquez sur l&apos;icône pour démarrer l&apos;aperçu.</translation>
    </message>
    <message>
        <source>Other apps can&apos;t access the camera while you preview it on this app.</source>
        <translation>Les autres applications ne peuvent pas accéder à la caméra pendant l&apos;aperçu dans cette application.</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Vidéo</translation>
    </message>
    <message>
        <source>Color Adjustment</source>
        <translation>Réglage des couleurs</translation>
    </message>
    <message>
        <source>HDR:</source>
        <translation>HDR&#xa0;:</translation>
    </message>
    <message>
        <source>HD:</source>
        <translation>HD&#xa0;:</translation>
    </message>
    <message>
        <source>Gesture Control:</source>
        <translation>Contrôle gestuel&#xa0;:</translation>
    </message>
    <message>
        <source>Auto Focus：</source>
        <translation>Mise au point auto：</translation>
    </message>
    <message>
        <source>Tracking Speed:</source>
        <translation>Vitesse de suivi&#xa0;:</translation>
    </message>
    <message>
        <source>Mirror:</source>
        <translation>Miroir&#xa0;:</translation>
    </message>
    <message>
        <source>Powerline Frequency:
(Anti Flicker)</source>
        <translation>Fréquence secteur&#xa0;:
(Anti-scintillement)</translation>
    </message>
    <message>
        <source>Mic：</source>
        <translation>Micro：</translation>
    </message>
    <message>
        <source>Field of View:</source>
        <translation>Champ de vision&#xa0;:</translation>
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
        <translation>Suivi IA&#xa0;:</translation>
    </message>
    <message>
        <source>Manual Focus：</source>
        <translation>Mise au point manuelle：</translation>
    </message>
    <message>
        <source>Tracking Effect:</source>
        <translation>Effet de suivi&#xa0;:</translation>
    </message>
    <message>
        <source>AI light compensation:</source>
        <translation>Compensation de lumière IA&#xa0;:</translation>
    </message>
    <message>
        <source>Saturation:</source>
        <translation>Saturation&#xa0;:</translation>
    </message>
    <message>
        <source>Brightness:</source>
        <translation>Luminosité&#xa0;:</translation>
    </message>
    <message>
        <source>Contrast:</source>
        <translation>Contraste&#xa0;:</translation>
    </message>
    <message>
        <source>Hue:</source>
        <translation>Teinte&#xa0;:</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>Sharpness:</source>
        <translation>Netteté&#xa0;:</translation>
    </message>
    <message>
        <source>White Balance:</source>
        <translation>Balance des blancs&#xa0;:</translation>
    </message>
    <message>
        <source>Default Settings</source>
        <translation>Paramètres par défaut</translation>
    </message>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>Mettre à jour</translation>
    </message>
    <message>
        <source>Model:</source>
        <translation>Modèle&#xa0;:</translation>
    </message>
    <message>
        <source>Firmware:</source>
        <translation>Micrologiciel&#xa0;:</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restaurer</translation>
    </message>
    <message>
        <source>Remote control (VISCA)</source>
        <translation>Commande à distance (VISCA)</translation>
    </message>
    <message>
        <source>Restore Factory Defaults</source>
        <translation>Restaurer les paramètres d&apos;usine</translation>
    </message>
    <message>
        <source>Software Version:</source>
        <translation>Version du logiciel&#xa0;:</translation>
    </message>
    <message>
        <source>Cannot exit during the upgrade process!</source>
        <translation>Impossible de quitter pendant la mise à jour&#xa0;!</translation>
    </message>
    <message>
        <source>The setting has timed out, please try again.</source>
        <translation>Le délai du réglage a expiré. Veuillez réessayer.</translation>
    </message>
    <message>
        <source>Any change in the setting takes effect only if the camera is working.</source>
        <translation>Toute modification du réglage ne prend effet que si la caméra fonctionne.</translation>
    </message>
    <message>
        <source>The operation has timed out, please try again.</source>
        <translation>Le délai de l&apos;opération a expiré. Veuillez réessayer.</translation>
    </message>
    <message>
        <source>To complete this process, your device may take a few seconds to restart.</source>
        <translation>Pour terminer cette opération, votre appareil va redémarrer, ce qui peut prendre quelques secondes.</translation>
    </message>
    <message>
        <source>Turn on for better image quality and turn off for better compatibility.To complete this process, your device may take a few seconds to restart.</source>
        <translation>Activez pour une meilleure qualité d&apos;image, désactivez pour une meilleure compatibilité. Pour terminer cette opération, votre appareil va redémarrer, ce qui peut prendre quelques secondes.</translation>
    </message>
    <message>
        <source>Camera needs to restart to switch the default language.</source>
        <translation>La caméra doit redémarrer pour changer la langue par défaut.</translation>
    </message>
    <message>
        <source>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1&quot; target=_blank&gt;Documentation&lt;/a&gt;</source>
        <translation>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1&quot; target=_blank&gt;Documentation&lt;/a&gt;</translation>
    </message>
    <message>
        <source>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1/&quot;&gt;Application and Firmware</source>
        <translation>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1/&quot;&gt;Application et micrologiciel</translation>
    </message>
    <message>
        <source>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1&quot; target=_blank&gt;Application and Firmware&lt;/a&gt;</source>
        <translation>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1&quot; target=_blank&gt;Application et micrologiciel&lt;/a&gt;</translation>
    </message>
    <message>
        <source>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1/&quot;&gt;Contact Support</source>
        <translation>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1/&quot;&gt;Contacter l&apos;assistance</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
%1</source>
        <translation>&lt;h3&gt;Mise à jour impossible&lt;/h3&gt;<byte value="xd"/>
%1</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
Another program is upgrading a camera: %1 (process %2). Please try again when it has finished.</source>
        <translation>&lt;h3&gt;Mise à jour impossible&lt;/h3&gt;<byte value="xd"/>
Un autre programme est en train de mettre à jour une caméra : %1 (processus %2). Veuillez réessayer lorsqu&apos;il aura terminé.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
The format of firmware file is not correct.</source>
        <translation>&lt;h3&gt;Mise à jour impossible&lt;/h3&gt;<byte value="xd"/>
Le format du fichier de micrologiciel n&apos;est pas valide.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
The firmware file is corrupted.</source>
        <translation>&lt;h3&gt;Mise à jour impossible&lt;/h3&gt;<byte value="xd"/>
Le fichier de micrologiciel est corrompu.</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>Ouvrir un fichier</translation>
    </message>
    <message>
        <source>Upgrade File(*.zip)</source>
        <translation>Fichier de mise à jour(*.zip)</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
The upgrade version does not match this device.</source>
        <translation>&lt;h3&gt;Mise à jour impossible&lt;/h3&gt;<byte value="xd"/>
Cette version de mise à jour ne correspond pas à cet appareil.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Upgrade is done!&lt;/h3&gt;<byte value="xd"/>
The device is initializing, don&apos;t power off.</source>
        <translation>&lt;h3&gt;Mise à jour terminée&#xa0;!&lt;/h3&gt;<byte value="xd"/>
L&apos;appareil s&apos;initialise, ne l&apos;éteignez pas.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Upgrade Failed!&lt;/h3&gt;<byte value="xd"/>
please try to unplug and plug the USB cable for upgrade again.</source>
        <translation>&lt;h3&gt;Échec de la mise à jour&#xa0;!&lt;/h3&gt;<byte value="xd"/>
Débranchez puis rebranchez le câble USB, puis relancez la mise à jour.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Restore Factory Defaults&lt;/h3&gt;<byte value="xd"/>
Are you sure you want to reset your device to factory settings? Your device may take several seconds to reboot. Please keep your device connected during the whole resetting process.</source>
        <translation>&lt;h3&gt;Restaurer les paramètres d&apos;usine&lt;/h3&gt;<byte value="xd"/>
Voulez-vous vraiment rétablir les paramètres d&apos;usine de votre appareil&#xa0;? Son redémarrage peut prendre quelques secondes. Laissez votre appareil connecté pendant toute la réinitialisation.</translation>
    </message>
</context>
<context>
    <name>PresetStrip</name>
    <message>
        <source>Preset %1: click or press %1 to go there.
Ctrl+click, Ctrl+%1 or a long press saves the current position here.</source>
        <translation>Position %1 : cliquez ou appuyez sur %1 pour y aller.
Ctrl+clic, Ctrl+%1 ou un appui long enregistre ici la position actuelle.</translation>
    </message>
    <message>
        <source>Preset %1 is empty.
Ctrl+click, Ctrl+%1 or a long press saves the current position here.</source>
        <translation>La position %1 est vide.
Ctrl+clic, Ctrl+%1 ou un appui long enregistre ici la position actuelle.</translation>
    </message>
    <message>
        <source>The position presets cannot be used while AI Tracking is on.</source>
        <translation>Les positions enregistrées ne sont pas disponibles tant que le suivi IA est activé.</translation>
    </message>
    <message>
        <source>This camera cannot pan, tilt or zoom, so it has no position presets.</source>
        <translation>Cette caméra ne peut ni pivoter, ni s’incliner, ni zoomer ; elle n’a donc pas de positions enregistrées.</translation>
    </message>
</context>
<context>
    <name>RemoteControlOption</name>
    <message>
        <source>%1 port %2 is already in use (is lensdeskctl serve or another lensdesk running?). Remote control is off.</source>
        <translation>Le port %1 %2 est déjà utilisé (lensdeskctl serve ou un autre lensdesk est-il lancé ?). La commande à distance est désactivée.</translation>
    </message>
    <message>
        <source>Remote control could not start: %1</source>
        <translation>La commande à distance n’a pas pu démarrer : %1</translation>
    </message>
    <message>
        <source>VISCA over IP on 127.0.0.1: UDP port %1, TCP port %2</source>
        <translation>VISCA sur IP sur 127.0.0.1 : port UDP %1, port TCP %2</translation>
    </message>
</context>
<context>
    <name>UpgradeThread</name>
    <message>
        <source>No camera device detected.</source>
        <translation>Aucune caméra détectée.</translation>
    </message>
    <message>
        <source>Failed to find camera device.</source>
        <translation>Impossible de trouver la caméra.</translation>
    </message>
    <message>
        <source>Upgrade done.</source>
        <translation>Mise à jour terminée.</translation>
    </message>
    <message>
        <source>Upgrade failed.</source>
        <translation>Échec de la mise à jour.</translation>
    </message>
    <message>
        <source>The firmware package cannot complete the upgrade; nothing was sent to the camera.</source>
        <translation>Le paquet du micrologiciel ne peut pas mener la mise à jour à son terme&#xa0;; rien n&apos;a été envoyé à la caméra.</translation>
    </message>
</context>
<context>
    <name>Zip7z</name>
    <message>
        <source>The decompression tool (7-Zip) was not found. Install the Debian package &quot;7zip&quot;, which provides 7zz.</source>
        <translation>L&apos;outil de décompression (7-Zip) est introuvable. Installez le paquet Debian &quot;7zip&quot;, qui fournit 7zz.</translation>
    </message>
    <message>
        <source>The file check is complete and normal.</source>
        <translation>La vérification des fichiers s&apos;est terminée normalement.</translation>
    </message>
    <message>
        <source>The decompression tool could not be started (%1).</source>
        <translation>L&apos;outil de décompression n&apos;a pas pu être lancé (%1).</translation>
    </message>
    <message>
        <source>The decompression tool did not finish in time.</source>
        <translation>L&apos;outil de décompression n&apos;a pas terminé à temps.</translation>
    </message>
    <message>
        <source>The decompression tool stopped unexpectedly.</source>
        <translation>L&apos;outil de décompression s&apos;est arrêté de manière inattendue.</translation>
    </message>
    <message>
        <source>The decompression tool failed with exit code %1.</source>
        <translation>L&apos;outil de décompression a échoué avec le code de sortie %1.</translation>
    </message>
    <message>
        <source>The package contains an absolute path: %1</source>
        <translation>Le paquet contient un chemin absolu&#xa0;: %1</translation>
    </message>
    <message>
        <source>The package contains a path that leaves its folder: %1</source>
        <translation>Le paquet contient un chemin qui sort de son dossier&#xa0;: %1</translation>
    </message>
    <message>
        <source>The package would replace a file of the program: %1</source>
        <translation>Le paquet remplacerait un fichier du programme&#xa0;: %1</translation>
    </message>
    <message>
        <source>Unable to perform decompression</source>
        <translation>Impossible d&apos;effectuer la décompression</translation>
    </message>
    <message>
        <source>Cannot create a folder in %1.</source>
        <translation>Impossible de créer un dossier dans %1.</translation>
    </message>
    <message>
        <source>The package contains a link: %1</source>
        <translation>Le paquet contient un lien&#xa0;: %1</translation>
    </message>
    <message>
        <source>Cannot move %1 into %2.</source>
        <translation>Impossible de déplacer %1 dans %2.</translation>
    </message>
    <message>
        <source>The package unpacks to more than %1 bytes.</source>
        <translation>Le paquet décompressé dépasse %1 octets.</translation>
    </message>
    <message>
        <source>The package has more than %1 entries.</source>
        <translation>Le paquet contient plus de %1 entrées.</translation>
    </message>
    <message>
        <source>The package contains a name with control characters: %1</source>
        <translation>Le paquet contient un nom avec des caractères de contrôle&#xa0;: %1</translation>
    </message>
    <message>
        <source>The size of an entry of the package cannot be read: %1</source>
        <translation>La taille d&apos;une entrée du paquet est illisible&#xa0;: %1</translation>
    </message>
    <message>
        <source>Another package is being unpacked.</source>
        <translation>Un autre paquet est en cours de décompression.</translation>
    </message>
    <message>
        <source>The package contains an entry that is not a file or a folder: %1</source>
        <translation>Le paquet contient une entrée qui n&apos;est ni un fichier ni un dossier&#xa0;: %1</translation>
    </message>
    <message>
        <source>The package would replace %1, which no package brought.</source>
        <translation>Le paquet remplacerait %1, qui ne provient d&apos;aucun paquet.</translation>
    </message>
    <message>
        <source>Cannot record the package&apos;s entries in %1.</source>
        <translation>Impossible d&apos;enregistrer les entrées du paquet dans %1.</translation>
    </message>
</context>
<context>
    <name>titleBar</name>
    <message>
        <source>Minimize</source>
        <translation>Réduire</translation>
    </message>
    <message>
        <source>Maximize</source>
        <translation>Agrandir</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restaurer</translation>
    </message>
</context>
</TS>
