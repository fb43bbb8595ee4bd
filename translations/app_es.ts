<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>MainWindow</name>
    <message>
        <location filename="../src/ui/MainWindow.ui" line="12"/>
        <source>Orvia Vista Cam</source>
        <extracomment>Product name, not translated</extracomment>
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
        <translation>Otras aplicaciones no pueden acceder a la cámara mientras la previsualiza en esta aplicación.</translation>
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
        <translation>Seguimiento IA:</translation>
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
        <translation>Compensación de luz IA:</translation>
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
        <translation>Se agotó el tiempo de la configuración, inténtelo de nuevo.</translation>
    </message>
    <message>
        <source>Any change in the setting takes effect only if the camera is working.</source>
        <translation>Los cambios de configuración solo se aplican si la cámara está funcionando.</translation>
    </message>
</context>
</TS>
