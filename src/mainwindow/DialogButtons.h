#pragma once
// The "Aceptar" / "Cancelar" row that closes the program's small dialogs.
class QDialog;
class QDialogButtonBox;

// A button box owned by the dialog whose two buttons accept and reject it; the
// caller places it in the dialog's layout.
QDialogButtonBox* NewAcceptCancelButtons(QDialog* dialog);
