// The network drawn beside the main map: the aerial overview, the still quick
// view, the magnifier over the map, and the street-level view of a clicked point.
#include "map/gui/MapViewController.h"

#include "map/gui/DlgQuickView.h"
#include "map/DisplayStyles.h"
#include "map/DrawState.h"
#include "map/ZoomHistory.h"
#include "map/gui/FrmAerial.h"
#include "map/gui/MapHost.h"
#include "map/gui/MapViewHost.h"
#include "map/gui/OxrImage.h"
#include "map/gui/StreetView.h"
#include "model/KDVvars.h"
#include "model/PalvonRead.h"
#include "model/PalvonVars.h"
#include "model/ProgramOptions.h"
#include "model/ZelUtils.h"
#include "model/ZelUtm.h"
#include "widgets/WaitCursor.h"
#include "widgets/WindowHost.h"

#include <QAction>
#include <QClipboard>
#include <QScrollArea>
#include <QSpinBox>

namespace {

bool NodePlaced(int32_t index) { return index >= 1 && index <= Network.NodeCount && Nodos[index].HasXY; }

} // namespace

void TMapViewController::DrawNetWorkAerial()
{
    // Drawn into the aerial view once it is made (first shown), never to make it.
    TOxrImage* img = map_.MapImage();
    if (!FrmAerial || !img || !Network.HasCoordinates)
        return;
    TOxrImage& a = *FrmAerial->aimg;
    a.Clear();
    QPainter* c = a.Canvas();
    c->setPen(QPen(DisplayStyles::ToQColor(clSilver), 1, Qt::SolidLine));
    a.PenMode = TPenMode::Copy;
    a.SetWorld(Network.MinX, Network.MinY, Network.MaxX, Network.MaxY);

    // What the main map shows, from its bottom-left corner.
    const TZoomSlot view = Zoom::ShownView(img->World(), UserView().WorldMinX, UserView().WorldMinY);
    FrmAerial->XFrom = view.MinX;
    FrmAerial->YFrom = view.MinY;
    FrmAerial->XTo = view.MaxX;
    FrmAerial->YTo = view.MaxY;

    for (int32_t k = 1; k <= Network.LinkCount; ++k) {
        const TArcos& link = Arcos[k];
        if (NodePlaced(link.AIndex) && NodePlaced(link.BIndex))
            a.LineW(Nodos[link.AIndex].X, Nodos[link.AIndex].Y, Nodos[link.BIndex].X, Nodos[link.BIndex].Y);
    }

    const TPoint corners[5] = {
        {view.MinX, view.MinY}, {view.MaxX, view.MinY}, {view.MaxX, view.MaxY}, {view.MinX, view.MaxY}, {view.MinX, view.MinY}};
    a.PenMode = TPenMode::NotXor;
    c->setBrush(QBrush(DisplayStyles::ToQColor(0xF0FBFF), Qt::SolidPattern));
    a.RectangleW(view.MinX, view.MinY, view.MaxX, view.MaxY);
    a.PenMode = TPenMode::Copy;
    c->setPen(QPen(Qt::black, 1, Qt::SolidLine));
    a.PolylinePtArray(corners, 4);

    QPolygon region;
    for (int k = 0; k < 4; ++k)
        region << a.PointRecToPoint(corners[k]);
    FrmAerial->ViewRegion = QRegion(region);
    a.update();
}

void TMapViewController::DrawQuickView(TOxrImage* Img)
{
    if (!Img)
        return;
    host_.DrawViewLayers(*Img, false);
}

void TMapViewController::QuickViewPalvon()
{
    TOxrImage* img = map_.MapImage();
    if (!img)
        return;
    auto* view = new TDlgQuickView(nullptr);
    view->setAttribute(Qt::WA_DeleteOnClose);
    {
        TWaitCursor wait;
        view->img->resize(img->size());
        view->img->Clear();
        view->img->SetWorld(UserView().WorldMinX, UserView().WorldMinY, UserView().WorldMaxX, UserView().WorldMaxY);
        DrawQuickView(view->img);
    }
    view->show();
}

void TMapViewController::StreetViewPalvon()
{
    TOxrImage* img = map_.MapImage();
    if (!img)
        return;
    const double x = img->PixelToWorldX(ClickPixX);
    const double y = img->PixelToWorldY(ClickPixY);
    // The options give the zone as "UTM nn: ..." items and the hemisphere as
    // "S: ..." / "N: ..." items: the converter takes the zone number and "S" or "N".
    int32_t zone = ProgramOptions().UtmZone();
    std::string hemisphere = ProgramOptions().Hemisphere();
    PalvonRead::ZoneOfPositions(zone, hemisphere);
    ZelUtm::TGeografica geo;
    ZelUtm::UtmToGeo(zone, hemisphere, geo, x, y);
    TStreetView& street = host_.StreetView();
    street.ShowSV(geo.Latitude, geo.Longitude);
    street.show();
    street.raise();
}

void TMapViewController::ZoomViewPalvon()
{
    TOxrImage* img = map_.MapImage();
    if (!img || !zimg)
        return;
    const double s = ProgramOptions().VisorZoomSize;
    const double f = ProgramOptions().MagnifierScale();
    const int side = ZelUtils::Round(s);
    zimg->resize(side, side);
    const TZoomSlot view = Zoom::MagnifierView(img->World(), ClickPixX, ClickPixY, s, f);
    zimg->move(ClickPixX - ZelUtils::Round(s / 2), ClickPixY - ZelUtils::Round(s / 2));
    zimg->Clear();
    zimg->SetWorld(view.MinX, view.MinY, view.MaxX, view.MaxY);
    QPainter* p = zimg->Canvas();
    p->setPen(QPen(DisplayStyles::ToQColor(clGray), 2, Qt::SolidLine));
    p->setBrush(QBrush(DisplayStyles::ToQColor(ProgramOptions().VisorZoomColor), Qt::SolidPattern));
    p->drawRect(QRect(0, 0, side, side));

    host_.DrawViewLayers(*zimg, true);
    zimg->show();
    zimg->raise();
    zimg->update();
}

void TMapViewController::RedrawMagnifier()
{
    if (zimg && zimg->isVisible())
        ZoomViewPalvon();
}

void TMapViewController::tbAerialClick()
{
    if (window_.CommandOn(Cmd::tbAerial)) {
        TFrmAerial& aerial = host_.AerialView();
        aerial.show();
        aerial.raise();
        DrawNetWorkAerial();
    } else if (FrmAerial) {
        FrmAerial->hide();
    }
}

void TMapViewController::CopiarAerial1Click()
{
    if (window_.CommandOn(Cmd::tbAerial))
        QGuiApplication::clipboard()->setImage(host_.AerialView().aimg->Picture());
}
