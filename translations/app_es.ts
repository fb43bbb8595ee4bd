<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>FormAbnormal</name>
    <message>
        <source>Upgrade</source>
        <translation>Actualizar</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unknown Exception Detected&lt;/h3&gt;<byte value="xd"/>
Upgrade was interrupted by an unknown exception, please try again.</source>
        <translation>&lt;h3&gt;Se ha detectado una excepción desconocida&lt;/h3&gt;<byte value="xd"/>
La actualización se interrumpió por una excepción desconocida; inténtelo de nuevo.</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>Abrir archivo</translation>
    </message>
    <message>
        <source>Upgrade File(*.zip)</source>
        <translation>Archivo de actualización(*.zip)</translation>
    </message>
</context>
<context>
    <name>FormCustomizeMessagebox</name>
    <message>
        <source>Tips</source>
        <translation>Aviso</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message numerus="yes">
        <source>The window will close automatically after %n seconds.</source>
        <translation>
            <numerusform>La ventana se cerrará automáticamente en %n segundo.</numerusform>
            <numerusform>La ventana se cerrará automáticamente en %n segundos.</numerusform>
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
        <translation>Actualización</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Get Ready to Upgrade&lt;/h3&gt;Make sure your camera is not in use by another application before proceeding with this software update. &lt;br&gt;&lt;br&gt;This update takes a few minutes to complete. &lt;br&gt;&lt;br&gt;&lt;b&gt;Do not disconnect your device&lt;/b&gt; during the update process.</source>
        <translation>&lt;h3&gt;Prepárese para actualizar&lt;/h3&gt;Asegúrese de que ninguna otra aplicación esté usando la cámara antes de continuar. &lt;br&gt;&lt;br&gt;La actualización tarda unos minutos. &lt;br&gt;&lt;br&gt;&lt;b&gt;No desconecte el dispositivo&lt;/b&gt; mientras se actualiza.</translation>
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
        <translation>MIS DISPOSITIVOS</translation>
    </message>
    <message>
        <source>Controls</source>
        <translation>Controles</translation>
    </message>
    <message>
        <source>Support</source>
        <translation>Soporte</translation>
    </message>
    <message>
        <source>Click the icon to start Preview.</source>
        <translation>Haga clic en el icono para iniciar la vista previa.</translation>
    </message>
    <message>
        <source>Other apps can&apos;t access the camera while you preview it on this app.</source>
        <translation>Otras aplicaciones no pueden acceder a la cámara mientras se muestra la vista previa en esta aplicación.</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Vídeo</translation>
    </message>
    <message>
        <source>Color Adjustment</source>
        <translation>Ajuste de color</translation>
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
        <translation>Control por gestos:</translation>
    </message>
    <message>
        <source>Auto Focus：</source>
        <translation>Enfoque automático：</translation>
    </message>
    <message>
        <source>Tracking Speed:</source>
        <translation>Velocidad de seguimiento:</translation>
    </message>
    <message>
        <source>Mirror:</source>
        <translation>Espejo:</translation>
    </message>
    <message>
        <source>Powerline Frequency:
(Anti Flicker)</source>
        <translation>Frecuencia de red:
(Antiparpadeo)</translation>
    </message>
    <message>
        <source>Mic：</source>
        <translation>Micrófono：</translation>
    </message>
    <message>
        <source>Field of View:</source>
        <translation>Campo de visión:</translation>
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
        <translation>Seguimiento por IA:</translation>
    </message>
    <message>
        <source>Manual Focus：</source>
        <translation>Enfoque manual：</translation>
    </message>
    <message>
        <source>Tracking Effect:</source>
        <translation>Efecto de seguimiento:</translation>
    </message>
    <message>
        <source>AI light compensation:</source>
        <translation>Compensación de luz por IA:</translation>
    </message>
    <message>
        <source>Saturation:</source>
        <translation>Saturación:</translation>
    </message>
    <message>
        <source>Brightness:</source>
        <translation>Brillo:</translation>
    </message>
    <message>
        <source>Contrast:</source>
        <translation>Contraste:</translation>
    </message>
    <message>
        <source>Hue:</source>
        <translation>Tono:</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>Sharpness:</source>
        <translation>Nitidez:</translation>
    </message>
    <message>
        <source>White Balance:</source>
        <translation>Balance de blancos:</translation>
    </message>
    <message>
        <source>Default Settings</source>
        <translation>Valores predeterminados</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Acerca de</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>Actualizar</translation>
    </message>
    <message>
        <source>Model:</source>
        <translation>Modelo:</translation>
    </message>
    <message>
        <source>Firmware:</source>
        <translation>Firmware:</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restaurar</translation>
    </message>
    <message>
        <source>Remote control (VISCA)</source>
        <translation>Control remoto (VISCA)</translation>
    </message>
    <message>
        <source>Restore Factory Defaults</source>
        <translation>Restaurar valores de fábrica</translation>
    </message>
    <message>
        <source>Software Version:</source>
        <translation>Versión del software:</translation>
    </message>
    <message>
        <source>Cannot exit during the upgrade process!</source>
        <translation>¡No se puede salir durante la actualización!</translation>
    </message>
    <message>
        <source>The setting has timed out, please try again.</source>
        <translation>Se ha agotado el tiempo de espera del ajuste. Inténtelo de nuevo.</translation>
    </message>
    <message>
        <source>Any change in the setting takes effect only if the camera is working.</source>
        <translation>Los cambios de configuración solo se aplican si la cámara está funcionando.</translation>
    </message>
    <message>
        <source>The operation has timed out, please try again.</source>
        <translation>Se ha agotado el tiempo de espera de la operación. Inténtelo de nuevo.</translation>
    </message>
    <message>
        <source>To complete this process, your device may take a few seconds to restart.</source>
        <translation>Para completar este proceso, el dispositivo se reiniciará, lo que puede tardar unos segundos.</translation>
    </message>
    <message>
        <source>Turn on for better image quality and turn off for better compatibility.To complete this process, your device may take a few seconds to restart.</source>
        <translation>Actívelo para obtener mejor calidad de imagen y desactívelo para una mayor compatibilidad. Para completar este proceso, el dispositivo se reiniciará, lo que puede tardar unos segundos.</translation>
    </message>
    <message>
        <source>Camera needs to restart to switch the default language.</source>
        <translation>La cámara debe reiniciarse para cambiar el idioma predeterminado.</translation>
    </message>
    <message>
        <source>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1&quot; target=_blank&gt;Documentation&lt;/a&gt;</source>
        <translation>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1&quot; target=_blank&gt;Documentación&lt;/a&gt;</translation>
    </message>
    <message>
        <source>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1/&quot;&gt;Application and Firmware</source>
        <translation>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1/&quot;&gt;Aplicación y firmware</translation>
    </message>
    <message>
        <source>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1&quot; target=_blank&gt;Application and Firmware&lt;/a&gt;</source>
        <translation>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1&quot; target=_blank&gt;Aplicación y firmware&lt;/a&gt;</translation>
    </message>
    <message>
        <source>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1/&quot;&gt;Contact Support</source>
        <translation>&lt;style&gt; a {text-decoration: none} &lt;/style&gt;&lt;a style=&apos;color: %2;&apos; href=&quot;%1/&quot;&gt;Contactar con soporte</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
%1</source>
        <translation>&lt;h3&gt;No se puede actualizar&lt;/h3&gt;<byte value="xd"/>
%1</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
Another program is upgrading a camera: %1 (process %2). Please try again when it has finished.</source>
        <translation>&lt;h3&gt;No se puede actualizar&lt;/h3&gt;<byte value="xd"/>
Otro programa está actualizando una cámara: %1 (proceso %2). Vuelva a intentarlo cuando haya terminado.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
The format of firmware file is not correct.</source>
        <translation>&lt;h3&gt;No se puede actualizar&lt;/h3&gt;<byte value="xd"/>
El formato del archivo de firmware no es correcto.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
The firmware file is corrupted.</source>
        <translation>&lt;h3&gt;No se puede actualizar&lt;/h3&gt;<byte value="xd"/>
El archivo de firmware está dañado.</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>Abrir archivo</translation>
    </message>
    <message>
        <source>Upgrade File(*.zip)</source>
        <translation>Archivo de actualización(*.zip)</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Unable to Upgrade&lt;/h3&gt;<byte value="xd"/>
The upgrade version does not match this device.</source>
        <translation>&lt;h3&gt;No se puede actualizar&lt;/h3&gt;<byte value="xd"/>
La versión de actualización no corresponde a este dispositivo.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Upgrade is done!&lt;/h3&gt;<byte value="xd"/>
The device is initializing, don&apos;t power off.</source>
        <translation>&lt;h3&gt;¡Actualización completada!&lt;/h3&gt;<byte value="xd"/>
El dispositivo se está inicializando; no lo apague.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Upgrade Failed!&lt;/h3&gt;<byte value="xd"/>
please try to unplug and plug the USB cable for upgrade again.</source>
        <translation>&lt;h3&gt;¡Error en la actualización!&lt;/h3&gt;<byte value="xd"/>
Desconecte y vuelva a conectar el cable USB e intente actualizar de nuevo.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Restore Factory Defaults&lt;/h3&gt;<byte value="xd"/>
Are you sure you want to reset your device to factory settings? Your device may take several seconds to reboot. Please keep your device connected during the whole resetting process.</source>
        <translation>&lt;h3&gt;Restaurar valores de fábrica&lt;/h3&gt;<byte value="xd"/>
¿Seguro que desea restablecer los valores de fábrica del dispositivo? El reinicio puede tardar unos segundos. Mantenga el dispositivo conectado durante todo el proceso.</translation>
    </message>
</context>
<context>
    <name>PresetStrip</name>
    <message>
        <source>Preset %1: click or press %1 to go there.
Ctrl+click, Ctrl+%1 or a long press saves the current position here.</source>
        <translation>Posición %1: haga clic o pulse %1 para ir allí.
Ctrl+clic, Ctrl+%1 o una pulsación larga guarda aquí la posición actual.</translation>
    </message>
    <message>
        <source>Preset %1 is empty.
Ctrl+click, Ctrl+%1 or a long press saves the current position here.</source>
        <translation>La posición %1 está vacía.
Ctrl+clic, Ctrl+%1 o una pulsación larga guarda aquí la posición actual.</translation>
    </message>
    <message>
        <source>The position presets cannot be used while AI Tracking is on.</source>
        <translation>Las posiciones guardadas no se pueden usar mientras el seguimiento IA esté activado.</translation>
    </message>
    <message>
        <source>This camera cannot pan, tilt or zoom, so it has no position presets.</source>
        <translation>Esta cámara no puede girar, inclinarse ni hacer zoom, por lo que no tiene posiciones guardadas.</translation>
    </message>
</context>
<context>
    <name>RemoteControlOption</name>
    <message>
        <source>%1 port %2 is already in use (is lensdeskctl serve or another lensdesk running?). Remote control is off.</source>
        <translation>El puerto %1 %2 ya está en uso (¿se está ejecutando lensdeskctl serve u otro lensdesk?). El control remoto está desactivado.</translation>
    </message>
    <message>
        <source>Remote control could not start: %1</source>
        <translation>No se pudo iniciar el control remoto: %1</translation>
    </message>
    <message>
        <source>VISCA over IP on 127.0.0.1: UDP port %1, TCP port %2</source>
        <translation>VISCA sobre IP en 127.0.0.1: puerto UDP %1, puerto TCP %2</translation>
    </message>
</context>
<context>
    <name>UpgradeThread</name>
    <message>
        <source>No camera device detected.</source>
        <translation>No se ha detectado ninguna cámara.</translation>
    </message>
    <message>
        <source>Failed to find camera device.</source>
        <translation>No se ha encontrado la cámara.</translation>
    </message>
    <message>
        <source>Upgrade done.</source>
        <translation>Actualización completada.</translation>
    </message>
    <message>
        <source>Upgrade failed.</source>
        <translation>La actualización ha fallado.</translation>
    </message>
    <message>
        <source>The firmware package cannot complete the upgrade; nothing was sent to the camera.</source>
        <translation>El paquete de firmware no puede completar la actualización; no se ha enviado nada a la cámara.</translation>
    </message>
</context>
<context>
    <name>Zip7z</name>
    <message>
        <source>The decompression tool (7-Zip) was not found. Install the Debian package &quot;7zip&quot;, which provides 7zz.</source>
        <translation>No se ha encontrado la herramienta de descompresión (7-Zip). Instale el paquete de Debian &quot;7zip&quot;, que proporciona 7zz.</translation>
    </message>
    <message>
        <source>The file check is complete and normal.</source>
        <translation>La comprobación de archivos ha finalizado correctamente.</translation>
    </message>
    <message>
        <source>The decompression tool could not be started (%1).</source>
        <translation>No se ha podido iniciar la herramienta de descompresión (%1).</translation>
    </message>
    <message>
        <source>The decompression tool did not finish in time.</source>
        <translation>La herramienta de descompresión no ha terminado a tiempo.</translation>
    </message>
    <message>
        <source>The decompression tool stopped unexpectedly.</source>
        <translation>La herramienta de descompresión se ha detenido inesperadamente.</translation>
    </message>
    <message>
        <source>The decompression tool failed with exit code %1.</source>
        <translation>La herramienta de descompresión ha fallado con el código de salida %1.</translation>
    </message>
    <message>
        <source>The package contains an absolute path: %1</source>
        <translation>El paquete contiene una ruta absoluta: %1</translation>
    </message>
    <message>
        <source>The package contains a path that leaves its folder: %1</source>
        <translation>El paquete contiene una ruta que sale de su carpeta: %1</translation>
    </message>
    <message>
        <source>The package would replace a file of the program: %1</source>
        <translation>El paquete sustituiría un archivo del programa: %1</translation>
    </message>
    <message>
        <source>Unable to perform decompression</source>
        <translation>No se puede realizar la descompresión</translation>
    </message>
    <message>
        <source>Cannot create a folder in %1.</source>
        <translation>No se puede crear una carpeta en %1.</translation>
    </message>
    <message>
        <source>The package contains a link: %1</source>
        <translation>El paquete contiene un enlace: %1</translation>
    </message>
    <message>
        <source>Cannot move %1 into %2.</source>
        <translation>No se puede mover %1 a %2.</translation>
    </message>
    <message>
        <source>The package unpacks to more than %1 bytes.</source>
        <translation>El paquete descomprimido supera los %1 bytes.</translation>
    </message>
    <message>
        <source>The package has more than %1 entries.</source>
        <translation>El paquete contiene más de %1 entradas.</translation>
    </message>
    <message>
        <source>The package contains a name with control characters: %1</source>
        <translation>El paquete contiene un nombre con caracteres de control: %1</translation>
    </message>
    <message>
        <source>The size of an entry of the package cannot be read: %1</source>
        <translation>No se puede leer el tamaño de una entrada del paquete: %1</translation>
    </message>
    <message>
        <source>Another package is being unpacked.</source>
        <translation>Se está descomprimiendo otro paquete.</translation>
    </message>
    <message>
        <source>The package contains an entry that is not a file or a folder: %1</source>
        <translation>El paquete contiene una entrada que no es un archivo ni una carpeta: %1</translation>
    </message>
    <message>
        <source>The package would replace %1, which no package brought.</source>
        <translation>El paquete sustituiría %1, que no procede de ningún paquete.</translation>
    </message>
    <message>
        <source>Cannot record the package&apos;s entries in %1.</source>
        <translation>No se pueden registrar las entradas del paquete en %1.</translation>
    </message>
</context>
<context>
    <name>titleBar</name>
    <message>
        <source>Minimize</source>
        <translation>Minimizar</translation>
    </message>
    <message>
        <source>Maximize</source>
        <translation>Maximizar</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restaurar</translation>
    </message>
</context>
</TS>
