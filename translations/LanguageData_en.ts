<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>AboutWindows</name>
    <message>
        <source>About</source>
        <translation>About</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Version:</source>
        <translation>Version:</translation>
    </message>
    <message>
        <source>Microsoft Windows NT</source>
        <translation>Microsoft Windows NT</translation>
    </message>
    <message>
        <source>Microsoft Windows 2000</source>
        <translation>Microsoft Windows 2000</translation>
    </message>
    <message>
        <source>Microsoft Windows XP</source>
        <translation>Microsoft Windows XP</translation>
    </message>
    <message>
        <source>Microsoft Windows 2003</source>
        <translation>Microsoft Windows 2003</translation>
    </message>
    <message>
        <source>Microsoft Windows Vista</source>
        <translation>Microsoft Windows Vista</translation>
    </message>
    <message>
        <source>Microsoft Windows 7</source>
        <translation>Microsoft Windows 7</translation>
    </message>
    <message>
        <source>Microsoft OS</source>
        <translation>Microsoft OS</translation>
    </message>
    <message>
        <source>(64bit)</source>
        <translation>(64bit)</translation>
    </message>
    <message>
        <source>(32bit)</source>
        <translation>(32bit)</translation>
    </message>
</context>
<context>
    <name>ButtonKeys</name>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
</context>
<context>
    <name>CommandLog</name>
    <message>
        <source>sent</source>
        <translation>sent</translation>
    </message>
    <message>
        <source>not sent</source>
        <translation>not sent</translation>
    </message>
    <message>
        <source>connection lost</source>
        <translation>connection lost</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Player</source>
        <translation>Player</translation>
    </message>
    <message>
        <source>Command</source>
        <translation>Command</translation>
    </message>
    <message>
        <source>Frame</source>
        <translation>Frame</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>Outcome</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>not sent: the port is not open</source>
        <translation>not sent: the port is not open</translation>
    </message>
    <message>
        <source>not sent: busy</source>
        <translation>not sent: busy</translation>
    </message>
    <message>
        <source>not sent: over budget</source>
        <translation>not sent: over budget</translation>
    </message>
    <message>
        <source>not sent: too late</source>
        <translation>not sent: too late</translation>
    </message>
    <message>
        <source>not sent: held for today</source>
        <translation>not sent: held for today</translation>
    </message>
    <message>
        <source>not sent: skipped</source>
        <translation>not sent: skipped</translation>
    </message>
    <message>
        <source>refused</source>
        <translation>refused</translation>
    </message>
    <message>
        <source>nothing to do</source>
        <translation>nothing to do</translation>
    </message>
    <message>
        <source>window</source>
        <translation>window</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>CommandLogPanel</name>
    <message>
        <source>Saved to %1</source>
        <translation>Saved to %1</translation>
    </message>
    <message>
        <source>Save the command log</source>
        <translation>Save the command log</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>Not saved: %1</translation>
    </message>
    <message>
        <source>Command log</source>
        <translation>Command log</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Clear</translation>
    </message>
    <message>
        <source>&amp;Save as...</source>
        <translation>&amp;Save as...</translation>
    </message>
</context>
<context>
    <name>CommandLogView</name>
    <message>
        <source>Not saved: %1</source>
        <translation>Not saved: %1</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>Command &amp;Log</source>
        <translation>Command &amp;Log</translation>
    </message>
    <message>
        <source>Command Log</source>
        <translation>Command Log</translation>
    </message>
</context>
<context>
    <name>CommandPath</name>
    <message>
        <source>stopped: connection lost</source>
        <translation>stopped: connection lost</translation>
    </message>
    <message>
        <source>stopped: the port was closed</source>
        <translation>stopped: the port was closed</translation>
    </message>
    <message>
        <source>cancelled by %1</source>
        <translation>cancelled by %1</translation>
    </message>
    <message>
        <source>stopped at line %1: %2 not sent, %3</source>
        <translation>stopped at line %1: %2 not sent, %3</translation>
    </message>
    <message>
        <source>done</source>
        <translation>done</translation>
    </message>
    <message>
        <source>cancelled by Stop All</source>
        <translation>cancelled by Stop All</translation>
    </message>
    <message>
        <source>and %1 more from %2 in the last minute</source>
        <translation>and %1 more from %2 in the last minute</translation>
    </message>
    <message>
        <source>a frame</source>
        <translation>a frame</translation>
    </message>
</context>
<context>
    <name>Door</name>
    <message>
        <source>%1 refused: not an allowed address</source>
        <translation>%1 refused: not an allowed address</translation>
    </message>
    <message>
        <source>%1 refused: too many connections</source>
        <translation>%1 refused: too many connections</translation>
    </message>
    <message>
        <source>%1 cut off: every place was taken, and %2 had fewer than its share</source>
        <translation>%1 cut off: every place was taken, and %2 had fewer than its share</translation>
    </message>
    <message>
        <source>%1 cut off: it does not read its answers</source>
        <translation>%1 cut off: it does not read its answers</translation>
    </message>
    <message>
        <source>%1 cut off: %2</source>
        <translation>%1 cut off: %2</translation>
    </message>
    <message>
        <source>connections refused: the service is near its limit of %1 open files</source>
        <translation>connections refused: the service is near its limit of %1 open files</translation>
    </message>
    <message numerus="yes">
        <source>%1 (and %n more since it was last said)</source>
        <translation>
            <numerusform>%1 (and %n more since it was last said)</numerusform>
            <numerusform>%1 (and %n more since it was last said)</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 cut off: a message not whole %2 s after its first byte</source>
        <translation>%1 cut off: a message not whole %2 s after its first byte</translation>
    </message>
</context>
<context>
    <name>IdentifyDialog</name>
    <message>
        <source>Identify</source>
        <translation>Identify</translation>
    </message>
    <message>
        <source>Plays a folder on each player in turn (those listed, or every ID from 0 to 127): listen, and when a box answers, press Found.</source>
        <translation>Plays a folder on each player in turn (those listed, or every ID from 0 to 127): listen, and when a box answers, press Found.</translation>
    </message>
    <message>
        <source>&amp;Folder:</source>
        <translation>&amp;Folder:</translation>
    </message>
    <message>
        <source>&amp;Pause on each player:</source>
        <translation>&amp;Pause on each player:</translation>
    </message>
    <message>
        <source> s</source>
        <translation> s</translation>
    </message>
    <message>
        <source>Not started</source>
        <translation>Not started</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Start</translation>
    </message>
    <message>
        <source>F&amp;ound...</source>
        <translation>F&amp;ound...</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Stop</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>Every player was tried</source>
        <translation>Every player was tried</translation>
    </message>
    <message>
        <source>ID %1: not sent, %2</source>
        <translation>ID %1: not sent, %2</translation>
    </message>
    <message>
        <source>Playing on ID %1</source>
        <translation>Playing on ID %1</translation>
    </message>
    <message>
        <source>Playing on ID %1, %2</source>
        <translation>Playing on ID %1, %2</translation>
    </message>
    <message>
        <source>Found</source>
        <translation>Found</translation>
    </message>
    <message>
        <source>Name of player %1:</source>
        <translation>Name of player %1:</translation>
    </message>
    <message>
        <source>ID %1 named</source>
        <translation>ID %1 named</translation>
    </message>
</context>
<context>
    <name>InstallationMenu</name>
    <message>
        <source>Scene %1: %2</source>
        <translation>Scene %1: %2</translation>
    </message>
    <message>
        <source>&amp;Installation</source>
        <translation>&amp;Installation</translation>
    </message>
    <message>
        <source>&amp;Scenes</source>
        <translation>&amp;Scenes</translation>
    </message>
    <message>
        <source>&amp;Players...</source>
        <translation>&amp;Players...</translation>
    </message>
    <message>
        <source>Stop &amp;All</source>
        <translation>Stop &amp;All</translation>
    </message>
    <message>
        <source>I&amp;dentify...</source>
        <translation>I&amp;dentify...</translation>
    </message>
    <message>
        <source>I&amp;mport...</source>
        <translation>I&amp;mport...</translation>
    </message>
    <message>
        <source>E&amp;xport...</source>
        <translation>E&amp;xport...</translation>
    </message>
    <message>
        <source>&amp;Record</source>
        <translation>&amp;Record</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 of %2</translation>
    </message>
    <message>
        <source>&amp;Edit...</source>
        <translation>&amp;Edit...</translation>
    </message>
    <message>
        <source>Shortcuts left out, as they are taken already: %1</source>
        <translation>Shortcuts left out, as they are taken already: %1</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>Not saved: %1</translation>
    </message>
    <message>
        <source>%1: left out, and kept in the file as written: %2</source>
        <translation>%1: left out, and kept in the file as written: %2</translation>
    </message>
    <message>
        <source>%1: %2 things left out, and kept in the file as written; the command log has them</source>
        <translation>%1: %2 things left out, and kept in the file as written; the command log has them</translation>
    </message>
    <message>
        <source>Left out: %1</source>
        <translation>Left out: %1</translation>
    </message>
    <message>
        <source>And %1 more left out</source>
        <translation>And %1 more left out</translation>
    </message>
    <message>
        <source>Import the installation</source>
        <translation>Import the installation</translation>
    </message>
    <message>
        <source>Installations (*.txt)</source>
        <translation>Installations (*.txt)</translation>
    </message>
    <message>
        <source>Not imported: %1: %2</source>
        <translation>Not imported: %1: %2</translation>
    </message>
    <message>
        <source>Imported, with what was left out: %1</source>
        <translation>Imported, with what was left out: %1</translation>
    </message>
    <message>
        <source>Export the installation</source>
        <translation>Export the installation</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>Saved to %1</translation>
    </message>
    <message>
        <source>Scene %1 not run: %2</source>
        <translation>Scene %1 not run: %2</translation>
    </message>
    <message>
        <source>Recording a scene</source>
        <translation>Recording a scene</translation>
    </message>
    <message>
        <source>Recorded scene</source>
        <translation>Recorded scene</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>Scene not kept: %1</source>
        <translation>Scene not kept: %1</translation>
    </message>
    <message>
        <source>Nothing recorded</source>
        <translation>Nothing recorded</translation>
    </message>
    <message>
        <source>Schedule: %1</source>
        <translation>Schedule: %1</translation>
    </message>
    <message>
        <source>Schedule: %1 not sent: %2</source>
        <translation>Schedule: %1 not sent: %2</translation>
    </message>
    <message>
        <source>Sc&amp;hedule...</source>
        <translation>Sc&amp;hedule...</translation>
    </message>
    <message>
        <source>This window holds the line and runs the schedule.</source>
        <translation>This window holds the line and runs the schedule.</translation>
    </message>
    <message>
        <source>The service, tessaryd, holds the line and runs the schedule: hold or skip its cues on its page or its broker.</source>
        <translation>The service, tessaryd, holds the line and runs the schedule: hold or skip its cues on its page or its broker.</translation>
    </message>
    <message>
        <source>The schedule runs while this window holds the line.</source>
        <translation>The schedule runs while this window holds the line.</translation>
    </message>
    <message>
        <source>Imported: %1, %2, %3</source>
        <translation>Imported: %1, %2, %3</translation>
    </message>
    <message numerus="yes">
        <source>players: %n</source>
        <translation>
            <numerusform>%n player</numerusform>
            <numerusform>%n players</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>scenes: %n</source>
        <translation>
            <numerusform>%n scene</numerusform>
            <numerusform>%n scenes</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>cues of the schedule: %n</source>
        <translation>
            <numerusform>%n cue of the schedule</numerusform>
            <numerusform>%n cues of the schedule</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Stop All: frames sent %1 of %n</source>
        <translation>
            <numerusform>Stop All: %1 of %n frame sent</numerusform>
            <numerusform>Stop All: %1 of %n frames sent</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Scene %1 recorded, steps: %n</source>
        <translation>
            <numerusform>Scene %1 recorded: %n step</numerusform>
            <numerusform>Scene %1 recorded: %n steps</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>LocalServer</name>
    <message>
        <source>%1: not a socket, left as it is</source>
        <translation>%1: not a socket, left as it is</translation>
    </message>
    <message>
        <source>%1: served by another program already</source>
        <translation>%1: served by another program already</translation>
    </message>
    <message>
        <source>a line of more than %1 characters</source>
        <translation>a line of more than %1 characters</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Setting volume to maximum</source>
        <translation>Setting volume to maximum</translation>
    </message>
    <message>
        <source>Ctrl+Alt++</source>
        <translation>Ctrl+Alt++</translation>
    </message>
    <message>
        <source>Setting volume to minimum</source>
        <translation>Setting volume to minimum</translation>
    </message>
    <message>
        <source>Ctrl+Alt+-</source>
        <translation>Ctrl+Alt+-</translation>
    </message>
    <message>
        <source>Setting volume</source>
        <translation>Setting volume</translation>
    </message>
    <message>
        <source>-0 dB</source>
        <translation>-0 dB</translation>
    </message>
    <message>
        <source>ID Number</source>
        <translation>ID Number</translation>
    </message>
    <message>
        <source>Transport</source>
        <translation>Transport</translation>
    </message>
    <message>
        <source>Previous File</source>
        <translation>Previous File</translation>
    </message>
    <message>
        <source>Ctrl+Left</source>
        <translation>Ctrl+Left</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>Ctrl+Return</source>
        <translation>Ctrl+Return</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Ctrl+Space</source>
        <translation>Ctrl+Space</translation>
    </message>
    <message>
        <source>Next File</source>
        <translation>Next File</translation>
    </message>
    <message>
        <source>Ctrl+Right</source>
        <translation>Ctrl+Right</translation>
    </message>
    <message>
        <source>Folder number</source>
        <translation>Folder number</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Load</translation>
    </message>
    <message>
        <source>Serial Port</source>
        <translation>Serial Port</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>Port name</source>
        <translation>Port name</translation>
    </message>
    <message>
        <source>Baudrate value</source>
        <translation>Baudrate value</translation>
    </message>
    <message>
        <source>Auto-connection</source>
        <translation>Auto-connection</translation>
    </message>
    <message>
        <source>Status / Command Message</source>
        <translation>Status / Command Message</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Device</translation>
    </message>
    <message>
        <source>Device name</source>
        <translation>Device name</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;Languages</source>
        <translation>&amp;Languages</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>&amp;Exit</translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation>Ctrl+Q</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>&amp;Contact Technical Support</source>
        <translation>&amp;Contact Technical Support</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Connection lost</source>
        <translation>Connection lost</translation>
    </message>
    <message>
        <source> (not sent)</source>
        <translation> (not sent)</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>Load folder</source>
        <translation>Load folder</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Mute</translation>
    </message>
    <message>
        <source>Subject: Corvane Support Request (From:</source>
        <translation>Subject: Corvane Support Request (From:</translation>
    </message>
    <message>
        <source>Here: your question...</source>
        <translation>Here: your question...</translation>
    </message>
    <message>
        <source>no serial port found</source>
        <translation>no serial port found</translation>
    </message>
    <message>
        <source>Settings not saved</source>
        <translation>Settings not saved</translation>
    </message>
    <message>
        <source>Your settings could not be saved.
%1
The file is left as it was.</source>
        <translation>Your settings could not be saved.
%1
The file is left as it was.</translation>
    </message>
    <message>
        <source>No French catalogue found; the texts stay in English</source>
        <translation>No French catalogue found; the texts stay in English</translation>
    </message>
    <message>
        <source>Waiting for %1</source>
        <translation>Waiting for %1</translation>
    </message>
    <message>
        <source>Reconnected</source>
        <translation>Reconnected</translation>
    </message>
    <message>
        <source>Open failed: %1</source>
        <translation>Open failed: %1</translation>
    </message>
    <message>
        <source>Settings not saved: %1</source>
        <translation>Settings not saved: %1</translation>
    </message>
    <message>
        <source>Reconnected: %1 (the same adapter)</source>
        <translation>Reconnected: %1 (the same adapter)</translation>
    </message>
    <message>
        <source>Open: %1 (the same adapter)</source>
        <translation>Open: %1 (the same adapter)</translation>
    </message>
    <message>
        <source>Maximum volume</source>
        <translation>Maximum volume</translation>
    </message>
    <message>
        <source>Minimum volume</source>
        <translation>Minimum volume</translation>
    </message>
    <message>
        <source>Pla&amp;yer ID</source>
        <translation>Pla&amp;yer ID</translation>
    </message>
    <message>
        <source>F&amp;older</source>
        <translation>F&amp;older</translation>
    </message>
    <message>
        <source>&amp;Port</source>
        <translation>&amp;Port</translation>
    </message>
    <message>
        <source>&amp;BaudRate</source>
        <translation>&amp;BaudRate</translation>
    </message>
    <message>
        <source>&amp;Auto-connection</source>
        <translation>&amp;Auto-connection</translation>
    </message>
    <message>
        <source>&amp;Devices</source>
        <translation>&amp;Devices</translation>
    </message>
    <message>
        <source>Corvane &amp;Home Page</source>
        <translation>Corvane &amp;Home Page</translation>
    </message>
    <message>
        <source>&amp;Français</source>
        <translation>&amp;Français</translation>
    </message>
    <message>
        <source>&amp;English</source>
        <translation>&amp;English</translation>
    </message>
    <message>
        <source>(&amp;Default)</source>
        <translation>(&amp;Default)</translation>
    </message>
</context>
<context>
    <name>MqttBridge</name>
    <message>
        <source>the broker did not answer</source>
        <translation>the broker did not answer</translation>
    </message>
    <message>
        <source>%1 cannot be read</source>
        <translation>%1 cannot be read</translation>
    </message>
    <message>
        <source>a line cannot be named &quot;%1&quot;: %2/all/command stops every line of the building</source>
        <translation>a line cannot be named &quot;%1&quot;: %2/all/command stops every line of the building</translation>
    </message>
    <message>
        <source>a client certificate needs its key, and a key its certificate</source>
        <translation>a client certificate needs its key, and a key its certificate</translation>
    </message>
    <message>
        <source>the MQTT client could not be made</source>
        <translation>the MQTT client could not be made</translation>
    </message>
    <message>
        <source>TLS: %1</source>
        <translation>TLS: %1</translation>
    </message>
    <message>
        <source>MQTT %1:%2: %3; trying again</source>
        <translation>MQTT %1:%2: %3; trying again</translation>
    </message>
    <message>
        <source>MQTT: joined %1:%2 as %3</source>
        <translation>MQTT: joined %1:%2 as %3</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be a level of a topic: it must not be empty or hold +, # or /</source>
        <translation>&quot;%1&quot; cannot be a level of a topic: it must not be empty or hold +, # or /</translation>
    </message>
    <message>
        <source>MQTT: joined %1:%2 for the building under %3</source>
        <translation>MQTT: joined %1:%2 for the building under %3</translation>
    </message>
</context>
<context>
    <name>PlayersDialog</name>
    <message>
        <source>Players</source>
        <translation>Players</translation>
    </message>
    <message>
        <source>The players on this line, each an &amp;ID and a name. A name stands for the ID in commands, scenes and remote control.</source>
        <translation>The players on this line, each an &amp;ID and a name. A name stands for the ID in commands, scenes and remote control.</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Add</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Remove</translation>
    </message>
    <message>
        <source>ID %1 is listed twice</source>
        <translation>ID %1 is listed twice</translation>
    </message>
    <message>
        <source>Row %1: %2</source>
        <translation>Row %1: %2</translation>
    </message>
</context>
<context>
    <name>PortWatcher</name>
    <message>
        <source>Manufacturer: %1</source>
        <translation>Manufacturer: %1</translation>
    </message>
    <message>
        <source>Serial number: %1</source>
        <translation>Serial number: %1</translation>
    </message>
    <message>
        <source>USB id: %1:%2</source>
        <translation>USB id: %1:%2</translation>
    </message>
</context>
<context>
    <name>RemoteControl</name>
    <message>
        <source>&amp;Remote Control...</source>
        <translation>&amp;Remote Control...</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>Not saved: %1</translation>
    </message>
    <message>
        <source>MQTT not started: %1</source>
        <translation>MQTT not started: %1</translation>
    </message>
    <message>
        <source>Remote control off</source>
        <translation>Remote control off</translation>
    </message>
    <message>
        <source>Remote control on: %1</source>
        <translation>Remote control on: %1</translation>
    </message>
    <message>
        <source>Remote control failed: %1</source>
        <translation>Remote control failed: %1</translation>
    </message>
    <message>
        <source>The page has no token: %1</source>
        <translation>The page has no token: %1</translation>
    </message>
    <message>
        <source>The page is off</source>
        <translation>The page is off</translation>
    </message>
    <message>
        <source>The page is served on port %1</source>
        <translation>The page is served on port %1</translation>
    </message>
    <message>
        <source>The page failed: %1</source>
        <translation>The page failed: %1</translation>
    </message>
    <message>
        <source>%1; remote control and the broker stay off</source>
        <translation>%1; remote control and the broker stay off</translation>
    </message>
</context>
<context>
    <name>RemoteControlDialog</name>
    <message>
        <source>Remote Control</source>
        <translation>Remote Control</translation>
    </message>
    <message>
        <source>&amp;Take cues from show controllers on the network</source>
        <translation>&amp;Take cues from show controllers on the network</translation>
    </message>
    <message>
        <source>&amp;OSC port (UDP and TCP):</source>
        <translation>&amp;OSC port (UDP and TCP):</translation>
    </message>
    <message>
        <source>T&amp;ext port (UDP and TCP):</source>
        <translation>T&amp;ext port (UDP and TCP):</translation>
    </message>
    <message>
        <source>&amp;Listen on:</source>
        <translation>&amp;Listen on:</translation>
    </message>
    <message>
        <source>The address of this machine the controllers send to; 127.0.0.1 is this machine only, 0.0.0.0 every network</source>
        <translation>The address of this machine the controllers send to; 127.0.0.1 is this machine only, 0.0.0.0 every network</translation>
    </message>
    <message>
        <source>&amp;Allowed clients:</source>
        <translation>&amp;Allowed clients:</translation>
    </message>
    <message>
        <source>Addresses and subnets, separated by spaces, such as 192.168.1.20 192.168.2.0/24; empty: this machine only</source>
        <translation>Addresses and subnets, separated by spaces, such as 192.168.1.20 192.168.2.0/24; empty: this machine only</translation>
    </message>
    <message>
        <source>this machine only</source>
        <translation>this machine only</translation>
    </message>
    <message>
        <source>OSC and text carry no password: anyone who can reach these ports from an allowed address can cue the players.</source>
        <translation>OSC and text carry no password: anyone who can reach these ports from an allowed address can cue the players.</translation>
    </message>
    <message>
        <source>&amp;MQTT broker</source>
        <translation>&amp;MQTT broker</translation>
    </message>
    <message>
        <source>Bro&amp;ker:</source>
        <translation>Bro&amp;ker:</translation>
    </message>
    <message>
        <source>Po&amp;rt:</source>
        <translation>Po&amp;rt:</translation>
    </message>
    <message>
        <source>Client I&amp;D:</source>
        <translation>Client I&amp;D:</translation>
    </message>
    <message>
        <source>tessary-LINE</source>
        <translation>tessary-LINE</translation>
    </message>
    <message>
        <source>&amp;User:</source>
        <translation>&amp;User:</translation>
    </message>
    <message>
        <source>Pass&amp;word:</source>
        <translation>Pass&amp;word:</translation>
    </message>
    <message>
        <source>CA &amp;file (TLS):</source>
        <translation>CA &amp;file (TLS):</translation>
    </message>
    <message>
        <source>Client &amp;certificate:</source>
        <translation>Client &amp;certificate:</translation>
    </message>
    <message>
        <source>Topic &amp;prefix:</source>
        <translation>Topic &amp;prefix:</translation>
    </message>
    <message>
        <source>This li&amp;ne&apos;s name:</source>
        <translation>This li&amp;ne&apos;s name:</translation>
    </message>
    <message>
        <source>the host name</source>
        <translation>the host name</translation>
    </message>
    <message>
        <source>&amp;Home Assistant discovery</source>
        <translation>&amp;Home Assistant discovery</translation>
    </message>
    <message>
        <source>Client ke&amp;y:</source>
        <translation>Client ke&amp;y:</translation>
    </message>
    <message>
        <source>&amp;Show controllers</source>
        <translation>&amp;Show controllers</translation>
    </message>
    <message>
        <source>&amp;Broker</source>
        <translation>&amp;Broker</translation>
    </message>
    <message>
        <source>Pa&amp;ge</source>
        <translation>Pa&amp;ge</translation>
    </message>
    <message>
        <source>Ser&amp;ve the front desk&apos;s page</source>
        <translation>Ser&amp;ve the front desk&apos;s page</translation>
    </message>
    <message>
        <source>Por&amp;t:</source>
        <translation>Por&amp;t:</translation>
    </message>
    <message>
        <source>Allo&amp;wed:</source>
        <translation>Allo&amp;wed:</translation>
    </message>
    <message>
        <source>The page cannot be served: %1</source>
        <translation>The page cannot be served: %1</translation>
    </message>
    <message>
        <source>QR code of the page&apos;s address</source>
        <translation>QR code of the page&apos;s address</translation>
    </message>
    <message>
        <source>%1
Only this machine can open it: choose where to listen under Show controllers.</source>
        <translation>%1
Only this machine can open it: choose where to listen under Show controllers.</translation>
    </message>
</context>
<context>
    <name>RemoteServer</name>
    <message>
        <source>%1 is not an address of this machine</source>
        <translation>%1 is not an address of this machine</translation>
    </message>
    <message>
        <source>port %1 on %2 is in use</source>
        <translation>port %1 on %2 is in use</translation>
    </message>
    <message>
        <source>OSC on port %1, text on port %2, on %3</source>
        <translation>OSC on port %1, text on port %2, on %3</translation>
    </message>
    <message>
        <source>OSC and text cannot share port %1</source>
        <translation>OSC and text cannot share port %1</translation>
    </message>
    <message>
        <source>port %1 on %2: %3</source>
        <translation>port %1 on %2: %3</translation>
    </message>
    <message>
        <source>port %1 on %2 is in use by another program (%3)</source>
        <translation>port %1 on %2 is in use by another program (%3)</translation>
    </message>
    <message>
        <source>%1 is not an address as written: four numbers from 0 to 255, such as 192.168.1.20, or an IPv6 address</source>
        <translation>%1 is not an address as written: four numbers from 0 to 255, such as 192.168.1.20, or an IPv6 address</translation>
    </message>
    <message>
        <source>%1 is not an address or a subnet as written, such as 192.168.1.20 or 192.168.1.0/24</source>
        <translation>%1 is not an address or a subnet as written, such as 192.168.1.20 or 192.168.1.0/24</translation>
    </message>
    <message>
        <source>%1 messages; their answers are longer than they were</source>
        <translation>%1 messages; their answers are longer than they were</translation>
    </message>
    <message>
        <source>a packet larger than %1 bytes</source>
        <translation>a packet larger than %1 bytes</translation>
    </message>
</context>
<context>
    <name>SafeFile</name>
    <message>
        <source>not a regular file</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>could not be written</source>
        <translation>could not be written</translation>
    </message>
</context>
<context>
    <name>ScenesDialog</name>
    <message>
        <source>Scenes</source>
        <translation>Scenes</translation>
    </message>
    <message>
        <source>&amp;Scenes:</source>
        <translation>&amp;Scenes:</translation>
    </message>
    <message>
        <source>S&amp;teps, one a line: a player and its commands, or &quot;wait SECONDS&quot;:</source>
        <translation>S&amp;teps, one a line: a player and its commands, or &quot;wait SECONDS&quot;:</translation>
    </message>
    <message>
        <source>narration folder 3
courtyard volume -6
wait 2
lobby play</source>
        <translation>narration folder 3
courtyard volume -6
wait 2
lobby play</translation>
    </message>
    <message>
        <source>S&amp;hortcut:</source>
        <translation>S&amp;hortcut:</translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation>&amp;Add...</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Remove</translation>
    </message>
    <message>
        <source>New scene</source>
        <translation>New scene</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>a scene of that name is there already</source>
        <translation>a scene of that name is there already</translation>
    </message>
    <message>
        <source>line %1: %2</source>
        <translation>line %1: %2</translation>
    </message>
    <message>
        <source>%1 is a key of the window already</source>
        <translation>%1 is a key of the window already</translation>
    </message>
    <message>
        <source>%1 is the shortcut of scene %2 already</source>
        <translation>%1 is the shortcut of scene %2 already</translation>
    </message>
</context>
<context>
    <name>ScheduleDialog</name>
    <message>
        <source>Schedule</source>
        <translation>Schedule</translation>
    </message>
    <message>
        <source>&amp;Today:</source>
        <translation>&amp;Today:</translation>
    </message>
    <message>
        <source>&amp;Hold for today</source>
        <translation>&amp;Hold for today</translation>
    </message>
    <message>
        <source>S&amp;kip the next cue</source>
        <translation>S&amp;kip the next cue</translation>
    </message>
    <message>
        <source>&amp;Lines: days, a time and a request; timezone=, tolerance=; closed DAYS; DAYS until TIME:</source>
        <translation>&amp;Lines: days, a time and a request; timezone=, tolerance=; closed DAYS; DAYS until TIME:</translation>
    </message>
    <message>
        <source>Tue-Fri 10:00 scene Opening
Sat,Sun 09:00 scene Opening
daily 18:00 all stop
closed Mon
2026-12-31 until 16:00</source>
        <translation>Tue-Fri 10:00 scene Opening
Sat,Sun 09:00 scene Opening
daily 18:00 all stop
closed Mon
2026-12-31 until 16:00</translation>
    </message>
    <message>
        <source>window</source>
        <translation>window</translation>
    </message>
    <message>
        <source>Closed today</source>
        <translation>Closed today</translation>
    </message>
    <message>
        <source>%1 %2 (to be skipped)</source>
        <translation>%1 %2 (to be skipped)</translation>
    </message>
    <message>
        <source>%1 %2 (past)</source>
        <translation>%1 %2 (past)</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>Next: %1 on %2</source>
        <translation>Next: %1 on %2</translation>
    </message>
    <message>
        <source>No cue in the next 8 days</source>
        <translation>No cue in the next 8 days</translation>
    </message>
</context>
<context>
    <name>SerialLink</name>
    <message>
        <source>a stale lock of another user blocks %1: %2</source>
        <translation>a stale lock of another user blocks %1: %2</translation>
    </message>
    <message>
        <source>%1 is in use by another program</source>
        <translation>%1 is in use by another program</translation>
    </message>
    <message>
        <source>%1 is in use by another program (PID %2)</source>
        <translation>%1 is in use by another program (PID %2)</translation>
    </message>
    <message>
        <source>%1 is in use by another program (PID %2, %3)</source>
        <translation>%1 is in use by another program (PID %2, %3)</translation>
    </message>
    <message>
        <source>%1: no such device</source>
        <translation>%1: no such device</translation>
    </message>
    <message>
        <source>%1: permission denied; join the group %2 and log in again</source>
        <translation>%1: permission denied; join the group %2 and log in again</translation>
    </message>
    <message>
        <source>%1: permission denied; an administrator must grant you access</source>
        <translation>%1: permission denied; an administrator must grant you access</translation>
    </message>
</context>
<context>
    <name>SettingsStore</name>
    <message>
        <source>the folder cannot be made</source>
        <translation>the folder cannot be made</translation>
    </message>
</context>
</TS>
