#pragma once
// The find window ("Buscar ..."): finds records of one kind (zones, nodes, links,
// transit lines, movements) by the text of chosen columns of their grid rows in
// the main window, then selects them, shows them on the map, or both.
#include <QDialog>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TRadioGroup;
class TPalvonViewer;
class TStringAlignGrid;

class TDlgFind : public QDialog {
    Q_OBJECT
public:
    // `viewer`: the main window searched and shown, also the dialog's parent.
    explicit TDlgFind(TPalvonViewer* viewer);

    QLineEdit* buscar = nullptr;      // the text searched
    TRadioGroup* Buscaren = nullptr;  // kind: zones, nodes, links, lines, movements
    TRadioGroup* BuscarComo = nullptr; // 0 equal, 1 begins with, 2 contains
    TRadioGroup* Acciones = nullptr;  // 0 select, 1 show, 2 both
    QListWidget* Buscarque = nullptr; // the columns searched (check boxes)
    QPushButton* btnFind = nullptr;
    // What the last search found and in which network, said in the window: a
    // search that finds nothing (or has no column to look in) changes nothing else
    // on screen, and the window may stay up while another network is opened.
    QLabel* Resultado = nullptr;

    // Per kind, the last column ticked by default (columns 0..that one).
    static constexpr int FindDefaultCols[5] = {0, 0, 1, 0, 2};

    // Lists the chosen kind's column titles and ticks its default columns (and the
    // columns ticked before, by title, when the list showed that kind already).
    void BuscarenClick();
    void btnFindClick();
    // Moves the dialog off the found records' place on the map (world box).
    void StandAside(double minX, double maxX, double minY, double maxY);
    // Records found by the last search.
    int32_t Hits = 0;

    // Whether a cell's bytes match the search text (given in every encoding tried) the
    // way `how` says: 0 equal, 1 beginning with it, 2 containing it. Case counts;
    // an empty text matches only an empty cell, and only as equal.
    static bool CellMatches(std::string_view cell, const std::vector<std::string>& texts, int how);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    // The column list in step with the grid's titles as they stand (a listing
    // loaded, a column made or another network opened while the window stayed
    // open): each item is the column of its position, the columns ticked stay
    // ticked by their titles.
    void SyncFields();

    // The grid of a kind: 0 zones, 1 nodes, 2 links, 3 lines, 4 movements.
    TStringAlignGrid* FindGrid(int kind) const;

    TPalvonViewer* viewer_;
    int listKind_ = -1; // the kind whose titles the column list shows (-1 none yet)
};

extern TDlgFind* DlgFind;
