#pragma once
// The "Aceptar" / "Cancelar" row that closes the program's small dialogs.
class QDialog;
class QDialogButtonBox;
class QTranslator;

// A button box owned by the dialog whose two buttons accept and reject it; the
// caller places it in the dialog's layout.
QDialogButtonBox* NewAcceptCancelButtons(QDialog* dialog);

// Qt's own texts in Spanish, like every other text of the program: the standard
// buttons of message boxes ("Sí", "No", "Cancelar"...) and the file, print,
// colour and font dialogs. Installed once at start-up; returns the translator,
// or null when Qt's Spanish texts are not on this machine.
QTranslator* InstallSpanishQtTexts();
