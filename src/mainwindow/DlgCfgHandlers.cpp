// Handlers of the options dialog: colour panels, the class and layer style tables,
// the width menu, the geographic buttons and the values other code reads.
#include "mainwindow/DlgCfg.h"
#include "map/ViewState.h"
#include "model/ProgramOptions.h"
#include "model/TextCodec.h"

#include "map/DisplayStyles.h"
#include "map/GeoLayers.h"
#include "model/KDVvars.h"
#include "model/ViewerServices.h"
#include "model/ZelUtils.h"
#include "model/gui/ZelUtilsGui.h"
#include "widgets/TypedNumber.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableWidget>

namespace {

// Names may come from settings files written in Windows-1252.
QString DisplayText(const std::string& text) { return TextCodec::Decode(text); }

} // namespace

// ---- Values read by the rest of the program ----

bool TDlgCfg::HideBlocked() const { return ProgramOptions().HideBlocked(); }

float TDlgCfg::ZoomFactorValue() const { return ProgramOptions().ZoomFactorValue(); }

int TDlgCfg::MagnifierScale() const { return ProgramOptions().MagnifierScale(); }

int TDlgCfg::UtmZone() const { return ProgramOptions().UtmZone(); }

bool TDlgCfg::NorthernHemisphere() const { return ProgramOptions().NorthernHemisphere(); }

double TDlgCfg::ShiftVertKm() const { return ProgramOptions().ShiftVertKm(); }

double TDlgCfg::ShiftHorzKm() const { return ProgramOptions().ShiftHorzKm(); }

double TDlgCfg::Screen2PrintValue() const { return ProgramOptions().Screen2Print; }

void TDlgCfg::SetScreen2PrintRatio(double pageWidthPixels, double screenWidthPixels)
{
    ProgramOptions().SetScreen2PrintRatio(pageWidthPixels, screenWidthPixels);
    LoadFromOptions();
}

QAction* TDlgCfg::WidthAction(int tag) const
{
    for (QAction* action : widthGroup_->actions())
        if (action->data().toInt() == tag)
            return action;
    return nullptr;
}

// ---- Showing ----

void TDlgCfg::showEvent(QShowEvent* event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TDlgCfg::FormShow()
{
    LoadFromOptions();
    const int layers = std::max(0, GeoLayers().NumGeoLayers);
    if (layers == 0) {
        UserView().Items[11].Name = "Cobertura Líneas";
        UserView().Items[11].Color = clSilver;
    }
    // One row per style from "Arcos Acceso" to the last background layer, never past `Items`.
    const int rows = std::min(layers + 11, MaxItems);
    sagGral->setRowCount(rows);
    for (int r = 0; r < rows; ++r) {
        auto* name = new QTableWidgetItem(DisplayText(UserView().Items[GralItemIndex(r)].Name));
        sagGral->setItem(r, 0, name);
    }
    if (sagGral->currentRow() < 0 || sagGral->currentRow() >= rows)
        sagGral->setCurrentCell(0, 0);
    sagSel->viewport()->update();
    sagGral->viewport()->update();
}

// ---- Colour panels ----

bool TDlgCfg::PickColor(uint32_t& color)
{
    if (Hooks.ChooseColor)
        return Hooks.ChooseColor(color);
    const QColor chosen = QColorDialog::getColor(DisplayStyles::ToQColor(color), this);
    if (!chosen.isValid())
        return false;
    color = DisplayStyles::FromQColor(chosen);
    return true;
}

void TDlgCfg::EditPanelColor(TColorPanel* panel)
{
    uint32_t color = panel->Color();
    if (PickColor(color))
        panel->SetColor(color);
}

void TDlgCfg::SeleccionColorClick()
{
    uint32_t color = SeleccionColor->Color();
    if (!PickColor(color))
        return;
    SeleccionColor->SetColor(color);
    if (CurrentClass >= 0 && CurrentClass <= MaxClasses)
        UserView().ClassColors[CurrentClass] = color;
    sagSel->viewport()->update();
}

void TDlgCfg::VisorZoomColorClick() { EditPanelColor(VisorZoomColor); }
void TDlgCfg::PoliBordeColorClick() { EditPanelColor(PoliBordeColor); }
void TDlgCfg::PoliRellenoColorClick() { EditPanelColor(PoliRellenoColor); }
void TDlgCfg::ZonaBordeColorClick() { EditPanelColor(ZonaBordeColor); }
void TDlgCfg::ZonaRellenoColorClick() { EditPanelColor(ZonaRellenoColor); }
void TDlgCfg::ArcosColorClick() { EditPanelColor(ArcosColor); }
void TDlgCfg::BlockedColorClick() { EditPanelColor(BlockedColor); }
void TDlgCfg::AccesoColorClick() { EditPanelColor(AccesoColor); }
void TDlgCfg::TrazaColorClick() { EditPanelColor(TrazaColor); }
void TDlgCfg::ArrowsColorClick() { EditPanelColor(ArrowsColor); }
void TDlgCfg::NodosColorClick() { EditPanelColor(NodosColor); }
void TDlgCfg::SoleraColorClick() { EditPanelColor(SoleraColor); }

// ---- Simple handlers ----

void TDlgCfg::cbSaveFNamesClick()
{
    const bool on = cbSaveFNames->isChecked();
    FnameSaved->setEnabled(on);
    LabelArchivos->setEnabled(on);
}

void TDlgCfg::SeleccionAnchoChange()
{
    const int width = SeleccionAncho->value();
    for (int c = 1; c <= NumSelClasses; ++c)
        UserView().ClassWidths[c] = width;
    sagSel->viewport()->update();
}

void TDlgCfg::rgZoomClick()
{
    UserView().ZoomFactor = ZoomFactorValue();
}

void TDlgCfg::cbFullDxfClick()
{
    // The DXF export takes the flag into its options when it begins.
    ProgramOptions().FullDxf = cbFullDxf->isChecked();
}

void TDlgCfg::sbWriteGeoClick()
{
    if (Hooks.WriteGeo)
        Hooks.WriteGeo();
}

void TDlgCfg::sbSaveClick()
{
    if (Hooks.WriteGeo)
        Hooks.WriteGeo();
}

// ---- Class table ----

bool TDlgCfg::sagSelDrawCell(QPainter* painter, const QRect& rect, int row, int col)
{
    if (row < 0 || row >= NumSelClasses || (col != 1 && col != 2))
        return false;
    painter->save();
    painter->fillRect(rect, palette().color(QPalette::Button));
    if (col == 1) {
        QStyleOptionButton option;
        option.initFrom(sagSel);
        const int side = std::min({rect.width(), rect.height(), 14});
        option.rect = QRect(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
        option.state = QStyle::State_Enabled | (row == CurrentClass - 1 ? QStyle::State_On : QStyle::State_Off);
        sagSel->style()->drawPrimitive(QStyle::PE_IndicatorRadioButton, &option, painter, sagSel);
    } else {
        const int width = UserView().ClassWidths[row + 1];
        if (width >= 1) {
            QPen pen(DisplayStyles::ToQColor(UserView().ClassColors[row + 1]), width);
            pen.setCapStyle(Qt::FlatCap);
            painter->setPen(pen);
            const int y = rect.top() + rect.height() / 2;
            painter->drawLine(rect.left() + 2, y, rect.right() + 1 - 10, y);
        }
    }
    painter->restore();
    return true;
}

void TDlgCfg::sagSelDblClick(int row, int col)
{
    if (row < 0 || row >= NumSelClasses)
        return;
    if (col == 1) {
        CurrentClass = row + 1;
    } else if (col == 2) {
        uint32_t color = UserView().ClassColors[row + 1];
        if (!PickColor(color))
            return;
        UserView().ClassColors[row + 1] = color;
    } else {
        return;
    }
    sagSel->viewport()->update();
}

// ---- Width menu ----

void TDlgCfg::ShowWidthsMenu(TWidthTarget target, QWidget* widget, const QPoint& pos)
{
    LastArea = target == TWidthTarget::ClassTable ? AreaClassTable
             : target == TWidthTarget::LinksColor ? AreaLinksColor
                                                   : LastArea;
    SetWidthsPopup(target);
    SetWidths->popup(widget->mapToGlobal(pos));
}

void TDlgCfg::SetWidthsPopup(TWidthTarget target)
{
    // The menu only shows the width of what it was opened over; choosing an item sets it.
    WidthTarget = target;
    int width = -1;
    switch (target) {
    case TWidthTarget::ClassTable:
        if (sagSel->currentRow() >= 0)
            width = UserView().ClassWidths[sagSel->currentRow() + 1];
        break;
    case TWidthTarget::LinksColor:
        width = UserView().Items[0].Width;
        break;
    case TWidthTarget::LayerTable:
        if (sagGral->currentRow() >= 0)
            width = UserView().Items[GralItemIndex(sagGral->currentRow())].Width;
        break;
    }
    if (QAction* checked = widthGroup_->checkedAction())
        checked->setChecked(false);
    if (QAction* action = WidthAction(width))
        action->setChecked(true);
}

void TDlgCfg::SetWidth(int tag)
{
    switch (WidthTarget) {
    case TWidthTarget::ClassTable: {
        const int row = sagSel->currentRow();
        if (row >= 0 && row < NumSelClasses)
            UserView().ClassWidths[row + 1] = tag;
        sagSel->viewport()->update();
        break;
    }
    case TWidthTarget::LinksColor:
        UserView().Items[0].Width = tag;
        break;
    case TWidthTarget::LayerTable: {
        const int row = sagGral->currentRow();
        if (row >= 0 && GralItemIndex(row) <= MaxItems)
            UserView().Items[GralItemIndex(row)].Width = tag;
        sagGral->viewport()->update();
        break;
    }
    }
}

// ---- Layer style table ----

bool TDlgCfg::sagGralDrawCell(QPainter* painter, const QRect& rect, int row, int col)
{
    if (col != 1 || row < 0 || GralItemIndex(row) > MaxItems)
        return false;
    const TItems& item = UserView().Items[GralItemIndex(row)];
    painter->save();
    painter->fillRect(rect, palette().color(QPalette::Base));
    if (item.Width >= 1) {
        QPen pen(DisplayStyles::ToQColor(item.Color), item.Width);
        pen.setCapStyle(Qt::FlatCap);
        painter->setPen(pen);
        const int y = rect.top() + rect.height() / 2;
        painter->drawLine(rect.left() + 1, y, rect.right() + 1 - 5, y);
    }
    painter->restore();
    return true;
}

void TDlgCfg::sagGralDblClick(int row)
{
    if (row < 0 || GralItemIndex(row) > MaxItems)
        return;
    uint32_t color = UserView().Items[GralItemIndex(row)].Color;
    if (!PickColor(color))
        return;
    UserView().Items[GralItemIndex(row)].Color = color;
    sagGral->viewport()->update();
}

// ---- Shift from a distance and a direction ----

bool TDlgCfg::AskTwoValues(const std::string& title, const std::string& prompt1, const std::string& prompt2,
                           std::string& value1, std::string& value2)
{
    if (Hooks.InputTwoValues)
        return Hooks.InputTwoValues(title, prompt1, prompt2, value1, value2);
    QVariant v1 = QString::fromStdString(value1);
    QVariant v2 = QString::fromStdString(value2);
    if (!ZelUtils::InputIntegerEx(title, prompt1, prompt2, v1, v2, ZelUtils::FieldText, ZelUtils::FieldText))
        return false;
    value1 = v1.toString().toStdString();
    value2 = v2.toString().toStdString();
    return true;
}

void TDlgCfg::sbCalcularClick()
{
    std::string length = "0.0";
    std::string direction = "0.0";
    if (!AskTwoValues("Desplazamiento", "Longitud", "Dirección", length, direction))
        return;
    if (ZelUtils::Trim(length).empty() || ZelUtils::Trim(direction).empty())
        return;
    double metres = 0.0;
    double degrees = 0.0;
    if (!ReadTypedNumber(QString::fromStdString(length), metres) ||
        !ReadTypedNumber(QString::fromStdString(direction), degrees))
        return;
    const double radians = std::numbers::pi * degrees / 180.0;
    const double vert = std::cos(radians) * metres / 1000.0;
    const double horz = std::sin(radians) * metres / 1000.0;
    if (std::fabs(vert) > ceVert->maximum() || std::fabs(horz) > ceHorz->maximum()) {
        Services().ShowMessage(ZelUtils::Format("Desplazamiento fuera de rango: %.3f km", std::max(std::fabs(vert), std::fabs(horz))));
        return;
    }
    ceVert->setValue(vert);
    ceHorz->setValue(horz);
}

// ---- Where the mouse last moved ----

bool TDlgCfg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove) {
        if (watched == GroupBox2)
            GroupBox2MouseMove();
        else if (watched == sagSel->viewport())
            sagSelMouseMove();
        else if (watched == Zonificacion)
            ZonificacionMouseMove();
        else if (watched == BoxPoligonos)
            BoxPoligonosMouseMove();
        else if (watched == ArcosColor) {
            // The panel takes the move itself; passed on, its group would claim it.
            ArcosColorMouseMove();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
