#include "map/ViewConfig.h"

#include "model/ZelUtils.h"
#include "platform/IniFile.h"

namespace {

constexpr const char* PreferenciasDefault =
    "1;1;1;1;1;1;1;1;1;1;1;0;0;255;8388736;2;16739583;0;8404992;3;16755801;1;1;100;1;1;1;1;1;0;0;0";

int32_t FieldInt(const std::string& f) { return ZelUtils::ParseNumber(f).asInt(); }
double FieldNum(const std::string& f) { return ZelUtils::ParseNumber(f).asReal(); }
uint32_t FieldColor(const std::string& f) { return static_cast<uint32_t>(FieldInt(f)); }

// A size read from the section: kept when it lies in [low, high], else refused.
void Checked(TViewConfig& c, const std::string& what, const std::string& field, int32_t low, int32_t high,
             int32_t& target)
{
    int32_t v = FieldInt(field);
    if (v >= low && v <= high) {
        target = v;
        return;
    }
    c.Refused.push_back(ZelUtils::Format("%s = %s fuera de rango (%d a %d); se mantiene %d", what,
                                         ZelUtils::Trim(field), low, high, target));
}

void Font(TViewConfig& c, const std::string& key, int index, const std::vector<std::string>& v)
{
    TLabelFont& f = c.Fonts[static_cast<size_t>(index)];
    const int32_t size = f.Size;
    ViewConfig::ReadFont(f, v);
    f.Size = size;
    Checked(c, "Tamaño de letra de " + key, v[1], 1, MaxViewFontSize, f.Size);
}

} // namespace

namespace ViewConfig {

std::vector<std::string> SplitValue(const std::string& value)
{
    if (value.empty())
        return {};
    std::vector<std::string> fields = ZelUtils::SplitString(value, ';');
    if (!fields.empty() && fields.back().empty())
        fields.pop_back();
    return fields;
}

std::vector<std::string> LineLayerFileList(const std::string& value)
{
    const std::vector<std::string> v = SplitValue(value);
    std::vector<std::string> files;
    if (v.size() < 2)
        return files;
    const int n = FieldInt(v[0]);
    const auto full = [](const std::string& piece) { return !piece.empty() && piece[0] == '/'; };
    const bool rejoin = static_cast<int>(v.size()) - 1 > n && full(v[1]);
    for (size_t i = 1; i < v.size(); ++i) {
        if (rejoin && !files.empty() && !full(v[i]))
            files.back() += ";" + v[i];
        else if (static_cast<int>(files.size()) < n)
            files.push_back(v[i]);
        else
            break;
    }
    return files;
}

std::vector<std::string> ReadFields(const TIniFile& ini, const std::string& section, const std::string& key,
                                    const std::string& defaultValue, size_t count)
{
    std::vector<std::string> fields = SplitValue(ini.ReadString(section, key, defaultValue));
    if (fields.size() != count)
        fields = SplitValue(defaultValue);
    return fields;
}

void ReadFont(TLabelFont& f, const std::vector<std::string>& v)
{
    f.Name = v[0];
    f.Size = FieldInt(v[1]);
    f.Color = FieldColor(v[2]);
    f.Style = 0;
    const uint8_t bits[4] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};
    for (size_t i = 0; i < 4 && i < v[3].size(); ++i)
        if (v[3][i] == '1')
            f.Style = static_cast<uint8_t>(f.Style | bits[i]);
}

uint8_t ReadPenStyle(const std::string& f)
{
    uint8_t style = 0;
    for (size_t k = 1; k < 7 && k < f.size(); ++k)
        if (f[k] == '1')
            style = static_cast<uint8_t>(k);
    return style;
}

void Read(const TIniFile& ini, const std::string& section, TViewConfig& c)
{
    std::vector<std::string> v;
    c.Refused.clear();

    v = ReadFields(ini, section, "Variable", "null;0", 2);
    c.VariableName = v[0];
    c.VariableColumn = FieldInt(v[1]);

    const std::string title = ini.ReadString(section, "Titulo", "null");
    c.HasTitle = title != "null";
    c.TitleLines = c.HasTitle ? SplitValue(title) : std::vector<std::string>();

    v = ReadFields(ini, section, "Zoom", "0.0;0.0;0.0;0.0", 4);
    for (size_t i = 0; i < 4; ++i)
        c.Zoom[i] = FieldNum(v[i]);

    v = ReadFields(ini, section, "Opciones", "0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0", ViewOptionCount);
    for (size_t i = 0; i < ViewOptionCount; ++i)
        c.Options[i] = v[i] == "1";

    v = ReadFields(ini, section, "Vineta", "53;355", 2);
    c.LegendLeft = FieldInt(v[0]);
    c.LegendTop = FieldInt(v[1]);

    v = ReadFields(ini, section, "Escala", "0;0;25;5", 4);
    c.ScaleMax = static_cast<float>(FieldNum(v[0]));
    c.ScaleFixed = v[1] == "1";
    Checked(c, "Ancho de las barras (Escala)", v[2], 1, MaxViewBarWidth, c.PixsVol);
    Checked(c, "Ancho de los colores (Escala)", v[3], 1, MaxViewColorWidth, c.PixsCol);

    v = ReadFields(ini, section, "Zonas", "Arial;8;0;0000;10;8454143", 6);
    Font(c, "Zonas", 1, v);
    Checked(c, "Tamaño de los centroides", v[4], 0, MaxViewSymbolSize, c.CentroidSize);
    c.CentroidColor = FieldColor(v[5]);

    v = ReadFields(ini, section, "Nodos", "Arial;8;0;0000;2", 5);
    Font(c, "Nodos", 2, v);
    Checked(c, "Tamaño de los nodos", v[4], 0, MaxViewSymbolSize, c.NodeSize);

    v = ReadFields(ini, section, "Flechas", "4;8454143", 2);
    Checked(c, "Tamaño de las flechas", v[0], 0, MaxViewSymbolSize, c.ArrowSize);
    c.ArrowColor = FieldColor(v[1]);

    v = ReadFields(ini, section, "Atributos", "Arial;8;255;0000;6;0", 6);
    Font(c, "Atributos", 4, v);
    c.NumDec = FieldInt(v[4]);
    Checked(c, "Decimales de los atributos", v[5], 0, MaxViewDecimals, c.Decimals);

    v = ReadFields(ini, section, "Calles", "Arial;8;16711680;0000", 4);
    Font(c, "Calles", 5, v);

    v = ReadFields(ini, section, "Color", "8454143;8421631", 2);
    c.Pen = FieldColor(v[0]);
    c.Brush = FieldColor(v[1]);

    v = SplitValue(ini.ReadString(section, "Soleras", "0;null"));
    c.HasLineLayers = v.size() >= 2;
    c.LineLayerFiles = LineLayerFileList(ini.ReadString(section, "Soleras", "0;null"));

    for (int i = 0; i <= MaxItems; ++i) {
        TViewItem& it = c.Items[static_cast<size_t>(i)];
        v = SplitValue(ini.ReadString(section, ZelUtils::Format("Item%2.2d", i), "null"));
        it.Present = v.size() == 5;
        if (!it.Present)
            continue;
        it.Name = v[0];
        it.Color = FieldColor(v[1]);
        Checked(c, ZelUtils::Format("Ancho de línea de Item%2.2d", i), v[2], INT32_MIN, MaxViewPenWidth, it.Width);
        it.PenStyle = ReadPenStyle(v[4]);
    }

    c.HasRangeKeys = ini.ValueExists(section, "RangosLimites") || ini.ValueExists(section, "RangosColores") ||
                     ini.ValueExists(section, "RangosActivos");
    v = ReadFields(ini, section, "RangosLimites", "0;0.25;0.5;0.75;1;1.25", ViewRangeClasses);
    for (size_t k = 0; k < ViewRangeClasses; ++k)
        c.RangeHighs[k] = static_cast<float>(FieldNum(v[k]));
    v = ReadFields(ini, section, "RangosColores", "65535;16776960;8454016;16744703;33023;255", ViewRangeClasses);
    for (size_t k = 0; k < ViewRangeClasses; ++k)
        c.RangeColors[k] = FieldColor(v[k]);
    v = ReadFields(ini, section, "RangosActivos", "0;1;1;1;1;1", ViewRangeClasses);
    for (size_t k = 0; k < ViewRangeClasses; ++k)
        c.RangeActive[k] = v[k] == "1";

    v = ReadFields(ini, section, "Preferencias", PreferenciasDefault, 32);
    for (size_t i = 0; i < 9; ++i)
        c.ShowChecks[i] = v[i] == "1";
    c.SeleccionGrafica = FieldInt(v[11]);
    c.RutasFijas = FieldInt(v[12]);
    c.SeleccionColor = FieldColor(v[13]);
    c.ZonaBordeColor = FieldColor(v[14]);
    c.ZonaBordeAncho = FieldInt(v[15]);
    c.ZonaRellenoColor = FieldColor(v[16]);
    c.ZonaRellenoClear = v[17] == "1";
    c.PoliBordeColor = FieldColor(v[18]);
    c.PoliBordeAncho = FieldInt(v[19]);
    c.PoliRellenoColor = FieldColor(v[20]);
    c.PoliRellenoClear = v[21] == "1";
    c.VisorZoomColor = FieldColor(v[22]);
    c.VisorZoomSize = FieldInt(v[23]);
    c.ZoomPermanente = v[24] == "1";
    c.EscalaZoom = FieldInt(v[25]);
    for (size_t i = 0; i < 6; ++i)
        c.ZoomChecks[i] = v[26 + i] == "1";

    v = ReadFields(ini, section, "GoogleEarth", "18;0;0.000;0.000", 4);
    c.Huso = FieldInt(v[0]);
    c.Hemisferio = FieldInt(v[1]);
    c.ShiftVert = FieldNum(v[2]);
    c.ShiftHorz = FieldNum(v[3]);
}

} // namespace ViewConfig
