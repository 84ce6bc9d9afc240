<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>larkspin::TPlaylistForm</name>
    <message>
        <source>Clear list</source>
        <translation>Liste leeren</translation>
    </message>
    <message>
        <source>Load list</source>
        <translation>Liste laden</translation>
    </message>
    <message>
        <source>Save list</source>
        <translation>Liste speichern</translation>
    </message>
    <message>
        <source>Fileinfo</source>
        <translation>Dateiinfo</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Add files...</source>
        <translation>Dateien hinzufügen...</translation>
    </message>
    <message>
        <source>Add directory...</source>
        <translation>Ordner hinzufügen...</translation>
    </message>
    <message>
        <source>Fileinfos</source>
        <translation>Dateiinfos</translation>
    </message>
    <message>
        <source>Decode to Wave...</source>
        <translation>In Wave umwandeln...</translation>
    </message>
    <message>
        <source>Transcode with...</source>
        <translation>Umwandeln mit...</translation>
    </message>
    <message>
        <source>Load Playlist...</source>
        <translation>Playlist laden...</translation>
    </message>
    <message>
        <source>Save Playlist...</source>
        <translation>Playlist speichern...</translation>
    </message>
    <message>
        <source>Delete selected items</source>
        <translation>Ausgewählte Einträge löschen</translation>
    </message>
    <message>
        <source>Reload fileinformations</source>
        <translation>Dateiinformationen neu laden</translation>
    </message>
    <message>
        <source>Close Larkspin</source>
        <translation>Larkspin beenden</translation>
    </message>
    <message>
        <source>Get FreeDB Infos</source>
        <translation>FreeDB-Infos holen</translation>
    </message>
    <message>
        <source>Close CD Player</source>
        <translation>CD-Player schließen</translation>
    </message>
    <message>
        <source>This file type is not supported yet!</source>
        <translation>Dieser Dateityp wird noch nicht unterstützt!</translation>
    </message>
</context>
<context>
    <name>larkspin::TPlugInForm</name>
    <message>
        <source>Main</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Playlist</source>
        <translation>Playlist</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>Bibliothek</translation>
    </message>
    <message>
        <source>PlugIns</source>
        <translation>PlugIns</translation>
    </message>
    <message>
        <source>Audio CD</source>
        <translation>Audio-CD</translation>
    </message>
    <message>
        <source>Skins</source>
        <translation>Skins</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Sprache</translation>
    </message>
    <message>
        <source>Settings are not available while encoding or ripping!</source>
        <translation>Die Einstellungen sind während des Kodierens oder Rippens nicht verfügbar!</translation>
    </message>
    <message>
        <source>Actual language:</source>
        <translation>Aktuelle Sprache:</translation>
    </message>
    <message>
        <source>Activate language</source>
        <translation>Sprache aktivieren</translation>
    </message>
    <message>
        <source>New...</source>
        <translation>Neu...</translation>
    </message>
    <message>
        <source>Edit language...</source>
        <translation>Sprache bearbeiten...</translation>
    </message>
    <message>
        <source>The language changes when Larkspin starts again.</source>
        <translation>Die Sprache wechselt beim nächsten Start von Larkspin.</translation>
    </message>
</context>
<context>
    <name>larkspin::TCdPanelWidget</name>
    <message>
        <source>No CD Audio in this drive!</source>
        <translation>Keine Audio-CD in diesem Laufwerk!</translation>
    </message>
    <message>
        <source>This AudioCD is not listed in the database!</source>
        <translation>Diese Audio-CD ist nicht in der Datenbank verzeichnet!</translation>
    </message>
    <message>
        <source>No decoder plugin for CD-Playing found!</source>
        <translation>Kein Decoder-Plugin zum Abspielen von CDs gefunden!</translation>
    </message>
    <message>
        <source>Track</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Länge</translation>
    </message>
    <message>
        <source>Close CD Player</source>
        <translation>CD-Player schließen</translation>
    </message>
</context>
<context>
    <name>larkspin::THauptform</name>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Previous track</source>
        <translation>Vorheriger Titel</translation>
    </message>
    <message>
        <source>Next track</source>
        <translation>Nächster Titel</translation>
    </message>
    <message>
        <source>+5 seconds</source>
        <translation>+5 Sekunden</translation>
    </message>
    <message>
        <source>+10 seconds</source>
        <translation>+10 Sekunden</translation>
    </message>
    <message>
        <source>-5 seconds</source>
        <translation>-5 Sekunden</translation>
    </message>
    <message>
        <source>-10 seconds</source>
        <translation>-10 Sekunden</translation>
    </message>
    <message>
        <source>Beginning</source>
        <translation>Anfang</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Lauter</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Leiser</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Stumm</translation>
    </message>
    <message>
        <source>Close Larkspin</source>
        <translation>Larkspin beenden</translation>
    </message>
    <message>
        <source>Full Screen Mode</source>
        <translation>Vollbildmodus</translation>
    </message>
    <message>
        <source>Jump to</source>
        <translation>Springen</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Lautstärke</translation>
    </message>
    <message>
        <source>Set index at actual position...</source>
        <translation>Index an aktueller Position setzen...</translation>
    </message>
    <message>
        <source>Edit index of the actual track...</source>
        <translation>Index des aktuellen Titels bearbeiten...</translation>
    </message>
    <message>
        <source>Delete indexfile</source>
        <translation>Indexdatei löschen</translation>
    </message>
</context>
<context>
    <name>larkspin::PlayerController</name>
    <message>
        <source>Cannot play %1: %2</source>
        <translation>%1 kann nicht gespielt werden: %2</translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation>die Datei ist leer</translation>
    </message>
    <message>
        <source>it is gone (%1)</source>
        <translation>sie ist nicht mehr da (%1)</translation>
    </message>
    <message>
        <source>it cannot be read (%1)</source>
        <translation>sie kann nicht gelesen werden (%1)</translation>
    </message>
</context>
<context>
    <name>larkspin::TAdd_dirform</name>
    <message>
        <source>Add directory...</source>
        <translation>Ordner hinzufügen...</translation>
    </message>
    <message>
        <source>Include subfolders</source>
        <translation>Unterordner einbeziehen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>larkspin::Taddfilesform</name>
    <message>
        <source>Import audiofiles...</source>
        <translation>Audiodateien importieren...</translation>
    </message>
    <message>
        <source>Allow more than one directory</source>
        <translation>Mehr als einen Ordner erlauben</translation>
    </message>
    <message>
        <source>Remember selected files</source>
        <translation>Ausgewählte Dateien merken</translation>
    </message>
    <message>
        <source>add</source>
        <translation>hinzufügen</translation>
    </message>
    <message>
        <source>add all </source>
        <translation>alle hinzufügen</translation>
    </message>
    <message>
        <source>remove</source>
        <translation>entfernen</translation>
    </message>
    <message>
        <source>remove all</source>
        <translation>alle entfernen</translation>
    </message>
    <message>
        <source>Add selected files...</source>
        <translation>Ausgewählte Dateien hinzufügen...</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Available mediafiles:</source>
        <translation>Verfügbare Mediendateien:</translation>
    </message>
    <message>
        <source>Files to add:</source>
        <translation>Hinzuzufügende Dateien:</translation>
    </message>
</context>
<context>
    <name>larkspin::Taddurlform</name>
    <message>
        <source>Add URL...</source>
        <translation>URL hinzufügen...</translation>
    </message>
</context>
<context>
    <name>larkspin::TMatchform</name>
    <message>
        <source>Matchform</source>
        <translation>Treffer</translation>
    </message>
    <message>
        <source>Some enries have been found. Please choose one of them...</source>
        <translation>Es wurden mehrere Einträge gefunden. Bitte einen davon wählen...</translation>
    </message>
    <message>
        <source>Get CD Infos...</source>
        <translation>CD-Infos holen...</translation>
    </message>
</context>
<context>
    <name>larkspin::TIndexForm</name>
    <message>
        <source>Index marks</source>
        <translation>Indexmarken</translation>
    </message>
    <message>
        <source>Set index at (s):</source>
        <translation>Index setzen bei (s):</translation>
    </message>
    <message>
        <source>Startpoint</source>
        <translation>Startpunkt</translation>
    </message>
    <message>
        <source>Endpoint</source>
        <translation>Endpunkt</translation>
    </message>
    <message>
        <source>Index name</source>
        <translation>Indexname</translation>
    </message>
    <message>
        <source>Position (s)</source>
        <translation>Position (s)</translation>
    </message>
    <message>
        <source>Save index</source>
        <translation>Index speichern</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Delete selected index</source>
        <translation>Ausgewählten Index löschen</translation>
    </message>
    <message>
        <source>The index file %1 cannot be written.</source>
        <translation>Die Indexdatei %1 kann nicht geschrieben werden.</translation>
    </message>
</context>
<context>
    <name>larkspin::Messages</name>
    <message>
        <source>Cannot write to %1</source>
        <translation>Schreiben nicht möglich: %1</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>larkspin: %1: no such file or folder
</source>
        <translation>larkspin: %1: Datei oder Ordner nicht gefunden
</translation>
    </message>
    <message>
        <source>Larkspin already runs for %1 but does not answer; nothing was started.
</source>
        <translation>Larkspin läuft bereits für %1, antwortet aber nicht; es wurde nichts gestartet.
</translation>
    </message>
</context>
</TS>
