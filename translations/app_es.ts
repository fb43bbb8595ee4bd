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
</context>
</TS>
