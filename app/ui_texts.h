#pragma once

// The fixed German texts of the user interface. Kept in one place so that the menus, the tool
// bar, the status bar and the tests agree on every character.
namespace ui {

inline constexpr const char* kAppTitle = "Tesmora";
inline constexpr const char* kUntitled = "Unbenannt";
inline constexpr const char* kIdle = "Bereit";  // the status bar's message pane when idle

// The command line: tesmora --help, and what ends a command line that cannot be used.
inline constexpr const char* kCommandLineHelp =
    "Aufruf: tesmora [Optionen] [Datei...]\n"
    "Betrachter für zweidimensionale Strömungsfelder: Geschwindigkeit, Druck oder Wirbelstärke\n"
    "als Farbe unter gleichmäßig verteilten Stromlinien oder Pfeilen.\n"
    "\n"
    "Optionen:\n"
    "  -h, --help     Zeigt diese Hilfe und endet.\n"
    "  -v, --version  Zeigt die Versionsnummer und das Copyright und endet.\n"
    "\n"
    "Argumente:\n"
    "  Datei          Wird geöffnet wie mit Datei > Öffnen: eine Geometriedatei (.gri)\n"
    "                 mit ihrer Lösungsdatei, Spaltentext (.txt, .csv, .tsv, .dat),\n"
    "                 Tecplot ASCII (.dat, .tec, .plt, .vec) oder VTK (.vtk, .vti, .vtr,\n"
    "                 .vts, .vtu, .vtp; Netze werden auf ein Gitter abgetastet).\n"
    "                 Mehrere Dateien sind die Bilder einer Folge, in der Reihenfolge\n"
    "                 der Zahlen in ihren Pfaden; ebenso die nummerierten Lösungsdateien\n"
    "                 NAME.00000.dat, NAME.00001.dat, ... einer Geometriedatei, die Zonen\n"
    "                 einer Tecplot-Datei und eine ParaView-Sammlung (.pvd).\n"
    "\n"
    "Ohne Datei öffnet sich das Fenster leer. tesmora-render, tesmora-info, tesmora-flowgen\n"
    "und tesmora-convert arbeiten ohne Fenster; sie sprechen Englisch (jeweils --help).\n";
// The bar of a time series' frames.
inline constexpr const char* kFrameBarTitle = "Bildfolge";
inline constexpr const char* kFramePrevious = "Bild zurück (Bild auf)";
inline constexpr const char* kFrameNext = "Bild vor (Bild ab)";
inline constexpr const char* kFramePlay = "Abspielen (Leertaste)";
inline constexpr const char* kFrameRate = "Bilder/s";
inline constexpr const char* kFrameNumber = "Bild %1 von %2";
inline constexpr const char* kFrameCoherent = "Stromlinien mitführen";
inline constexpr const char* kFrameCoherentTip =
    "Jedes Bild beginnt mit den Stromlinien des vorigen, wo die Strömung es zulässt, statt alle neu "
    "zu verteilen: die Linien springen nicht von Bild zu Bild.";
inline constexpr const char* kFrameRange = "Farbskala je Bild";
inline constexpr const char* kTryHelp = "„tesmora --help“ zeigt die Optionen.";

// Menu captions; the text after a tab is the shortcut as the menu shows it.
inline constexpr const char* kMenuFile = "&Datei";
inline constexpr const char* kFileNew = "&Neu\tStrg+N";
inline constexpr const char* kFileOpen = "Ö&ffnen...\tStrg+O";
inline constexpr const char* kFileSave = "S&peichern\tStrg+S";
inline constexpr const char* kFileSaveAs = "Speichern &unter...";
inline constexpr const char* kAppExit = "&Beenden";
inline constexpr const char* kMenuEdit = "&Bearbeiten";
inline constexpr const char* kEditUndo = "&Rückgängig\tStrg+Z";
inline constexpr const char* kEditCut = "&Ausschneiden\tStrg+X";
inline constexpr const char* kEditCopy = "&Kopieren\tStrg+C";
inline constexpr const char* kEditPaste = "E&infügen\tStrg+V";
inline constexpr const char* kMenuView = "&Ansicht";
inline constexpr const char* kViewToolBar = "&Symbolleiste";
inline constexpr const char* kViewStatusBar = "S&tatusleiste";
inline constexpr const char* kViewLegend = "&Farblegende";
inline constexpr const char* kMenuColourMap = "Farb&skala";
inline constexpr const char* kMapDesign = "&Grün, Rot, Grau";
inline constexpr const char* kMapViridis = "&Viridis";
inline constexpr const char* kMapCividis = "&Cividis";
inline constexpr const char* kMapCoolwarm = "&Kühl–warm, um null";
inline constexpr const char* kViewEqualAspect = "&Gleiche Maßstäbe";
inline constexpr const char* kViewFitWindow = "An &Fenster anpassen";
inline constexpr const char* kViewFillView = "Fenster f&üllen";
inline constexpr const char* kViewWholeData = "Ganze &Daten\tPos1";
inline constexpr const char* kViewAxes = "A&chsen";
inline constexpr const char* kViewLineArrows = "Strömungs&richtung";
inline constexpr const char* kViewArrowHeads = "&Pfeilspitzen";
inline constexpr const char* kViewSmooth = "Gl&ätten";
inline constexpr const char* kMenuLineColour = "L&inienfarbe";
inline constexpr const char* kLinesPlainText = "&Einfarbig";
inline constexpr const char* kLinesSpeedText = "Nach &Geschwindigkeit";
inline constexpr const char* kLinesPressureText = "Nach &Druck";
inline constexpr const char* kLinesVorticityText = "Nach W&irbelstärke";
inline constexpr const char* kMenuHelp = "&?";
inline constexpr const char* kAppAbout = "Inf&o über Tesmora...";

// Status-bar prompt and tool tip of each command.
struct Prompt {
    const char* status;
    const char* tip;
};
inline constexpr Prompt kPromptNew{"Erstellt ein neues Dokument.", "Neu"};
inline constexpr Prompt kPromptOpen{"Öffnet ein bestehendes Dokument.", "Öffnen"};
inline constexpr Prompt kPromptSave{"Speichert das angezeigte Bild als PNG-Datei.", "Speichern"};
inline constexpr Prompt kPromptSaveAs{"Speichert das angezeigte Bild unter einem neuen Namen.",
                                      "Speichern unter"};
inline constexpr Prompt kPromptExit{"Beendet die Anwendung.", "Beenden"};
inline constexpr Prompt kPromptUndo{"Macht die letzte Aktion rückgängig.", "Rückgängig"};
inline constexpr Prompt kPromptCut{"Entfernt die Markierung und kopiert sie in die Zwischenablage.",
                                   "Ausschneiden"};
inline constexpr Prompt kPromptCopy{"Kopiert das Bild, wie es die Ansicht zeigt, in die Zwischenablage.",
                                    "Bild kopieren"};
inline constexpr Prompt kPromptPaste{"Fügt den Inhalt der Zwischenablage ein.", "Einfügen"};
inline constexpr Prompt kPromptToolBar{"Blendet die Symbolleiste ein oder aus.",
                                       "Symbolleiste ein-/ausblenden"};
inline constexpr Prompt kPromptStatusBar{"Blendet die Statusleiste ein oder aus.",
                                         "Statusleiste ein-/ausblenden"};
inline constexpr Prompt kPromptLegend{"Zeigt rechts neben dem Bild die Farbskala mit ihren Werten.",
                                      "Farblegende ein-/ausblenden"};
inline constexpr Prompt kPromptMapDesign{
    "Geschwindigkeit grün, Druck rot, Wirbelstärke grau, von Schwarz beim kleinsten Wert; gilt ab Draw.",
    "Grün, Rot, Grau"};
inline constexpr Prompt kPromptMapViridis{
    "Gleichmäßig heller werdende Farbskala von Violett bis Gelb, vom kleinsten zum größten Wert; gilt ab "
    "Draw.",
    "Viridis"};
inline constexpr Prompt kPromptMapCividis{
    "Wie Viridis, auch bei Farbenfehlsichtigkeit gleichmäßig, von Blau bis Gelb; gilt ab Draw.", "Cividis"};
inline constexpr Prompt kPromptMapCoolwarm{
    "Blau unter null, Rot über null, symmetrisch um null: für die Wirbelstärke; gilt ab Draw.", "Kühl–warm"};
inline constexpr Prompt kPromptEqualAspect{
    "Ein Maßstab für beide Achsen: Kreise bleiben rund, die Daten mittig; gilt ab Draw.", "Gleiche Maßstäbe"};
inline constexpr Prompt kPromptFitWindow{
    "Vergrößert das Bild mit Legende so weit, wie es in die Ansicht passt.", "An Fenster anpassen"};
inline constexpr Prompt kPromptFillView{
    "Das Bild füllt die Ansicht in der Auflösung des Bildschirms, die Daten in ihren Proportionen; "
    "das Mausrad vergrößert um den Mauszeiger, Ziehen mit der mittleren Maustaste oder mit Umschalt "
    "verschiebt.",
    "Fenster füllen"};
inline constexpr Prompt kPromptWholeData{"Zeigt wieder die ganzen Daten.", "Ganze Daten"};
inline constexpr Prompt kPromptAxes{
    "Rahmen um das Bild mit Teilstrichen und Beschriftung in den Koordinaten der Daten.",
    "Achsen ein-/ausblenden"};
inline constexpr Prompt kPromptLineArrows{
    "Pfeilspitzen in gleichen Abständen entlang jeder Stromlinie zeigen stromabwärts.", "Strömungsrichtung"};
inline constexpr Prompt kPromptArrowHeads{"Spitzen an den Pfeilen der Pfeildarstellung.", "Pfeilspitzen"};
inline constexpr Prompt kPromptSmooth{"Zeichnet Stromlinien und Pfeile kantengeglättet.", "Glätten"};
inline constexpr Prompt kPromptLinesPlain{"Stromlinien in einer Farbe; gilt ab Draw.", "Linien einfarbig"};
inline constexpr Prompt kPromptLinesSpeed{
    "Färbt die Stromlinien nach der Geschwindigkeit mit der gewählten Farbskala; gilt ab Draw.",
    "Linien nach Geschwindigkeit"};
inline constexpr Prompt kPromptLinesPressure{
    "Färbt die Stromlinien nach dem Druck mit der gewählten Farbskala; gilt ab Draw.", "Linien nach Druck"};
inline constexpr Prompt kPromptLinesVorticity{
    "Färbt die Stromlinien nach der Wirbelstärke mit der gewählten Farbskala; gilt ab Draw.",
    "Linien nach Wirbelstärke"};
inline constexpr Prompt kPromptAbout{"Zeigt Programminformationen, Versionsnummer und Copyright an.", "Info"};
inline constexpr Prompt kPromptNextPane{"Wechselt zum nächsten Fensterausschnitt.", "Nächster Ausschnitt"};
// The frame bar's choice of what the colours of a series span.
inline constexpr Prompt kPromptFrameRange{
    "Jedes Bild der Folge färbt nach seinen eigenen Werten, die Farblegende ebenso; sonst gilt eine "
    "Farbskala über alle Bilder.",
    "Farbskala je Bild statt über die ganze Folge"};
inline constexpr Prompt kPromptPrevPane{"Wechselt zum vorherigen Fensterausschnitt.",
                                        "Vorheriger Ausschnitt"};

// Band titles, shown when the bars are listed in the frame's context menu.
inline constexpr const char* kToolBarTitle = "Symbolleiste";
inline constexpr const char* kControlBarTitle = "Steuerleiste";

// Control bar.
inline constexpr const char* kDSep = "dsep";
inline constexpr const char* kDTestPercent = "dtest%";
inline constexpr const char* kBackground = "Bg:";
inline constexpr const char* kBgSpeed = "Vel";
inline constexpr const char* kBgPressure = "Pres";
inline constexpr const char* kBgVorticity = "Vort";
inline constexpr const char* kMethod = "Meth";
inline constexpr const char* kEuler = "Euler";
inline constexpr const char* kRK2 = "RK2";
inline constexpr const char* kRK4 = "RK4";
inline constexpr const char* kStep = "Schritt:";
inline constexpr const char* kStepTime = "0,1";
inline constexpr const char* kStepHalfPixel = "0,5 px";
inline constexpr const char* kStepOnePixel = "1 px";
inline constexpr const char* kStepTwoPixels = "2 px";
inline constexpr const char* kFinePlacement = "gleichmäßig (fein)";
// The status bar's note after opening a data set on which the time step does not suit; %1 the
// step, %2 and %3 its advance in pixels at the median and the 95th percentile of the speed.
inline constexpr const char* kTimeStepNote =
    "Hinweis: Ein Zeitschritt von %1 bewegt einen Punkt beim Median der Geschwindigkeit um %2 Pixel "
    "(95. Perzentil: %3 Pixel). Besser: Schritt „1 px“ und „gleichmäßig (fein)“ wählen, dann Draw.";
// The status bar's button beside that note: it makes those two choices and draws.
inline constexpr const char* kHintButton = "1 px + gleichmäßig (fein) zeichnen";
inline constexpr Prompt kPromptHintButton{"Wählt Schritt „1 px“ und „gleichmäßig (fein)“ und zeichnet neu.",
                                          "Schritt „1 px“ und „gleichmäßig (fein)“ wählen und zeichnen"};
// After a Draw or an open with the standard placement that placed fewer than a fifth of the streamlines
// the fine placement places with the same settings; %1 and %2 are the two counts.
inline constexpr const char* kFewLinesNote =
    "Hinweis: Diese Verteilung hat nur %1 Stromlinien gesetzt, „gleichmäßig (fein)“ setzt %2. "
    "„gleichmäßig (fein)“ wählen und Draw drücken.";
inline constexpr const char* kStreamline = "Streamline";
inline constexpr const char* kHedgehog = "Hedgehog";
inline constexpr const char* kArrowsBySpeed = "Vel";
inline constexpr const char* kDraw = "Draw";

// What each control of the control bar does: the status-bar prompt while the pointer rests on
// it, and its tool tip.
inline constexpr Prompt kPromptDSep{
    "Trennabstand d_sep der Stromlinien in Pixeln (5 bis 20); gilt ab dem nächsten Zeichnen oder Öffnen.",
    "Trennabstand d_sep in Pixeln"};
inline constexpr Prompt kPromptDTestPercent{
    "Testabstand d_test in Prozent von d_sep (10 bis 90): so nah darf eine wachsende Stromlinie einer "
    "anderen "
    "kommen, bevor sie endet.",
    "Testabstand d_test in Prozent von d_sep"};
inline constexpr Prompt kPromptBgSpeed{
    "Hintergrund: Betrag der Geschwindigkeit, grün; gilt ab dem nächsten Zeichnen.",
    "Hintergrund Geschwindigkeit"};
inline constexpr Prompt kPromptBgPressure{"Hintergrund: Druck, rot; gilt ab dem nächsten Zeichnen.",
                                          "Hintergrund Druck"};
inline constexpr Prompt kPromptBgVorticity{"Hintergrund: Wirbelstärke, grau; gilt ab dem nächsten Zeichnen.",
                                           "Hintergrund Wirbelstärke"};
inline constexpr Prompt kPromptEuler{"Stromlinien mit dem Euler-Verfahren (erster Ordnung) integrieren.",
                                     "Euler-Verfahren"};
inline constexpr Prompt kPromptRK2{
    "Stromlinien mit dem Runge-Kutta-Verfahren zweiter Ordnung (Mittelpunktregel) "
    "integrieren.",
    "Runge-Kutta zweiter Ordnung"};
inline constexpr Prompt kPromptRK4{
    "Stromlinien mit dem klassischen Runge-Kutta-Verfahren vierter Ordnung integrieren.",
    "Runge-Kutta vierter Ordnung"};
inline constexpr Prompt kPromptStreamline{"Zeigt die gleichmäßig verteilten Stromlinien.",
                                          "Stromlinien zeigen"};
inline constexpr Prompt kPromptHedgehog{
    "Zeigt statt der Stromlinien Pfeile der Geschwindigkeit auf einem Gitter.", "Pfeile zeigen"};
inline constexpr Prompt kPromptArrowsBySpeed{
    "Pfeillänge nach der Geschwindigkeit statt für alle Pfeile gleich (nur bei Hedgehog).",
    "Pfeillänge nach Geschwindigkeit"};
inline constexpr Prompt kPromptStep{
    "Integrationsschritt der Stromlinien: 0,1 ist der Zeitschritt in den Einheiten der Daten, px eine "
    "feste Länge in Bildpunkten entlang der Strömung; gilt ab dem nächsten Zeichnen oder Öffnen und für "
    "den Klick.",
    "Integrationsschritt"};
inline constexpr Prompt kPromptStepTime{
    "Zeitschritt 0,1 in den Einheiten der Daten: so weit, wie die Strömung in 0,1 Zeiteinheiten kommt.",
    "Zeitschritt 0,1 in den Einheiten der Daten"};
// %1 is the step's length.
inline constexpr Prompt kPromptStepPixels{
    "Jeder Schritt geht %1 Bildpunkte entlang der Strömung, gleich in welchen Einheiten die Daten "
    "vorliegen; Pfeile nach Geschwindigkeit beziehen sich dann auf die schnellste Strömung.",
    "%1 Bildpunkte entlang der Strömung je Schritt"};
inline constexpr Prompt kPromptFinePlacement{
    "Stromlinien ohne Lücken und ohne Zufall: Start neben jeder Linie, dann am Bildpunkt am weitesten "
    "von allen; geschlossene enden am Start; gilt ab dem nächsten Zeichnen oder Öffnen.",
    "Gleichmäßige Verteilung ohne Lücken"};
inline constexpr Prompt kPromptDraw{
    "Zeichnet das Bild mit den aktuellen Einstellungen neu und verteilt die Stromlinien neu.",
    "Neu zeichnen"};

// File dialogs.
inline constexpr const char* kOpenCaption = "Öffnen";
// The name of the filter with every kind of file the viewer opens; the patterns follow it.
inline constexpr const char* kAllFlowFiles = "Alle Strömungsdateien";
// One filter per format, after that one; a .dat file is read as what its content is.
inline constexpr const char* kFormatFilters[] = {
    "Geometriedateien (*.gri)",
    "Spaltentext (*.txt *.csv *.tsv *.dat)",
    "Tecplot ASCII (*.dat *.tec *.plt *.vec)",
    "VTK Legacy (*.vtk)",
    "VTK XML (*.vti *.vtr *.vts *.vtu *.vtp)",
    "PIVlab MATLAB (*.mat)",
    "netCDF (*.nc *.cdf *.nc4)",
    "ParaView-Sammlungen (*.pvd)",
};
inline constexpr const char* kAllFiles = "Alle Dateien (*)";
inline constexpr const char* kSaveAsCaption = "Speichern unter";
// Asked when a file has several planes; %1 is the last plane's number.
inline constexpr const char* kPlaneCaption = "Ebene wählen";
inline constexpr const char* kPlaneQuestion =
    "Die Datei hat die Ebenen 0 bis %1. Welche soll gezeigt werden?";
inline constexpr const char* kPngFilter = "PNG-Bilder (*.png)";
inline constexpr const char* kSvgFilter = "SVG-Vektorgrafiken (*.svg)";
inline constexpr const char* kPdfFilter = "PDF-Dokumente (*.pdf)";
inline constexpr const char* kSaveFailed = "Das Bild konnte nicht gespeichert werden:";
// %1 the picture's file, %2 the data set's file it would replace.
inline constexpr const char* kSaveWouldReplaceInput =
    "Das Bild wird nicht unter %1 gespeichert: es würde die Datei %2 des geöffneten Datensatzes ersetzen.";

// The view's OpenGL set-up message (English, as the rest of the OpenGL messages).
inline constexpr const char* kErrorCreatingRC = "Error Creating RC";

// About box.
inline constexpr const char* kAboutCaption = "Info über Tesmora";
inline constexpr const char* kAboutProduct = "Tesmora Version";
inline constexpr const char* kAboutPurpose = "Betrachter für zweidimensionale Strömungsfelder";
inline constexpr const char* kAboutCopyright = "Copyright © 2026 die Tesmora-Autoren. MIT-Lizenz.";

// Pointer read-out in the status bar.
inline constexpr const char* kReadSpeed = "Geschwindigkeit";
inline constexpr const char* kReadPressure = "Druck";
inline constexpr const char* kReadVorticity = "Wirbelstärke";

}  // namespace ui
