<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="it">
<context>
    <name>CAboutDlg</name>
    <message>
        <source>Informazioni su %1</source>
        <translation>About %1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>CDalmoDlg</name>
    <message>
        <source>Chiamate</source>
        <translation>Calls</translation>
    </message>
    <message>
        <source>Unified communication</source>
        <translation>Unified communication</translation>
    </message>
    <message>
        <source>Chiudi</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Riduci a icona</source>
        <translation>Minimise</translation>
    </message>
    <message>
        <source>Non disturbare</source>
        <translation>Do not disturb</translation>
    </message>
    <message>
        <source>&amp;attivato</source>
        <translation>&amp;on</translation>
    </message>
    <message>
        <source>&amp;disattivato</source>
        <translation>o&amp;ff</translation>
    </message>
    <message>
        <source>Modo</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>Invio numero</source>
        <translation>Number sending</translation>
    </message>
    <message>
        <source>abilitato</source>
        <translation>enabled</translation>
    </message>
    <message>
        <source>non abilitato</source>
        <translation>disabled</translation>
    </message>
    <message>
        <source>disponibilità</source>
        <translation>availability</translation>
    </message>
    <message>
        <source>contattabile</source>
        <translation>reachable</translation>
    </message>
    <message>
        <source>contattabile su numero</source>
        <translation>reachable on a number</translation>
    </message>
    <message>
        <source>messaggio di risposta</source>
        <translation>answer message</translation>
    </message>
    <message>
        <source>&amp;Barra servizi</source>
        <translation>&amp;Service bar</translation>
    </message>
    <message>
        <source>&amp;Elenco telefonico</source>
        <translation>&amp;Directory</translation>
    </message>
    <message>
        <source>&amp;Numeri brevi personali</source>
        <translation>&amp;Personal speed dials</translation>
    </message>
    <message>
        <source>&amp;Tasti programmabili</source>
        <translation>Programmable &amp;keys</translation>
    </message>
    <message>
        <source>Gestione c&amp;hiamate</source>
        <translation>Missed c&amp;alls</translation>
    </message>
    <message>
        <source>&amp;Coda chiamate</source>
        <translation>Call &amp;queue</translation>
    </message>
    <message>
        <source>&amp;Documentazione addebiti</source>
        <translation>&amp;Charge documentation</translation>
    </message>
    <message>
        <source>Per interno</source>
        <translation>By extension</translation>
    </message>
    <message>
        <source>Per codice</source>
        <translation>By account code</translation>
    </message>
    <message>
        <source>&amp;Stato camere</source>
        <translation>&amp;Room status</translation>
    </message>
    <message>
        <source>&amp;Gestione gruppi</source>
        <translation>&amp;Groups</translation>
    </message>
    <message>
        <source>C&amp;onfigurazione tastiera</source>
        <translation>K&amp;eyboard configuration</translation>
    </message>
    <message>
        <source>&amp;Preferenze...</source>
        <translation>P&amp;references...</translation>
    </message>
    <message>
        <source>&amp;Informazioni su ...</source>
        <translation>&amp;About ...</translation>
    </message>
</context>
<context>
    <name>CDial</name>
    <message>
        <source>Seleziona</source>
        <translation>Dial</translation>
    </message>
    <message>
        <source>&amp;Numero:</source>
        <translation>&amp;Number:</translation>
    </message>
    <message>
        <source>&amp;Prefisso:</source>
        <translation>&amp;Prefix:</translation>
    </message>
    <message>
        <source>Invia</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
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
    <name>CSpeakersDlg</name>
    <message>
        <source>Imposta i dispositivi audio</source>
        <translation>Set audio devices</translation>
    </message>
    <message>
        <source>Dispositivo di registrazione</source>
        <translation>Recording device</translation>
    </message>
    <message>
        <source>Dispositivo di riproduzione</source>
        <translation>Playback device</translation>
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
    <name>CUcTextDlg</name>
    <message>
        <source>Numero di telefono</source>
        <translation>Phone number</translation>
    </message>
    <message>
        <source>&amp;Numero:</source>
        <translation>&amp;Number:</translation>
    </message>
    <message>
        <source>Messaggio di risposta</source>
        <translation>Answer message</translation>
    </message>
    <message>
        <source>&amp;Messaggio:</source>
        <translation>&amp;Message:</translation>
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
<context>
    <name>MessageBox</name>
    <message>
        <source>Sì</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>No</source>
        <translation>No</translation>
    </message>
    <message>
        <source>Annulla</source>
        <translation>Cancel</translation>
    </message>
</context>
</TS>
