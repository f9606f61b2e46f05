#pragma once
#include <QMainWindow>

// The main window.
class TPalvonViewer : public QMainWindow {
    Q_OBJECT
public:
    explicit TPalvonViewer(QWidget* parent = nullptr);
};

extern TPalvonViewer* PalvonViewer;
