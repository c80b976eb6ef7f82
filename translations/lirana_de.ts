<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CAboutDialog</name>
    <message>
        <source>About Lirana</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Info</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lirana</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To begin, drag files or folders from the file manager onto the main window, then press the green Play button (or the P key).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Author</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lirana for Linux is made by the Oxbelund developers.

Report problems and wishes through the project&apos;s issue tracker.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CAddPlugInDlg</name>
    <message>
        <source>Add Audio Plug-in</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDigitalClock</name>
    <message>
        <source>Double-click to switch between 12- and 24-hour display</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CEditEventDlg</name>
    <message>
        <source>Edit Event</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File &amp;Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Test</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;day</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;hour</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Run once a</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;First launch at</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Expires at</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Run &amp;immediately</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unless &quot;Run immediately&quot; is checked, a scheduled event waits until the track on air is over.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please enter a valid date and time (%1).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CEventsPage</name>
    <message>
        <source>Events</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;New...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Modify...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Load...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Save...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scheduled Events (*.ini);;All Files (*)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CFindDialog</name>
    <message>
        <source>Find</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fi&amp;nd what:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Find Next</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Match &amp;case</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Direction</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Down</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CLiranaApp</name>
    <message>
        <source>The manual %1 is not installed.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CLiranaDoc</name>
    <message>
        <source>Lirana Album (*.alb)|*.alb|Mini Playlist (*.mpl)|*.mpl|All Files (*.*)|*||</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This file is a media file and not a Lirana album file.
If you wish to add this file to the playlist, please use the Playlist | Add... menu item.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Untitled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot save the album %1: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot open the album %1: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The album cannot be sent by e-mail: no temporary folder could be made (%1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The album cannot be sent by e-mail.
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The album could not be handed to your mail program.
%1
Sending an album needs the program xdg-email (package xdg-utils) and a mail client set up on this desktop.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No reason was given.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CLiranaView</name>
    <message>
        <source>Advanced Options</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No CD Found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Tracks...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rename...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Previously played</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>On Air - now playing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Joined</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time remaining:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Coming up next</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Master playlist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Upcoming events</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schedule...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Options</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>General</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Auto play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Ignore all errors</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Accept &amp;media files only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Shutdown confirmation required</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Intro Scan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Start at:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Length:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>S&amp;kip</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Video</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Use &amp;original window size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Remember window size and position</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Full screen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Maximize window</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mixer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select a program that will be used as the mixer. You can start it with the mixer button.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mixer program:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Browse for Mixer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Program Files (*);;All Files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start the Mixer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overlap</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set the default overlap time in seconds. You can override the default value by renaming files to e.g. song1~7.wav</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overlap tracks by</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overlap sounds in mini playlists by</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fade on overlap</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fade on stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fading period</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Log Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Write all started tracks to log file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The specified directory does not exist.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Silence Detector</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enable silence detection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Silence period:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Display a message box</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Go to the next song</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reboot the system (where the system allows it)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Calculating total length... Press Escape to abort</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Tracks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Font</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CMainFrame</name>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recent &amp;Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Playlist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Media</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Player M&amp;ode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Sounds</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recent File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Main Toolbar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Position Bar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Media Control Bar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The change of language will take effect the next time you start Lirana.
Do you want to exit now?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CMixerLinePage</name>
    <message>
        <source>Line-In</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select the mixer line on your sound card that is used for satellite feed or live events</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Live feeds do not play yet; the line is not stored.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mixer Exception: %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Playback</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Capture</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>COptionsPage</name>
    <message>
        <source>Please enter an integer between %1 and %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please enter a number between %1 and %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Browse...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CPlaylistListBox</name>
    <message>
        <source>No CD Found</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CPlugInPropertiesDlg</name>
    <message>
        <source>This plug-in has no settings.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CPlugInsPage</name>
    <message>
        <source>Plug-ins</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every item plays through these audio plug-ins, from the top down. A change of settings is heard at once; added and removed plug-ins take effect from the next item.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Properties...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CSoundPlayerDlg</name>
    <message>
        <source>Fade out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No player for %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CSoundsPage</name>
    <message>
        <source>Sounds</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Associate sound files to buttons 1 to 9 in the toolbar. You can access these sounds by pressing the numeric keys.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Modify...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Load...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Save...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CSplashScreen</name>
    <message>
        <source>Playout console — version %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>On Air</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Commands</name>
    <message>
        <source>&amp;New</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Create a new Lirana album
New</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open an existing Lirana album
Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save the album
Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save &amp;As...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save the album with a new name
Save As</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sen&amp;d...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send the album as an e-mail attachment
Send</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exit Lirana
Exit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo the last playlist operation
Undo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Redo the previous undone operation
Redo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cut the track and copy it to clipboard
Cut</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy the track to clipboard
Copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Insert the clipboard contents
Paste</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Re&amp;move</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove a track from the play list
Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>C&amp;lear All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove all tracks
Clear All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Find...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search the playlist
Find</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Re&amp;name...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Change the name of the current song
Rename</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Main Toolbar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show or hide the main toolbar
Main Toolbar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>M&amp;edia Control Bar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show or hide the media control bar
Media Control Bar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Position Bar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show or hide the position bar
Position Bar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Status Bar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show or hide the status bar
Status Bar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fl&amp;at Toolbars</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show flat toolbar buttons
Flat Toolbars</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F&amp;ull Path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show extended file names</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Track Numbers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Toggle track numbers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>F&amp;ont...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose a font
Font</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switch to the next window pane
Next Pane</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switch back to the previous window pane
Previous Pane</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Add Tracks...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add new tracks
Add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add &amp;Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add a pause of 10 seconds</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add All &amp;CD Tracks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add all the tracks of the current CD
Add All CD Tracks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move to &amp;Top</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move the track to top
Top</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move &amp;Up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move the track upwards
Up</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move &amp;Down</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move the track down
Down</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move to &amp;Bottom</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move the track to bottom
Bottom</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Shuffle</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Arrange all tracks in a random sequence</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Total &amp;Length</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Query the total length of all tracks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start playing
Play</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>P&amp;ause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause playing
Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop playing
Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pre&amp;vious Track</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select the previous track
Previous Track</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Rewind</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Jump some seconds back
Rewind</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Fast Forward</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skip some seconds
Fast Forward</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Next Track</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select the next track
Next Track</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Break</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop after playing the current track
Break</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cross &amp;Fader</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fade manually to the next song
Cross fader</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Manual</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Break after each track
Manual</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>N&amp;ormal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play tracks in a normal sequence
Normal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>R&amp;epeat</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Repeat the playlist after the last track
Repeat</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ran&amp;dom</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play in a random sequence
Random</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>S&amp;huffle Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shuffle the playlist after the last track
Shuffle</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Intro Scan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Play a short part of each track
Intro Scan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select a player mode
Player Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open C&amp;D</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the CD drive door
Open CD</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>C&amp;lose CD</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close the CD drive door
Close CD</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Update CD Names</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update the track names if CD has changed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confi&amp;gure Device...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Configure the active media device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enable E&amp;vents</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enable or disable scheduled events</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sc&amp;hedule...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit the scheduled events
Schedule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mi&amp;xer...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start the Mixer
Mixer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Options...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Configure Lirana options
Options</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ad&amp;vanced Options...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Configure advanced settings
Advanced Options</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 6</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 7</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 8</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Go to menu item Sounds | Edit to configure sounds
Sound 9</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit the sounds 1..9</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edit the tools menu
Edit Tools</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help Topics</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the Lirana manual
Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;About Lirana...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Display program information, version number and copyright
About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;English</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select the display language</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open this album</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show the relative track position
Track Position</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DirectShowTrack</name>
    <message>
        <source>Not a regular file: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GStreamer cannot be initialised or has no playbin</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot make the GStreamer element &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not a file name: %1 %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot make the audio output &quot;%1&quot;: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file did not open within %1 s (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file cannot be played (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No file is open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot play %1..%2 ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The media back-end cannot pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The length of a closed track is not known</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot seek to %1 ms</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DllLoader</name>
    <message>
        <source>%1: cannot be loaded</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: entry point %2 not found</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>EditCommands</name>
    <message>
        <source>The play list contains %1 songs.
The total length is: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>
%1 of them could not be opened and count as 0.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>IniFile</name>
    <message>
        <source>Cannot read %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid key name &quot;%1&quot; for %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The value of &quot;%1&quot; cannot hold a line break</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid section name &quot;%1&quot; for %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ListFile</name>
    <message>
        <source>it is not a regular file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot read the list file %1: line %2 cannot be made an absolute path (%3).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot save the list file %1: row %2 contains a line break and cannot be stored as one line.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot open the list file %1: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file does not exist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is a folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot read the list file %1: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot save the list file %1: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1; writing the file in place failed too: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PauseDialog</name>
    <message>
        <source>Change Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type the length of the pause in seconds</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Pause Length  =</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>s</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PlayLog</name>
    <message>
        <source>not a regular file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the entry was written only in part</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PlugInChain</name>
    <message>
        <source>Failed to add filter %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Save changes to %1?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save As</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RenameDialog</name>
    <message>
        <source>Rename File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type a new name for this file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File Name</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Strings</name>
    <message>
        <source>Error writing to log file %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lirana detected a period of silence. Please check the current file. Maybe you need to restart the computer in order to release locked system resources.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unassigned Sound</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All Files (*);;Sound (*.wav *.mp2 *.mp3 *.au *.aif);;Music (*.mid *.rmi);;Video (*.avi *.mpg *.mov);;Audio CD (*.cda);;Mini Playlist (*.mpl);;Lirana Album (*.alb)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sounds (*.ini);;All Files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirmation request
Are you sure you want to exit Lirana now?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SystemRestart</name>
    <message>
        <source>no system bus: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TrackBusWatch</name>
    <message>
        <source>The media back-end failed</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TrackExceptions</name>
    <message>
        <source>Media back-end error %1 (step %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Multimedia error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mixer Exception: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Media-control error %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TrackFactory</name>
    <message>
        <source>CD audio</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>tracker module</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>mini playlist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>line-in</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>media-control</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The %1 back-end is not available in this build (%2)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TrackOpening</name>
    <message>
        <source>No player for %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The item cannot be opened</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TrackThread</name>
    <message>
        <source>Cannot start a track worker thread</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
