<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>AboutWindows</name>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>Version:</source>
        <translation>Version&#xa0;:</translation>
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
        <translation>Système Microsoft</translation>
    </message>
    <message>
        <source>(64bit)</source>
        <translation>(64 bits)</translation>
    </message>
    <message>
        <source>(32bit)</source>
        <translation>(32 bits)</translation>
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
        <translation>envoyé</translation>
    </message>
    <message>
        <source>not sent</source>
        <translation>non envoyé</translation>
    </message>
    <message>
        <source>connection lost</source>
        <translation>connexion perdue</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Heure</translation>
    </message>
    <message>
        <source>Player</source>
        <translation>Lecteur</translation>
    </message>
    <message>
        <source>Command</source>
        <translation>Commande</translation>
    </message>
    <message>
        <source>Frame</source>
        <translation>Trame</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>Résultat</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>not sent: the port is not open</source>
        <translation>non envoyé&#xa0;: le port n’est pas ouvert</translation>
    </message>
    <message>
        <source>not sent: busy</source>
        <translation>non envoyé&#xa0;: ligne occupée</translation>
    </message>
    <message>
        <source>not sent: over budget</source>
        <translation>non envoyé&#xa0;: au-delà du budget</translation>
    </message>
    <message>
        <source>not sent: too late</source>
        <translation>non envoyé&#xa0;: trop tard</translation>
    </message>
    <message>
        <source>not sent: held for today</source>
        <translation>non envoyé&#xa0;: suspendu pour aujourd’hui</translation>
    </message>
    <message>
        <source>not sent: skipped</source>
        <translation>non envoyé&#xa0;: sauté</translation>
    </message>
    <message>
        <source>refused</source>
        <translation>refusé</translation>
    </message>
    <message>
        <source>nothing to do</source>
        <translation>rien à faire</translation>
    </message>
    <message>
        <source>window</source>
        <translation>fenêtre</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1&#xa0;: %2</translation>
    </message>
</context>
<context>
    <name>CommandLogPanel</name>
    <message>
        <source>Saved to %1</source>
        <translation>Enregistré dans %1</translation>
    </message>
    <message>
        <source>Save the command log</source>
        <translation>Enregistrer le journal des commandes</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>Fichiers CSV (*.csv)</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>Non enregistré&#xa0;: %1</translation>
    </message>
    <message>
        <source>Command log</source>
        <translation>Journal des commandes</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>Efface&amp;r</translation>
    </message>
    <message>
        <source>&amp;Save as...</source>
        <translation>Enregistrer &amp;sous...</translation>
    </message>
</context>
<context>
    <name>CommandLogView</name>
    <message>
        <source>Not saved: %1</source>
        <translation>Non enregistré&#xa0;: %1</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Affichage</translation>
    </message>
    <message>
        <source>Command &amp;Log</source>
        <translation>&amp;Journal des commandes</translation>
    </message>
    <message>
        <source>Command Log</source>
        <translation>Journal des commandes</translation>
    </message>
</context>
<context>
    <name>CommandPath</name>
    <message>
        <source>stopped: connection lost</source>
        <translation>arrêtée&#xa0;: connexion perdue</translation>
    </message>
    <message>
        <source>stopped: the port was closed</source>
        <translation>arrêtée&#xa0;: le port a été fermé</translation>
    </message>
    <message>
        <source>cancelled by %1</source>
        <translation>annulée par %1</translation>
    </message>
    <message>
        <source>stopped at line %1: %2 not sent, %3</source>
        <translation>arrêtée à la ligne %1&#xa0;: %2 non envoyé, %3</translation>
    </message>
    <message>
        <source>done</source>
        <translation>terminée</translation>
    </message>
    <message>
        <source>cancelled by Stop All</source>
        <translation>annulée par Tout arrêter</translation>
    </message>
    <message>
        <source>and %1 more from %2 in the last minute</source>
        <translation>et %1 de plus de %2 dans la dernière minute</translation>
    </message>
    <message>
        <source>a frame</source>
        <translation>une trame</translation>
    </message>
</context>
<context>
    <name>Door</name>
    <message>
        <source>%1 refused: not an allowed address</source>
        <translation>%1 refusé&#xa0;: adresse non autorisée</translation>
    </message>
    <message>
        <source>%1 refused: too many connections</source>
        <translation>%1 refusé&#xa0;: trop de connexions</translation>
    </message>
    <message>
        <source>%1 cut off: every place was taken, and %2 had fewer than its share</source>
        <translation>%1 coupé&#xa0;: toutes les places étaient prises, et %2 en avait moins que sa part</translation>
    </message>
    <message>
        <source>%1 cut off: it does not read its answers</source>
        <translation>%1 coupé&#xa0;: il ne lit pas ses réponses</translation>
    </message>
    <message>
        <source>%1 cut off: %2</source>
        <translation>%1 coupé&#xa0;: %2</translation>
    </message>
    <message>
        <source>connections refused: the service is near its limit of %1 open files</source>
        <translation>connexions refusées&#xa0;: le service approche de sa limite de %1 fichiers ouverts</translation>
    </message>
    <message numerus="yes">
        <source>%1 (and %n more since it was last said)</source>
        <translation>
            <numerusform>%1 (et %n fois de plus depuis la dernière mention)</numerusform>
            <numerusform>%1 (et %n fois de plus depuis la dernière mention)</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 cut off: a message not whole %2 s after its first byte</source>
        <translation>%1 coupé&#xa0;: un message incomplet %2 s après son premier octet</translation>
    </message>
</context>
<context>
    <name>IdentifyDialog</name>
    <message>
        <source>Identify</source>
        <translation>Identifier</translation>
    </message>
    <message>
        <source>Plays a folder on each player in turn (those listed, or every ID from 0 to 127): listen, and when a box answers, press Found.</source>
        <translation>Joue un dossier sur chaque lecteur tour à tour (ceux de la liste, ou chaque identifiant de 0 à 127)&#xa0;: écoutez, et quand un boîtier répond, appuyez sur Trouvé.</translation>
    </message>
    <message>
        <source>&amp;Folder:</source>
        <translation>&amp;Dossier&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;Pause on each player:</source>
        <translation>&amp;Pause sur chaque lecteur&#xa0;:</translation>
    </message>
    <message>
        <source> s</source>
        <translation> s</translation>
    </message>
    <message>
        <source>Not started</source>
        <translation>Pas commencé</translation>
    </message>
    <message>
        <source>&amp;Start</source>
        <translation>&amp;Commencer</translation>
    </message>
    <message>
        <source>F&amp;ound...</source>
        <translation>&amp;Trouvé...</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Fermer</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Arrêter</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Arrêté</translation>
    </message>
    <message>
        <source>Every player was tried</source>
        <translation>Tous les lecteurs ont été essayés</translation>
    </message>
    <message>
        <source>ID %1: not sent, %2</source>
        <translation>Identifiant %1&#xa0;: non envoyé, %2</translation>
    </message>
    <message>
        <source>Playing on ID %1</source>
        <translation>Lecture sur l&apos;identifiant %1</translation>
    </message>
    <message>
        <source>Playing on ID %1, %2</source>
        <translation>Lecture sur l&apos;identifiant %1, %2</translation>
    </message>
    <message>
        <source>Found</source>
        <translation>Trouvé</translation>
    </message>
    <message>
        <source>Name of player %1:</source>
        <translation>Nom du lecteur %1&#xa0;:</translation>
    </message>
    <message>
        <source>ID %1 named</source>
        <translation>Identifiant %1 nommé</translation>
    </message>
</context>
<context>
    <name>InstallationMenu</name>
    <message>
        <source>Scene %1: %2</source>
        <translation>Scène %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>&amp;Installation</source>
        <translation>&amp;Installation</translation>
    </message>
    <message>
        <source>&amp;Scenes</source>
        <translation>&amp;Scènes</translation>
    </message>
    <message>
        <source>&amp;Players...</source>
        <translation>&amp;Lecteurs...</translation>
    </message>
    <message>
        <source>Stop &amp;All</source>
        <translation>&amp;Tout arrêter</translation>
    </message>
    <message>
        <source>I&amp;dentify...</source>
        <translation>I&amp;dentifier...</translation>
    </message>
    <message>
        <source>I&amp;mport...</source>
        <translation>I&amp;mporter...</translation>
    </message>
    <message>
        <source>E&amp;xport...</source>
        <translation>E&amp;xporter...</translation>
    </message>
    <message>
        <source>&amp;Record</source>
        <translation>&amp;Enregistrer</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 de %2</translation>
    </message>
    <message>
        <source>&amp;Edit...</source>
        <translation>&amp;Modifier...</translation>
    </message>
    <message>
        <source>Shortcuts left out, as they are taken already: %1</source>
        <translation>Raccourcis écartés, car déjà pris&#xa0;: %1</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>Non enregistré&#xa0;: %1</translation>
    </message>
    <message>
        <source>%1: left out, and kept in the file as written: %2</source>
        <translation>%1&#xa0;: laissé de côté, et gardé tel quel dans le fichier&#xa0;: %2</translation>
    </message>
    <message>
        <source>%1: %2 things left out, and kept in the file as written; the command log has them</source>
        <translation>%1&#xa0;: %2 éléments laissés de côté, et gardés tels quels dans le fichier&#xa0;; le journal des commandes les donne</translation>
    </message>
    <message>
        <source>Left out: %1</source>
        <translation>Laissé de côté&#xa0;: %1</translation>
    </message>
    <message>
        <source>And %1 more left out</source>
        <translation>Et %1 de plus laissés de côté</translation>
    </message>
    <message>
        <source>Import the installation</source>
        <translation>Importer l&apos;installation</translation>
    </message>
    <message>
        <source>Installations (*.txt)</source>
        <translation>Installations (*.txt)</translation>
    </message>
    <message>
        <source>Not imported: %1: %2</source>
        <translation>Non importé&#xa0;: %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Imported, with what was left out: %1</source>
        <translation>Importé, avec ce qui a été laissé de côté&#xa0;: %1</translation>
    </message>
    <message>
        <source>Export the installation</source>
        <translation>Exporter l&apos;installation</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>Enregistré dans %1</translation>
    </message>
    <message>
        <source>Scene %1 not run: %2</source>
        <translation>Scène %1 non jouée&#xa0;: %2</translation>
    </message>
    <message>
        <source>Recording a scene</source>
        <translation>Enregistrement d&apos;une scène</translation>
    </message>
    <message>
        <source>Recorded scene</source>
        <translation>Scène enregistrée</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>Nom&#xa0;:</translation>
    </message>
    <message>
        <source>Scene not kept: %1</source>
        <translation>Scène non gardée&#xa0;: %1</translation>
    </message>
    <message>
        <source>Nothing recorded</source>
        <translation>Rien n&apos;a été enregistré</translation>
    </message>
    <message>
        <source>Schedule: %1</source>
        <translation>Programme&#xa0;: %1</translation>
    </message>
    <message>
        <source>Schedule: %1 not sent: %2</source>
        <translation>Programme&#xa0;: %1 non envoyé&#xa0;: %2</translation>
    </message>
    <message>
        <source>Sc&amp;hedule...</source>
        <translation>Pro&amp;gramme...</translation>
    </message>
    <message>
        <source>This window holds the line and runs the schedule.</source>
        <translation>Cette fenêtre tient la ligne et déroule le programme.</translation>
    </message>
    <message>
        <source>The service, tessaryd, holds the line and runs the schedule: hold or skip its cues on its page or its broker.</source>
        <translation>Le service tessaryd tient la ligne et déroule le programme&#xa0;: suspendez ou sautez ses repères depuis sa page ou son broker.</translation>
    </message>
    <message>
        <source>The schedule runs while this window holds the line.</source>
        <translation>Le programme se déroule tant que cette fenêtre tient la ligne.</translation>
    </message>
    <message>
        <source>Imported: %1, %2, %3</source>
        <translation>Importé&#xa0;: %1, %2, %3</translation>
    </message>
    <message numerus="yes">
        <source>players: %n</source>
        <translation>
            <numerusform>%n lecteur</numerusform>
            <numerusform>%n lecteurs</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>scenes: %n</source>
        <translation>
            <numerusform>%n scène</numerusform>
            <numerusform>%n scènes</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>cues of the schedule: %n</source>
        <translation>
            <numerusform>%n repère du programme</numerusform>
            <numerusform>%n repères du programme</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Stop All: frames sent %1 of %n</source>
        <translation>
            <numerusform>Tout arrêter&#xa0;: %1 trame sur %n envoyée</numerusform>
            <numerusform>Tout arrêter&#xa0;: %1 trames sur %n envoyées</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Scene %1 recorded, steps: %n</source>
        <translation>
            <numerusform>Scène %1 enregistrée&#xa0;: %n étape</numerusform>
            <numerusform>Scène %1 enregistrée&#xa0;: %n étapes</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>LocalServer</name>
    <message>
        <source>%1: not a socket, left as it is</source>
        <translation>%1&#xa0;: pas un socket, laissé tel quel</translation>
    </message>
    <message>
        <source>%1: served by another program already</source>
        <translation>%1&#xa0;: déjà servi par un autre programme</translation>
    </message>
    <message>
        <source>a line of more than %1 characters</source>
        <translation>une ligne de plus de %1 caractères</translation>
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
        <translation>Régler le volume au maximum</translation>
    </message>
    <message>
        <source>Ctrl+Alt++</source>
        <translation>Ctrl+Alt++</translation>
    </message>
    <message>
        <source>Setting volume to minimum</source>
        <translation>Régler le volume au minimum</translation>
    </message>
    <message>
        <source>Ctrl+Alt+-</source>
        <translation>Ctrl+Alt+-</translation>
    </message>
    <message>
        <source>Setting volume</source>
        <translation>Réglage du volume</translation>
    </message>
    <message>
        <source>-0 dB</source>
        <translation>-0 dB</translation>
    </message>
    <message>
        <source>ID Number</source>
        <translation>Numéro d&apos;identification du lecteur</translation>
    </message>
    <message>
        <source>Transport</source>
        <translation>Lecture</translation>
    </message>
    <message>
        <source>Previous File</source>
        <translation>Fichier précédent</translation>
    </message>
    <message>
        <source>Ctrl+Left</source>
        <translation>Ctrl+Left</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Lire</translation>
    </message>
    <message>
        <source>Ctrl+Return</source>
        <translation>Ctrl+Return</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Arrêter</translation>
    </message>
    <message>
        <source>Ctrl+Space</source>
        <translation>Ctrl+Space</translation>
    </message>
    <message>
        <source>Next File</source>
        <translation>Fichier suivant</translation>
    </message>
    <message>
        <source>Ctrl+Right</source>
        <translation>Ctrl+Right</translation>
    </message>
    <message>
        <source>Folder number</source>
        <translation>Numéro de dossier</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>Lancer</translation>
    </message>
    <message>
        <source>Serial Port</source>
        <translation>Port série</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Connecter</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Déconnecter</translation>
    </message>
    <message>
        <source>Port name</source>
        <translation>Nom du port</translation>
    </message>
    <message>
        <source>Baudrate value</source>
        <translation>Débit en bauds</translation>
    </message>
    <message>
        <source>Auto-connection</source>
        <translation>Connexion automatique</translation>
    </message>
    <message>
        <source>Status / Command Message</source>
        <translation>État / Message de commande</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Appareil</translation>
    </message>
    <message>
        <source>Device name</source>
        <translation>Modèle d&apos;appareil</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>Aid&amp;e</translation>
    </message>
    <message>
        <source>&amp;Languages</source>
        <translation>&amp;Langues</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation>Ctrl+Q</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>À &amp;propos</translation>
    </message>
    <message>
        <source>&amp;Contact Technical Support</source>
        <translation>&amp;Contacter l&apos;assistance technique</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Connecté</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Déconnecté</translation>
    </message>
    <message>
        <source>Connection lost</source>
        <translation>Connexion perdue</translation>
    </message>
    <message>
        <source> (not sent)</source>
        <translation> (non envoyé)</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Suivant</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>Précédent</translation>
    </message>
    <message>
        <source>Load folder</source>
        <translation>Lancer le dossier</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Muet</translation>
    </message>
    <message>
        <source>Subject: Corvane Support Request (From:</source>
        <translation>Objet&#xa0;: Demande d&apos;assistance Corvane (depuis&#xa0;:</translation>
    </message>
    <message>
        <source>Here: your question...</source>
        <translation>Ici&#xa0;: votre question...</translation>
    </message>
    <message>
        <source>no serial port found</source>
        <translation>aucun port série trouvé</translation>
    </message>
    <message>
        <source>Settings not saved</source>
        <translation>Réglages non enregistrés</translation>
    </message>
    <message>
        <source>Your settings could not be saved.
%1
The file is left as it was.</source>
        <translation>Vos réglages n&apos;ont pas pu être enregistrés.
%1
Le fichier est resté tel quel.</translation>
    </message>
    <message>
        <source>No French catalogue found; the texts stay in English</source>
        <translation>Aucun catalogue français trouvé&#xa0;; les textes restent en anglais</translation>
    </message>
    <message>
        <source>Waiting for %1</source>
        <translation>En attente de %1</translation>
    </message>
    <message>
        <source>Reconnected</source>
        <translation>Reconnecté</translation>
    </message>
    <message>
        <source>Open failed: %1</source>
        <translation>Échec de l&apos;ouverture&#xa0;: %1</translation>
    </message>
    <message>
        <source>Settings not saved: %1</source>
        <translation>Réglages non enregistrés&#xa0;: %1</translation>
    </message>
    <message>
        <source>Reconnected: %1 (the same adapter)</source>
        <translation>Reconnecté&#xa0;: %1 (le même adaptateur)</translation>
    </message>
    <message>
        <source>Open: %1 (the same adapter)</source>
        <translation>Connecté&#xa0;: %1 (le même adaptateur)</translation>
    </message>
    <message>
        <source>Maximum volume</source>
        <translation>Volume maximum</translation>
    </message>
    <message>
        <source>Minimum volume</source>
        <translation>Volume minimum</translation>
    </message>
    <message>
        <source>Pla&amp;yer ID</source>
        <translation>&amp;N° de lecteur</translation>
    </message>
    <message>
        <source>F&amp;older</source>
        <translation>D&amp;ossier</translation>
    </message>
    <message>
        <source>&amp;Port</source>
        <translation>&amp;Port</translation>
    </message>
    <message>
        <source>&amp;BaudRate</source>
        <translation>&amp;Débit</translation>
    </message>
    <message>
        <source>&amp;Auto-connection</source>
        <translation>&amp;Connexion automatique</translation>
    </message>
    <message>
        <source>&amp;Devices</source>
        <translation>&amp;Modèle</translation>
    </message>
    <message>
        <source>Corvane &amp;Home Page</source>
        <translation>Site &amp;web de Corvane</translation>
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
        <translation>(&amp;Langue du système)</translation>
    </message>
</context>
<context>
    <name>MqttBridge</name>
    <message>
        <source>the broker did not answer</source>
        <translation>le courtier n&apos;a pas répondu</translation>
    </message>
    <message>
        <source>%1 cannot be read</source>
        <translation>%1 ne peut pas être lu</translation>
    </message>
    <message>
        <source>a line cannot be named &quot;%1&quot;: %2/all/command stops every line of the building</source>
        <translation>une ligne ne peut pas s’appeler «&#xa0;%1&#xa0;»&#xa0;: %2/all/command arrête toutes les lignes du bâtiment</translation>
    </message>
    <message>
        <source>a client certificate needs its key, and a key its certificate</source>
        <translation>un certificat client demande sa clé, et une clé son certificat</translation>
    </message>
    <message>
        <source>the MQTT client could not be made</source>
        <translation>le client MQTT n&apos;a pas pu être créé</translation>
    </message>
    <message>
        <source>TLS: %1</source>
        <translation>TLS&#xa0;: %1</translation>
    </message>
    <message>
        <source>MQTT %1:%2: %3; trying again</source>
        <translation>MQTT %1:%2&#xa0;: %3&#xa0;; nouvel essai</translation>
    </message>
    <message>
        <source>MQTT: joined %1:%2 as %3</source>
        <translation>MQTT&#xa0;: connecté à %1:%2 en tant que %3</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be a level of a topic: it must not be empty or hold +, # or /</source>
        <translation>« %1 » ne peut pas être un niveau de sujet&#xa0;: il ne doit être ni vide ni contenir +, # ou /</translation>
    </message>
    <message>
        <source>MQTT: joined %1:%2 for the building under %3</source>
        <translation>MQTT&#xa0;: %1:%2 rejoint pour le bâtiment, sous %3</translation>
    </message>
</context>
<context>
    <name>PlayersDialog</name>
    <message>
        <source>Players</source>
        <translation>Lecteurs</translation>
    </message>
    <message>
        <source>The players on this line, each an &amp;ID and a name. A name stands for the ID in commands, scenes and remote control.</source>
        <translation>Les lecteurs de cette ligne, chacun avec un &amp;identifiant et un nom. Le nom remplace l&apos;identifiant dans les commandes, les scènes et la télécommande.</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>Identifiant</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Ajouter</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Retirer</translation>
    </message>
    <message>
        <source>ID %1 is listed twice</source>
        <translation>l&apos;identifiant %1 figure deux fois</translation>
    </message>
    <message>
        <source>Row %1: %2</source>
        <translation>Ligne %1&#xa0;: %2</translation>
    </message>
</context>
<context>
    <name>PortWatcher</name>
    <message>
        <source>Manufacturer: %1</source>
        <translation>Fabricant&#xa0;: %1</translation>
    </message>
    <message>
        <source>Serial number: %1</source>
        <translation>Numéro de série&#xa0;: %1</translation>
    </message>
    <message>
        <source>USB id: %1:%2</source>
        <translation>Identifiant USB&#xa0;: %1:%2</translation>
    </message>
</context>
<context>
    <name>RemoteControl</name>
    <message>
        <source>&amp;Remote Control...</source>
        <translation>&amp;Télécommande...</translation>
    </message>
    <message>
        <source>Not saved: %1</source>
        <translation>Non enregistré&#xa0;: %1</translation>
    </message>
    <message>
        <source>MQTT not started: %1</source>
        <translation>MQTT non démarré&#xa0;: %1</translation>
    </message>
    <message>
        <source>Remote control off</source>
        <translation>Télécommande désactivée</translation>
    </message>
    <message>
        <source>Remote control on: %1</source>
        <translation>Télécommande active&#xa0;: %1</translation>
    </message>
    <message>
        <source>Remote control failed: %1</source>
        <translation>Échec de la télécommande&#xa0;: %1</translation>
    </message>
    <message>
        <source>The page has no token: %1</source>
        <translation>La page n&apos;a pas de jeton&#xa0;: %1</translation>
    </message>
    <message>
        <source>The page is off</source>
        <translation>La page est arrêtée</translation>
    </message>
    <message>
        <source>The page is served on port %1</source>
        <translation>La page est servie sur le port %1</translation>
    </message>
    <message>
        <source>The page failed: %1</source>
        <translation>La page n&apos;a pas démarré&#xa0;: %1</translation>
    </message>
    <message>
        <source>%1; remote control and the broker stay off</source>
        <translation>%1&#xa0;; la commande à distance et le courtier restent éteints</translation>
    </message>
</context>
<context>
    <name>RemoteControlDialog</name>
    <message>
        <source>Remote Control</source>
        <translation>Télécommande</translation>
    </message>
    <message>
        <source>&amp;Take cues from show controllers on the network</source>
        <translation>&amp;Recevoir les ordres des régies de spectacle par le réseau</translation>
    </message>
    <message>
        <source>&amp;OSC port (UDP and TCP):</source>
        <translation>Port &amp;OSC (UDP et TCP)&#xa0;:</translation>
    </message>
    <message>
        <source>T&amp;ext port (UDP and TCP):</source>
        <translation>Port te&amp;xte (UDP et TCP)&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;Listen on:</source>
        <translation>&amp;Écouter sur&#xa0;:</translation>
    </message>
    <message>
        <source>The address of this machine the controllers send to; 127.0.0.1 is this machine only, 0.0.0.0 every network</source>
        <translation>L&apos;adresse de cette machine à laquelle les régies envoient&#xa0;; 127.0.0.1 pour cette machine seule, 0.0.0.0 pour tous les réseaux</translation>
    </message>
    <message>
        <source>&amp;Allowed clients:</source>
        <translation>&amp;Clients autorisés&#xa0;:</translation>
    </message>
    <message>
        <source>Addresses and subnets, separated by spaces, such as 192.168.1.20 192.168.2.0/24; empty: this machine only</source>
        <translation>Adresses et sous-réseaux, séparés par des espaces, comme 192.168.1.20 192.168.2.0/24&#xa0;; vide&#xa0;: cette machine seule</translation>
    </message>
    <message>
        <source>this machine only</source>
        <translation>cette machine seule</translation>
    </message>
    <message>
        <source>OSC and text carry no password: anyone who can reach these ports from an allowed address can cue the players.</source>
        <translation>OSC et le texte n&apos;ont pas de mot de passe&#xa0;: quiconque atteint ces ports depuis une adresse autorisée peut commander les lecteurs.</translation>
    </message>
    <message>
        <source>&amp;MQTT broker</source>
        <translation>Courtier &amp;MQTT</translation>
    </message>
    <message>
        <source>Bro&amp;ker:</source>
        <translation>Court&amp;ier&#xa0;:</translation>
    </message>
    <message>
        <source>Po&amp;rt:</source>
        <translation>&amp;Port&#xa0;:</translation>
    </message>
    <message>
        <source>Client I&amp;D:</source>
        <translation>I&amp;dentifiant client&#xa0;:</translation>
    </message>
    <message>
        <source>tessary-LINE</source>
        <translation>tessary-LIGNE</translation>
    </message>
    <message>
        <source>&amp;User:</source>
        <translation>&amp;Utilisateur&#xa0;:</translation>
    </message>
    <message>
        <source>Pass&amp;word:</source>
        <translation>Mo&amp;t de passe&#xa0;:</translation>
    </message>
    <message>
        <source>CA &amp;file (TLS):</source>
        <translation>&amp;Fichier de l&apos;autorité (TLS)&#xa0;:</translation>
    </message>
    <message>
        <source>Client &amp;certificate:</source>
        <translation>C&amp;ertificat client&#xa0;:</translation>
    </message>
    <message>
        <source>Topic &amp;prefix:</source>
        <translation>Préfixe des &amp;sujets&#xa0;:</translation>
    </message>
    <message>
        <source>This li&amp;ne&apos;s name:</source>
        <translation>&amp;Nom de cette ligne&#xa0;:</translation>
    </message>
    <message>
        <source>the host name</source>
        <translation>le nom de la machine</translation>
    </message>
    <message>
        <source>&amp;Home Assistant discovery</source>
        <translation>Découverte &amp;Home Assistant</translation>
    </message>
    <message>
        <source>Client ke&amp;y:</source>
        <translation>Clé c&amp;lient&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;Show controllers</source>
        <translation>Ré&amp;gies de spectacle</translation>
    </message>
    <message>
        <source>&amp;Broker</source>
        <translation>&amp;Broker MQTT</translation>
    </message>
    <message>
        <source>Pa&amp;ge</source>
        <translation>&amp;Page d&apos;accueil</translation>
    </message>
    <message>
        <source>Ser&amp;ve the front desk&apos;s page</source>
        <translation>Ser&amp;vir la page de l&apos;accueil</translation>
    </message>
    <message>
        <source>Por&amp;t:</source>
        <translation>Por&amp;t&#xa0;:</translation>
    </message>
    <message>
        <source>Allo&amp;wed:</source>
        <translation>Auto&amp;risés&#xa0;:</translation>
    </message>
    <message>
        <source>The page cannot be served: %1</source>
        <translation>La page ne peut pas être servie&#xa0;: %1</translation>
    </message>
    <message>
        <source>QR code of the page&apos;s address</source>
        <translation>Code QR de l&apos;adresse de la page</translation>
    </message>
    <message>
        <source>%1
Only this machine can open it: choose where to listen under Show controllers.</source>
        <translation>%1
Seule cette machine peut l&apos;ouvrir : choisissez où écouter sous Régies de spectacle.</translation>
    </message>
</context>
<context>
    <name>RemoteServer</name>
    <message>
        <source>%1 is not an address of this machine</source>
        <translation>%1 n&apos;est pas une adresse de cette machine</translation>
    </message>
    <message>
        <source>port %1 on %2 is in use</source>
        <translation>le port %1 sur %2 est déjà utilisé</translation>
    </message>
    <message>
        <source>OSC on port %1, text on port %2, on %3</source>
        <translation>OSC sur le port %1, texte sur le port %2, sur %3</translation>
    </message>
    <message>
        <source>OSC and text cannot share port %1</source>
        <translation>OSC et texte ne peuvent pas partager le port %1</translation>
    </message>
    <message>
        <source>port %1 on %2: %3</source>
        <translation>le port %1 sur %2&#xa0;: %3</translation>
    </message>
    <message>
        <source>port %1 on %2 is in use by another program (%3)</source>
        <translation>le port %1 sur %2 est utilisé par un autre programme (%3)</translation>
    </message>
    <message>
        <source>%1 is not an address as written: four numbers from 0 to 255, such as 192.168.1.20, or an IPv6 address</source>
        <translation>%1 n’est pas une adresse telle qu’écrite&#xa0;: quatre nombres de 0 à 255, comme 192.168.1.20, ou une adresse IPv6</translation>
    </message>
    <message>
        <source>%1 is not an address or a subnet as written, such as 192.168.1.20 or 192.168.1.0/24</source>
        <translation>%1 n’est ni une adresse ni un sous-réseau tels qu’écrits, comme 192.168.1.20 ou 192.168.1.0/24</translation>
    </message>
    <message>
        <source>%1 messages; their answers are longer than they were</source>
        <translation>%1 messages&#xa0;; leurs réponses sont plus longues qu’eux</translation>
    </message>
    <message>
        <source>a packet larger than %1 bytes</source>
        <translation>un paquet de plus de %1 octets</translation>
    </message>
</context>
<context>
    <name>SafeFile</name>
    <message>
        <source>not a regular file</source>
        <translation>pas un fichier ordinaire</translation>
    </message>
    <message>
        <source>could not be written</source>
        <translation>n&apos;a pas pu être écrit</translation>
    </message>
</context>
<context>
    <name>ScenesDialog</name>
    <message>
        <source>Scenes</source>
        <translation>Scènes</translation>
    </message>
    <message>
        <source>&amp;Scenes:</source>
        <translation>&amp;Scènes&#xa0;:</translation>
    </message>
    <message>
        <source>S&amp;teps, one a line: a player and its commands, or &quot;wait SECONDS&quot;:</source>
        <translation>É&amp;tapes, une par ligne&#xa0;: un lecteur et ses commandes, ou « wait SECONDES »&#xa0;:</translation>
    </message>
    <message>
        <source>narration folder 3
courtyard volume -6
wait 2
lobby play</source>
        <translation>narration folder 3
cour volume -6
wait 2
hall play</translation>
    </message>
    <message>
        <source>S&amp;hortcut:</source>
        <translation>Ra&amp;ccourci&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;Add...</source>
        <translation>&amp;Ajouter...</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Retirer</translation>
    </message>
    <message>
        <source>New scene</source>
        <translation>Nouvelle scène</translation>
    </message>
    <message>
        <source>Name:</source>
        <translation>Nom&#xa0;:</translation>
    </message>
    <message>
        <source>a scene of that name is there already</source>
        <translation>une scène de ce nom existe déjà</translation>
    </message>
    <message>
        <source>line %1: %2</source>
        <translation>ligne %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>%1 is a key of the window already</source>
        <translation>%1 est déjà une touche de la fenêtre</translation>
    </message>
    <message>
        <source>%1 is the shortcut of scene %2 already</source>
        <translation>%1 est déjà le raccourci de la scène %2</translation>
    </message>
</context>
<context>
    <name>ScheduleDialog</name>
    <message>
        <source>Schedule</source>
        <translation>Programme</translation>
    </message>
    <message>
        <source>&amp;Today:</source>
        <translation>Au&amp;jourd’hui&#xa0;:</translation>
    </message>
    <message>
        <source>&amp;Hold for today</source>
        <translation>&amp;Suspendre pour aujourd’hui</translation>
    </message>
    <message>
        <source>S&amp;kip the next cue</source>
        <translation>Sa&amp;uter le prochain repère</translation>
    </message>
    <message>
        <source>&amp;Lines: days, a time and a request; timezone=, tolerance=; closed DAYS; DAYS until TIME:</source>
        <translation>&amp;Lignes&#xa0;: jours, heure et requête&#xa0;; timezone=, tolerance=&#xa0;; closed JOURS&#xa0;; JOURS until HEURE&#xa0;:</translation>
    </message>
    <message>
        <source>Tue-Fri 10:00 scene Opening
Sat,Sun 09:00 scene Opening
daily 18:00 all stop
closed Mon
2026-12-31 until 16:00</source>
        <translation>Tue-Fri 10:00 scene Ouverture
Sat,Sun 09:00 scene Ouverture
daily 18:00 all stop
closed Mon
2026-12-31 until 16:00</translation>
    </message>
    <message>
        <source>window</source>
        <translation>fenêtre</translation>
    </message>
    <message>
        <source>Closed today</source>
        <translation>Fermé aujourd’hui</translation>
    </message>
    <message>
        <source>%1 %2 (to be skipped)</source>
        <translation>%1 %2 (à sauter)</translation>
    </message>
    <message>
        <source>%1 %2 (past)</source>
        <translation>%1 %2 (passé)</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>Next: %1 on %2</source>
        <translation>Prochain&#xa0;: %1, %2</translation>
    </message>
    <message>
        <source>No cue in the next 8 days</source>
        <translation>Aucun repère dans les 8 prochains jours</translation>
    </message>
</context>
<context>
    <name>SerialLink</name>
    <message>
        <source>a stale lock of another user blocks %1: %2</source>
        <translation>un verrou périmé d&apos;un autre utilisateur bloque %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>%1 is in use by another program</source>
        <translation>%1 est utilisé par un autre programme</translation>
    </message>
    <message>
        <source>%1 is in use by another program (PID %2)</source>
        <translation>%1 est utilisé par un autre programme (PID %2)</translation>
    </message>
    <message>
        <source>%1 is in use by another program (PID %2, %3)</source>
        <translation>%1 est utilisé par un autre programme (PID %2, %3)</translation>
    </message>
    <message>
        <source>%1: no such device</source>
        <translation>%1&#xa0;: périphérique introuvable</translation>
    </message>
    <message>
        <source>%1: permission denied; join the group %2 and log in again</source>
        <translation>%1&#xa0;: accès refusé&#xa0;; rejoignez le groupe %2 puis reconnectez-vous à votre session</translation>
    </message>
    <message>
        <source>%1: permission denied; an administrator must grant you access</source>
        <translation>%1&#xa0;: accès refusé&#xa0;; un administrateur doit vous en donner l&apos;accès</translation>
    </message>
</context>
<context>
    <name>SettingsStore</name>
    <message>
        <source>the folder cannot be made</source>
        <translation>le dossier ne peut pas être créé</translation>
    </message>
</context>
</TS>
