#pragma once
// The multi-page print window (the main window's "aMultiPrint").
#include <QDialog>

class TDlgPrint : public QDialog {
    Q_OBJECT
public:
    explicit TDlgPrint(QWidget* parent = nullptr);
};

// Created at program start (ProgramStart.cpp).
extern TDlgPrint* DlgPrint;
