<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it">
<context>
    <name>CLoggedInDlg</name>
    <message>
        <source>Collegato al centralino come interno %1 (id 0x%2).</source>
        <translation>Logged in to the PBX as extension %1 (id 0x%2).</translation>
    </message>
    <message>
        <source>Chiudi</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>CPassword</name>
    <message>
        <source>Phone</source>
        <translation>Phone</translation>
    </message>
    <message>
        <source>Password di impostazione parametri</source>
        <translation>Settings password</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CPrefDlg</name>
    <message>
        <source>Preferenze</source>
        <translation>Preferences</translation>
    </message>
    <message>
        <source>Non portare in primo piano al ricevimento di una chiamata</source>
        <translation>Do not bring to the front when a call comes in</translation>
    </message>
    <message>
        <source>Livello suonerie</source>
        <translation>Ring volume</translation>
    </message>
    <message>
        <source>basso</source>
        <translation>low</translation>
    </message>
    <message>
        <source>medio</source>
        <translation>medium</translation>
    </message>
    <message>
        <source>alto</source>
        <translation>high</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CSettingsDlg</name>
    <message>
        <source>Configura la connessione al centralino</source>
        <translation>Configure the connection to the PBX</translation>
    </message>
    <message>
        <source>Connetti utilizzando:</source>
        <translation>Connect using:</translation>
    </message>
    <message>
        <source>Connetti a indirizzo IP su connessione già attiva</source>
        <translation>Connect to an IP address over an active connection</translation>
    </message>
    <message>
        <source>Connetti tramite periferica di accesso remoto</source>
        <translation>Connect through a remote access device</translation>
    </message>
    <message>
        <source>Indirizzo IP:</source>
        <translation>IP address:</translation>
    </message>
    <message>
        <source>Periferica:</source>
        <translation>Device:</translation>
    </message>
    <message>
        <source>Porta:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Porta RTP:</source>
        <translation>RTP port:</translation>
    </message>
    <message>
        <source>RTP simmetrico:</source>
        <translation>Symmetric RTP:</translation>
    </message>
    <message>
        <source>Cancellazione eco:</source>
        <translation>Echo cancellation:</translation>
    </message>
    <message>
        <source>Soppressione silenzio:</source>
        <translation>Silence suppression:</translation>
    </message>
    <message>
        <source>Codec:</source>
        <translation>Codec:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CWarningDlg</name>
    <message>
        <source>Caduta del collegamento con il sistema</source>
        <translation>Connection to the system lost</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>CWelcomeDlg</name>
    <message>
        <source>Benvenuti in Zyphone!!!</source>
        <translation>Welcome to Zyphone!!!</translation>
    </message>
    <message>
        <source>Interno</source>
        <translation>Extension</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Entra...</source>
        <translation>Log in...</translation>
    </message>
    <message>
        <source>Connessione...</source>
        <translation>Connection...</translation>
    </message>
    <message>
        <source>Cornetta...</source>
        <translation>Handset...</translation>
    </message>
    <message>
        <source>Impostazioni...</source>
        <translation>Settings...</translation>
    </message>
    <message>
        <source>Lingua</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Italiano</source>
        <translation>Italiano</translation>
    </message>
    <message>
        <source>Inglese</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Versione:</source>
        <translation>Version:</translation>
    </message>
</context>
</TS>
