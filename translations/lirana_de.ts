<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CAboutDialog</name>
    <message>
        <source>About Lirana</source>
        <translation>Info über Lirana</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Lirana</source>
        <translation>Lirana</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>To begin, drag files or folders from the file manager onto the main window, then press the green Play button (or the P key).</source>
        <translation>Ziehen Sie zu Beginn Dateien oder Ordner aus dem Dateimanager in das Hauptfenster und klicken Sie dann auf die grüne Schaltfläche „Abspielen“ (oder drücken Sie die Taste P).</translation>
    </message>
    <message>
        <source>Copyright © 2026 the Oxbelund developers.

Lirana is free software under the GNU General Public License, version 3 or (at your option) any later version. It comes with ABSOLUTELY NO WARRANTY.</source>
        <translation>Copyright © 2026 die Oxbelund-Entwickler.

Lirana ist freie Software unter der GNU General Public License, Version 3 oder (nach Ihrer Wahl) jeder späteren Version. Sie wird OHNE JEDE GEWÄHRLEISTUNG bereitgestellt.</translation>
    </message>
    <message>
        <source>Author</source>
        <translation>Autor</translation>
    </message>
    <message>
        <source>Lirana for Linux is made by the Oxbelund developers.

Report problems and wishes through the project&apos;s issue tracker.</source>
        <translation>Lirana für Linux wird von den Oxbelund-Entwicklern erstellt.

Melden Sie Probleme und Wünsche bitte über den Issue-Tracker des Projekts.</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
</context>
<context>
    <name>CAddPlugInDlg</name>
    <message>
        <source>Add Audio Plug-in</source>
        <translation>Audio-Plug-in hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
</context>
<context>
    <name>CAirMeter</name>
    <message>
        <source>On-air level</source>
        <translation>Sendepegel</translation>
    </message>
    <message>
        <source>On-air level (left and right, RMS and peak)</source>
        <translation>Sendepegel (links und rechts, RMS und Spitze)</translation>
    </message>
</context>
<context>
    <name>CCDDatabaseDlg</name>
    <message>
        <source>Edit CD database</source>
        <translation>CD-Datenbank bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Artist:</source>
        <translation>&amp;Interpret:</translation>
    </message>
    <message>
        <source>&amp;Title:</source>
        <translation>&amp;Titel:</translation>
    </message>
    <message>
        <source>Trac&amp;k:</source>
        <translation>Stüc&amp;k:</translation>
    </message>
</context>
<context>
    <name>CDigitalClock</name>
    <message>
        <source>Double-click to switch between 12- and 24-hour display</source>
        <translation>Doppelklick wechselt zwischen 12- und 24-Stunden-Anzeige</translation>
    </message>
</context>
<context>
    <name>CEditEventDlg</name>
    <message>
        <source>Edit Event</source>
        <translation>Ereignis bearbeiten</translation>
    </message>
    <message>
        <source>File &amp;Name</source>
        <translation>Datei&amp;name</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>&amp;Test</source>
        <translation>&amp;Testen</translation>
    </message>
    <message>
        <source>&amp;day</source>
        <translation>T&amp;ag</translation>
    </message>
    <message>
        <source>&amp;hour</source>
        <translation>&amp;Stunde</translation>
    </message>
    <message>
        <source>&amp;Run once a</source>
        <translation>Einmal &amp;pro</translation>
    </message>
    <message>
        <source>&amp;First launch at</source>
        <translation>&amp;Erster Start am</translation>
    </message>
    <message>
        <source>&amp;Expires at</source>
        <translation>&amp;Gültig bis</translation>
    </message>
    <message>
        <source>Run &amp;immediately</source>
        <translation>Sofort a&amp;usführen</translation>
    </message>
    <message>
        <source>Unless &quot;Run immediately&quot; is checked, a scheduled event waits until the track on air is over.</source>
        <translation>Sofern „Sofort ausführen“ nicht aktiviert ist, wartet ein geplantes Ereignis, bis der Titel auf Sendung zu Ende ist.</translation>
    </message>
    <message>
        <source>Please enter a valid date and time (%1).</source>
        <translation>Bitte geben Sie ein gültiges Datum mit Uhrzeit ein (%1).</translation>
    </message>
</context>
<context>
    <name>CEditToolsDlg</name>
    <message>
        <source>Edit Tool menu</source>
        <translation>Extras-Menü bearbeiten</translation>
    </message>
    <message>
        <source>&amp;New...</source>
        <translation>&amp;Neu...</translation>
    </message>
    <message>
        <source>&amp;Edit...</source>
        <translation>&amp;Bearbeiten...</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>&amp;Run</source>
        <translation>&amp;Ausführen</translation>
    </message>
</context>
<context>
    <name>CEventsPage</name>
    <message>
        <source>Events</source>
        <translation>Ereignisse</translation>
    </message>
    <message>
        <source>&amp;New...</source>
        <translation>&amp;Neu...</translation>
    </message>
    <message>
        <source>&amp;Modify...</source>
        <translation>&amp;Bearbeiten...</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>&amp;Load...</source>
        <translation>La&amp;den...</translation>
    </message>
    <message>
        <source>&amp;Save...</source>
        <translation>&amp;Speichern...</translation>
    </message>
    <message>
        <source>Scheduled Events (*.ini);;All Files (*)</source>
        <translation>Geplante Ereignisse (*.ini);;Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>CFindDialog</name>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Fi&amp;nd what:</source>
        <translation>&amp;Suchen nach:</translation>
    </message>
    <message>
        <source>&amp;Find Next</source>
        <translation>&amp;Weitersuchen</translation>
    </message>
    <message>
        <source>Match &amp;case</source>
        <translation>&amp;Groß-/Kleinschreibung beachten</translation>
    </message>
    <message>
        <source>Direction</source>
        <translation>Richtung</translation>
    </message>
    <message>
        <source>&amp;Up</source>
        <translation>Nach &amp;oben</translation>
    </message>
    <message>
        <source>&amp;Down</source>
        <translation>Nach &amp;unten</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>CHelpWindow</name>
    <message>
        <source>Lirana Help</source>
        <translation>Lirana-Hilfe</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>&amp;Back</source>
        <translation>&amp;Zurück</translation>
    </message>
    <message>
        <source>&amp;Forward</source>
        <translation>&amp;Vorwärts</translation>
    </message>
    <message>
        <source>&amp;Home</source>
        <translation>&amp;Startseite</translation>
    </message>
    <message>
        <source>Find &amp;Next</source>
        <translation>&amp;Weitersuchen</translation>
    </message>
    <message>
        <source>Find &amp;Previous</source>
        <translation>&amp;Rückwärts suchen</translation>
    </message>
    <message>
        <source>The manual is in English.</source>
        <translation>Das Handbuch gibt es nur auf Englisch.</translation>
    </message>
</context>
<context>
    <name>CLiranaApp</name>
    <message>
        <source>The manual %1 is not installed.</source>
        <translation>Das Handbuch %1 ist nicht installiert.</translation>
    </message>
</context>
<context>
    <name>CLiranaDoc</name>
    <message>
        <source>Lirana Album (*.alb)|*.alb|Mini Playlist (*.mpl)|*.mpl|All Files (*.*)|*||</source>
        <translation>Lirana-Album (*.alb)|*.alb|Mini-Playlist (*.mpl)|*.mpl|Alle Dateien (*.*)|*||</translation>
    </message>
    <message>
        <source>This file is a media file and not a Lirana album file.
If you wish to add this file to the playlist, please use the Playlist | Add... menu item.</source>
        <translation>Diese Datei ist eine Mediendatei und keine Lirana-Albumdatei.
Um sie zur Playlist hinzuzufügen, verwenden Sie bitte den Menüpunkt „Playlist | Titel hinzufügen...“.</translation>
    </message>
    <message>
        <source>Untitled</source>
        <translation>Unbenannt</translation>
    </message>
    <message>
        <source>Cannot save the album %1: %2.</source>
        <translation>Das Album %1 kann nicht gespeichert werden: %2.</translation>
    </message>
    <message>
        <source>Cannot open the album %1: %2.</source>
        <translation>Das Album %1 kann nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>The album cannot be sent by e-mail: no temporary folder could be made (%1).</source>
        <translation>Das Album kann nicht per E-Mail gesendet werden: Es konnte kein temporärer Ordner angelegt werden (%1).</translation>
    </message>
    <message>
        <source>The album cannot be sent by e-mail.
%1</source>
        <translation>Das Album kann nicht per E-Mail gesendet werden.
%1</translation>
    </message>
    <message>
        <source>The album could not be handed to your mail program.
%1
Sending an album needs the program xdg-email (package xdg-utils) and a mail client set up on this desktop.</source>
        <translation>Das Album konnte nicht an Ihr E-Mail-Programm übergeben werden.
%1
Zum Senden eines Albums werden das Programm xdg-email (Paket xdg-utils) und ein auf diesem Desktop eingerichtetes E-Mail-Programm benötigt.</translation>
    </message>
    <message>
        <source>No reason was given.</source>
        <translation>Es wurde kein Grund angegeben.</translation>
    </message>
</context>
<context>
    <name>CLiranaView</name>
    <message>
        <source>Advanced Options</source>
        <translation>Erweiterte Optionen</translation>
    </message>
    <message>
        <source>No CD Found</source>
        <translation>Keine CD gefunden</translation>
    </message>
    <message>
        <source>Add Tracks...</source>
        <translation>Titel hinzufügen...</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Rename...</source>
        <translation>Umbenennen...</translation>
    </message>
    <message>
        <source>Previously played</source>
        <translation>Zuvor gespielt</translation>
    </message>
    <message>
        <source>On Air - now playing</source>
        <translation>On Air - läuft gerade</translation>
    </message>
    <message>
        <source>Joined</source>
        <translation>Gekoppelt</translation>
    </message>
    <message>
        <source>Time remaining:</source>
        <translation>Restzeit:</translation>
    </message>
    <message>
        <source>Coming up next</source>
        <translation>Als Nächstes</translation>
    </message>
    <message>
        <source>Master playlist</source>
        <translation>Haupt-Playlist</translation>
    </message>
    <message>
        <source>Upcoming events</source>
        <translation>Anstehende Ereignisse</translation>
    </message>
    <message>
        <source>%1 LUFS</source>
        <translation>%1 LUFS</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>Aktivieren</translation>
    </message>
    <message>
        <source>Schedule...</source>
        <translation>Zeitplan...</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>&amp;Auto play</source>
        <translation>&amp;Automatisch abspielen</translation>
    </message>
    <message>
        <source>&amp;Ignore all errors</source>
        <translation>Alle Fehler &amp;ignorieren</translation>
    </message>
    <message>
        <source>Accept &amp;media files only</source>
        <translation>Nur &amp;Mediendateien annehmen</translation>
    </message>
    <message>
        <source>&amp;Shutdown confirmation required</source>
        <translation>Beim Beenden &amp;nachfragen</translation>
    </message>
    <message>
        <source>Intro Scan</source>
        <translation>Anspielen</translation>
    </message>
    <message>
        <source>&amp;Start at:</source>
        <translation>&amp;Beginn bei:</translation>
    </message>
    <message>
        <source>&amp;Length:</source>
        <translation>&amp;Länge:</translation>
    </message>
    <message>
        <source>S&amp;kip</source>
        <translation>Sprung&amp;weite</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Use &amp;original window size</source>
        <translation>&amp;Originalgröße des Fensters verwenden</translation>
    </message>
    <message>
        <source>&amp;Remember window size and position</source>
        <translation>Fenstergröße und -position &amp;merken</translation>
    </message>
    <message>
        <source>&amp;Full screen</source>
        <translation>&amp;Vollbild</translation>
    </message>
    <message>
        <source>&amp;Maximize window</source>
        <translation>Fenster ma&amp;ximieren</translation>
    </message>
    <message>
        <source>Mixer</source>
        <translation>Mixer</translation>
    </message>
    <message>
        <source>Select a program that will be used as the mixer. You can start it with the mixer button.</source>
        <translation>Wählen Sie ein Programm, das als Mixer verwendet wird. Sie können es mit der Mixer-Schaltfläche starten.</translation>
    </message>
    <message>
        <source>Mixer program:</source>
        <translation>Mixer-Programm:</translation>
    </message>
    <message>
        <source>Browse for Mixer</source>
        <translation>Mixer auswählen</translation>
    </message>
    <message>
        <source>Program Files (*);;All Files (*)</source>
        <translation>Programme (*);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Start the Mixer</source>
        <translation>Mixer starten</translation>
    </message>
    <message>
        <source>Overlap</source>
        <translation>Überlappung</translation>
    </message>
    <message>
        <source>Set the default overlap time in seconds. You can override the default value by renaming files to e.g. song1~7.wav</source>
        <translation>Legen Sie die Standard-Überlappung in Sekunden fest. Sie können den Standardwert überschreiben, indem Sie Dateien umbenennen, z. B. in song1~7.wav</translation>
    </message>
    <message>
        <source>Overlap tracks by</source>
        <translation>Titel überlappen um</translation>
    </message>
    <message>
        <source>Overlap sounds in mini playlists by</source>
        <translation>Sounds in Mini-Playlists überlappen um</translation>
    </message>
    <message>
        <source>Fade on overlap</source>
        <translation>Bei Überlappung ausblenden</translation>
    </message>
    <message>
        <source>Fade on stop</source>
        <translation>Bei Stopp ausblenden</translation>
    </message>
    <message>
        <source>Fading period</source>
        <translation>Ausblenddauer</translation>
    </message>
    <message>
        <source>Log Files</source>
        <translation>Protokolldateien</translation>
    </message>
    <message>
        <source>&amp;Write all started tracks to log file</source>
        <translation>Alle gestarteten Titel ins Protokoll &amp;schreiben</translation>
    </message>
    <message>
        <source>&amp;Folder</source>
        <translation>&amp;Ordner</translation>
    </message>
    <message>
        <source>Select Folder</source>
        <translation>Ordner auswählen</translation>
    </message>
    <message>
        <source>The specified directory does not exist.</source>
        <translation>Der angegebene Ordner existiert nicht.</translation>
    </message>
    <message>
        <source>Silence Detector</source>
        <translation>Stilleerkennung</translation>
    </message>
    <message>
        <source>Enable silence detection</source>
        <translation>Stilleerkennung aktivieren</translation>
    </message>
    <message>
        <source>Silence period:</source>
        <translation>Stilledauer:</translation>
    </message>
    <message>
        <source>Display a message box</source>
        <translation>Meldung anzeigen</translation>
    </message>
    <message>
        <source>Go to the next song</source>
        <translation>Zum nächsten Titel wechseln</translation>
    </message>
    <message>
        <source>Reboot the system (where the system allows it)</source>
        <translation>System neu starten (sofern das System es erlaubt)</translation>
    </message>
    <message>
        <source>Calculating total length... Press Escape to abort</source>
        <translation>Gesamtlänge wird berechnet... Zum Abbrechen Esc drücken</translation>
    </message>
    <message>
        <source>Add Tracks</source>
        <translation>Titel hinzufügen</translation>
    </message>
    <message>
        <source>Font</source>
        <translation>Schriftart</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>Angehalten</translation>
    </message>
    <message>
        <source>Break</source>
        <translation>Stopp nach Titel</translation>
    </message>
    <message>
        <source>Short items: overlap at most a third of their length</source>
        <translation>Kurze Titel: höchstens ein Drittel ihrer Länge überblenden</translation>
    </message>
    <message>
        <source>MIDI</source>
        <translation>MIDI</translation>
    </message>
    <message>
        <source>MIDI files are played by a synthesizer with a General MIDI SoundFont.</source>
        <translation>MIDI-Dateien spielt ein Synthesizer mit einem General-MIDI-SoundFont.</translation>
    </message>
    <message>
        <source>&amp;General MIDI SoundFont:</source>
        <translation>&amp;General-MIDI-SoundFont:</translation>
    </message>
    <message>
        <source>Select a SoundFont</source>
        <translation>SoundFont auswählen</translation>
    </message>
    <message>
        <source>SoundFont Files (*.sf2 *.sf3 *.sbk);;All Files (*)</source>
        <translation>SoundFont-Dateien (*.sf2 *.sf3 *.sbk);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>the system&apos;s</source>
        <translation>der des Systems</translation>
    </message>
    <message>
        <source>The SoundFont %1 does not exist.</source>
        <translation>Der SoundFont %1 existiert nicht.</translation>
    </message>
    <message>
        <source>A SoundFont beside each MIDI file, loaded into user bank 1 of the sound card:</source>
        <translation>Ein SoundFont neben jeder MIDI-Datei, in User-Bank 1 der Soundkarte geladen:</translation>
    </message>
    <message>
        <source>&amp;None</source>
        <translation>&amp;Keiner</translation>
    </message>
    <message>
        <source>Named like the file, else the &amp;first in its folder</source>
        <translation>Wie die Datei benannt, sonst der &amp;erste in ihrem Ordner</translation>
    </message>
    <message>
        <source>&amp;Ask for one</source>
        <translation>Nach einem &amp;fragen</translation>
    </message>
    <message>
        <source>MIDI ga&amp;in (dB):</source>
        <translation>MIDI-&amp;Verstärkung (dB):</translation>
    </message>
    <message>
        <source>Only na&amp;med like the file</source>
        <translation>&amp;Nur wie die Datei benannt</translation>
    </message>
    <message>
        <source>&amp;Alarm when the air is quieter than</source>
        <translation>&amp;Alarm, wenn der Sendeton leiser ist als</translation>
    </message>
    <message>
        <source>Level (dBFS):</source>
        <translation>Pegel (dBFS):</translation>
    </message>
    <message>
        <source>For (seconds):</source>
        <translation>Dauer (Sekunden):</translation>
    </message>
</context>
<context>
    <name>CMainFrame</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Recent &amp;Files</source>
        <translation>&amp;Zuletzt geöffnete Dateien</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>Sp&amp;rache</translation>
    </message>
    <message>
        <source>&amp;Playlist</source>
        <translation>&amp;Playlist</translation>
    </message>
    <message>
        <source>&amp;Media</source>
        <translation>&amp;Medien</translation>
    </message>
    <message>
        <source>Player M&amp;ode</source>
        <translation>Wiedergabe&amp;modus</translation>
    </message>
    <message>
        <source>&amp;Sounds</source>
        <translation>&amp;Sounds</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>E&amp;xtras</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Recent File</source>
        <translation>Zuletzt geöffnete Datei</translation>
    </message>
    <message>
        <source>Main Toolbar</source>
        <translation>Hauptsymbolleiste</translation>
    </message>
    <message>
        <source>Position Bar</source>
        <translation>Positionsleiste</translation>
    </message>
    <message>
        <source>Media Control Bar</source>
        <translation>Mediensteuerleiste</translation>
    </message>
    <message>
        <source>The change of language will take effect the next time you start Lirana.
Do you want to exit now?</source>
        <translation>Die neue Sprache wird beim nächsten Start von Lirana wirksam.
Möchten Sie Lirana jetzt beenden?</translation>
    </message>
</context>
<context>
    <name>CMixerLinePage</name>
    <message>
        <source>Line-In</source>
        <translation>Line-In</translation>
    </message>
    <message>
        <source>Select the mixer line on your sound card that is used for satellite feed or live events</source>
        <translation>Wählen Sie den Mixer-Kanal Ihrer Soundkarte, der für Satellitenzuspielungen oder Live-Übertragungen genutzt wird</translation>
    </message>
    <message>
        <source>The mixer of %1 has no lines.</source>
        <translation>Der Mixer von %1 hat keine Kanäle.</translation>
    </message>
    <message>
        <source>Sound device %1 has no mixer that can be opened (%2).</source>
        <translation>Audiogerät %1 hat keinen Mixer, der sich öffnen lässt (%2).</translation>
    </message>
    <message>
        <source>&amp;Capture source, for a card without loopback (empty: the line above):</source>
        <translation>&amp;Aufnahmequelle, für eine Karte ohne Loopback (leer: die Leitung oben):</translation>
    </message>
</context>
<context>
    <name>COptionsPage</name>
    <message>
        <source>Please enter an integer between %1 and %2.</source>
        <translation>Bitte geben Sie eine ganze Zahl zwischen %1 und %2 ein.</translation>
    </message>
    <message>
        <source>Please enter a number between %1 and %2.</source>
        <translation>Bitte geben Sie eine Zahl zwischen %1 und %2 ein.</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
</context>
<context>
    <name>CPlaylistListBox</name>
    <message>
        <source>No CD Found</source>
        <translation>Keine CD gefunden</translation>
    </message>
    <message>
        <source>The file %1 does not exist.</source>
        <translation>Die Datei %1 existiert nicht.</translation>
    </message>
</context>
<context>
    <name>CPlugInPropertiesDlg</name>
    <message>
        <source>This plug-in has no settings.</source>
        <translation>Dieses Plug-in hat keine Einstellungen.</translation>
    </message>
</context>
<context>
    <name>CPlugInsPage</name>
    <message>
        <source>Plug-ins</source>
        <translation>Plug-ins</translation>
    </message>
    <message>
        <source>Every item plays through these audio plug-ins, from the top down. A change of settings is heard at once; added and removed plug-ins take effect from the next item.</source>
        <translation>Jeder Eintrag wird von oben nach unten durch diese Audio-Plug-ins geleitet. Geänderte Einstellungen sind sofort zu hören; hinzugefügte und entfernte Plug-ins wirken ab dem nächsten Eintrag.</translation>
    </message>
    <message>
        <source>On the air: the sum of everything on air plays through these plug-ins (a limiter, say). Added and removed plug-ins take effect at OK, with a short gap on the air.</source>
        <translation>Auf Sendung: die Summe aller Einträge auf Sendung wird durch diese Plug-ins geleitet (etwa einen Limiter). Hinzugefügte und entfernte Plug-ins wirken bei OK, mit einer kurzen Lücke auf Sendung.</translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation>&amp;Hinzufügen...</translation>
    </message>
    <message>
        <source>&amp;Properties...</source>
        <translation>&amp;Eigenschaften...</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>Ent&amp;fernen</translation>
    </message>
    <message>
        <source>A&amp;dd...</source>
        <translation>Hin&amp;zufügen...</translation>
    </message>
    <message>
        <source>Propert&amp;ies...</source>
        <translation>Ei&amp;genschaften...</translation>
    </message>
    <message>
        <source>Re&amp;move</source>
        <translation>Entfe&amp;rnen</translation>
    </message>
</context>
<context>
    <name>CProgramPropertiesDlg</name>
    <message>
        <source>Program Properties</source>
        <translation>Programmeigenschaften</translation>
    </message>
    <message>
        <source>Change the icon</source>
        <translation>Symbol ändern</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>D&amp;urchsuchen...</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>&amp;Description:</source>
        <translation>&amp;Beschreibung:</translation>
    </message>
    <message>
        <source>&amp;File:</source>
        <translation>&amp;Datei:</translation>
    </message>
    <message>
        <source>&amp;Start in:</source>
        <translation>&amp;Ausführen in:</translation>
    </message>
    <message>
        <source>&amp;Parameters:</source>
        <translation>&amp;Parameter:</translation>
    </message>
    <message>
        <source>&amp;Start:</source>
        <translation>&amp;Starten:</translation>
    </message>
    <message>
        <source>Programs and Scripts (*);;All Files (*)</source>
        <translation>Programme und Skripte (*);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Select Folder</source>
        <translation>Ordner auswählen</translation>
    </message>
</context>
<context>
    <name>CRecordingPage</name>
    <message>
        <source>&amp;Air every file at:</source>
        <translation>&amp;Jede Datei senden mit:</translation>
    </message>
    <message>
        <source>its own loudness</source>
        <translation>ihrer eigenen Lautheit</translation>
    </message>
    <message>
        <source>-23 LUFS</source>
        <translation>-23 LUFS</translation>
    </message>
    <message>
        <source>-16 LUFS</source>
        <translation>-16 LUFS</translation>
    </message>
    <message>
        <source>Recording</source>
        <translation>Mitschnitt</translation>
    </message>
    <message>
        <source>The air as it leaves the mixer is recorded into files of a set length, in a folder for each day.</source>
        <translation>Der Sendeton wird, wie er den Mischer verlässt, in Dateien fester Länge aufgezeichnet, in einem Ordner je Tag.</translation>
    </message>
    <message>
        <source>&amp;Record the air</source>
        <translation>Sendung &amp;mitschneiden</translation>
    </message>
    <message>
        <source>&amp;Folder:</source>
        <translation>&amp;Ordner:</translation>
    </message>
    <message>
        <source>Select Folder</source>
        <translation>Ordner auswählen</translation>
    </message>
    <message>
        <source>File &amp;length (minutes):</source>
        <translation>Datei&amp;länge (Minuten):</translation>
    </message>
    <message>
        <source>F&amp;ormat:</source>
        <translation>&amp;Format:</translation>
    </message>
    <message>
        <source>FLAC</source>
        <translation>FLAC</translation>
    </message>
    <message>
        <source>Ogg Vorbis</source>
        <translation>Ogg Vorbis</translation>
    </message>
    <message>
        <source>MP3</source>
        <translation>MP3</translation>
    </message>
    <message>
        <source>&amp;Keep files for (days, 0: always):</source>
        <translation>Dateien &amp;behalten (Tage, 0: immer):</translation>
    </message>
    <message>
        <source>&amp;Warn below free space (MB):</source>
        <translation>&amp;Warnung unter freiem Platz (MB):</translation>
    </message>
</context>
<context>
    <name>CSelectIconDlg</name>
    <message>
        <source>Select Icon</source>
        <translation>Symbol auswählen</translation>
    </message>
    <message>
        <source>&amp;File:</source>
        <translation>&amp;Datei:</translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation>D&amp;urchsuchen...</translation>
    </message>
    <message>
        <source>Icon Files (*.png *.svg *.xpm *.ico);;All Files (*)</source>
        <translation>Symboldateien (*.png *.svg *.xpm *.ico);;Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>CSoundPlayerDlg</name>
    <message>
        <source>Fade out</source>
        <translation>Ausblenden</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>No player for %1</source>
        <translation>Kein Player für %1</translation>
    </message>
</context>
<context>
    <name>CSoundsPage</name>
    <message>
        <source>Sounds</source>
        <translation>Sounds</translation>
    </message>
    <message>
        <source>Associate sound files to buttons 1 to 9 in the toolbar. You can access these sounds by pressing the numeric keys.</source>
        <translation>Ordnen Sie den Schaltflächen 1 bis 9 der Symbolleiste Sounddateien zu. Mit den Zifferntasten können Sie diese Sounds abspielen.</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>&amp;Abspielen</translation>
    </message>
    <message>
        <source>&amp;Modify...</source>
        <translation>&amp;Bearbeiten...</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>&amp;Load...</source>
        <translation>La&amp;den...</translation>
    </message>
    <message>
        <source>&amp;Save...</source>
        <translation>&amp;Speichern...</translation>
    </message>
</context>
<context>
    <name>CSplashScreen</name>
    <message>
        <source>Playout console — version %1</source>
        <translation>Playout-Konsole — Version %1</translation>
    </message>
    <message>
        <source>On Air</source>
        <translation>On Air</translation>
    </message>
</context>
<context>
    <name>CStreamDialog</name>
    <message>
        <source>MP3</source>
        <translation>MP3</translation>
    </message>
    <message>
        <source>Ogg Vorbis</source>
        <translation>Ogg Vorbis</translation>
    </message>
    <message>
        <source>Opus</source>
        <translation>Opus</translation>
    </message>
    <message>
        <source>Stream</source>
        <translation>Stream</translation>
    </message>
    <message>
        <source>the mount point</source>
        <translation>der Einhängepunkt</translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Name:</translation>
    </message>
    <message>
        <source>&amp;Send this stream</source>
        <translation>Diesen Stream s&amp;enden</translation>
    </message>
    <message>
        <source>&amp;Format:</source>
        <translation>&amp;Format:</translation>
    </message>
    <message>
        <source> kbit/s</source>
        <translation> kbit/s</translation>
    </message>
    <message>
        <source>&amp;Bit rate:</source>
        <translation>Bi&amp;trate:</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>Mono</translation>
    </message>
    <message>
        <source>Stereo</source>
        <translation>Stereo</translation>
    </message>
    <message>
        <source>C&amp;hannels:</source>
        <translation>&amp;Kanäle:</translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation>%1 Hz</translation>
    </message>
    <message>
        <source>Opus always goes at 48000 Hz.</source>
        <translation>Opus wird immer mit 48000 Hz gesendet.</translation>
    </message>
    <message>
        <source>Sample &amp;rate:</source>
        <translation>&amp;Abtastrate:</translation>
    </message>
    <message>
        <source>&amp;Server:</source>
        <translation>&amp;Server:</translation>
    </message>
    <message>
        <source>&amp;Port:</source>
        <translation>&amp;Port:</translation>
    </message>
    <message>
        <source>&amp;Mount point:</source>
        <translation>Ein&amp;hängepunkt:</translation>
    </message>
    <message>
        <source>&amp;User:</source>
        <translation>Ben&amp;utzer:</translation>
    </message>
    <message>
        <source>Pass&amp;word:</source>
        <translation>Pass&amp;wort:</translation>
    </message>
    <message>
        <source>&amp;Genre:</source>
        <translation>&amp;Genre:</translation>
    </message>
    <message>
        <source>&amp;Description:</source>
        <translation>&amp;Beschreibung:</translation>
    </message>
    <message>
        <source>the station&apos;s web site</source>
        <translation>die Website des Senders</translation>
    </message>
    <message>
        <source>&amp;Web address:</source>
        <translation>&amp;Internetadresse:</translation>
    </message>
    <message>
        <source>Please enter the server&apos;s name or address.</source>
        <translation>Bitte geben Sie den Namen oder die Adresse des Servers ein.</translation>
    </message>
    <message>
        <source>Please enter a port between %1 and %2.</source>
        <translation>Bitte geben Sie einen Port zwischen %1 und %2 ein.</translation>
    </message>
    <message>
        <source>The mount point starts with &quot;/&quot;, as in /live.mp3.</source>
        <translation>Der Einhängepunkt beginnt mit &quot;/&quot;, wie in /live.mp3.</translation>
    </message>
</context>
<context>
    <name>CStreamingPage</name>
    <message>
        <source>Streaming</source>
        <translation>Streaming</translation>
    </message>
    <message>
        <source>The air is sent to each stream&apos;s Icecast server. A light shows each stream: green on the air, yellow connecting, red down, grey off.</source>
        <translation>Der Sendeton geht an den Icecast-Server jedes Streams. Eine Lampe zeigt jeden Stream: grün auf Sendung, gelb beim Verbinden, rot ausgefallen, grau aus.</translation>
    </message>
    <message>
        <source>Stream</source>
        <translation>Stream</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Bit rate</source>
        <translation>Bitrate</translation>
    </message>
    <message>
        <source>Server</source>
        <translation>Server</translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation>&amp;Hinzufügen...</translation>
    </message>
    <message>
        <source>&amp;Edit...</source>
        <translation>&amp;Bearbeiten...</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>%1 kbit/s</source>
        <translation>%1 kbit/s</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>Connecting</source>
        <translation>Verbindet</translation>
    </message>
    <message>
        <source>On the air</source>
        <translation>Auf Sendung</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Ausgefallen</translation>
    </message>
</context>
<context>
    <name>CTool</name>
    <message>
        <source>hidden</source>
        <translation>verborgen</translation>
    </message>
    <message>
        <source>normal</source>
        <translation>normal</translation>
    </message>
    <message>
        <source>minimized</source>
        <translation>minimiert</translation>
    </message>
    <message>
        <source>maximized</source>
        <translation>maximiert</translation>
    </message>
    <message>
        <source>inactive</source>
        <translation>inaktiv</translation>
    </message>
    <message>
        <source>active</source>
        <translation>aktiv</translation>
    </message>
    <message>
        <source>minimize</source>
        <translation>minimieren</translation>
    </message>
    <message>
        <source>minimized, inactive</source>
        <translation>minimiert, inaktiv</translation>
    </message>
    <message>
        <source>show, inactive</source>
        <translation>anzeigen, inaktiv</translation>
    </message>
    <message>
        <source>restore</source>
        <translation>wiederherstellen</translation>
    </message>
    <message>
        <source>Lirana cannot find &apos;%1&apos;. Make sure you typed the name correctly, and then try again.</source>
        <translation>Lirana kann „%1“ nicht finden. Prüfen Sie die Schreibweise, und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The tool &apos;%1&apos; has no file to open.</source>
        <translation>Das Werkzeug „%1“ hat keine Datei zum Öffnen.</translation>
    </message>
    <message>
        <source>The parameters of &apos;%1&apos; have a quote that is not closed:
%2</source>
        <translation>Die Parameter von „%1“ enthalten ein nicht geschlossenes Anführungszeichen:
%2</translation>
    </message>
    <message>
        <source>There is no such file or folder.</source>
        <translation>Diese Datei oder dieser Ordner existiert nicht.</translation>
    </message>
</context>
<context>
    <name>CToolList</name>
    <message>
        <source>Media Files</source>
        <translation>Mediendateien</translation>
    </message>
</context>
<context>
    <name>CdDatabase</name>
    <message>
        <source>New Artist</source>
        <translation>Neuer Interpret</translation>
    </message>
    <message>
        <source>New Title</source>
        <translation>Neuer Titel</translation>
    </message>
</context>
<context>
    <name>Commands</name>
    <message>
        <source>&amp;New</source>
        <translation>&amp;Neu</translation>
    </message>
    <message>
        <source>Create a new Lirana album
New</source>
        <translation>Erstellt ein neues Lirana-Album
Neu</translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation>Ö&amp;ffnen...</translation>
    </message>
    <message>
        <source>Open an existing Lirana album
Open</source>
        <translation>Öffnet ein vorhandenes Lirana-Album
Öffnen</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>Save the album
Save</source>
        <translation>Speichert das Album
Speichern</translation>
    </message>
    <message>
        <source>Save &amp;As...</source>
        <translation>Speichern &amp;unter...</translation>
    </message>
    <message>
        <source>Save the album with a new name
Save As</source>
        <translation>Speichert das Album unter einem neuen Namen
Speichern unter</translation>
    </message>
    <message>
        <source>Sen&amp;d...</source>
        <translation>Sen&amp;den...</translation>
    </message>
    <message>
        <source>Send the album as an e-mail attachment
Send</source>
        <translation>Sendet das Album als E-Mail-Anhang
Senden</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Exit Lirana
Exit</source>
        <translation>Beendet Lirana
Beenden</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>Undo the last playlist operation
Undo</source>
        <translation>Macht die letzte Änderung an der Playlist rückgängig
Rückgängig</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Wiederherstellen</translation>
    </message>
    <message>
        <source>Redo the previous undone operation
Redo</source>
        <translation>Stellt die zuletzt rückgängig gemachte Änderung wieder her
Wiederherstellen</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>&amp;Ausschneiden</translation>
    </message>
    <message>
        <source>Cut the track and copy it to clipboard
Cut</source>
        <translation>Schneidet den Titel aus und kopiert ihn in die Zwischenablage
Ausschneiden</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Kopieren</translation>
    </message>
    <message>
        <source>Copy the track to clipboard
Copy</source>
        <translation>Kopiert den Titel in die Zwischenablage
Kopieren</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Einfügen</translation>
    </message>
    <message>
        <source>Insert the clipboard contents
Paste</source>
        <translation>Fügt den Inhalt der Zwischenablage ein
Einfügen</translation>
    </message>
    <message>
        <source>Re&amp;move</source>
        <translation>Ent&amp;fernen</translation>
    </message>
    <message>
        <source>Remove a track from the play list
Remove</source>
        <translation>Entfernt einen Titel aus der Playlist
Entfernen</translation>
    </message>
    <message>
        <source>C&amp;lear All</source>
        <translation>A&amp;lle entfernen</translation>
    </message>
    <message>
        <source>Remove all tracks
Clear All</source>
        <translation>Entfernt alle Titel
Alle entfernen</translation>
    </message>
    <message>
        <source>&amp;Find...</source>
        <translation>&amp;Suchen...</translation>
    </message>
    <message>
        <source>Search the playlist
Find</source>
        <translation>Durchsucht die Playlist
Suchen</translation>
    </message>
    <message>
        <source>Re&amp;name...</source>
        <translation>&amp;Umbenennen...</translation>
    </message>
    <message>
        <source>Change the name of the current song
Rename</source>
        <translation>Ändert den Namen des aktuellen Titels
Umbenennen</translation>
    </message>
    <message>
        <source>&amp;Main Toolbar</source>
        <translation>&amp;Hauptsymbolleiste</translation>
    </message>
    <message>
        <source>Show or hide the main toolbar
Main Toolbar</source>
        <translation>Blendet die Hauptsymbolleiste ein oder aus
Hauptsymbolleiste</translation>
    </message>
    <message>
        <source>M&amp;edia Control Bar</source>
        <translation>&amp;Mediensteuerleiste</translation>
    </message>
    <message>
        <source>Show or hide the media control bar
Media Control Bar</source>
        <translation>Blendet die Mediensteuerleiste ein oder aus
Mediensteuerleiste</translation>
    </message>
    <message>
        <source>&amp;Position Bar</source>
        <translation>&amp;Positionsleiste</translation>
    </message>
    <message>
        <source>Show or hide the position bar
Position Bar</source>
        <translation>Blendet die Positionsleiste ein oder aus
Positionsleiste</translation>
    </message>
    <message>
        <source>&amp;Status Bar</source>
        <translation>&amp;Statusleiste</translation>
    </message>
    <message>
        <source>Show or hide the status bar
Status Bar</source>
        <translation>Blendet die Statusleiste ein oder aus
Statusleiste</translation>
    </message>
    <message>
        <source>Fl&amp;at Toolbars</source>
        <translation>&amp;Flache Symbolleisten</translation>
    </message>
    <message>
        <source>Show flat toolbar buttons
Flat Toolbars</source>
        <translation>Zeigt flache Schaltflächen in den Symbolleisten
Flache Symbolleisten</translation>
    </message>
    <message>
        <source>F&amp;ull Path</source>
        <translation>&amp;Vollständiger Pfad</translation>
    </message>
    <message>
        <source>Show extended file names</source>
        <translation>Zeigt die Dateinamen mit vollständigem Pfad</translation>
    </message>
    <message>
        <source>&amp;Track Numbers</source>
        <translation>&amp;Titelnummern</translation>
    </message>
    <message>
        <source>Toggle track numbers</source>
        <translation>Blendet die Titelnummern ein oder aus</translation>
    </message>
    <message>
        <source>F&amp;ont...</source>
        <translation>Schrift&amp;art...</translation>
    </message>
    <message>
        <source>Choose a font
Font</source>
        <translation>Wählt eine Schriftart
Schriftart</translation>
    </message>
    <message>
        <source>Switch to the next window pane
Next Pane</source>
        <translation>Wechselt zum nächsten Fensterbereich
Nächster Bereich</translation>
    </message>
    <message>
        <source>Switch back to the previous window pane
Previous Pane</source>
        <translation>Wechselt zurück zum vorherigen Fensterbereich
Vorheriger Bereich</translation>
    </message>
    <message>
        <source>&amp;Add Tracks...</source>
        <translation>Titel &amp;hinzufügen...</translation>
    </message>
    <message>
        <source>Add new tracks
Add</source>
        <translation>Fügt neue Titel hinzu
Hinzufügen</translation>
    </message>
    <message>
        <source>Add &amp;Pause</source>
        <translation>&amp;Pause hinzufügen</translation>
    </message>
    <message>
        <source>Add a pause of 10 seconds</source>
        <translation>Fügt eine Pause von 10 Sekunden hinzu</translation>
    </message>
    <message>
        <source>Add All &amp;CD Tracks</source>
        <translation>Alle &amp;CD-Titel hinzufügen</translation>
    </message>
    <message>
        <source>Add all the tracks of the current CD
Add All CD Tracks</source>
        <translation>Fügt alle Titel der aktuellen CD hinzu
Alle CD-Titel hinzufügen</translation>
    </message>
    <message>
        <source>Move to &amp;Top</source>
        <translation>An den &amp;Anfang</translation>
    </message>
    <message>
        <source>Move the track to top
Top</source>
        <translation>Verschiebt den Titel an den Anfang
Anfang</translation>
    </message>
    <message>
        <source>Move &amp;Up</source>
        <translation>Nach &amp;oben</translation>
    </message>
    <message>
        <source>Move the track upwards
Up</source>
        <translation>Verschiebt den Titel nach oben
Nach oben</translation>
    </message>
    <message>
        <source>Move &amp;Down</source>
        <translation>Nach &amp;unten</translation>
    </message>
    <message>
        <source>Move the track down
Down</source>
        <translation>Verschiebt den Titel nach unten
Nach unten</translation>
    </message>
    <message>
        <source>Move to &amp;Bottom</source>
        <translation>An das &amp;Ende</translation>
    </message>
    <message>
        <source>Move the track to bottom
Bottom</source>
        <translation>Verschiebt den Titel an das Ende
Ende</translation>
    </message>
    <message>
        <source>&amp;Shuffle</source>
        <translation>&amp;Mischen</translation>
    </message>
    <message>
        <source>Arrange all tracks in a random sequence</source>
        <translation>Bringt alle Titel in eine zufällige Reihenfolge</translation>
    </message>
    <message>
        <source>Total &amp;Length</source>
        <translation>&amp;Gesamtlänge</translation>
    </message>
    <message>
        <source>Query the total length of all tracks</source>
        <translation>Ermittelt die Gesamtlänge aller Titel</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>&amp;Abspielen</translation>
    </message>
    <message>
        <source>Start playing
Play</source>
        <translation>Startet die Wiedergabe
Abspielen</translation>
    </message>
    <message>
        <source>P&amp;ause</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>Pause playing
Pause</source>
        <translation>Unterbricht die Wiedergabe
Pause</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Stopp</translation>
    </message>
    <message>
        <source>Stop playing
Stop</source>
        <translation>Beendet die Wiedergabe
Stopp</translation>
    </message>
    <message>
        <source>Pre&amp;vious Track</source>
        <translation>&amp;Vorheriger Titel</translation>
    </message>
    <message>
        <source>Select the previous track
Previous Track</source>
        <translation>Wählt den vorherigen Titel
Vorheriger Titel</translation>
    </message>
    <message>
        <source>&amp;Rewind</source>
        <translation>&amp;Zurückspulen</translation>
    </message>
    <message>
        <source>Jump some seconds back
Rewind</source>
        <translation>Springt einige Sekunden zurück
Zurückspulen</translation>
    </message>
    <message>
        <source>&amp;Fast Forward</source>
        <translation>Vorsp&amp;ulen</translation>
    </message>
    <message>
        <source>Skip some seconds
Fast Forward</source>
        <translation>Springt einige Sekunden vor
Vorspulen</translation>
    </message>
    <message>
        <source>&amp;Next Track</source>
        <translation>&amp;Nächster Titel</translation>
    </message>
    <message>
        <source>Select the next track
Next Track</source>
        <translation>Wählt den nächsten Titel
Nächster Titel</translation>
    </message>
    <message>
        <source>&amp;Break</source>
        <translation>Stopp nach &amp;Titel</translation>
    </message>
    <message>
        <source>Stop after playing the current track
Break</source>
        <translation>Hält nach dem laufenden Titel an
Stopp nach Titel</translation>
    </message>
    <message>
        <source>Cross &amp;Fader</source>
        <translation>Über&amp;blenden</translation>
    </message>
    <message>
        <source>Fade manually to the next song
Cross fader</source>
        <translation>Blendet von Hand zum nächsten Titel über
Überblenden</translation>
    </message>
    <message>
        <source>&amp;Manual</source>
        <translation>&amp;Manuell</translation>
    </message>
    <message>
        <source>Break after each track
Manual</source>
        <translation>Hält nach jedem Titel an
Manuell</translation>
    </message>
    <message>
        <source>N&amp;ormal</source>
        <translation>&amp;Normal</translation>
    </message>
    <message>
        <source>Play tracks in a normal sequence
Normal</source>
        <translation>Spielt die Titel in normaler Reihenfolge
Normal</translation>
    </message>
    <message>
        <source>R&amp;epeat</source>
        <translation>&amp;Wiederholen</translation>
    </message>
    <message>
        <source>Repeat the playlist after the last track
Repeat</source>
        <translation>Wiederholt die Playlist nach dem letzten Titel
Wiederholen</translation>
    </message>
    <message>
        <source>Ran&amp;dom</source>
        <translation>&amp;Zufall</translation>
    </message>
    <message>
        <source>Play in a random sequence
Random</source>
        <translation>Spielt in zufälliger Reihenfolge
Zufall</translation>
    </message>
    <message>
        <source>S&amp;huffle Mode</source>
        <translation>Mi&amp;schmodus</translation>
    </message>
    <message>
        <source>Shuffle the playlist after the last track
Shuffle</source>
        <translation>Mischt die Playlist nach dem letzten Titel
Mischen</translation>
    </message>
    <message>
        <source>&amp;Intro Scan</source>
        <translation>&amp;Anspielen</translation>
    </message>
    <message>
        <source>Play a short part of each track
Intro Scan</source>
        <translation>Spielt jeden Titel kurz an
Anspielen</translation>
    </message>
    <message>
        <source>Select a player mode
Player Mode</source>
        <translation>Wählt einen Wiedergabemodus
Wiedergabemodus</translation>
    </message>
    <message>
        <source>Open C&amp;D</source>
        <translation>&amp;CD öffnen</translation>
    </message>
    <message>
        <source>Open the CD drive door
Open CD</source>
        <translation>Öffnet die Lade des CD-Laufwerks
CD öffnen</translation>
    </message>
    <message>
        <source>C&amp;lose CD</source>
        <translation>CD sch&amp;ließen</translation>
    </message>
    <message>
        <source>Close the CD drive door
Close CD</source>
        <translation>Schließt die Lade des CD-Laufwerks
CD schließen</translation>
    </message>
    <message>
        <source>&amp;Update CD Names</source>
        <translation>CD-Namen a&amp;ktualisieren</translation>
    </message>
    <message>
        <source>Update the track names if CD has changed</source>
        <translation>Aktualisiert die Titelnamen, wenn die CD gewechselt wurde</translation>
    </message>
    <message>
        <source>Confi&amp;gure Device...</source>
        <translation>&amp;Gerät konfigurieren...</translation>
    </message>
    <message>
        <source>Configure the active media device</source>
        <translation>Konfiguriert das aktive Mediengerät</translation>
    </message>
    <message>
        <source>Enable E&amp;vents</source>
        <translation>&amp;Ereignisse aktivieren</translation>
    </message>
    <message>
        <source>Enable or disable scheduled events</source>
        <translation>Aktiviert oder deaktiviert die geplanten Ereignisse</translation>
    </message>
    <message>
        <source>Sc&amp;hedule...</source>
        <translation>Ze&amp;itplan...</translation>
    </message>
    <message>
        <source>Edit the scheduled events
Schedule</source>
        <translation>Bearbeitet die geplanten Ereignisse
Zeitplan</translation>
    </message>
    <message>
        <source>Mi&amp;xer...</source>
        <translation>Mi&amp;xer...</translation>
    </message>
    <message>
        <source>Start the Mixer
Mixer</source>
        <translation>Startet den Mixer
Mixer</translation>
    </message>
    <message>
        <source>&amp;Options...</source>
        <translation>&amp;Optionen...</translation>
    </message>
    <message>
        <source>Configure Lirana options
Options</source>
        <translation>Konfiguriert die Optionen von Lirana
Optionen</translation>
    </message>
    <message>
        <source>Ad&amp;vanced Options...</source>
        <translation>Er&amp;weiterte Optionen...</translation>
    </message>
    <message>
        <source>Configure advanced settings
Advanced Options</source>
        <translation>Konfiguriert erweiterte Einstellungen
Erweiterte Optionen</translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 1</source>
        <translation>Richten Sie die Sounds über den Menüpunkt „Sounds | Bearbeiten“ ein
Sound 1</translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 2</source>
        <translation>Richten Sie die Sounds über den Menüpunkt „Sounds | Bearbeiten“ ein
Sound 2</translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 3</source>
        <translation>Richten Sie die Sounds über den Menüpunkt „Sounds | Bearbeiten“ ein
Sound 3</translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 4</source>
        <translation>Richten Sie die Sounds über den Menüpunkt „Sounds | Bearbeiten“ ein
Sound 4</translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 5</source>
        <translation>Richten Sie die Sounds über den Menüpunkt „Sounds | Bearbeiten“ ein
Sound 5</translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 6</source>
        <translation>Richten Sie die Sounds über den Menüpunkt „Sounds | Bearbeiten“ ein
Sound 6</translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 7</source>
        <translation>Richten Sie die Sounds über den Menüpunkt „Sounds | Bearbeiten“ ein
Sound 7</translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 8</source>
        <translation>Richten Sie die Sounds über den Menüpunkt „Sounds | Bearbeiten“ ein
Sound 8</translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 9</source>
        <translation>Richten Sie die Sounds über den Menüpunkt „Sounds | Bearbeiten“ ein
Sound 9</translation>
    </message>
    <message>
        <source>&amp;Edit...</source>
        <translation>&amp;Bearbeiten...</translation>
    </message>
    <message>
        <source>Edit the sounds 1..9</source>
        <translation>Bearbeitet die Sounds 1..9</translation>
    </message>
    <message>
        <source>Edit the tools menu
Edit Tools</source>
        <translation>Bearbeitet das Menü Extras
Extras bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Help Topics</source>
        <translation>&amp;Hilfethemen</translation>
    </message>
    <message>
        <source>Open the Lirana manual
Help</source>
        <translation>Öffnet das Lirana-Handbuch
Hilfe</translation>
    </message>
    <message>
        <source>&amp;About Lirana...</source>
        <translation>&amp;Info über Lirana...</translation>
    </message>
    <message>
        <source>Display program information, version number and copyright
About</source>
        <translation>Zeigt Programminformationen, Versionsnummer und Copyright an
Info</translation>
    </message>
    <message>
        <source>&amp;English</source>
        <translation>&amp;English</translation>
    </message>
    <message>
        <source>Select the display language</source>
        <translation>Wählt die Anzeigesprache</translation>
    </message>
    <message>
        <source>Open this album</source>
        <translation>Öffnet dieses Album</translation>
    </message>
    <message>
        <source>Show the relative track position
Track Position</source>
        <translation>Zeigt die relative Position im Titel
Titelposition</translation>
    </message>
</context>
<context>
    <name>DirectShowTrack</name>
    <message>
        <source>Not a regular file: %1</source>
        <translation>Keine reguläre Datei: %1</translation>
    </message>
    <message>
        <source>GStreamer cannot be initialised or has no playbin</source>
        <translation>GStreamer kann nicht initialisiert werden oder hat kein playbin</translation>
    </message>
    <message>
        <source>Cannot make the GStreamer element &quot;%1&quot;</source>
        <translation>Das GStreamer-Element „%1“ kann nicht erzeugt werden</translation>
    </message>
    <message>
        <source>Not a file name: %1 %2</source>
        <translation>Kein Dateiname: %1 %2</translation>
    </message>
    <message>
        <source>Cannot make the audio output &quot;%1&quot;: %2</source>
        <translation>Die Audioausgabe „%1“ kann nicht erzeugt werden: %2</translation>
    </message>
    <message>
        <source>The file did not open within %1 s (%2)</source>
        <translation>Die Datei wurde nicht innerhalb von %1 s geöffnet (%2)</translation>
    </message>
    <message>
        <source>The file cannot be played (%1)</source>
        <translation>Die Datei kann nicht abgespielt werden (%1)</translation>
    </message>
    <message>
        <source>No file is open</source>
        <translation>Keine Datei geöffnet</translation>
    </message>
    <message>
        <source>Cannot play %1..%2 ms</source>
        <translation>Der Bereich %1..%2 ms kann nicht abgespielt werden</translation>
    </message>
    <message>
        <source>The media back-end cannot pause</source>
        <translation>Das Medien-Backend kann nicht pausieren</translation>
    </message>
    <message>
        <source>The length of a closed track is not known</source>
        <translation>Die Länge eines geschlossenen Titels ist nicht bekannt</translation>
    </message>
    <message>
        <source>Cannot seek to %1 ms</source>
        <translation>Sprung zu %1 ms nicht möglich</translation>
    </message>
    <message>
        <source>No sound came from %1 for 2 s</source>
        <translation>Von %1 kam 2 s lang kein Ton</translation>
    </message>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>%1 kann nicht gelesen werden: %2</translation>
    </message>
</context>
<context>
    <name>DllLoader</name>
    <message>
        <source>%1: cannot be loaded</source>
        <translation>%1: kann nicht geladen werden</translation>
    </message>
    <message>
        <source>%1: entry point %2 not found</source>
        <translation>%1: Einsprungpunkt %2 nicht gefunden</translation>
    </message>
</context>
<context>
    <name>EditCommands</name>
    <message>
        <source>The play list contains %1 songs.
The total length is: %2.</source>
        <translation>Die Playlist enthält %1 Titel.
Die Gesamtlänge beträgt: %2.</translation>
    </message>
    <message>
        <source>
%1 of them could not be opened and count as 0.</source>
        <translation>
%1 davon konnten nicht geöffnet werden und zählen mit 0.</translation>
    </message>
</context>
<context>
    <name>IniFile</name>
    <message>
        <source>Cannot read %1</source>
        <translation>%1 kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>Invalid key name &quot;%1&quot; for %2</source>
        <translation>Ungültiger Schlüsselname „%1“ für %2</translation>
    </message>
    <message>
        <source>The value of &quot;%1&quot; cannot hold a line break</source>
        <translation>Der Wert von „%1“ darf keinen Zeilenumbruch enthalten</translation>
    </message>
    <message>
        <source>Invalid section name &quot;%1&quot; for %2</source>
        <translation>Ungültiger Abschnittsname „%1“ für %2</translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
</context>
<context>
    <name>LineInTrack</name>
    <message>
        <source>The live source %1 failed: %2</source>
        <translation>Die Live-Quelle %1 ist ausgefallen: %2</translation>
    </message>
</context>
<context>
    <name>ListFile</name>
    <message>
        <source>it is not a regular file</source>
        <translation>es ist keine reguläre Datei</translation>
    </message>
    <message>
        <source>Cannot read the list file %1: line %2 cannot be made an absolute path (%3).</source>
        <translation>Die Listendatei %1 kann nicht gelesen werden: Zeile %2 lässt sich nicht in einen absoluten Pfad umwandeln (%3).</translation>
    </message>
    <message>
        <source>Cannot save the list file %1: row %2 contains a line break and cannot be stored as one line.</source>
        <translation>Die Listendatei %1 kann nicht gespeichert werden: Eintrag %2 enthält einen Zeilenumbruch und kann nicht als eine Zeile gespeichert werden.</translation>
    </message>
    <message>
        <source>Cannot open the list file %1: %2.</source>
        <translation>Die Listendatei %1 kann nicht geöffnet werden: %2.</translation>
    </message>
    <message>
        <source>the file does not exist</source>
        <translation>die Datei existiert nicht</translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation>es ist ein Ordner</translation>
    </message>
    <message>
        <source>Cannot read the list file %1: %2.</source>
        <translation>Die Listendatei %1 kann nicht gelesen werden: %2.</translation>
    </message>
    <message>
        <source>Cannot save the list file %1: %2.</source>
        <translation>Die Listendatei %1 kann nicht gespeichert werden: %2.</translation>
    </message>
    <message>
        <source>%1; writing the file in place failed too: %2</source>
        <translation>%1; auch das direkte Überschreiben der Datei ist fehlgeschlagen: %2</translation>
    </message>
    <message>
        <source>Cannot read the list file %1: line %2 is longer than %3 KiB.</source>
        <translation>Die Listendatei %1 kann nicht gelesen werden: Zeile %2 ist länger als %3 KiB.</translation>
    </message>
    <message>
        <source>it is larger than %1 MiB</source>
        <translation>sie ist größer als %1 MiB</translation>
    </message>
</context>
<context>
    <name>Mci</name>
    <message>
        <source>The file cannot be read: it is no regular file (a pipe, a device or a folder), or too large, or reading it failed.</source>
        <translation>Die Datei kann nicht gelesen werden: Sie ist keine gewöhnliche Datei (eine Pipe, ein Gerät oder ein Ordner), zu groß, oder das Lesen schlug fehl.</translation>
    </message>
    <message>
        <source>The command completed successfully.</source>
        <translation>Der Befehl wurde erfolgreich ausgeführt.</translation>
    </message>
    <message>
        <source>Invalid media device ID. Use the ID given when the device was opened.</source>
        <translation>Ungültige Mediengeräte-ID. Verwenden Sie die ID, die beim Öffnen des Geräts vergeben wurde.</translation>
    </message>
    <message>
        <source>The media device does not know this command.</source>
        <translation>Das Mediengerät kennt diesen Befehl nicht.</translation>
    </message>
    <message>
        <source>The media device has a hardware problem.</source>
        <translation>Das Mediengerät hat ein Hardwareproblem.</translation>
    </message>
    <message>
        <source>The media device type is not known to this system.</source>
        <translation>Dieser Mediengerätetyp ist dem System nicht bekannt.</translation>
    </message>
    <message>
        <source>The media device is already open.</source>
        <translation>Das Mediengerät ist bereits geöffnet.</translation>
    </message>
    <message>
        <source>The media device driver could not be loaded.</source>
        <translation>Der Treiber des Mediengeräts konnte nicht geladen werden.</translation>
    </message>
    <message>
        <source>The command needs a parameter that was not given.</source>
        <translation>Dem Befehl fehlt ein erforderlicher Parameter.</translation>
    </message>
    <message>
        <source>The media device cannot carry out this command.</source>
        <translation>Das Mediengerät kann diesen Befehl nicht ausführen.</translation>
    </message>
    <message>
        <source>The file cannot be found. Make sure the path and file name are correct.</source>
        <translation>Die Datei wurde nicht gefunden. Überprüfen Sie Pfad und Dateinamen.</translation>
    </message>
    <message>
        <source>The value is out of range for this medium.</source>
        <translation>Der Wert liegt außerhalb des Bereichs dieses Mediums.</translation>
    </message>
    <message>
        <source>The options of the command cannot be used together.</source>
        <translation>Die Optionen des Befehls können nicht zusammen verwendet werden.</translation>
    </message>
    <message>
        <source>The alias is already in use by an open device.</source>
        <translation>Der Alias wird bereits von einem geöffneten Gerät verwendet.</translation>
    </message>
    <message>
        <source>No media device type is set for this file extension.</source>
        <translation>Für diese Dateierweiterung ist kein Mediengerätetyp festgelegt.</translation>
    </message>
    <message>
        <source>The file cannot be played by the media device. It may be damaged or of a format the device does not read.</source>
        <translation>Die Datei kann vom Mediengerät nicht abgespielt werden. Sie ist möglicherweise beschädigt oder hat ein Format, das das Gerät nicht liest.</translation>
    </message>
    <message>
        <source>The media device has no display window.</source>
        <translation>Das Mediengerät hat kein Anzeigefenster.</translation>
    </message>
    <message>
        <source>The wave output device cannot be opened. Check that the sound output is available.</source>
        <translation>Das Wave-Ausgabegerät kann nicht geöffnet werden. Prüfen Sie, ob die Tonausgabe verfügbar ist.</translation>
    </message>
    <message>
        <source>This media device type (CD audio) is not available in this version.</source>
        <translation>Dieser Mediengerätetyp (CD-Audio) ist in dieser Version nicht verfügbar.</translation>
    </message>
    <message>
        <source>Unknown media-control error %1.</source>
        <translation>Unbekannter Fehler der Mediensteuerung %1.</translation>
    </message>
    <message>
        <source>The CD drive is not ready. Check that an audio CD is in the drive.</source>
        <translation>Das CD-Laufwerk ist nicht bereit. Prüfen Sie, ob eine Audio-CD im Laufwerk liegt.</translation>
    </message>
</context>
<context>
    <name>MiniPlaylist</name>
    <message>
        <source>The mini playlist %1 is not open</source>
        <translation>Die Mini-Playlist %1 ist nicht geöffnet</translation>
    </message>
    <message>
        <source>%1 is nested in mini playlists more than %2 deep</source>
        <translation>%1 ist in mehr als %2 Ebenen von Mini-Playlists verschachtelt</translation>
    </message>
    <message>
        <source>The mini playlist %1 is inside itself</source>
        <translation>Die Mini-Playlist %1 enthält sich selbst</translation>
    </message>
</context>
<context>
    <name>Mixer</name>
    <message>
        <source>Playback</source>
        <translation>Wiedergabe</translation>
    </message>
    <message>
        <source>Capture</source>
        <translation>Aufnahme</translation>
    </message>
</context>
<context>
    <name>ModTrack</name>
    <message>
        <source>MOD Player initializiation error</source>
        <translation>Fehler beim Initialisieren des MOD-Players</translation>
    </message>
    <message>
        <source>The specified MOD file does not exist.</source>
        <translation>Die angegebene MOD-Datei existiert nicht.</translation>
    </message>
    <message>
        <source>The required DLL &apos;%1&apos; was not found.</source>
        <translation>Die benötigte Bibliothek &apos;%1&apos; wurde nicht gefunden.</translation>
    </message>
    <message>
        <source>Unknown MOD Error</source>
        <translation>Unbekannter MOD-Fehler</translation>
    </message>
    <message>
        <source>The MOD player cannot read the file. It may be damaged or of a format the player does not know.</source>
        <translation>Der MOD-Player kann die Datei nicht lesen. Sie ist vielleicht beschädigt oder in einem Format, das der Player nicht kennt.</translation>
    </message>
    <message>
        <source>The MOD file is no regular file (a pipe, a device or a folder) and is not read.</source>
        <translation>Die MOD-Datei ist keine gewöhnliche Datei (eine Pipe, ein Gerät oder ein Ordner) und wird nicht gelesen.</translation>
    </message>
    <message>
        <source>The MOD player&apos;s output stopped taking sound; the item is ended.</source>
        <translation>Die Ausgabe des MOD-Players nimmt keinen Klang mehr an; der Titel wird beendet.</translation>
    </message>
</context>
<context>
    <name>PauseDialog</name>
    <message>
        <source>Change Pause</source>
        <translation>Pause ändern</translation>
    </message>
    <message>
        <source>Type the length of the pause in seconds</source>
        <translation>Geben Sie die Länge der Pause in Sekunden ein</translation>
    </message>
    <message>
        <source>&amp;Pause Length  =</source>
        <translation>&amp;Pausenlänge  =</translation>
    </message>
    <message>
        <source>s</source>
        <translation>s</translation>
    </message>
</context>
<context>
    <name>PlayLog</name>
    <message>
        <source>not a regular file</source>
        <translation>keine reguläre Datei</translation>
    </message>
    <message>
        <source>the entry was written only in part</source>
        <translation>der Eintrag wurde nur teilweise geschrieben</translation>
    </message>
</context>
<context>
    <name>PlugInChain</name>
    <message>
        <source>Failed to add filter %1</source>
        <translation>Filter %1 konnte nicht hinzugefügt werden</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Save changes to %1?</source>
        <translation>Änderungen an %1 speichern?</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Speichern unter</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
</context>
<context>
    <name>RenameDialog</name>
    <message>
        <source>Rename File</source>
        <translation>Datei umbenennen</translation>
    </message>
    <message>
        <source>Type a new name for this file</source>
        <translation>Geben Sie einen neuen Namen für diese Datei ein</translation>
    </message>
    <message>
        <source>&amp;File Name</source>
        <translation>&amp;Dateiname</translation>
    </message>
</context>
<context>
    <name>Shell</name>
    <message>
        <source>Cannot start %1: %2</source>
        <translation>%1 kann nicht gestartet werden: %2</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2</source>
        <translation>%1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>%1 has no Exec line</source>
        <translation>%1 hat keine Exec-Zeile</translation>
    </message>
    <message>
        <source>%1 is not run: its program %2 is not installed</source>
        <translation>%1 wird nicht ausgeführt: Das Programm %2 ist nicht installiert</translation>
    </message>
    <message>
        <source>%1: the Exec line cannot be read: %2</source>
        <translation>%1: Die Exec-Zeile kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>%1 runs in a terminal, and no terminal (x-terminal-emulator) is installed</source>
        <translation>%1 läuft in einem Terminal, aber es ist kein Terminal (x-terminal-emulator) installiert</translation>
    </message>
    <message>
        <source>%1 does not exist</source>
        <translation>%1 existiert nicht</translation>
    </message>
</context>
<context>
    <name>SoundBank</name>
    <message>
        <source>AWE Error: %1</source>
        <translation>AWE-Fehler: %1</translation>
    </message>
    <message>
        <source>AWE32 SoundBank &apos;%1&apos;

%2</source>
        <translation>AWE32-SoundBank &apos;%1&apos;

%2</translation>
    </message>
    <message>
        <source>Clear SoundBank:

%1</source>
        <translation>SoundBank leeren:

%1</translation>
    </message>
    <message>
        <source>Select a SoundFont</source>
        <translation>SoundFont auswählen</translation>
    </message>
    <message>
        <source>SoundFont Files(*.sbk;*.sf2)|*.sbk;*.sf2| All Files (*.*)|*||</source>
        <translation>SoundFont-Dateien(*.sbk;*.sf2)|*.sbk;*.sf2| Alle Dateien (*.*)|*||</translation>
    </message>
</context>
<context>
    <name>Strings</name>
    <message>
        <source>Error writing to log file %1.</source>
        <translation>Fehler beim Schreiben in die Protokolldatei %1.</translation>
    </message>
    <message>
        <source>Lirana detected a period of silence. Please check the current file. Maybe you need to restart the computer in order to release locked system resources.</source>
        <translation>Lirana hat eine längere Stille erkannt. Bitte überprüfen Sie die aktuelle Datei. Möglicherweise müssen Sie den Computer neu starten, um blockierte Systemressourcen freizugeben.</translation>
    </message>
    <message>
        <source>Unassigned Sound</source>
        <translation>Nicht belegter Sound</translation>
    </message>
    <message>
        <source>All Files (*);;Sound (*.wav *.mp2 *.mp3 *.au *.aif);;Music (*.mid *.rmi);;Video (*.avi *.mpg *.mov);;Audio CD (*.cda);;Mini Playlist (*.mpl);;Lirana Album (*.alb)</source>
        <translation>Alle Dateien (*);;Klang (*.wav *.mp2 *.mp3 *.au *.aif);;Musik (*.mid *.rmi);;Video (*.avi *.mpg *.mov);;Audio-CD (*.cda);;Mini-Playlist (*.mpl);;Lirana-Album (*.alb)</translation>
    </message>
    <message>
        <source>Sounds (*.ini);;All Files (*)</source>
        <translation>Sounds (*.ini);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Confirmation request
Are you sure you want to exit Lirana now?</source>
        <translation>Bestätigung
Möchten Sie Lirana jetzt wirklich beenden?</translation>
    </message>
</context>
<context>
    <name>SystemRestart</name>
    <message>
        <source>no system bus: %1</source>
        <translation>kein Systembus: %1</translation>
    </message>
</context>
<context>
    <name>TrackBusWatch</name>
    <message>
        <source>The media back-end failed</source>
        <translation>Das Medien-Backend ist ausgefallen</translation>
    </message>
</context>
<context>
    <name>TrackExceptions</name>
    <message>
        <source>Media back-end error %1 (step %2)</source>
        <translation>Fehler %1 im Medien-Backend (Schritt %2)</translation>
    </message>
    <message>
        <source>Multimedia error</source>
        <translation>Multimedia-Fehler</translation>
    </message>
    <message>
        <source>Mixer Exception: %1</source>
        <translation>Mixer-Fehler: %1</translation>
    </message>
    <message>
        <source>Media-control error %1</source>
        <translation>Mediensteuerungsfehler %1</translation>
    </message>
</context>
<context>
    <name>TrackFactory</name>
    <message>
        <source>CD audio</source>
        <translation>CD-Audio</translation>
    </message>
    <message>
        <source>pause</source>
        <translation>Pausen</translation>
    </message>
    <message>
        <source>tracker module</source>
        <translation>Tracker-Module</translation>
    </message>
    <message>
        <source>mini playlist</source>
        <translation>Mini-Playlists</translation>
    </message>
    <message>
        <source>line-in</source>
        <translation>Line-In</translation>
    </message>
    <message>
        <source>media-control</source>
        <translation>Mediensteuerung</translation>
    </message>
    <message>
        <source>The %1 back-end is not available in this build (%2)</source>
        <translation>Das Backend für %1 ist in diesem Build nicht verfügbar (%2)</translation>
    </message>
</context>
<context>
    <name>TrackOpening</name>
    <message>
        <source>No player for %1</source>
        <translation>Kein Player für %1</translation>
    </message>
    <message>
        <source>The item cannot be opened</source>
        <translation>Der Eintrag kann nicht geöffnet werden</translation>
    </message>
</context>
<context>
    <name>TrackThread</name>
    <message>
        <source>Cannot start a track worker thread</source>
        <translation>Der Arbeitsthread für den Titel kann nicht gestartet werden</translation>
    </message>
</context>
</TS>
