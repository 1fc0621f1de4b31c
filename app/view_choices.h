#pragma once

#include <QString>

// What the viewer remembers between runs: its own choices of how the picture is shown. The
// control bar's settings start from their defaults at every start.
struct ViewChoices {
    bool fitWindow = false;  // An Fenster anpassen
    bool fillView = false;   // Fenster füllen
};

// Where the choices are kept: the user's configuration folder.
QString DefaultViewChoicesFile();
// The choices in FILE; the defaults where it has none or cannot be read.
ViewChoices LoadViewChoices(const QString& file);
// Writes CHOICES to FILE; a file that cannot be written keeps nothing, silently: the choices
// are a convenience, and the next start is as the first.
void SaveViewChoices(const QString& file, const ViewChoices& choices);
