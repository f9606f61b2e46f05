#pragma once
// The dialogs that formulas open with INPUT and MSG, as dialogs of `parent` (the
// main window), and the event processing of the engine's step mode. A box the
// user cancels or escapes stops the evaluation (TArtFormula::RequestStop).
class QWidget;
class TArtFormula;

void InstallFormulaDialogs(TArtFormula& engine, QWidget* parent);
