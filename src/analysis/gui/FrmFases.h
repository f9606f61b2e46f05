#pragma once
// The signal-phase design window: one junction at a time as a schematic picture
// with its lanes, turns and street names, and for a signalised junction one
// thumbnail per stage with the movements that run in it. Steps through the
// junction list, copies or prints the picture, writes word-processor documents.
#include <QWidget>

#include <array>
#include <cstdint>
#include <string>

class QAction;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QMenu;
class tgaugeCaption;
class QSpinBox;
class QToolBar;
class TMapHost;
class TOxrImage;
namespace DocWriter {
class TDocWriter;
struct PictureBox;
}

class TFrmFases : public QWidget {
public:
    explicit TFrmFases(QWidget* parent = nullptr);

    // Builds the junction list (pupNodos) from the selection or the checked types.
    void MakePupNodos();
    // Shows the junction of node index k.
    void CreateFases(int32_t k);
    // The window for one junction only (the map's phase tool): the list holds that
    // junction, the stepping buttons are hidden, and the call returns once the
    // window is closed.
    void ShowJunctionModal(int32_t node);
    // Draws the junction shown on a picture for documents and saves it.
    bool PrintFases(int32_t k, const std::string& fileName);
    // Composes the picture of the junction shown: "null" puts it on the clipboard,
    // any other name saves it to that file.
    bool CopyJunction(const std::string& fileName);
    // Stage table and pictures of the junctions of NodeList, appended to doc.
    // False when a junction's picture could not be written: the document lacks it.
    bool PhasesReport(DocWriter::TDocWriter& doc, const std::string& networkName, const DocWriter::PictureBox& box,
                      int32_t columns);

    void tbFirstClick();
    void tbPrevClick();
    void tbNextClick();
    void tbLastClick();
    void tbCopyClick();
    void tbPrintClick();
    void tbWordClick();
    void tbSyncClick();

    // Writes the document of the listed junctions to fileName with the window's
    // document settings (the button asks for the name first).
    bool WriteDocument(const std::string& fileName);

    TOxrImage* fimg = nullptr;
    std::array<QGroupBox*, 6> G{};
    std::array<TOxrImage*, 6> Fase{};
    tgaugeCaption* pbc = nullptr; // caption gauge of the document writing, hidden when idle
    QMenu* pupNodos = nullptr;
    QComboBox* cbPapel = nullptr;
    QComboBox* cbOrienta = nullptr;
    QSpinBox* seCols = nullptr;
    QDoubleSpinBox* seAncho = nullptr;
    QDoubleSpinBox* seMarg = nullptr;
    QAction* tbSync = nullptr;
    QAction* tbRepartos = nullptr;
    QAction* tbPrint = nullptr;

    // The main window whose map follows the junction shown.
    void SetHost(TMapHost* host) { host_ = host; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override; // Escape closes, as in a dialog

private:
    class QEventLoop* modalLoop_ = nullptr;
    TMapHost* host_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QToolBar* docbar_ = nullptr;
    void SyncMap();
    void Navigate(int32_t k);
};

// The window, made when first used (Secondary::FrmFases) and kept for the whole run; null until then.
extern TFrmFases* FrmFases;
